#pragma once

#include <QObject>
#include <functional>

namespace qm {

/// While long work lets the window's events through, the user's input must
/// not start anything inside it: installed on the application for the
/// moment events are let through, this swallows mouse, keyboard, wheel,
/// hint and close events to every widget except one (the Cancel button and
/// what it contains). Escape, pressed anywhere, calls `onEscape`. Paints,
/// moves and resizes of the window pass.
class BusyInputFilter : public QObject {
public:
    BusyInputFilter(QObject* open, std::function<void()> onEscape);

    /// Whether an event of that type is the user's input, which the filter
    /// holds back.
    static bool isInput(int eventType);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* open_;
    std::function<void()> onEscape_;
};

}  // namespace qm
