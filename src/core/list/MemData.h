#pragma once

#include "list/CountingVector.h"
#include "list/FieldDef.h"
#include "list/RowStore.h"
#include "list/Value.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qm {

enum class ListState : std::uint8_t { Inactive, Browse, Edit, Insert };

/// Receives notice that a list's rows changed, so that bound views can
/// redraw. Every notice comes after the change, with positions as the list
/// now stands (removed rows: where they were). The finer notices let a view
/// over many rows redraw only what moved; each one forwards to listChanged
/// unless overridden, so an observer that only wants to know "something
/// changed" overrides that alone.
///
/// While the list's display is frozen nothing is sent; the outermost
/// unfreeze sends one listReset if rows changed meanwhile, or one
/// currentMoved if the current row only moved.
class ListObserver {
public:
    virtual ~ListObserver() = default;
    /// The whole-list notice that the others fall back on.
    virtual void listChanged() {}
    /// Values of the rows first..last (inclusive) changed in place.
    virtual void rowsChanged(int /*first*/, int /*last*/) { listChanged(); }
    /// count rows now stand at pos..pos+count-1; rows after them moved down.
    virtual void rowsInserted(int /*pos*/, int /*count*/) { listChanged(); }
    /// count rows that stood at pos.. are gone; rows after them moved up.
    virtual void rowsRemoved(int /*pos*/, int /*count*/) { listChanged(); }
    /// Anything else: opened, closed, sorted, filled at once, or a frozen burst.
    virtual void listReset() { listChanged(); }
    /// The current row moved or a new row began (pos: the current position).
    virtual void currentMoved(int /*pos*/) { listChanged(); }
};

class KeyIndex;

/// An in-memory table: typed named columns, an ordered set of rows, a
/// current row with browse, edit and insert states, and events. The first
/// column is always the hidden calculated integer column "RecId", which
/// numbers rows in the order they were added since the list was opened.
///
/// Rows are kept column-wise in a RowStore; the list holds the order of row
/// numbers, so copies of a list share the stored values. Searches by column
/// values use hash indexes that are built on first use and kept up to date
/// while rows are appended or edited without touching their key columns.
class MemData {
public:
    explicit MemData(QString name);
    ~MemData();
    MemData(const MemData&) = delete;
    MemData& operator=(const MemData&) = delete;

    const QString& name() const { return name_; }

    // --- columns -----------------------------------------------------------
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    const FieldDef& field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
    /// Index of the column with that name, compared without regard to case; -1 if none.
    int findField(QStringView name) const;
    /// Like findField, but raises "Field 'X' not found" when missing.
    int fieldIndex(QStringView name) const;
    /// Index of the data column with that name, compared without regard to
    /// case, leaving out RecId, the flag columns and lookup columns; -1 if none. A data
    /// column may share its name with one of those, which come first.
    int findDataField(QStringView name) const;
    /// Like findDataField, but raises "Field 'X' not found" when missing.
    int dataFieldIndex(QStringView name) const;
    /// RecId and the flag columns (tag kFlagTag): the columns the list keeps
    /// for itself rather than for data.
    bool isOwnColumn(int i) const;
    /// Adds a column while the list is closed; returns its index. Raises when
    /// the name is taken by another column of the same kind (data, or the
    /// list's own columns).
    int addField(FieldDef def);
    void removeField(int i);
    void setFieldVisible(int i, bool visible);
    void setDisplayLabel(int i, const QString& label);
    /// Raised whenever a value is assigned to the column (even an equal one).
    void setFieldChangeHandler(int i, std::function<void()> handler);

    // --- state and navigation ------------------------------------------------
    void open();
    void close();
    bool isOpen() const { return state_ != ListState::Inactive; }
    ListState state() const { return state_; }
    int recordCount() const { return static_cast<int>(order_.size()); }
    /// Position of the current row (0-based), -1 for an empty list.
    int position() const { return pos_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int pos);

    // --- editing -----------------------------------------------------------
    void append();
    void insert();
    void edit();
    void post();
    void cancel();
    /// Removes the current row.
    void deleteRow();

    // --- values of the current row -------------------------------------------
    Value value(int f) const;
    /// The current row's value; in insert state, the new row's.
    ValueRef ref(int f) const;
    void setValue(int f, const Value& v);
    bool isNull(int f) const { return ref(f).null; }
    QVariant asVariant(int f) const;
    void setAsVariant(int f, const QVariant& v);
    QString asText(int f) const;
    void setAsText(int f, const QString& text);
    bool asBool(int f) const;
    void setAsBool(int f, bool v);
    std::int64_t asInt(int f) const;
    void setAsInt(int f, std::int64_t v);

    // --- values of any row (no move) -----------------------------------------
    /// View of a value; for the current row in edit state, the edited value.
    /// A row being inserted has no position yet and is read through ref().
    ValueRef refAt(int pos, int f) const;
    Value valueAt(int pos, int f) const { return refAt(pos, f).toValue(); }
    int recIdAt(int pos) const { return recIds_[static_cast<std::size_t>(pos)]; }
    /// Position of the row with that RecId, -1 if none.
    int positionOfRecId(int recId) const;

    // --- bookmarks -----------------------------------------------------------
    /// Text naming the current row; empty for an empty list.
    QString bookmark() const;
    /// Goes to a bookmarked row, to the first row for an empty text; raises
    /// when the row no longer exists.
    void gotoBookmark(const QString& bookmark);

    // --- search --------------------------------------------------------------
    /// Position of the first row (in list order) whose columns hold the
    /// values, which must already be of the columns' types; -1 if none.
    int findRow(const std::vector<int>& fields, const std::vector<Value>& values) const;
    /// Position of a posted row whose values in the columns, none of them
    /// null, an earlier row already holds; -1 if there is none. Uses (and
    /// builds) the same index as findRow on those columns.
    int findRepeatedRow(const std::vector<int>& fields) const;
    /// findRow, and on success make that row current.
    bool locate(const std::vector<int>& fields, const std::vector<Value>& values);
    /// locate with values given as text, converted to each column's type
    /// (raises ConversionError when a text does not fit).
    bool locateText(const std::vector<int>& fields, const QStringList& texts);

    // --- sorting, read-only, display -------------------------------------------
    /// Keeps rows in ascending order of the column (-1: insertion order).
    void setSortField(int f);
    int sortField() const { return sortField_; }
    void setReadOnly(bool ro) { readOnly_ = ro; }
    bool readOnly() const { return readOnly_; }
    void disableControls() { ++disableCount_; }
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }
    void addObserver(ListObserver* o);
    void removeObserver(ListObserver* o);

    // --- counting and sharing --------------------------------------------------
    /// Number of rows whose Boolean column is true; kept up to date on every
    /// post, so repeated counts cost nothing.
    int countTrue(int f) const;
    /// Fills this open, empty list with the rows of another list whose stored
    /// columns match this list's in order and type, sharing the stored
    /// values. RecId numbers the rows afresh from 1.
    void shareRowsFrom(const MemData& other);

    // --- fast bulk appending -----------------------------------------------------
    /// For loaders: begins a row written straight into the store (all null),
    /// without events. Finish it with commitRawRow, which only tells
    /// observers of the new row (loaders freeze the list: one reset at the end).
    std::uint32_t beginRawRow();
    RowStore& rawStore() { return *store_; }
    /// Store column of a field, -1 for columns that are not stored.
    int storeColumn(int f) const { return storeCol_[static_cast<std::size_t>(f)]; }
    void commitRawRow(std::uint32_t row);
    /// Fills this open, empty list with every row of a store filled aside
    /// (on another thread, say), in the store's order, as beginRawRow and
    /// commitRawRow for each row would. The store's columns must be this
    /// list's stored columns, in order and storage class.
    void adoptRows(std::unique_ptr<RowStore> rows);
    /// Stores one value of a posted row at once, without edit state or
    /// events; for bulk marking. Raises for the sorted column, a column that
    /// is not stored, or while a row is being edited.
    void writeAt(int pos, int f, const Value& v);
    void reserveRows(std::size_t rows);

    // --- SQLite values of any storage class ----------------------------------------
    /// Turns a stored column into a Variant column, converting every value
    /// held so far (and a pending edit) once; its values keep their meaning.
    /// Lists sharing the store must then adopt the column.
    void widenToVariant(int f);
    /// Takes over a column that a list sharing this list's store widened.
    void adoptVariantColumn(int f);
    bool sharesStoreWith(const MemData& other) const { return store_ && store_ == other.store_; }

    /// Grows with every change of the list's rows or columns: a stored value
    /// changed, a row added or removed, the list opened, closed, sorted or a
    /// column widened. Equal counts mean nothing changed in between.
    std::uint64_t changeCount() const { return changes_; }

    // --- events ------------------------------------------------------------------
    std::function<void()> afterPost;
    std::function<void()> afterScroll;
    std::function<void()> onNewRecord;

private:
    friend class KeyIndex;
    void checkOpen() const;
    void checkBrowse();
    void checkWritable() const;
    void checkEditing() const;
    void beginInsert(bool atEnd);
    void loadBuffer();
    int insertPosition(bool atEnd) const;
    /// Position after every row whose sort value is at most the key.
    int upperBound(const ValueRef& key) const;
    void insertOrdered(int pos, std::uint32_t phys, int recId);
    void repositionSorted();
    bool storeChange(int pos, int f, const Value& v);
    void setCurrent(int pos, bool notifyScroll);
    void scrolled();
    /// Resets observers, then tells the current-row handler.
    void resetAndScroll();
    void invalidateIndexes();
    enum class Notice : std::uint8_t { Changed, Inserted, Removed, Reset, Moved };
    /// Cheap when nobody listens: bulk loads call it once per row.
    void announce(Notice kind, int pos, int count) {
        if (!observers_.empty() || disableCount_ > 0) {
            deliver(kind, pos, count);
        }
    }
    void deliver(Notice kind, int pos, int count);
    void rebuildStoreColumns();
    Value coerce(const Value& v, int f) const;
    ValueRef lookupRef(int pos, int f) const;
    /// The posted value, ignoring a pending edit.
    ValueRef storedRef(int pos, int f) const;
    int compareSort(int posA, const ValueRef& b) const;
    /// The index on exactly these stored columns, made on first use.
    KeyIndex& indexOn(const std::vector<int>& fields) const;

    QString name_;
    std::vector<FieldDef> fields_;
    std::vector<int> storeCol_;
    std::vector<std::function<void()>> changeHandlers_;
    std::shared_ptr<RowStore> store_;
    // Row numbers in the store, and RecIds, by position: a list loaded and
    // not reordered stores neither (0, 1, ... and 1, 2, ...).
    CountingVector<std::uint32_t> order_{0U};
    CountingVector<int> recIds_{1};
    int pos_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    ListState state_ = ListState::Inactive;
    std::vector<Value> buf_;
    std::vector<bool> dirty_;
    int bufRecId_ = 0;
    bool insertAtEnd_ = false;
    int newRowsPosted_ = 0;
    bool readOnly_ = false;
    int disableCount_ = 0;
    bool pendingNotice_ = false;  // rows changed while frozen
    bool pendingMove_ = false;    // only the current row moved while frozen
    int sortField_ = -1;
    std::vector<ListObserver*> observers_;
    mutable std::vector<std::unique_ptr<KeyIndex>> indexes_;
    mutable std::vector<int> trueCounts_;  // per field, -1 = not counted yet
    mutable std::vector<int> recIdPos_;    // RecId -> position, built on demand
    mutable bool recIdPosValid_ = false;
    std::uint64_t changes_ = 0;
};

}  // namespace qm
