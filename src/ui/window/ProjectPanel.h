#pragma once

#include <QWidget>
#include <memory>

class QTableView;

namespace qm {

class MemData;
class MemDataModel;

/// The project panel below the tabs: the title "Project - Table Setups" and
/// the grid of the engine's table-setup list with its column plan (sorted
/// by "#"). The window shows it only while a project is open.
class ProjectPanel : public QWidget {
    Q_OBJECT

public:
    explicit ProjectPanel(MemData& tables, QWidget* parent = nullptr);
    ~ProjectPanel() override;

    QTableView& grid() const { return *grid_; }
    MemDataModel& model() const { return *model_; }

private:
    QTableView* grid_ = nullptr;
    std::unique_ptr<MemDataModel> model_;
};

}  // namespace qm
