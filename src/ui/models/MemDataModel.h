#pragma once

#include "list/MemData.h"
#include "models/ColumnPlan.h"
#include "models/RowOrder.h"

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <optional>
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
    /// Redraws every cell's colour: the colours read other lists too, whose
    /// changes this list does not hear of (the engine repaints after every
    /// comparison and merge command).
    void refreshColours();

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

    // --- rows and columns ------------------------------------------------------
    /// The list's field shown in a column; -1 if none.
    int fieldOfColumn(int column) const;
    /// The column showing a field; -1 if it is not shown.
    int columnOfField(int field) const;
    /// The column's design width, -1 for the grid's default.
    int columnWidth(int column) const;
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
    /// Bytes this model holds beyond its fixed size (the sort order).
    std::size_t extraMemory() const { return perm_.capacity() * sizeof(int); }

signals:
    /// A change the list refused; the message is in the user's terms.
    void editFailed(const QString& message);
    /// The list's current row moved to a position (-1: it is inserting a
    /// row, or is empty); rowOfPosition gives the grid's row.
    void currentPositionMoved(int pos);

private:
    struct Column {
        int field = -1;
        QString caption;
        int width = -1;
        bool checkBox = false;
    };

    // ListObserver
    void rowsChanged(int first, int last) override;
    void rowsInserted(int pos, int count) override;
    void rowsRemoved(int pos, int count) override;
    void listReset() override;
    void currentMoved(int pos) override;

    void resolveColumns();
    void resort();
    bool sorted() const { return !sortKeys_.empty(); }
    bool hasNewRowLine() const { return mode_ == Mode::Editable && list_.isOpen(); }
    int insertingRow() const { return inserting_ ? listRows_ : -1; }
    int newRowLine() const { return hasNewRowLine() ? listRows_ + (inserting_ ? 1 : 0) : -1; }
    /// Shows or hides the inserting row as the list's state says.
    void followInsertState();
    void emitRowChanged(int row);
    /// Writes one edited value into the list's current (edit or insert) row.
    void writeValue(int field, const QVariant& value, int role);
    /// Runs a change of the list; a refusal becomes editFailed and false.
    bool guarded(const std::function<void()>& change);
    /// Sorts by field names, so that a sort outlives the list's reopening.
    void applySort(std::vector<std::pair<QString, Qt::SortOrder>> names);

    MemData& list_;
    Mode mode_;
    ColumnPlan plan_;
    std::vector<Column> columns_;
    ColourProvider colours_;
    int listRows_ = 0;        // posted rows the model shows
    bool inserting_ = false;  // the list's inserting row is shown
    int shiftAt_ = 0;         // list order: rows from here are shifted by shift_
    int shift_ = 0;           // ... while views are told of an insertion or removal
    std::vector<std::pair<QString, Qt::SortOrder>> sortNames_;
    std::vector<SortKey> sortKeys_;  // sortNames_ resolved in the list
    std::vector<int> perm_;          // row -> list position, while sorted
};

/// The question the grids ask before deleting records: "Delete record?" for
/// one row, "Delete all selected records?" for several.
QString deleteConfirmationText(int selectedRows);

}  // namespace qm
