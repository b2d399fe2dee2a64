#pragma once

#include "list/MemData.h"
#include "models/ColumnPlan.h"
#include "models/RowGrouping.h"
#include "models/RowOrder.h"

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace qm {

/// A table model over one in-memory list, for the grids. data() reads the
/// list in place; the only memory that grows with the list is the sort
/// order (one int per row, and only while the grid is sorted). The model
/// follows the list's notices row by row (dataChanged, rows inserted and
/// removed); only a whole-list notice (open, close, a frozen burst) resets it.
///
/// Rows of the model, top to bottom: the list's posted rows (in list order,
/// or in the grid's sort order); the row the list is inserting, while it is
/// in insert state (read through the list's current-row buffer); and, in
/// editable mode on an open list, the new-row line, whose editing starts a
/// new row of the list.
///
/// Editing an existing row posts it at once. A new row stays in insert
/// state, so that it can be filled column by column, until submit() (which
/// the view calls when an editor is closed with Enter or the current row
/// changes), until another row is edited, or until the list itself posts it.
///
/// Grouped (groupBy), the posted rows are ordered by the grouping columns
/// (then by the sort) and each group starts with a group row, "Caption:
/// value (n records)", that can be collapsed. Group rows hold no record:
/// recIdAt gives -1 and listPosition -1 for them, so code that reads the
/// records of selected rows passes over them.
///
/// The list must outlive the model.
class MemDataModel : public QAbstractTableModel, private ListObserver {
    Q_OBJECT
public:
    enum class Mode { ReadOnly, Editable };
    /// Background colour of a cell of a posted or inserting row, by the
    /// row's RecId and the list's field index; nothing keeps the grid's own.
    using ColourProvider = std::function<std::optional<QColor>(int recId, int field)>;

    MemDataModel(MemData& list, Mode mode, ColumnPlan plan = {}, QObject* parent = nullptr);
    ~MemDataModel() override;
    MemDataModel(const MemDataModel&) = delete;
    MemDataModel& operator=(const MemDataModel&) = delete;

    MemData& list() const { return list_; }
    Mode mode() const { return mode_; }
    /// Replaces which fields are shown; the grid starts over.
    void setColumnPlan(ColumnPlan plan);
    void setColourProvider(ColourProvider provider);
    /// An editable grid ends with a line for adding a row unless this is
    /// turned off (lists whose rows are edited and deleted, never added).
    void setNewRowLineShown(bool shown);
    /// Off: while the list inserts a row, that row stands in the new-row
    /// line's place instead of above it, so one line is marked "*" (a grid
    /// whose list may start inserting a row of its own).
    void setNewRowLineWhileInserting(bool shown);
    /// Redraws every cell's colour: the colours read other lists too, whose
    /// changes this list does not hear of (the engine repaints after every
    /// comparison and merge command).
    void refreshColours();
    /// Shows these fields' columns (list field indexes) dimmed: text and
    /// header in dimmedTextColour(). The merge grids dim the columns the
    /// comparison leaves out. The set is kept until replaced; a new column
    /// plan keeps it too, so the caller renews it when the list's columns
    /// change.
    void setDimmedFields(std::vector<int> fields);
    bool isDimmedColumn(int column) const;
    static QColor dimmedTextColour();
    /// Redraws the current row: the list's pending edit of it (shown in its
    /// cells) changed, which the list announces only when it is posted.
    void refreshCurrentRow();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    /// Deletes the rows' records from the list (the row being inserted is
    /// cancelled; the new-row line is not a record). Asking the user first
    /// is the view's job (deleteConfirmationText).
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    /// Deletes the records of any set of rows, such as a multi-row selection.
    bool removeRecords(const std::vector<int>& rows);
    /// Posts the row being edited or inserted; false (after editFailed)
    /// when the list refuses it.
    bool submit() override;
    /// Drops the pending edit or new row.
    void revert() override;

    // --- sorting -----------------------------------------------------------
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// Sorts by several columns, the first deciding first.
    void sortBy(const std::vector<std::pair<int, Qt::SortOrder>>& columns);
    /// Back to list order.
    void clearSort();
    /// The sort keys as list field indexes; empty in list order.
    const std::vector<SortKey>& sortKeys() const { return sortKeys_; }

    // --- grouping -----------------------------------------------------------
    /// Groups the rows by these columns, the first outermost; none ungroups.
    /// The grouping is kept by field name, so it outlives the list's reopening.
    void groupBy(const std::vector<int>& columns);
    /// The grouping columns, outermost first.
    std::vector<int> groupColumns() const;
    bool grouped() const { return !groupKeys_.empty(); }
    bool isGroupRow(int row) const { return groupOfRow(row) >= 0; }
    /// The nesting level of a group row (0 outermost); -1 for other rows.
    int groupLevel(int row) const;
    /// The records of a group row's group; 0 for other rows.
    int groupRecordCount(int row) const;
    bool isGroupExpanded(int row) const;
    /// Shows or hides the rows of a group row's group.
    void setGroupExpanded(int row, bool expanded);

    // --- rows and columns ------------------------------------------------------
    /// The list's field shown in a column; -1 if none.
    int fieldOfColumn(int column) const;
    /// The column showing a field; -1 if it is not shown.
    int columnOfField(int field) const;
    /// The column's design width, -1 for the grid's default.
    int columnWidth(int column) const;
    /// For a number column, the grid row whose value has the longest text
    /// (the smallest or the largest value); -1 for other columns, an empty
    /// list or when that row is not shown. A grid sizes its columns from
    /// the rows it samples, which may miss the one long number of a million.
    int widestNumberRow(int column) const;
    /// RecId of the row's record, -1 for the new-row line or no row.
    int recIdAt(int row) const;
    /// The row showing the record with that RecId, -1 if none.
    int rowOfRecId(int recId) const;
    /// The list position of a posted row; -1 for the inserting row and the new-row line.
    int listPosition(int row) const;
    /// The row showing the list's row at that position.
    int rowOfPosition(int pos) const;
    bool isNewRowLine(int row) const;
    bool isInsertingRow(int row) const;
    /// Bytes this model holds beyond its fixed size (the sort order and,
    /// while grouped, the groups).
    std::size_t extraMemory() const;

signals:
    /// A change the list refused; the message is in the user's terms.
    void editFailed(const QString& message);
    /// The list's current row moved to a position (-1: it is inserting a
    /// row, or is empty); rowOfPosition gives the grid's row.
    void currentPositionMoved(int pos);

protected:
    /// Runs a change; a refusal (an Error) becomes editFailed and false, and
    /// a SilentAbort, whose message was shown, false.
    bool reporting(const std::function<void()>& change);

private:
    struct Column {
        int field = -1;
        QString caption;
        int width = -1;
        bool checkBox = false;
        bool dimmed = false;
    };

    // ListObserver
    void rowsChanged(int first, int last) override;
    void rowsInserted(int pos, int count) override;
    void rowsRemoved(int pos, int count) override;
    void listReset() override;
    void currentMoved(int pos) override;

    void resolveColumns();
    void resort();
    /// Rows are in perm_ order (sorted or grouped) rather than list order.
    bool sorted() const { return !sortKeys_.empty() || grouped(); }
    /// The grid could show a new-row line: it is shown unless a row being
    /// inserted takes its place (lineTakesTurns()).
    bool newRowLineWanted() const {
        return mode_ == Mode::Editable && newRowLineShown_ && list_.isOpen();
    }
    bool lineTakesTurns() const { return newRowLineWanted() && !lineWhileInserting_; }
    bool hasNewRowLine() const {
        return newRowLineWanted() && !(inserting_ && !lineWhileInserting_);
    }
    /// Rows of the posted records (with the group rows, while grouped).
    int postedRows() const { return grouped() ? grouping_.rowCount() : listRows_; }
    int insertingRow() const { return inserting_ ? postedRows() : -1; }
    int newRowLine() const { return hasNewRowLine() ? postedRows() + (inserting_ ? 1 : 0) : -1; }
    /// Shows or hides the inserting row as the list's state says.
    void followInsertState();
    void emitRowChanged(int row);
    /// Writes one edited value into the list's current (edit or insert) row.
    void writeValue(int field, const QVariant& value, int role);
    /// Runs a change of the list (see reporting); a refused edit is
    /// cancelled, so the row shows its stored values again.
    bool guarded(const std::function<void()>& change);
    /// Sorts by field names, so that a sort outlives the list's reopening.
    void applySort(std::vector<std::pair<QString, Qt::SortOrder>> names);
    /// Runs a change of the row order inside a layout change; the rows the
    /// views hold on to keep their records. `moved` maps a list position
    /// from before the change to after it (-1: the record is gone);
    /// `postedAt` is where the row being inserted went, if it was posted.
    void relayout(const std::function<void()>& change, const std::function<int(int)>& moved,
                  int postedAt = -1);

    // grouping (MemDataModelGrouping.cpp)
    int groupOfRow(int row) const;
    QVariant groupData(int group, int column, int role) const;
    /// The grouping keys as fields, with the sort's order where a key is also sorted by.
    void resolveGroupKeys();
    /// Groups perm_ by breaks_ afresh, keeping the user's collapsed groups.
    void rebuildGroups();
    /// A group's values from the outermost down, folded, to know it again after a regroup.
    QString groupPath(int group) const;
    /// The first grouping key in which two list positions differ; the
    /// number of keys when they are equal in all.
    int breakBetween(int a, int b) const;
    /// Orders a list position before another by grouping and sort keys.
    bool placedBefore(int a, int b) const;
    void groupedRowsInserted(int pos, int count);
    void groupedRowsRemoved(int pos, int count);
    void groupedRowsChanged(int first, int last);
    /// A changed record may belong to another group: regroup once the
    /// current burst of changes is over.
    void scheduleRegroup();

    MemData& list_;
    Mode mode_;
    ColumnPlan plan_;
    std::vector<Column> columns_;
    ColourProvider colours_;
    std::vector<int> dimmedFields_;  // sorted
    int listRows_ = 0;               // posted rows the model shows
    bool inserting_ = false;         // the list's inserting row is shown
    bool newRowLineShown_ = true;
    bool lineWhileInserting_ = true;
    int shiftAt_ = 0;  // list order: rows from here are shifted by shift_
    int shift_ = 0;    // ... while views are told of an insertion or removal
    std::vector<std::pair<QString, Qt::SortOrder>> sortNames_;
    std::vector<SortKey> sortKeys_;  // sortNames_ resolved in the list
    std::vector<int> perm_;          // row -> list position, while sorted
    // Grouping: perm_ then orders by the grouping keys first.
    std::vector<QString> groupNames_;
    std::vector<SortKey> groupKeys_;    // groupNames_ resolved in the list
    std::vector<std::uint8_t> breaks_;  // per place in perm_, see RowOrder::Ordered
    std::vector<int> placeOf_;          // list position -> place in perm_
    RowGrouping grouping_;
    std::set<QString> collapsed_;  // groupPath of the groups the user collapsed
    bool regroupPending_ = false;
};

/// The question the grids ask before deleting records: "Delete record?" for
/// one row, "Delete all selected records?" for several.
QString deleteConfirmationText(int selectedRows);

}  // namespace qm
