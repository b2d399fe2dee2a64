#pragma once

#include <Qt>
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

}  // namespace RowOrder
}  // namespace qm
