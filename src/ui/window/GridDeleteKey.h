#pragma once

#include <QObject>
#include <functional>

class QTableView;

namespace qm {

class MemDataModel;

/// The Delete key of an editable grid: asks "Delete record?" (or "Delete
/// all selected records?" for several rows) and deletes the selected rows'
/// records from the grid's list when the answer is Yes. A grid whose records
/// are owned elsewhere hands the key to a function of its own instead.
class GridDeleteKey : public QObject {
    Q_OBJECT

public:
    /// Watches `grid`, whose model is `model`; both must outlive this object.
    GridDeleteKey(QTableView& grid, MemDataModel& model);
    /// Watches `grid`, running `onDelete` (which asks and deletes) on the key.
    GridDeleteKey(QTableView& grid, std::function<void()> onDelete);

    /// Asks and deletes as the key does; false when nothing was deleted.
    /// With a function of its own, runs it and gives true.
    bool deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView& grid_;
    MemDataModel* model_ = nullptr;
    std::function<void()> onDelete_;
};

}  // namespace qm
