#pragma once

#include "list/MemData.h"

#include <QWidget>
#include <memory>

class QTableView;

namespace qm {

class MemDataModel;

/// The project panel below the tabs: the title "Project - Table Setups" and
/// the grid of the engine's table-setup list with its column plan (sorted
/// by "#"). The window shows it only while a project is open. Moving to a
/// row chooses that table setup; the grid's current row follows the list's.
/// The grid is read-only: its cells are not written into the project, so
/// edits there would be lost on saving.
class ProjectPanel : public QWidget {
    Q_OBJECT

public:
    explicit ProjectPanel(MemData& tables, QWidget* parent = nullptr);
    ~ProjectPanel() override;

    QTableView& grid() const { return *grid_; }
    MemDataModel& model() const { return *model_; }
    /// The RecIds of the selected table setups, in grid order.
    QList<int> selectedRecIds() const;

signals:
    /// The user moved to the row of the table setup with that RecId.
    void tableSetupChosen(int recId);

private:
    /// Puts the grid's current row on the list's current row.
    void showCurrent();

    class Watch final : public ListObserver {
    public:
        explicit Watch(ProjectPanel& panel) : panel_(panel) {}
        void listChanged() override { panel_.showCurrent(); }

    private:
        ProjectPanel& panel_;
    };

    MemData& tables_;
    QTableView* grid_ = nullptr;
    std::unique_ptr<MemDataModel> model_;
    Watch watch_{*this};
    bool following_ = false;
};

}  // namespace qm
