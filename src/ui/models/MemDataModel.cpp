#include "models/MemDataModel.h"

#include "common/Errors.h"
#include "list/Frozen.h"
#include "list/ValueText.h"

#include <QBrush>
#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

bool isTextType(FieldType t) {
    return t == FieldType::String || t == FieldType::Memo || t == FieldType::FmtMemo;
}

bool isNumberType(FieldType t) {
    return isIntegerType(t) || t == FieldType::Float || t == FieldType::Currency ||
           t == FieldType::BCD;
}

// Beyond this many changed rows of a sorted grid, finding each row costs
// more than redrawing the whole grid.
constexpr int kRowsFoundOneByOne = 64;
// Deleting more records than this freezes the list: one reset instead of a
// notice per record.
constexpr std::size_t kRecordsDeletedOneByOne = 16;

}  // namespace

MemDataModel::MemDataModel(MemData& list, Mode mode, ColumnPlan plan, QObject* parent)
    : QAbstractTableModel(parent), list_(list), mode_(mode), plan_(std::move(plan)) {
    list_.addObserver(this);
    resolveColumns();
    listRows_ = list_.isOpen() ? list_.recordCount() : 0;
    inserting_ = list_.isOpen() && list_.state() == ListState::Insert;
    if (!plan_.sortField.isEmpty()) {
        sortNames_ = {{plan_.sortField, Qt::AscendingOrder}};
    }
    resort();
}

MemDataModel::~MemDataModel() {
    list_.removeObserver(this);
}

void MemDataModel::setColumnPlan(ColumnPlan plan) {
    beginResetModel();
    plan_ = std::move(plan);
    sortNames_.clear();
    if (!plan_.sortField.isEmpty()) {
        sortNames_ = {{plan_.sortField, Qt::AscendingOrder}};
    }
    resolveColumns();
    resort();
    endResetModel();
}

void MemDataModel::setColourProvider(ColourProvider provider) {
    colours_ = std::move(provider);
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole});
    }
}

void MemDataModel::resolveColumns() {
    columns_.clear();
    if (plan_.columns.empty()) {
        for (int f = 0; f < list_.fieldCount(); ++f) {
            const FieldDef& def = list_.field(f);
            if (def.visible) {
                columns_.push_back({f, def.label(), -1, def.type == FieldType::Boolean});
            }
        }
        return;
    }
    for (const ColumnSpec& spec : plan_.columns) {
        const int f = list_.findField(spec.field);
        if (!spec.shown || f < 0) {
            continue;
        }
        const FieldDef& def = list_.field(f);
        columns_.push_back({f, spec.caption.isEmpty() ? def.label() : spec.caption, spec.width,
                            spec.checkBox && def.type == FieldType::Boolean});
    }
}

// --- shape ------------------------------------------------------------------------

int MemDataModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return listRows_ + (inserting_ ? 1 : 0) + (hasNewRowLine() ? 1 : 0);
}

int MemDataModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int MemDataModel::fieldOfColumn(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return -1;
    }
    const int f = columns_[static_cast<std::size_t>(column)].field;
    return f < list_.fieldCount() ? f : -1;
}

int MemDataModel::columnOfField(int field) const {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (columns_[c].field == field) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

int MemDataModel::columnWidth(int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size())) {
        return -1;
    }
    return columns_[static_cast<std::size_t>(column)].width;
}

int MemDataModel::listPosition(int row) const {
    if (row < 0 || row >= listRows_) {
        return -1;
    }
    if (sorted()) {
        return perm_[static_cast<std::size_t>(row)];
    }
    // While views hear of an insertion or removal that the list has already
    // made, rows still stand where the views knew them.
    if (shift_ != 0 && row >= shiftAt_) {
        return shift_ < 0 && row < shiftAt_ - shift_ ? -1 : row + shift_;
    }
    return row;
}

int MemDataModel::rowOfPosition(int pos) const {
    if (pos < 0 || pos >= listRows_) {
        return -1;
    }
    if (!sorted()) {
        return pos;
    }
    const auto it = std::find(perm_.begin(), perm_.end(), pos);
    return it == perm_.end() ? -1 : static_cast<int>(it - perm_.begin());
}

int MemDataModel::recIdAt(int row) const {
    if (inserting_ && row == insertingRow()) {
        return list_.state() == ListState::Insert ? static_cast<int>(list_.ref(0).i) : -1;
    }
    const int pos = listPosition(row);
    return pos >= 0 && pos < list_.recordCount() ? list_.recIdAt(pos) : -1;
}

int MemDataModel::rowOfRecId(int recId) const {
    if (!list_.isOpen()) {
        return -1;
    }
    if (inserting_ && list_.state() == ListState::Insert && list_.ref(0).i == recId) {
        return insertingRow();
    }
    return rowOfPosition(list_.positionOfRecId(recId));
}

bool MemDataModel::isNewRowLine(int row) const {
    return row >= 0 && row == newRowLine();
}

bool MemDataModel::isInsertingRow(int row) const {
    return row >= 0 && row == insertingRow();
}

// --- reading ------------------------------------------------------------------------

QVariant MemDataModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !list_.isOpen()) {
        return {};
    }
    const int field = fieldOfColumn(index.column());
    if (field < 0) {
        return {};
    }
    const Column& column = columns_[static_cast<std::size_t>(index.column())];
    const int row = index.row();
    if (row == newRowLine()) {
        if (role == Qt::CheckStateRole && column.checkBox) {
            return Qt::Unchecked;
        }
        return {};
    }
    ValueRef v;
    int recId = -1;
    if (row == insertingRow()) {
        if (list_.state() != ListState::Insert) {
            return {};
        }
        v = list_.ref(field);
        recId = static_cast<int>(list_.ref(0).i);
    } else {
        const int pos = listPosition(row);
        if (pos < 0 || pos >= list_.recordCount()) {
            return {};
        }
        if (role == Qt::BackgroundRole) {
            recId = list_.recIdAt(pos);
        } else {
            v = list_.refAt(pos, field);
        }
    }
    const FieldType type = list_.field(field).type;
    switch (role) {
        case Qt::DisplayRole:
            if (column.checkBox || v.null) {
                return {};
            }
            if (isTextType(type) && v.storage == StorageClass::Bytes) {
                return ValueText::utf8ToString(v.bytes);
            }
            return ValueText::toText(v.toValue(), type);
        case Qt::EditRole:
            return ValueText::toVariant(v.toValue(), type);
        case Qt::CheckStateRole:
            if (!column.checkBox) {
                return {};
            }
            return !v.null && v.i != 0 ? Qt::Checked : Qt::Unchecked;
        case Qt::BackgroundRole: {
            if (!colours_) {
                return {};
            }
            const std::optional<QColor> colour = colours_(recId, field);
            return colour ? QVariant(QBrush(*colour)) : QVariant();
        }
        case Qt::TextAlignmentRole:
            if (isNumberType(type)) {
                return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        default:
            return {};
    }
}

QVariant MemDataModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= static_cast<int>(columns_.size())) {
            return {};
        }
        return columns_[static_cast<std::size_t>(section)].caption;
    }
    if (section == newRowLine() || section == insertingRow()) {
        return u"*"_s;
    }
    return section + 1;
}

Qt::ItemFlags MemDataModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int field = fieldOfColumn(index.column());
    if (mode_ == Mode::Editable && field >= 0 && !list_.readOnly() &&
        list_.field(field).kind == FieldKind::Data) {
        f |= Qt::ItemIsEditable;
        if (columns_[static_cast<std::size_t>(index.column())].checkBox) {
            f |= Qt::ItemIsUserCheckable;
        }
    }
    return f;
}

// --- writing ------------------------------------------------------------------------

bool MemDataModel::guarded(const std::function<void()>& change) {
    try {
        change();
        return true;
    } catch (const SilentAbort&) {
        // The list's owner has shown its own message.
    } catch (const Error& e) {
        emit editFailed(e.message());
    }
    if (list_.isOpen() && list_.state() == ListState::Edit) {
        list_.cancel();
        emitRowChanged(rowOfPosition(list_.position()));
    }
    return false;
}

void MemDataModel::writeValue(int field, const QVariant& value, int role) {
    if (role == Qt::CheckStateRole) {
        list_.setAsBool(field, value.toInt() == Qt::Checked);
        return;
    }
    // An emptied cell of a column that is not text holds no value.
    const FieldType type = list_.field(field).type;
    if (!value.isValid() ||
        (!isTextType(type) && value.typeId() == QMetaType::QString && value.toString().isEmpty())) {
        list_.setValue(field, Value());
        return;
    }
    list_.setAsVariant(field, value);
}

bool MemDataModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (mode_ != Mode::Editable || !index.isValid() || !list_.isOpen() ||
        (role != Qt::EditRole && role != Qt::CheckStateRole)) {
        return false;
    }
    const int field = fieldOfColumn(index.column());
    if (field < 0 || list_.field(field).kind != FieldKind::Data) {
        return false;
    }
    const int row = index.row();
    if (row == newRowLine() || row == insertingRow()) {
        const bool ok = guarded([&] {
            if (list_.state() != ListState::Insert) {
                list_.append();  // shows the inserting row through the list's notice
            }
            writeValue(field, value, role);
        });
        emitRowChanged(insertingRow());
        return ok;
    }
    const int recId = recIdAt(row);
    if (recId < 0) {
        return false;
    }
    return guarded([&] {
        list_.post();  // a pending new row or edit first
        const int pos = list_.positionOfRecId(recId);
        if (pos < 0) {
            throw Error(u"%1: Record not found"_s.arg(list_.name()));
        }
        if (pos != list_.position()) {
            list_.moveTo(pos);
        }
        list_.edit();
        writeValue(field, value, role);
        list_.post();
    });
}

bool MemDataModel::submit() {
    if (!list_.isOpen() || list_.state() == ListState::Browse) {
        return true;
    }
    return guarded([&] { list_.post(); });
}

void MemDataModel::revert() {
    if (!list_.isOpen() || list_.state() == ListState::Browse) {
        return;
    }
    const bool wasEdit = list_.state() == ListState::Edit;
    list_.cancel();
    if (wasEdit) {
        emitRowChanged(rowOfPosition(list_.position()));
    }
}

bool MemDataModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0) {
        return false;
    }
    std::vector<int> rows;
    for (int r = row; r < row + count; ++r) {
        rows.push_back(r);
    }
    return removeRecords(rows);
}

bool MemDataModel::removeRecords(const std::vector<int>& rows) {
    if (mode_ != Mode::Editable || !list_.isOpen()) {
        return false;
    }
    bool cancelInsert = false;
    std::vector<int> recIds;
    for (const int r : rows) {
        if (inserting_ && r == insertingRow()) {
            cancelInsert = true;
        } else if (const int pos = listPosition(r); pos >= 0) {
            recIds.push_back(list_.recIdAt(pos));
        }
    }
    return guarded([&] {
        if (cancelInsert) {
            list_.cancel();
        }
        list_.post();
        std::vector<int> positions;
        for (const int id : recIds) {
            if (const int pos = list_.positionOfRecId(id); pos >= 0) {
                positions.push_back(pos);
            }
        }
        // From the last position backwards, so the others stay where they are.
        std::sort(positions.begin(), positions.end(), std::greater<>());
        std::optional<Frozen> frozen;
        if (positions.size() > kRecordsDeletedOneByOne) {
            frozen.emplace(list_);
        }
        for (const int pos : positions) {
            list_.moveTo(pos);
            list_.deleteRow();
        }
    });
}

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
    const int oldInserting = insertingRow();
    const int oldNewLine = newRowLine();
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
        int row = i.row();
        if (pos >= 0) {
            row = rowOf.empty() ? rowOfPosition(pos) : rowOf[static_cast<std::size_t>(pos)];
        } else if (i.row() == oldInserting || i.row() == oldNewLine) {
            row = i.row();  // the rows after the list's rows do not move
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

QString deleteConfirmationText(int selectedRows) {
    return selectedRows > 1 ? u"Delete all selected records?"_s : u"Delete record?"_s;
}

}  // namespace qm
