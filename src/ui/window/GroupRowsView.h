#pragma once

#include <QObject>

class QTableView;

namespace qm {

class MemDataModel;

/// How a grid shows the group rows of a grouped model: each group row's
/// caption spans the whole row, a click on a group row collapses or expands
/// it, and so do the + and - keys on the current group row. Spans are set
/// for the rows on screen only, so a grid of a million rows stays fast; the
/// grid's other spans are not kept.
class GroupRowsView : public QObject {
    Q_OBJECT

public:
    /// Watches `view`, whose model is `model`; both must outlive this object.
    GroupRowsView(QTableView& view, MemDataModel& model, QObject* parent = nullptr);

    /// Sets the spans of the group rows on screen now.
    void updateSpans();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleSpans();
    void toggle(int row);

    QTableView& view_;
    MemDataModel& model_;
    bool spansPending_ = false;
};

}  // namespace qm
