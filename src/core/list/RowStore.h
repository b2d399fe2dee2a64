#pragma once

#include "list/ChunkedArray.h"
#include "list/Value.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace qm {

/// Column-wise storage of row versions. Rows are only ever appended, and a
/// row once written is never changed while the store is shared, so several
/// lists (the target list, its copy, its snapshot) can share one store and
/// each keep its own ordering of row numbers. Text and binary values live in
/// one byte arena per column; a new row version that keeps a value points at
/// the same bytes instead of copying them. Nothing stored ever moves: the
/// columns grow by chunks and the arenas by blocks, so loading many rows
/// copies nothing twice and never holds an old and a new buffer at once.
/// A true/false column needs no cell: its value sits in the row's state byte.
class RowStore {
public:
    explicit RowStore(std::vector<StorageClass> columns);

    std::size_t columnCount() const { return cols_.size(); }
    std::uint32_t rowCount() const { return rows_; }
    StorageClass storageClass(std::size_t c) const { return cols_[c].cls; }

    /// Starts a new row whose values are all null; returns its number.
    std::uint32_t appendRow();
    /// Starts a new row that shares every value of an existing row.
    std::uint32_t appendCopyOf(std::uint32_t row);

    void setNull(std::uint32_t row, std::size_t c);
    void setInt(std::uint32_t row, std::size_t c, std::int64_t v);
    void setFloat(std::uint32_t row, std::size_t c, double v);
    void setBool(std::uint32_t row, std::size_t c, bool v);
    void setBytes(std::uint32_t row, std::size_t c, const char* data, std::size_t size);
    /// Stores one tag byte followed by the bytes, without a copy between.
    void setTagged(std::uint32_t row, std::size_t c, char tag, const char* data, std::size_t size);
    /// Stores a value of the column's storage class (or null).
    void set(std::uint32_t row, std::size_t c, const Value& v);
    /// Rewrites every row of a column into bytes storage, each non-null
    /// value through `convert`; rows keep their numbers, so lists sharing
    /// the store see the new form at once.
    void convertToBytes(std::size_t c, const std::function<Value(const Value&)>& convert);

    bool isNull(std::uint32_t row, std::size_t c) const {
        return (cols_[c].states[row] & kNullBit) != 0;
    }
    std::int64_t intAt(std::uint32_t row, std::size_t c) const {
        const Column& col = cols_[c];
        if (col.cls == StorageClass::Bool) {
            return (col.states[row] & kTrueBit) != 0 ? 1 : 0;
        }
        return static_cast<std::int64_t>(col.cells[row]);
    }
    double floatAt(std::uint32_t row, std::size_t c) const;
    bool boolAt(std::uint32_t row, std::size_t c) const {
        return (cols_[c].states[row] & kTrueBit) != 0;
    }
    std::string_view bytesAt(std::uint32_t row, std::size_t c) const {
        const Column& col = cols_[c];
        return {reinterpret_cast<const char*>(static_cast<std::uintptr_t>(col.cells[row])),
                col.lengths[row]};
    }
    Value valueAt(std::uint32_t row, std::size_t c) const;

    /// Marks every row written so far as shared with another list: such rows
    /// are never changed in place again.
    void markShared() { sharedRows_ = rows_; }
    std::uint32_t sharedRows() const { return sharedRows_; }

    /// Rough number of bytes held, for diagnostics.
    std::size_t memoryUsed() const;
    void reserve(std::size_t rows);

private:
    static constexpr std::uint8_t kNullBit = 1;
    static constexpr std::uint8_t kTrueBit = 2;
    struct Column {
        StorageClass cls = StorageClass::Int;
        ChunkedArray<std::uint64_t> cells;    // number bits, or the bytes' address; not for Bool
        ChunkedArray<std::uint32_t> lengths;  // bytes only
        ChunkedArray<std::uint8_t> states;    // kNullBit, and kTrueBit for Bool
        ByteArena arena;                      // bytes only
    };
    static Column emptyColumn(StorageClass cls);
    void storeBytes(Column& col, std::uint32_t row, const char* at, std::size_t size);
    std::vector<Column> cols_;
    std::uint32_t rows_ = 0;
    std::uint32_t sharedRows_ = 0;
};

}  // namespace qm
