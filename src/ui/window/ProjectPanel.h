#pragma once

#include "list/MemData.h"

#include <QWidget>
#include <memory>

class QAction;
class QTableView;

namespace qm {

class GridDeleteKey;
class MemDataModel;
class TableSetupEditor;
class TableSetupGridModel;

/// The project panel below the tabs: the title "Project - Table Setups" and
/// the grid of the engine's table-setup list with its column plan (sorted
/// by "#"). The window shows it only while a project is open. Moving to a
/// row chooses that table setup; the grid's current row follows the list's.
/// With an editor, the cells are edited in place and a new-row line adds
/// table setups, all written into the project at once (TableSetupGridModel);
/// the Delete key asks for the delete command.
class ProjectPanel : public QWidget {
    Q_OBJECT

public:
    explicit ProjectPanel(MemData& tables, QWidget* parent = nullptr);
    ~ProjectPanel() override;

    QTableView& grid() const { return *grid_; }
    MemDataModel& model() const;
    /// Makes the grid editable through the editor (null: read-only).
    void setEditor(std::unique_ptr<TableSetupEditor> editor);
    /// The RecIds of the selected table setups, in grid order.
    QList<int> selectedRecIds() const;
    /// Puts the grid on the list's current row and selects that row alone.
    void selectCurrentOnly();
    /// Adds a command of the current table setup to the grid's context menu.
    void addContextAction(QAction& action);

signals:
    /// The user moved to the row of the table setup with that RecId.
    void tableSetupChosen(int recId);
    /// The selected rows may have changed.
    void selectionChanged();
    /// The Delete key was pressed in the grid.
    void deleteRequested();

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
    std::unique_ptr<TableSetupGridModel> model_;
    std::unique_ptr<TableSetupEditor> editor_;
    std::unique_ptr<GridDeleteKey> deleteKey_;
    Watch watch_{*this};
    bool following_ = false;
};

}  // namespace qm
