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

void MemDataModel::setNewRowLineShown(bool shown) {
    if (shown != newRowLineShown_) {
        beginResetModel();
        newRowLineShown_ = shown;
        endResetModel();
    }
}

void MemDataModel::setNewRowLineWhileInserting(bool shown) {
    if (shown != lineWhileInserting_) {
        beginResetModel();
        lineWhileInserting_ = shown;
        endResetModel();
    }
}

void MemDataModel::setColourProvider(ColourProvider provider) {
    colours_ = std::move(provider);
    refreshColours();
}

void MemDataModel::refreshColours() {
    if (rowCount() > 0 && columnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole});
    }
}

void MemDataModel::setDimmedFields(std::vector<int> fields) {
    std::sort(fields.begin(), fields.end());
    if (fields == dimmedFields_) {
        return;
    }
    dimmedFields_ = std::move(fields);
    for (Column& column : columns_) {
        column.dimmed =
            std::binary_search(dimmedFields_.begin(), dimmedFields_.end(), column.field);
    }
    if (columnCount() > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        if (rowCount() > 0) {
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                             {Qt::ForegroundRole});
        }
    }
}

bool MemDataModel::isDimmedColumn(int column) const {
    return column >= 0 && column < static_cast<int>(columns_.size()) &&
           columns_[static_cast<std::size_t>(column)].dimmed;
}

QColor MemDataModel::dimmedTextColour() {
    return QColor(Qt::gray);
}

void MemDataModel::refreshCurrentRow() {
    if (!list_.isOpen()) {
        return;
    }
    emitRowChanged(list_.state() == ListState::Insert ? insertingRow()
                                                      : rowOfPosition(list_.position()));
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
    } else {
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
    for (Column& column : columns_) {
        column.dimmed =
            std::binary_search(dimmedFields_.begin(), dimmedFields_.end(), column.field);
    }
}

// --- shape ------------------------------------------------------------------------

int MemDataModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return postedRows() + (inserting_ ? 1 : 0) + (hasNewRowLine() ? 1 : 0);
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

int MemDataModel::widestNumberRow(int column) const {
    const int field = fieldOfColumn(column);
    if (field < 0 || !list_.isOpen() || !isNumberType(list_.field(field).type) ||
        columns_[static_cast<std::size_t>(column)].checkBox) {
        return -1;
    }
    // One pass for the extremes: their texts are the longest (a minus sign
    // or the most digits), short of decimals, which the grid's sample shows.
    int lowest = -1;
    int highest = -1;
    ValueRef low;
    ValueRef high;
    const auto below = [](const ValueRef& a, const ValueRef& b) {
        return a.storage == StorageClass::Float ? a.d < b.d : a.i < b.i;
    };
    const int rows = list_.recordCount();
    for (int pos = 0; pos < rows; ++pos) {
        const ValueRef v = list_.refAt(pos, field);
        if (v.null) {
            continue;
        }
        if (lowest < 0 || below(v, low)) {
            lowest = pos;
            low = v;
        }
        if (highest < 0 || below(high, v)) {
            highest = pos;
            high = v;
        }
    }
    if (lowest < 0) {
        return -1;
    }
    const FieldType type = list_.field(field).type;
    const bool lowLonger = ValueText::toText(low.toValue(), type).size() >
                           ValueText::toText(high.toValue(), type).size();
    return rowOfPosition(lowLonger ? lowest : highest);
}

int MemDataModel::listPosition(int row) const {
    if (grouped()) {
        const int place = row < postedRows() ? grouping_.placeAt(row) : -1;
        return place >= 0 ? perm_[static_cast<std::size_t>(place)] : -1;
    }
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
    if (grouped()) {
        const int place =
            pos < static_cast<int>(placeOf_.size()) ? placeOf_[static_cast<std::size_t>(pos)] : -1;
        return place >= 0 ? grouping_.rowOfPlace(place) : -1;
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
    const int row = index.row();
    if (const int group = groupOfRow(row); group >= 0) {
        return groupData(group, index.column(), role);
    }
    const Column& column = columns_[static_cast<std::size_t>(index.column())];
    if (role == Qt::ForegroundRole) {
        // Decided per column, without reading the row.
        return column.dimmed ? QVariant(QBrush(dimmedTextColour())) : QVariant();
    }
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
    if (role == Qt::ForegroundRole && orientation == Qt::Horizontal && isDimmedColumn(section)) {
        return QBrush(dimmedTextColour());
    }
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
    if (grouped()) {
        // Records are numbered in their order; group rows have no number.
        const int place = grouping_.placeAt(section);
        return place >= 0 ? QVariant(place + 1) : QVariant();
    }
    return section + 1;
}

Qt::ItemFlags MemDataModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isGroupRow(index.row())) {
        return f;
    }
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

bool MemDataModel::reporting(const std::function<void()>& change) {
    try {
        change();
        return true;
    } catch (const SilentAbort&) {
        // The message has been shown.
    } catch (const Error& e) {
        emit editFailed(e.message());
    }
    return false;
}

bool MemDataModel::guarded(const std::function<void()>& change) {
    if (reporting(change)) {
        return true;
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

QString deleteConfirmationText(int selectedRows) {
    return selectedRows > 1 ? u"Delete all selected records?"_s : u"Delete record?"_s;
}

}  // namespace qm
