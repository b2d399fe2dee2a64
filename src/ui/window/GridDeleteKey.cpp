#include "window/GridDeleteKey.h"

#include "models/MemDataModel.h"
#include "report/PrjMsgViewer.h"
#include "shared/UnhandledFailure.h"

#include <QKeyEvent>
#include <QTableView>
#include <set>

namespace qm {

GridDeleteKey::GridDeleteKey(QTableView& grid, MemDataModel& model) : grid_(grid), model_(&model) {
    grid_.installEventFilter(this);
}

GridDeleteKey::GridDeleteKey(QTableView& grid, std::function<void()> onDelete)
    : grid_(grid), onDelete_(std::move(onDelete)) {
    grid_.installEventFilter(this);
}

bool GridDeleteKey::deleteSelected() {
    if (model_ == nullptr) {
        onDelete_();
        return true;
    }
    std::set<int> rows;
    for (const QModelIndex& index : grid_.selectionModel()->selectedIndexes()) {
        rows.insert(index.row());
    }
    if (rows.empty() && grid_.currentIndex().isValid()) {
        rows.insert(grid_.currentIndex().row());
    }
    // The new-row line and group rows hold no record.
    std::erase_if(rows,
                  [this](int row) { return model_->isNewRowLine(row) || model_->isGroupRow(row); });
    if (rows.empty() || !TPrjMsgViewer::instance().AskYesNo(
                            deleteConfirmationText(static_cast<int>(rows.size())))) {
        return false;
    }
    return model_->removeRecords(std::vector<int>(rows.begin(), rows.end()));
}

bool GridDeleteKey::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &grid_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        // An open cell editor takes its keys itself; this is the grid's own.
        runReporting([this] { deleteSelected(); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace qm
