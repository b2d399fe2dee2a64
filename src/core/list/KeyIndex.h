#pragma once

#include "list/Value.h"

#include <cstdint>
#include <vector>

namespace qm {

class MemData;

/// Hash index over one or more stored columns of a list. Finds the first
/// row in list order that holds given values: entries are inserted in
/// ascending row position into an open-addressing table with linear
/// probing, so among equal keys the earliest row is met first.
class KeyIndex {
public:
    KeyIndex(const MemData& list, std::vector<int> fields);

    const std::vector<int>& fields() const { return fields_; }
    bool valid() const { return valid_; }
    void invalidate() { valid_ = false; }
    /// Adds the row at pos, which must be the last row of the list.
    void addLast(int pos);
    /// Position of the first matching row, -1 if none; builds the index when needed.
    int find(const std::vector<Value>& values);
    /// Position of a row whose key, without nulls, an earlier row already
    /// holds; -1 if every such key is unique. Builds the index when needed,
    /// which finds repeats on the way at no extra cost.
    int duplicateRow();

    static std::uint64_t hashRef(const ValueRef& v);
    static bool sameValue(const ValueRef& a, const ValueRef& b);
    /// Hash and equality of key values; fixed-point values compare by
    /// number, so "1.5" finds "1.5000".
    static std::uint64_t keyHash(const ValueRef& v, bool decimal);
    static bool sameKey(const ValueRef& a, const ValueRef& b, bool decimal);
    /// The hash of a row's key: starting from 0, each field's keyHash in
    /// field order is folded into the hash so far. A slot keeps the upper
    /// half of this hash, and the lower bits pick where probing starts.
    static std::uint64_t foldKeyHash(std::uint64_t soFar, std::uint64_t fieldHash);

private:
    void build();
    void insert(std::uint64_t h, std::uint32_t pos);
    std::uint64_t hashRow(int pos) const;
    bool rowMatches(int pos, const std::vector<Value>& values) const;
    bool rowsMatch(int a, int b) const;
    bool hasNull(int pos) const;

    const MemData& list_;
    std::vector<int> fields_;
    std::vector<bool> decimal_;
    std::vector<std::uint64_t> table_;
    // A single integer key that strictly ascends in list order (a query
    // sorted by its key) needs no table: it is found by binary search, and
    // first from the row after the last hit, so a run of lookups in key
    // order stays within a few cache lines.
    bool ascending_ = false;
    int lastHit_ = -1;
    bool keysAscend() const;
    void buildTable();
    // A single integer key without nulls keeps its value in the slot, so
    // that a lookup reads no row: one cache line per probe.
    struct IntSlot {
        std::int64_t key;
        std::uint32_t pos;  // kNoRow: empty
    };
    static constexpr std::uint32_t kNoRow = ~0U;
    bool intKeys_ = false;
    std::vector<IntSlot> intTable_;
    // Keys that fill a quarter of their range or more (1..n) are found by value
    // alone: a row position per key from denseFrom_ on, empty or not.
    bool dense_ = false;
    std::int64_t denseFrom_ = 0;
    std::vector<std::uint32_t> denseRows_;
    bool keysAreIntegers() const;
    void buildIntTable();
    void insertInt(std::int64_t key, std::uint32_t pos);
    int findInt(const Value& value) const;
    bool storedInt(int pos, std::int64_t& key) const;
    int findAscending(const Value& value);
    bool hintHits(int pos, std::int64_t key) const;
    std::size_t count_ = 0;
    int duplicate_ = -1;
    bool valid_ = false;
};

}  // namespace qm
