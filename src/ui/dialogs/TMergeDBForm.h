#pragma once

#include "list/MemData.h"

#include <QDialog>
#include <memory>
#include <vector>

class QCheckBox;
class QSortFilterProxyModel;
class QTableView;

namespace qm {

class MemDataModel;
class TPrjData;

/// The selection dialog of "Create Script Automatically": one row per table
/// setup of the project, in project order, each with a tick that chooses it
/// for the script, and the switch that shows every step of the run in a
/// message box. Only the ticks can be changed: rows can be neither deleted
/// nor added, so a row's position is always its table setup's position in
/// the project.
class TMergeDBForm : public QDialog {
    Q_OBJECT

public:
    explicit TMergeDBForm(const QString& caption, QWidget* parent = nullptr);
    ~TMergeDBForm() override;

    /// Fills the list with every table setup of the project, all ticked.
    void FormShow(TPrjData& project);

    MemData& ParamsSetups() { return paramsSetups_; }
    /// The positions of the ticked rows, ascending.
    std::vector<int> selectedPositions() const;
    bool visualize() const;

    QTableView& grid() const { return *grid_; }
    QCheckBox& visualizeBox() const { return *visualize_; }

private:
    MemData paramsSetups_{QStringLiteral("ParamsSetups")};
    int selectedField_ = -1;
    int nameField_ = -1;
    int destTableField_ = -1;
    std::unique_ptr<MemDataModel> model_;
    QSortFilterProxyModel* rows_ = nullptr;
    QTableView* grid_ = nullptr;
    QCheckBox* visualize_ = nullptr;
};

}  // namespace qm
