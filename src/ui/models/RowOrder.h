#pragma once

#include <Qt>
#include <cstdint>
#include <vector>

namespace qm {

class MemData;

/// One column of a multi-column sort: the list's field index and the direction.
struct SortKey {
    int field = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
    bool operator==(const SortKey&) const = default;
};

/// Orders a list's rows for a grid without reordering the list itself.
namespace RowOrder {

/// The positions of the list's posted rows (0 .. recordCount-1) in the
/// order of the keys, the first key first. Values are ordered as the list
/// orders a sorted column: null first, numbers and dates by value, text
/// without regard to case (fixed-point numbers by their number); rows equal
/// in every key keep their list order. The keys' values are read once into
/// a temporary array per key, so that sorting a million rows does not walk
/// the list's store for every comparison.
std::vector<int> sorted(const MemData& list, const std::vector<SortKey>& keys);

/// A sorted order with the places where the leading keys change.
struct Ordered {
    std::vector<int> perm;
    /// Per place in perm: the first of the leading keys in which that row
    /// differs from the row before it (0 for the first row), or the number
    /// of leading keys when it equals it in all of them. Empty when there
    /// are no leading keys.
    std::vector<std::uint8_t> breakLevel;
};

/// Sorts as `sorted` does and, in one pass over the result, finds where
/// the first `breakKeys` keys change (the groups of a grouped grid).
Ordered sortedWithBreaks(const MemData& list, const std::vector<SortKey>& keys, int breakKeys);

/// Compares the rows at two list positions in one key, by the sort's rules:
/// negative when `a` comes first, 0 when they are equal in that key.
int compareAt(const MemData& list, const SortKey& key, int a, int b);

}  // namespace RowOrder
}  // namespace qm
