#pragma once

#include "engine/EnginePorts.h"
#include "list/MemData.h"
#include "models/TargetCellColours.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QTableView;

namespace qm {

class GridDeleteKey;
class GroupingStrip;
class MemDataModel;
class TDM;

/// The source and target grids of the "Merge" tab: their models over the
/// engine's source and target lists (the target's cells coloured by the
/// legend's rules), and the rule that moving in one grid moves the other
/// to the record with the same key. Both grids dim the columns the current
/// table setup's comparison rules ignore. The grid side of the engine's
/// ports.
class MergeGrids : public QObject, public GridPort {
    Q_OBJECT

public:
    MergeGrids(TDM& engine, QTableView& sourceGrid, QTableView& targetGrid);
    ~MergeGrids() override;

    MemDataModel& model(Side side) const;
    QTableView& grid(Side side) const;
    /// The target grid's Delete key.
    GridDeleteKey& targetDelete() const { return *targetDelete_; }
    /// The grouping strip above a grid; hidden until setGroupingVisible.
    GroupingStrip& groupingStrip(Side side) const;
    /// Shows or hides the grouping strips of both grids.
    void setGroupingVisible(bool visible);
    bool groupingVisible() const;

    void columnsCreated(Side side) override;
    void columnsRemoved(Side side) override;
    void refit(Side side) override;
    void repaint(Side side) override;
    std::vector<int> selectedSourceRecIds() const override;

    /// The user moved to another row of a grid: the engine moves the other
    /// side to the matching record (SyncTargetToSource or
    /// SyncSourceToTarget), and the other grid is repainted.
    void SourceGridChangeNode(int row);
    void DestGridChangeNode(int row);

    /// Reads the current table setup's rules and dims, in both grids, the
    /// data columns they ignore (key columns never). Runs when the table
    /// setup, its rules or a grid's columns change, not per cell.
    void refreshIgnoredColumns();

private:
    /// Any notice of the table-setup list: another table setup, or an
    /// edit of the current one's rules or key.
    class TableSetupWatch final : public ListObserver {
    public:
        explicit TableSetupWatch(MergeGrids& grids) : grids_(grids) {}
        void listChanged() override { grids_.refreshIgnoredColumns(); }

    private:
        MergeGrids& grids_;
    };

    /// Moves the side's list to the grid's row; false when the row is no record.
    bool follow(Side side, int row);
    void watchCurrentRow(Side side);

    TDM& engine_;
    QTableView& sourceGrid_;
    QTableView& targetGrid_;
    TargetCellColours colours_;
    std::unique_ptr<MemDataModel> sourceModel_;
    std::unique_ptr<MemDataModel> targetModel_;
    std::unique_ptr<GridDeleteKey> targetDelete_;
    // Widgets of the grids' panels; released with the models they show.
    QPointer<GroupingStrip> sourceStrip_;
    QPointer<GroupingStrip> targetStrip_;
    TableSetupWatch tableSetupWatch_{*this};
    bool following_ = false;
};

}  // namespace qm
