#include "window/MergeGrids.h"

#include "common/Errors.h"
#include "engine/TDM.h"
#include "engine/TableSetupColumns.h"
#include "models/MemDataModel.h"
#include "project/TableSetup.h"
#include "shared/UnhandledFailure.h"
#include "window/GridDeleteKey.h"
#include "window/GroupingStrip.h"
#include "window/HeaderSorting.h"

#include <QHeaderView>
#include <QScopedValueRollback>
#include <QTableView>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// A grid of a closed side shows no columns: the engine removes the data
// columns right after telling the grid, and a column left over would name a
// field that no longer exists. The row number column is always there and
// never shown, so this plan resolves to nothing.
ColumnPlan noColumns() {
    ColumnPlan plan;
    plan.columns.push_back({u"RecId"_s, QString(), -1, false, false});
    return plan;
}

}  // namespace

MergeGrids::MergeGrids(TDM& engine, QTableView& sourceGrid, QTableView& targetGrid)
    : engine_(engine),
      sourceGrid_(sourceGrid),
      targetGrid_(targetGrid),
      colours_(engine),
      sourceModel_(std::make_unique<MemDataModel>(
          engine.SourceMemData(), MemDataModel::Mode::ReadOnly,
          engine.SourceMemData().isOpen() ? ColumnPlan() : noColumns())),
      targetModel_(std::make_unique<MemDataModel>(
          engine.DestMemData(), MemDataModel::Mode::Editable,
          engine.DestMemData().isOpen() ? ColumnPlan() : noColumns())) {
    targetModel_->setColourProvider(colours_.provider());
    sourceGrid_.setModel(sourceModel_.get());
    sourceGrid_.setSelectionBehavior(QAbstractItemView::SelectRows);
    sourceGrid_.setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourceGrid_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    targetGrid_.setModel(targetModel_.get());
    targetGrid_.setSelectionMode(QAbstractItemView::SingleSelection);
    // Rows stay in list order until the user sorts by one or more columns.
    new HeaderSorting(sourceGrid_, *sourceModel_);
    new HeaderSorting(targetGrid_, *targetModel_);
    watchCurrentRow(Side::Source);
    watchCurrentRow(Side::Target);
    targetDelete_ = std::make_unique<GridDeleteKey>(targetGrid_, *targetModel_);
    // Neither grid shows a grouping strip until it is asked for.
    sourceStrip_ = GroupingStrip::attachAbove(sourceGrid_, *sourceModel_);
    targetStrip_ = GroupingStrip::attachAbove(targetGrid_, *targetModel_);
    setGroupingVisible(false);
    engine_.TablesMemData().addObserver(&tableSetupWatch_);
    refreshIgnoredColumns();
}

MergeGrids::~MergeGrids() {
    engine_.TablesMemData().removeObserver(&tableSetupWatch_);
    delete sourceStrip_.data();
    delete targetStrip_.data();
    targetDelete_.reset();
    // The views outlive this object in the window's teardown order; they
    // must not keep pointers to the models released here.
    sourceGrid_.setModel(nullptr);
    targetGrid_.setModel(nullptr);
}

MemDataModel& MergeGrids::model(Side side) const {
    return side == Side::Source ? *sourceModel_ : *targetModel_;
}

QTableView& MergeGrids::grid(Side side) const {
    return side == Side::Source ? sourceGrid_ : targetGrid_;
}

GroupingStrip& MergeGrids::groupingStrip(Side side) const {
    return side == Side::Source ? *sourceStrip_ : *targetStrip_;
}

void MergeGrids::setGroupingVisible(bool visible) {
    sourceStrip_->setVisible(visible);
    targetStrip_->setVisible(visible);
}

bool MergeGrids::groupingVisible() const {
    return !sourceStrip_->isHidden();
}

void MergeGrids::watchCurrentRow(Side side) {
    QTableView& view = grid(side);
    connect(view.selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, side](const QModelIndex& current) {
                if (following_ || !current.isValid()) {
                    return;
                }
                runReporting([&] {
                    if (side == Side::Source) {
                        SourceGridChangeNode(current.row());
                    } else {
                        DestGridChangeNode(current.row());
                    }
                });
            });
    // The engine moved the list (a sync, a search): the grid shows that row.
    connect(&model(side), &MemDataModel::currentPositionMoved, this, [this, side](int pos) {
        const int row = model(side).rowOfPosition(pos);
        if (row < 0) {
            return;
        }
        const QScopedValueRollback guard(following_, true);
        QTableView& shown = grid(side);
        shown.selectionModel()->setCurrentIndex(
            model(side).index(row, std::max(0, shown.currentIndex().column())),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });
}

bool MergeGrids::follow(Side side, int row) {
    const int pos = model(side).listPosition(row);
    MemData& list = side == Side::Source ? engine_.SourceMemData() : engine_.DestMemData();
    if (pos < 0 || !list.isOpen()) {
        return false;  // the new-row line or a row being inserted: no record to match
    }
    if (list.position() != pos) {
        const QScopedValueRollback guard(following_, true);
        list.moveTo(pos);
    }
    return true;
}

void MergeGrids::SourceGridChangeNode(int row) {
    if (follow(Side::Source, row) && engine_.DestMemData().isOpen()) {
        engine_.SyncTargetToSource();
    }
    repaint(Side::Target);
}

void MergeGrids::DestGridChangeNode(int row) {
    if (follow(Side::Target, row) && engine_.SourceMemData().isOpen()) {
        engine_.SyncSourceToTarget();
    }
    repaint(Side::Source);
}

void MergeGrids::columnsCreated(Side side) {
    model(side).setColumnPlan({});
    refreshIgnoredColumns();
}

void MergeGrids::refreshIgnoredColumns() {
    ComparisonRules rules;
    QString keySpec;
    try {
        const TableSetup setup = TableSetup::fromList(engine_.TablesMemData());
        rules = setup.rules;
        keySpec = setup.keySpec;
    } catch (const Error&) {
        // Malformed rules are reported by the comparison that reads them;
        // the grids dim nothing meanwhile.
    }
    const bool anyIgnored = rules.any([](const ColumnRule& r) { return r.ignore; });
    for (const Side side : {Side::Source, Side::Target}) {
        const MemData& list =
            side == Side::Source ? engine_.SourceMemData() : engine_.DestMemData();
        std::vector<int> ignored;
        for (int f = 0; anyIgnored && f < list.fieldCount(); ++f) {
            const QString& name = list.field(f).name;
            if (!list.isOwnColumn(f) && list.field(f).kind == FieldKind::Data &&
                rules.forColumn(name).ignore && !TableSetupColumns::isKeyColumn(keySpec, name)) {
                ignored.push_back(f);
            }
        }
        model(side).setDimmedFields(std::move(ignored));
    }
}

void MergeGrids::columnsRemoved(Side side) {
    model(side).setColumnPlan(noColumns());
}

void MergeGrids::refit(Side side) {
    QTableView& view = grid(side);
    view.resizeColumnsToContents();
    MemDataModel& shown = model(side);
    for (int c = 0; c < shown.columnCount(); ++c) {
        // A long text value must not push the other columns out of sight.
        int width = std::min(view.columnWidth(c), 300);
        // A number must never be cut: the grid sized the column from the
        // rows it sampled, which may miss the widest number.
        if (const int row = shown.widestNumberRow(c); row >= 0) {
            width = std::max(width, view.sizeHintForIndex(shown.index(row, c)).width() +
                                        (view.showGrid() ? 1 : 0));
        }
        view.setColumnWidth(c, width);
    }
}

void MergeGrids::repaint(Side side) {
    grid(side).viewport()->update();
}

std::vector<int> MergeGrids::selectedSourceRecIds() const {
    std::vector<int> recIds;
    for (const QModelIndex& index : sourceGrid_.selectionModel()->selectedRows()) {
        const int recId = sourceModel_->recIdAt(index.row());
        if (recId >= 0) {
            recIds.push_back(recId);
        }
    }
    return recIds;
}

}  // namespace qm
