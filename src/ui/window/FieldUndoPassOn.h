#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace qm {

/// Lets Ctrl+Z reach the window's Undo command from a text field that has
/// nothing of its own to undo. A text field claims the undo keys whether or
/// not it can undo anything, and with the Edit menu hidden the keys are the
/// only way to the project's undo. Watches the whole program (it is an
/// application event filter) but acts only on fields of its window.
class FieldUndoPassOn : public QObject {
    Q_OBJECT
public:
    /// Installs itself on the application; `window` owns it.
    explicit FieldUndoPassOn(QWidget& window);
    ~FieldUndoPassOn() override;

    /// True when the text field `field` (or the text field inside a combo
    /// or spin box) has an edit of its own to undo; false for other widgets.
    static bool fieldCanUndo(const QWidget& field);
    /// True for the widgets whose undo keys this passes on.
    static bool isTextField(const QWidget& widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};

}  // namespace qm
