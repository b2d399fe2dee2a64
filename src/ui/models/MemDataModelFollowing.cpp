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
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Rows the views hold on to (current cell, selection) keep their records.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> positions;
    positions.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& i : before) {
        positions.push_back(listPosition(i.row()));
    }
    sortNames_ = std::move(names);
    resort();
    std::vector<int> rowOf;
    if (sorted() && before.size() > 8) {
        rowOf.assign(perm_.size(), -1);
        for (std::size_t r = 0; r < perm_.size(); ++r) {
            rowOf[static_cast<std::size_t>(perm_[r])] = static_cast<int>(r);
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype k = 0; k < before.size(); ++k) {
        const QModelIndex& i = before[k];
        const int pos = positions[static_cast<std::size_t>(k)];
        // The inserting row and the new-row line come after the list's rows
        // and do not move.
        int row = i.row();
        if (pos >= 0) {
            row = rowOf.empty() ? rowOfPosition(pos) : rowOf[static_cast<std::size_t>(pos)];
        }
        after.push_back(row >= 0 ? index(row, i.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MemDataModel::resort() {
    sortKeys_.clear();
    for (const auto& [name, order] : sortNames_) {
        if (const int f = list_.findField(name); f >= 0) {
            sortKeys_.push_back({f, order});
        }
    }
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
    const int at = listRows_;
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
        if (sorted()) {
            perm_.push_back(pos);
        }
        inserting_ = false;
        ++listRows_;
        emitRowChanged(listRows_ - 1);
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
