#pragma once

#include <QWidget>

namespace qm {

/// The legend strip above the tabs: "Legend:" and the five colour labels
/// of the target grid, built from the legend table. The labels stay at the
/// right edge of the strip whenever it is resized, except while the program
/// is ending.
class LegendStrip : public QWidget {
    Q_OBJECT

public:
    explicit LegendStrip(QWidget* parent = nullptr);

    /// The part that holds "Legend:" and the labels; its width is the
    /// legend table's strip width.
    QWidget& legend() const { return *legend_; }
    /// Stops following resizes (the window is being torn down).
    void setTerminating(bool terminating) { terminating_ = terminating; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void keepAtRightEdge();

    QWidget* legend_ = nullptr;
    bool terminating_ = false;
};

}  // namespace qm
