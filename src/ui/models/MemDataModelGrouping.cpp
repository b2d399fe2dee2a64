// Grouping of MemDataModel: the group rows, and how a grouped model follows
// its list's notices.
#include "models/MemDataModel.h"

#include "list/ValueText.h"

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// More new or changed rows than this at once regroup from scratch.
constexpr int kRowsPlacedOneByOne = 64;
constexpr int kIndentPerLevel = 16;

QString valueText(const ValueRef& v, FieldType type) {
    if (v.null) {
        return {};
    }
    if ((type == FieldType::String || type == FieldType::Memo || type == FieldType::FmtMemo) &&
        v.storage == StorageClass::Bytes) {
        return ValueText::utf8ToString(v.bytes);
    }
    return ValueText::toText(v.toValue(), type);
}

// The expand/collapse mark of a group row, indented by its level.
QPixmap groupMark(int level, bool expanded) {
    const int size = 12;
    QPixmap pixmap(level * kIndentPerLevel + size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(64, 64, 64));
    const int x = level * kIndentPerLevel;
    if (expanded) {
        painter.drawPolygon(QPolygon({QPoint(x + 1, 3), QPoint(x + 11, 3), QPoint(x + 6, 9)}));
    } else {
        painter.drawPolygon(QPolygon({QPoint(x + 3, 1), QPoint(x + 9, 6), QPoint(x + 3, 11)}));
    }
    return pixmap;
}

}  // namespace

// --- the grouping ---------------------------------------------------------------------

void MemDataModel::groupBy(const std::vector<int>& columns) {
    std::vector<QString> names;
    for (const int column : columns) {
        const int f = fieldOfColumn(column);
        if (f < 0) {
            continue;
        }
        const QString& name = list_.field(f).name;
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
    if (names == groupNames_) {
        return;
    }
    relayout(
        [&] {
            groupNames_ = std::move(names);
            collapsed_.clear();
            resort();
        },
        [](int pos) { return pos; });
}

std::vector<int> MemDataModel::groupColumns() const {
    std::vector<int> columns;
    for (const SortKey& k : groupKeys_) {
        if (const int c = columnOfField(k.field); c >= 0) {
            columns.push_back(c);
        }
    }
    return columns;
}

void MemDataModel::resolveGroupKeys() {
    groupKeys_.clear();
    if (!list_.isOpen()) {
        return;
    }
    for (const QString& name : groupNames_) {
        const int f = list_.findField(name);
        // Only shown columns group: the strip names them by their captions.
        if (f < 0 || columnOfField(f) < 0) {
            continue;
        }
        const auto sortedBy = std::find_if(sortKeys_.begin(), sortKeys_.end(),
                                           [f](const SortKey& k) { return k.field == f; });
        groupKeys_.push_back(
            {f, sortedBy == sortKeys_.end() ? Qt::AscendingOrder : sortedBy->order});
    }
}

void MemDataModel::rebuildGroups() {
    placeOf_.assign(static_cast<std::size_t>(listRows_), -1);
    for (std::size_t place = 0; place < perm_.size(); ++place) {
        const int pos = perm_[place];
        if (pos >= 0 && pos < listRows_) {
            placeOf_[static_cast<std::size_t>(pos)] = static_cast<int>(place);
        }
    }
    grouping_.build(breaks_, static_cast<int>(groupKeys_.size()));
    if (collapsed_.empty()) {
        return;
    }
    for (int g = 0; g < grouping_.groupCount(); ++g) {
        if (collapsed_.count(groupPath(g)) != 0) {
            grouping_.setCollapsed(g, true);
        }
    }
    grouping_.layoutRows();
}

QString MemDataModel::groupPath(int group) const {
    QStringList parts;
    for (int g = group; g >= 0; g = grouping_.group(g).parent) {
        const SortKey& key = groupKeys_[static_cast<std::size_t>(grouping_.group(g).level)];
        const int pos = perm_[static_cast<std::size_t>(grouping_.group(g).first)];
        const ValueRef v = list_.refAt(pos, key.field);
        // Null and empty text are different groups.
        parts.prepend(v.null ? u"\u0001"_s
                             : valueText(v, list_.field(key.field).type).toCaseFolded());
    }
    return parts.join(QChar(0x1f));
}

int MemDataModel::groupOfRow(int row) const {
    return grouped() && row >= 0 && row < postedRows() ? grouping_.groupAt(row) : -1;
}

int MemDataModel::groupLevel(int row) const {
    const int g = groupOfRow(row);
    return g >= 0 ? grouping_.group(g).level : -1;
}

int MemDataModel::groupRecordCount(int row) const {
    const int g = groupOfRow(row);
    return g >= 0 ? grouping_.group(g).count : 0;
}

bool MemDataModel::isGroupExpanded(int row) const {
    const int g = groupOfRow(row);
    return g >= 0 && !grouping_.group(g).collapsed;
}

void MemDataModel::setGroupExpanded(int row, bool expanded) {
    const int g = groupOfRow(row);
    if (g < 0 || grouping_.group(g).collapsed == !expanded) {
        return;
    }
    const int rows = grouping_.rowsBelow(g, true);
    if (expanded) {
        collapsed_.erase(groupPath(g));
    } else {
        collapsed_.insert(groupPath(g));
    }
    if (rows > 0) {
        if (expanded) {
            beginInsertRows({}, row + 1, row + rows);
        } else {
            beginRemoveRows({}, row + 1, row + rows);
        }
    }
    grouping_.setCollapsed(g, !expanded);
    grouping_.layoutRows();
    if (rows > 0) {
        if (expanded) {
            endInsertRows();
        } else {
            endRemoveRows();
        }
    }
    emitRowChanged(row);  // the mark turns
}

QVariant MemDataModel::groupData(int group, int column, int role) const {
    const RowGrouping::Group& grp = grouping_.group(group);
    switch (role) {
        case Qt::DisplayRole: {
            if (column != 0) {
                return {};
            }
            const SortKey& key = groupKeys_[static_cast<std::size_t>(grp.level)];
            const int c = columnOfField(key.field);
            const QString caption = c >= 0 ? columns_[static_cast<std::size_t>(c)].caption
                                           : list_.field(key.field).label();
            const ValueRef v = list_.refAt(perm_[static_cast<std::size_t>(grp.first)], key.field);
            const QString value = valueText(v, list_.field(key.field).type);
            const QString records = grp.count == 1 ? u"1 record"_s : u"%1 records"_s.arg(grp.count);
            return value.isEmpty() ? u"%1: (%2)"_s.arg(caption, records)
                                   : u"%1: %2 (%3)"_s.arg(caption, value, records);
        }
        case Qt::DecorationRole:
            return column == 0 ? QVariant(groupMark(grp.level, !grp.collapsed)) : QVariant();
        case Qt::FontRole: {
            QFont font;
            font.setBold(true);
            return font;
        }
        case Qt::BackgroundRole:
            return QBrush(QColor(226, 230, 236));
        default:
            return {};
    }
}

// --- ordering single rows ---------------------------------------------------------------

int MemDataModel::breakBetween(int a, int b) const {
    for (std::size_t k = 0; k < groupKeys_.size(); ++k) {
        if (RowOrder::compareAt(list_, groupKeys_[k], a, b) != 0) {
            return static_cast<int>(k);
        }
    }
    return static_cast<int>(groupKeys_.size());
}

bool MemDataModel::placedBefore(int a, int b) const {
    for (const SortKey& k : groupKeys_) {
        if (const int r = RowOrder::compareAt(list_, k, a, b); r != 0) {
            return r < 0;
        }
    }
    for (const SortKey& k : sortKeys_) {
        if (const int r = RowOrder::compareAt(list_, k, a, b); r != 0) {
            return r < 0;
        }
    }
    return false;
}

// --- following the list while grouped ------------------------------------------------------

void MemDataModel::groupedRowsInserted(int pos, int count) {
    const bool posted = inserting_ && list_.state() != ListState::Insert && count == 1;
    relayout(
        [&] {
            for (int& p : perm_) {
                if (p >= pos) {
                    p += count;
                }
            }
            listRows_ += count;
            if (posted) {
                inserting_ = false;
            }
            if (count > kRowsPlacedOneByOne) {
                resort();
                return;
            }
            // Each new record goes into its group: after the records it
            // equals, as a stable sort would place it.
            for (int q = pos; q < pos + count; ++q) {
                const auto at =
                    std::upper_bound(perm_.begin(), perm_.end(), q,
                                     [this](int a, int b) { return placedBefore(a, b); });
                const auto place = static_cast<std::size_t>(at - perm_.begin());
                perm_.insert(at, q);
                breaks_.insert(
                    breaks_.begin() + static_cast<std::ptrdiff_t>(place),
                    static_cast<std::uint8_t>(place == 0 ? 0 : breakBetween(perm_[place - 1], q)));
                if (place + 1 < perm_.size()) {
                    breaks_[place + 1] =
                        static_cast<std::uint8_t>(breakBetween(q, perm_[place + 1]));
                }
            }
            rebuildGroups();
        },
        [pos, count](int p) { return p >= pos ? p + count : p; }, posted ? pos : -1);
    if (!posted) {
        followInsertState();
    }
}

void MemDataModel::groupedRowsRemoved(int pos, int count) {
    const auto moved = [pos, count](int p) {
        return p >= pos + count ? p - count : (p >= pos ? -1 : p);
    };
    relayout(
        [&] {
            std::vector<int> perm;
            std::vector<std::uint8_t> breaks;
            perm.reserve(perm_.size());
            breaks.reserve(perm_.size());
            // Where records leave, the next one breaks at the outermost key
            // at which any of them broke.
            std::uint8_t carry = 255;
            for (std::size_t place = 0; place < perm_.size(); ++place) {
                const int p = moved(perm_[place]);
                if (p < 0) {
                    carry = std::min(carry, breaks_[place]);
                    continue;
                }
                perm.push_back(p);
                breaks.push_back(std::min(carry, breaks_[place]));
                carry = 255;
            }
            if (!breaks.empty()) {
                breaks[0] = 0;
            }
            perm_ = std::move(perm);
            breaks_ = std::move(breaks);
            listRows_ -= count;
            rebuildGroups();
        },
        moved);
}

void MemDataModel::groupedRowsChanged(int first, int last) {
    if (!regroupPending_) {
        if (last - first >= kRowsPlacedOneByOne) {
            scheduleRegroup();
        }
        const int places = static_cast<int>(perm_.size());
        // Does the record still stand where its group keys put it: after
        // the record before it and before the one after it, breaking from
        // them at the same keys?
        const auto inOrder = [this](int a, int b, std::uint8_t wasBreak) {
            const int k = breakBetween(a, b);
            return k == wasBreak &&
                   (k == static_cast<int>(groupKeys_.size()) ||
                    RowOrder::compareAt(list_, groupKeys_[static_cast<std::size_t>(k)], a, b) < 0);
        };
        for (int pos = first; pos <= last && !regroupPending_; ++pos) {
            const int place = placeOf_[static_cast<std::size_t>(pos)];
            const auto at = static_cast<std::size_t>(place);
            const bool fits = place >= 0 &&
                              (place == 0 || inOrder(perm_[at - 1], pos, breaks_[at])) &&
                              (place + 1 >= places || inOrder(pos, perm_[at + 1], breaks_[at + 1]));
            if (!fits) {
                scheduleRegroup();
            }
        }
    }
    // Group captions show values of their first records.
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void MemDataModel::scheduleRegroup() {
    if (regroupPending_) {
        return;
    }
    regroupPending_ = true;
    QTimer::singleShot(0, this, [this] {
        if (regroupPending_ && grouped()) {
            relayout([this] { resort(); }, [](int pos) { return pos; });
        }
    });
}

std::size_t MemDataModel::extraMemory() const {
    return perm_.capacity() * sizeof(int) + breaks_.capacity() + placeOf_.capacity() * sizeof(int) +
           static_cast<std::size_t>(grouping_.groupCount()) * sizeof(RowGrouping::Group);
}

}  // namespace qm
