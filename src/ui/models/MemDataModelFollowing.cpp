// Sorting of MemDataModel, and how it follows its list's notices.
#include "models/MemDataModel.h"

#include <algorithm>

namespace qm {
namespace {

// Beyond this many changed rows of a sorted grid, finding each row costs
// more than redrawing the whole grid.
constexpr int kRowsFoundOneByOne = 64;

}  // namespace

// --- sorting ------------------------------------------------------------------------

void MemDataModel::sort(int column, Qt::SortOrder order) {
    sortBy({{column, order}});
}

void MemDataModel::sortBy(const std::vector<std::pair<int, Qt::SortOrder>>& columns) {
    std::vector<std::pair<QString, Qt::SortOrder>> names;
    for (const auto& [column, order] : columns) {
        if (const int f = fieldOfColumn(column); f >= 0) {
            names.emplace_back(list_.field(f).name, order);
        }
    }
    applySort(std::move(names));
}

void MemDataModel::clearSort() {
    applySort({});
}

void MemDataModel::applySort(std::vector<std::pair<QString, Qt::SortOrder>> names) {
    relayout(
        [&] {
            sortNames_ = std::move(names);
            resort();
        },
        [](int pos) { return pos; });
}

void MemDataModel::relayout(const std::function<void()>& change,
                            const std::function<int(int)>& moved, int postedAt) {
    emit layoutAboutToBeChanged();
    // What each row the views hold on to (current cell, selection) shows:
    // a record by its list position, a group by its level and a record in
    // it, or one of the last two rows.
    enum class Kind { Record, Group, Inserting, NewRowLine, None };
    struct Anchor {
        Kind kind = Kind::None;
        int pos = -1;
        int level = 0;
    };
    const QModelIndexList before = persistentIndexList();
    std::vector<Anchor> anchors;
    anchors.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) {
        Anchor a;
        if (const int g = groupOfRow(i.row()); g >= 0) {
            a = {Kind::Group, perm_[static_cast<std::size_t>(grouping_.group(g).first)],
                 grouping_.group(g).level};
        } else if (i.row() == insertingRow()) {
            a.kind = Kind::Inserting;
        } else if (i.row() == newRowLine()) {
            a.kind = Kind::NewRowLine;
        } else if (const int pos = listPosition(i.row()); pos >= 0) {
            a = {Kind::Record, pos, 0};
        }
        anchors.push_back(a);
    }
    change();
    std::vector<int> rowOf;
    if (sorted() && !grouped() && before.size() > 8) {
        rowOf.assign(perm_.size(), -1);
        for (std::size_t r = 0; r < perm_.size(); ++r) {
            if (perm_[r] >= 0) {
                rowOf[static_cast<std::size_t>(perm_[r])] = static_cast<int>(r);
            }
        }
    }
    const auto rowOfRecord = [&](int pos) {
        if (pos < 0) {
            return -1;
        }
        return rowOf.empty() ? rowOfPosition(pos) : rowOf[static_cast<std::size_t>(pos)];
    };
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        const Anchor& a = anchors[static_cast<std::size_t>(k)];
        int row = -1;
        switch (a.kind) {
            case Kind::Record:
                row = rowOfRecord(moved(a.pos));
                break;
            case Kind::Group:
                if (const int pos = moved(a.pos);
                    grouped() && pos >= 0 && a.level < grouping_.levels()) {
                    const int g =
                        grouping_.groupOfPlace(placeOf_[static_cast<std::size_t>(pos)], a.level);
                    row = g >= 0 ? grouping_.group(g).row : -1;
                }
                break;
            case Kind::Inserting:
                row = inserting_ ? insertingRow() : rowOfRecord(postedAt);
                break;
            case Kind::NewRowLine:
                row = newRowLine();
                break;
            case Kind::None:
                break;
        }
        after.push_back(row >= 0 ? index(row, before[k].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void MemDataModel::resort() {
    sortKeys_.clear();
    for (const auto& [name, order] : sortNames_) {
        if (const int f = list_.findField(name); f >= 0) {
            sortKeys_.push_back({f, order});
        }
    }
    regroupPending_ = false;
    resolveGroupKeys();
    if (grouped()) {
        std::vector<SortKey> keys = groupKeys_;
        for (const SortKey& k : sortKeys_) {
            if (std::none_of(groupKeys_.begin(), groupKeys_.end(),
                             [&k](const SortKey& g) { return g.field == k.field; })) {
                keys.push_back(k);
            }
        }
        RowOrder::Ordered ordered =
            RowOrder::sortedWithBreaks(list_, keys, static_cast<int>(groupKeys_.size()));
        perm_ = std::move(ordered.perm);
        breaks_ = std::move(ordered.breakLevel);
        perm_.resize(static_cast<std::size_t>(listRows_), -1);
        breaks_.resize(perm_.size(), 0);
        rebuildGroups();
        return;
    }
    std::vector<std::uint8_t>().swap(breaks_);
    std::vector<int>().swap(placeOf_);
    grouping_.clear();
    if (sortKeys_.empty()) {
        std::vector<int>().swap(perm_);  // list order needs no memory
        return;
    }
    perm_ = RowOrder::sorted(list_, sortKeys_);
    perm_.resize(static_cast<std::size_t>(listRows_), -1);
}

// --- following the list ---------------------------------------------------------------

void MemDataModel::emitRowChanged(int row) {
    if (row >= 0 && row < rowCount() && !columns_.empty()) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void MemDataModel::followInsertState() {
    const bool want = list_.isOpen() && list_.state() == ListState::Insert;
    if (want == inserting_) {
        return;
    }
    const int at = postedRows();
    if (lineTakesTurns()) {
        // The row being inserted and the new-row line share one place.
        inserting_ = want;
        emitRowChanged(at);
        emit headerDataChanged(Qt::Vertical, at, at);
        return;
    }
    // With a new-row line, the line the user typed into becomes the new row
    // and a fresh line follows it, so the current cell stays where it is.
    const int changed = hasNewRowLine() ? at + 1 : at;
    if (want) {
        beginInsertRows({}, changed, changed);
        inserting_ = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, changed, changed);
        inserting_ = false;
        endRemoveRows();
    }
    if (hasNewRowLine()) {
        emitRowChanged(at);
    }
}

void MemDataModel::rowsChanged(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, listRows_ - 1);
    if (first > last || columns_.empty()) {
        return;
    }
    if (grouped()) {
        groupedRowsChanged(first, last);
        return;
    }
    if (!sorted()) {
        emit dataChanged(index(first, 0), index(last, columnCount() - 1));
        return;
    }
    if (last - first >= kRowsFoundOneByOne) {
        emit dataChanged(index(0, 0), index(listRows_ - 1, columnCount() - 1));
        return;
    }
    for (int pos = first; pos <= last; ++pos) {
        emitRowChanged(rowOfPosition(pos));
    }
}

void MemDataModel::rowsInserted(int pos, int count) {
    if (pos < 0 || count <= 0 || pos > listRows_ || !list_.isOpen()) {
        listReset();
        return;
    }
    if (grouped()) {
        groupedRowsInserted(pos, count);
        return;
    }
    if (sorted()) {
        for (int& p : perm_) {
            if (p >= pos) {
                p += count;
            }
        }
    }
    const bool posted = inserting_ && list_.state() != ListState::Insert && count == 1;
    if (posted && (sorted() || pos == listRows_)) {
        // The row the list was inserting is now a posted row, where it stood.
        const bool lineReturns = lineTakesTurns();
        if (lineReturns) {
            // ... and the new-row line it stood in for comes back after it.
            beginInsertRows({}, listRows_ + 1, listRows_ + 1);
        }
        if (sorted()) {
            perm_.push_back(pos);
        }
        inserting_ = false;
        ++listRows_;
        if (lineReturns) {
            endInsertRows();
        }
        emitRowChanged(listRows_ - 1);
        emit headerDataChanged(Qt::Vertical, listRows_ - 1, listRows_ - 1);
        return;
    }
    followInsertState();
    if (sorted()) {
        // New rows of a sorted grid come last, where the user expects them.
        beginInsertRows({}, listRows_, listRows_ + count - 1);
        for (int k = 0; k < count; ++k) {
            perm_.push_back(pos + k);
        }
    } else {
        shiftAt_ = pos;
        shift_ = count;
        beginInsertRows({}, pos, pos + count - 1);
        shift_ = 0;
    }
    listRows_ += count;
    endInsertRows();
}

void MemDataModel::rowsRemoved(int pos, int count) {
    if (pos < 0 || count <= 0 || pos + count > listRows_) {
        listReset();
        return;
    }
    if (grouped()) {
        groupedRowsRemoved(pos, count);
        return;
    }
    if (!sorted()) {
        shiftAt_ = pos;
        shift_ = -count;
        beginRemoveRows({}, pos, pos + count - 1);
        shift_ = 0;
        listRows_ -= count;
        endRemoveRows();
        return;
    }
    for (int& p : perm_) {
        if (p >= pos + count) {
            p -= count;
        } else if (p >= pos) {
            p = -1;  // removed; rows reading it meanwhile show nothing
        }
    }
    int r = listRows_ - 1;
    while (r >= 0) {
        if (perm_[static_cast<std::size_t>(r)] != -1) {
            --r;
            continue;
        }
        const int last = r;
        while (r >= 0 && perm_[static_cast<std::size_t>(r)] == -1) {
            --r;
        }
        const int first = r + 1;
        beginRemoveRows({}, first, last);
        perm_.erase(perm_.begin() + first, perm_.begin() + last + 1);
        listRows_ -= last - first + 1;
        endRemoveRows();
    }
}

void MemDataModel::listReset() {
    beginResetModel();
    resolveColumns();
    listRows_ = list_.isOpen() ? list_.recordCount() : 0;
    inserting_ = list_.isOpen() && list_.state() == ListState::Insert;
    resort();
    endResetModel();
}

void MemDataModel::currentMoved(int pos) {
    followInsertState();
    emit currentPositionMoved(inserting_ ? -1 : pos);
}

}  // namespace qm
