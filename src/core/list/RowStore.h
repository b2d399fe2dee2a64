#pragma once

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
/// the same bytes instead of copying them.
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

    bool isNull(std::uint32_t row, std::size_t c) const { return cols_[c].nulls[row] != 0; }
    std::int64_t intAt(std::uint32_t row, std::size_t c) const {
        return static_cast<std::int64_t>(cols_[c].cells[row]);
    }
    double floatAt(std::uint32_t row, std::size_t c) const;
    bool boolAt(std::uint32_t row, std::size_t c) const { return cols_[c].cells[row] != 0; }
    std::string_view bytesAt(std::uint32_t row, std::size_t c) const {
        const Column& col = cols_[c];
        return {col.arena.data() + col.cells[row], col.lengths[row]};
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
    struct Column {
        StorageClass cls;
        std::vector<std::uint64_t> cells;    // number bits, or arena offset for bytes
        std::vector<std::uint32_t> lengths;  // bytes only
        std::vector<std::uint8_t> nulls;
        std::vector<char> arena;  // bytes only
    };
    std::vector<Column> cols_;
    std::uint32_t rows_ = 0;
    std::uint32_t sharedRows_ = 0;
};

}  // namespace qm
