#pragma once

#include <QObject>

class QTableView;

namespace qm {

class MemDataModel;

/// The Delete key of an editable grid: asks "Delete record?" (or "Delete
/// all selected records?" for several rows) and deletes the selected rows'
/// records from the grid's list when the answer is Yes.
class GridDeleteKey : public QObject {
    Q_OBJECT

public:
    /// Watches `grid`, whose model is `model`; both must outlive this object.
    GridDeleteKey(QTableView& grid, MemDataModel& model);

    /// Asks and deletes as the key does; false when nothing was deleted.
    bool deleteSelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView& grid_;
    MemDataModel& model_;
};

}  // namespace qm
