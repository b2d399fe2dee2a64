#include "models/RowGrouping.h"

#include <algorithm>

namespace qm {

void RowGrouping::clear() {
    levels_ = 0;
    rows_ = 0;
    groups_.clear();
    leaves_.clear();
    shown_.clear();
}

void RowGrouping::build(const std::vector<std::uint8_t>& breakLevel, int levels) {
    clear();
    levels_ = std::max(levels, 0);
    if (levels_ == 0) {
        return;
    }
    const int places = static_cast<int>(breakLevel.size());
    std::vector<int> open(static_cast<std::size_t>(levels_), -1);
    for (int p = 0; p < places; ++p) {
        const int from =
            p == 0 ? 0 : std::min<int>(breakLevel[static_cast<std::size_t>(p)], levels_);
        for (int l = from; l < levels_; ++l) {
            int& slot = open[static_cast<std::size_t>(l)];
            if (slot >= 0) {
                groups_[static_cast<std::size_t>(slot)].count = p - group(slot).first;
            }
            Group g;
            g.level = l;
            g.parent = l > 0 ? open[static_cast<std::size_t>(l - 1)] : -1;
            g.first = p;
            slot = static_cast<int>(groups_.size());
            groups_.push_back(g);
            if (l == levels_ - 1) {
                leaves_.push_back(slot);
            }
        }
    }
    for (const int slot : open) {
        if (slot >= 0) {
            groups_[static_cast<std::size_t>(slot)].count = places - group(slot).first;
        }
    }
    layoutRows();
}

void RowGrouping::layoutRows() {
    shown_.clear();
    int row = 0;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        Group& grp = groups_[g];
        if (grp.parent >= 0) {
            const Group& parent = group(grp.parent);
            if (parent.row < 0 || parent.collapsed) {
                grp.row = -1;
                continue;
            }
        }
        grp.row = row++;
        shown_.push_back(static_cast<int>(g));
        if (grp.level == levels_ - 1 && !grp.collapsed) {
            row += grp.count;
        }
    }
    rows_ = row;
}

int RowGrouping::shownGroupAtOrAbove(int row) const {
    const auto it = std::upper_bound(shown_.begin(), shown_.end(), row,
                                     [this](int r, int g) { return r < group(g).row; });
    return it == shown_.begin() ? -1 : *(it - 1);
}

int RowGrouping::groupAt(int row) const {
    if (row < 0 || row >= rows_) {
        return -1;
    }
    const int g = shownGroupAtOrAbove(row);
    return g >= 0 && group(g).row == row ? g : -1;
}

int RowGrouping::placeAt(int row) const {
    if (row < 0 || row >= rows_) {
        return -1;
    }
    const int g = shownGroupAtOrAbove(row);
    if (g < 0 || group(g).row == row || !isLeaf(g) || group(g).collapsed) {
        return -1;
    }
    const int offset = row - group(g).row - 1;
    return offset < group(g).count ? group(g).first + offset : -1;
}

int RowGrouping::groupOfPlace(int place, int level) const {
    const auto it = std::upper_bound(leaves_.begin(), leaves_.end(), place,
                                     [this](int p, int g) { return p < group(g).first; });
    if (it == leaves_.begin()) {
        return -1;
    }
    int g = *(it - 1);
    if (place >= group(g).first + group(g).count) {
        return -1;
    }
    while (g >= 0 && group(g).level > level) {
        g = group(g).parent;
    }
    return g;
}

int RowGrouping::rowOfPlace(int place) const {
    const int g = groupOfPlace(place, levels_ - 1);
    if (g < 0 || group(g).row < 0 || group(g).collapsed) {
        return -1;
    }
    return group(g).row + 1 + (place - group(g).first);
}

int RowGrouping::rowsBelow(int g, bool expanded) const {
    if (!expanded) {
        return 0;
    }
    if (isLeaf(g)) {
        return group(g).count;
    }
    const int level = group(g).level;
    int rows = 0;
    int h = g + 1;
    while (h < groupCount() && group(h).level > level) {
        ++rows;
        const Group& sub = group(h);
        if (sub.collapsed) {
            // Its subgroups show no rows: go past them.
            ++h;
            while (h < groupCount() && group(h).level > sub.level) {
                ++h;
            }
            continue;
        }
        if (isLeaf(h)) {
            rows += sub.count;
        }
        ++h;
    }
    return rows;
}

}  // namespace qm
