#pragma once

#include <cstdint>
#include <vector>

namespace qm {

/// The groups of a grouped grid and the grid rows they make. Works on
/// places in a sorted order (0 .. n-1) and knows nothing of values: the
/// caller sorts by the grouping keys first and says, per place, at which
/// key the row differs from the one before it (RowOrder::sortedWithBreaks).
///
/// Rows, top to bottom: each group's row, followed (when the group is
/// expanded) by its subgroups or, for a group of the last level, by its
/// records. Groups are kept in pre-order, so a group's subgroups follow it.
/// Building is one pass over the places; looking up a row or a place is a
/// binary search over the groups.
class RowGrouping {
public:
    struct Group {
        int level = 0;
        int parent = -1;  // index of the enclosing group; -1 at level 0
        int first = 0;    // first place of its records
        int count = 0;    // records in it, subgroups included
        int row = -1;     // its grid row; -1 while an enclosing group is collapsed
        bool collapsed = false;
    };

    /// Groups the places by `breakLevel` (see RowOrder::Ordered) into
    /// `levels` levels; every group starts expanded.
    void build(const std::vector<std::uint8_t>& breakLevel, int levels);
    /// Drops every group.
    void clear();
    /// Numbers the rows afresh after groups were collapsed or expanded.
    void layoutRows();

    int levels() const { return levels_; }
    int rowCount() const { return rows_; }
    int groupCount() const { return static_cast<int>(groups_.size()); }
    const Group& group(int g) const { return groups_[static_cast<std::size_t>(g)]; }
    void setCollapsed(int g, bool collapsed) {
        groups_[static_cast<std::size_t>(g)].collapsed = collapsed;
    }

    /// The group whose row this is; -1 for a record's row or no row.
    int groupAt(int row) const;
    /// The place of the record shown in a row; -1 for a group row or no row.
    int placeAt(int row) const;
    /// The row showing the record at a place; -1 while a group holding it is collapsed.
    int rowOfPlace(int place) const;
    /// The group of `level` that holds the record at a place; -1 if none.
    int groupOfPlace(int place, int level) const;
    /// Rows shown below a group's row when it is expanded (`expanded`) or
    /// collapsed, its subgroups as they are.
    int rowsBelow(int g, bool expanded) const;

private:
    /// The last shown group whose row is at or above `row`; -1 if none.
    int shownGroupAtOrAbove(int row) const;
    bool isLeaf(int g) const { return group(g).level == levels_ - 1; }

    int levels_ = 0;
    int rows_ = 0;
    std::vector<Group> groups_;
    std::vector<int> leaves_;  // groups of the last level, by place
    std::vector<int> shown_;   // groups with a row, by row
};

}  // namespace qm
