#include "window/GroupRowsView.h"

#include "models/MemDataModel.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>

namespace qm {

GroupRowsView::GroupRowsView(QTableView& view, MemDataModel& model, QObject* parent)
    : QObject(parent), view_(view), model_(model) {
    view_.installEventFilter(this);
    view_.viewport()->installEventFilter(this);
    connect(&view_, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && model_.isGroupRow(index.row())) {
            toggle(index.row());
        }
    });
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this,
            &GroupRowsView::scheduleSpans);
    connect(&model_, &QAbstractItemModel::layoutChanged, this, &GroupRowsView::scheduleSpans);
    connect(&model_, &QAbstractItemModel::modelReset, this, &GroupRowsView::scheduleSpans);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, &GroupRowsView::scheduleSpans);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, &GroupRowsView::scheduleSpans);
    scheduleSpans();
}

void GroupRowsView::scheduleSpans() {
    if (spansPending_) {
        return;
    }
    spansPending_ = true;
    // After the view has laid out the change, so that rowAt reads the new rows.
    QTimer::singleShot(0, this, [this] {
        spansPending_ = false;
        updateSpans();
    });
}

void GroupRowsView::updateSpans() {
    view_.clearSpans();
    const int columns = model_.columnCount();
    const int rows = model_.rowCount();
    if (!model_.grouped() || columns < 2 || rows == 0) {
        return;
    }
    int first = view_.rowAt(0);
    int last = view_.rowAt(view_.viewport()->height());
    first = first < 0 ? 0 : std::max(0, first - 1);
    last = last < 0 ? rows - 1 : std::min(rows - 1, last + 1);
    for (int row = first; row <= last; ++row) {
        if (model_.isGroupRow(row)) {
            view_.setSpan(row, 0, 1, columns);
        }
    }
}

void GroupRowsView::toggle(int row) {
    model_.setGroupExpanded(row, !model_.isGroupExpanded(row));
}

bool GroupRowsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_.viewport() && event->type() == QEvent::Resize) {
        scheduleSpans();
    } else if (watched == &view_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = view_.currentIndex().row();
        if ((key == Qt::Key_Plus || key == Qt::Key_Minus) && model_.isGroupRow(row)) {
            model_.setGroupExpanded(row, key == Qt::Key_Plus);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qm
