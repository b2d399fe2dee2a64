// Reading and writing values, bookmarks, searching, sorting, display
// notices, counting and sharing of MemData.
#include "common/Errors.h"
#include "list/KeyIndex.h"
#include "list/LookupSource.h"
#include "list/MemData.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// A representative column type per storage class, for converting values.
FieldType typeOfStorage(StorageClass s) {
    switch (s) {
        case StorageClass::Int:
            return FieldType::Integer;
        case StorageClass::Float:
            return FieldType::Float;
        case StorageClass::Bool:
            return FieldType::Boolean;
        case StorageClass::Micros:
            return FieldType::DateTime;
        case StorageClass::Bytes:
            return FieldType::String;
    }
    return FieldType::String;
}

}  // namespace

// --- values --------------------------------------------------------------------

ValueRef MemData::ref(int f) const {
    // The row being inserted is not at any position yet: only the current
    // row's reads see it.
    if (state_ == ListState::Insert && !buf_.empty()) {
        const auto fi = static_cast<std::size_t>(f);
        if (f == 0) {
            ValueRef r;
            r.null = false;
            r.i = bufRecId_;
            return r;
        }
        const FieldDef& def = fields_[fi];
        if (def.kind != FieldKind::Lookup) {
            return ValueRef::of(buf_[fi]);
        }
        return def.lookupSource && def.lookupKeyField > 0
                   ? def.lookupSource->find(
                         ValueRef::of(buf_[static_cast<std::size_t>(def.lookupKeyField)]),
                         fields_[static_cast<std::size_t>(def.lookupKeyField)].type)
                   : ValueRef{};
    }
    return refAt(pos_, f);
}

ValueRef MemData::refAt(int pos, int f) const {
    const auto fi = static_cast<std::size_t>(f);
    if (pos == pos_ && state_ == ListState::Edit && !buf_.empty() && dirty_[fi] &&
        fields_[fi].kind == FieldKind::Data) {
        return ValueRef::of(buf_[fi]);
    }
    return storedRef(pos, f);
}

ValueRef MemData::storedRef(int pos, int f) const {
    const auto fi = static_cast<std::size_t>(f);
    if (pos < 0 || pos >= recordCount()) {
        ValueRef r;
        r.storage = storageClassOf(fields_[fi].type);
        return r;
    }
    if (f == 0) {
        ValueRef r;
        r.null = false;
        r.i = recIds_[static_cast<std::size_t>(pos)];
        return r;
    }
    const int c = storeCol_[fi];
    if (c < 0) {
        return fields_[fi].kind == FieldKind::Lookup ? lookupRef(pos, f) : ValueRef{};
    }
    const std::uint32_t phys = order_[static_cast<std::size_t>(pos)];
    const auto col = static_cast<std::size_t>(c);
    ValueRef r;
    r.storage = store_->storageClass(col);
    r.null = store_->isNull(phys, col);
    if (r.null) {
        return r;
    }
    switch (r.storage) {
        case StorageClass::Float:
            r.d = store_->floatAt(phys, col);
            break;
        case StorageClass::Bytes:
            r.bytes = store_->bytesAt(phys, col);
            break;
        default:
            r.i = store_->intAt(phys, col);
    }
    return r;
}

ValueRef MemData::lookupRef(int pos, int f) const {
    const FieldDef& def = fields_[static_cast<std::size_t>(f)];
    if (def.lookupSource) {
        if (def.lookupKeyField <= 0) {
            return {};
        }
        return def.lookupSource->find(refAt(pos, def.lookupKeyField),
                                      fields_[static_cast<std::size_t>(def.lookupKeyField)].type);
    }
    MemData* target = def.lookupDataSet;
    if (!target || !target->isOpen()) {
        return {};
    }
    const QStringList keys = def.keyFields.split(u';');
    const QStringList lookupKeys = def.lookupKeyFields.split(u';');
    if (keys.size() != lookupKeys.size()) {
        return {};
    }
    std::vector<int> fields;
    std::vector<Value> values;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const int own = findField(keys[k]);
        const int other = target->findField(lookupKeys[k]);
        if (own < 0 || other < 0) {
            return {};
        }
        fields.push_back(other);
        values.push_back(coerce(refAt(pos, own).toValue(), own));
    }
    const int result = target->findField(def.lookupResultField);
    if (result < 0) {
        return {};
    }
    // Convert each key to the lookup list's column type.
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const FieldType from =
            fields_[static_cast<std::size_t>(findField(keys[static_cast<qsizetype>(k)]))].type;
        const FieldType to = target->field(fields[k]).type;
        try {
            values[k] = ValueText::fromText(ValueText::toText(values[k], from), to);
        } catch (const ConversionError&) {
            return {};
        }
    }
    const int row = target->findRow(fields, values);
    return row < 0 ? ValueRef{} : target->refAt(row, result);
}

Value MemData::value(int f) const {
    return ref(f).toValue();
}

Value MemData::coerce(const Value& v, int f) const {
    const FieldType t = fields_[static_cast<std::size_t>(f)].type;
    if (v.isNull() || v.storage() == storageClassOf(t)) {
        return v;
    }
    return ValueText::fromVariant(ValueText::toVariant(v, typeOfStorage(v.storage())), t);
}

void MemData::setValue(int f, const Value& v) {
    checkOpen();
    const auto fi = static_cast<std::size_t>(f);
    if (fields_[fi].kind != FieldKind::Data) {
        throw Error(u"%1: Field '%2' cannot be modified"_s.arg(name_, fields_[fi].name));
    }
    if (state_ == ListState::Browse) {
        edit();
    }
    checkEditing();
    buf_[fi] = coerce(v, f);
    dirty_[fi] = true;
    if (changeHandlers_[fi]) {
        changeHandlers_[fi]();
    }
}

QVariant MemData::asVariant(int f) const {
    return ValueText::toVariant(value(f), field(f).type);
}

void MemData::setAsVariant(int f, const QVariant& v) {
    setValue(f, ValueText::fromVariant(v, field(f).type));
}

QString MemData::asText(int f) const {
    return ValueText::toText(value(f), field(f).type);
}

void MemData::setAsText(int f, const QString& text) {
    setValue(f, ValueText::fromText(text, field(f).type));
}

bool MemData::asBool(int f) const {
    const ValueRef r = ref(f);
    if (r.null) {
        return false;
    }
    switch (r.storage) {
        case StorageClass::Bool:
        case StorageClass::Int:
        case StorageClass::Micros:
            return r.i != 0;
        case StorageClass::Float:
            return r.d != 0.0;
        case StorageClass::Bytes:
            return ValueText::parseBoolean(asText(f));
    }
    return false;
}

void MemData::setAsBool(int f, bool v) {
    setValue(f, Value::fromBool(v));
}

std::int64_t MemData::asInt(int f) const {
    const ValueRef r = ref(f);
    if (r.null) {
        return 0;
    }
    switch (r.storage) {
        case StorageClass::Bool:
            return r.i != 0 ? -1 : 0;
        case StorageClass::Int:
        case StorageClass::Micros:
            return r.i;
        default:
            return ValueText::fromVariant(asVariant(f), FieldType::Integer).asInt();
    }
}

void MemData::setAsInt(int f, std::int64_t v) {
    setValue(f, Value::fromInt(v));
}

// --- bookmarks and search ----------------------------------------------------------

int MemData::positionOfRecId(int recId) const {
    if (!recIdPosValid_) {
        recIdPos_.assign(static_cast<std::size_t>(newRowsPosted_) + 2, -1);
        for (std::size_t p = 0; p < recIds_.size(); ++p) {
            const auto id = static_cast<std::size_t>(recIds_[p]);
            if (id >= recIdPos_.size()) {
                recIdPos_.resize(id + 1, -1);
            }
            recIdPos_[id] = static_cast<int>(p);
        }
        recIdPosValid_ = true;
    }
    if (recId < 0 || static_cast<std::size_t>(recId) >= recIdPos_.size()) {
        return -1;
    }
    return recIdPos_[static_cast<std::size_t>(recId)];
}

QString MemData::bookmark() const {
    if (!isOpen() || pos_ < 0) {
        return {};
    }
    return QString::number(recIds_[static_cast<std::size_t>(pos_)]);
}

void MemData::gotoBookmark(const QString& bookmark) {
    checkBrowse();
    if (bookmark.isEmpty()) {
        first();
        return;
    }
    bool ok = false;
    const int recId = bookmark.toInt(&ok);
    const int pos = ok ? positionOfRecId(recId) : -1;
    if (pos < 0) {
        throw Error(u"%1: Record not found"_s.arg(name_));
    }
    eof_ = bof_ = false;
    setCurrent(pos, true);
}

KeyIndex& MemData::indexOn(const std::vector<int>& fields) const {
    for (auto& idx : indexes_) {
        if (idx->fields() == fields) {
            return *idx;
        }
    }
    indexes_.push_back(std::make_unique<KeyIndex>(*this, fields));
    return *indexes_.back();
}

int MemData::findRepeatedRow(const std::vector<int>& fields) const {
    if (!isOpen() || fields.empty() || std::any_of(fields.begin(), fields.end(), [&](int f) {
            return storeCol_[static_cast<std::size_t>(f)] < 0;
        })) {
        return -1;
    }
    return indexOn(fields).duplicateRow();
}

int MemData::findRow(const std::vector<int>& fields, const std::vector<Value>& values) const {
    if (!isOpen() || fields.empty() || fields.size() != values.size()) {
        return -1;
    }
    const bool indexable =
        state_ == ListState::Browse && std::all_of(fields.begin(), fields.end(), [&](int f) {
            return storeCol_[static_cast<std::size_t>(f)] >= 0;
        });
    if (indexable) {
        return indexOn(fields).find(values);
    }
    for (int p = 0; p < recordCount(); ++p) {
        bool all = true;
        for (std::size_t k = 0; k < fields.size() && all; ++k) {
            all = KeyIndex::sameKey(refAt(p, fields[k]), ValueRef::of(values[k]),
                                    field(fields[k]).type == FieldType::BCD);
        }
        if (all) {
            return p;
        }
    }
    return -1;
}

bool MemData::locate(const std::vector<int>& fields, const std::vector<Value>& values) {
    checkBrowse();
    const int p = findRow(fields, values);
    if (p < 0) {
        return false;
    }
    eof_ = bof_ = false;
    setCurrent(p, true);
    return true;
}

bool MemData::locateText(const std::vector<int>& fields, const QStringList& texts) {
    std::vector<Value> values;
    values.reserve(fields.size());
    for (std::size_t k = 0; k < fields.size(); ++k) {
        values.push_back(
            ValueText::fromText(texts[static_cast<qsizetype>(k)], field(fields[k]).type));
    }
    return locate(fields, values);
}

void MemData::invalidateIndexes() {
    for (auto& idx : indexes_) {
        idx->invalidate();
    }
    recIdPosValid_ = false;
    std::fill(trueCounts_.begin(), trueCounts_.end(), -1);
}

// --- sorting, display, counting, sharing ---------------------------------------------

void MemData::setSortField(int f) {
    sortField_ = f;
    if (!isOpen() || f <= 0 || recordCount() < 2) {
        return;
    }
    checkBrowse();
    std::vector<int> perm(order_.size());
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(),
                     [&](int a, int b) { return compareSort(a, storedRef(b, f)) < 0; });
    std::vector<std::uint32_t> order(order_.size());
    std::vector<int> ids(order_.size());
    for (std::size_t i = 0; i < perm.size(); ++i) {
        order[i] = order_[static_cast<std::size_t>(perm[i])];
        ids[i] = recIds_[static_cast<std::size_t>(perm[i])];
    }
    order_.assign(std::move(order));
    recIds_.assign(std::move(ids));
    ++changes_;
    invalidateIndexes();
    setCurrent(0, false);
    resetAndScroll();
}

void MemData::enableControls() {
    if (disableCount_ > 0 && --disableCount_ == 0) {
        // What happened while frozen is not told row by row; a frozen walk
        // over the rows that changed none of them costs views no reset.
        const bool rowsChanged = pendingNotice_;
        const bool moved = pendingMove_;
        pendingNotice_ = pendingMove_ = false;
        if (rowsChanged) {
            announce(Notice::Reset, -1, 0);
        } else if (moved) {
            announce(Notice::Moved, pos_, 0);
        }
    }
}

void MemData::addObserver(ListObserver* o) {
    observers_.push_back(o);
}

void MemData::removeObserver(ListObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void MemData::deliver(Notice kind, int pos, int count) {
    if (disableCount_ > 0) {
        (kind == Notice::Moved ? pendingMove_ : pendingNotice_) = true;
        return;
    }
    pendingNotice_ = false;
    pendingMove_ = false;
    for (ListObserver* o : observers_) {
        switch (kind) {
            case Notice::Changed:
                o->rowsChanged(pos, pos + count - 1);
                break;
            case Notice::Inserted:
                o->rowsInserted(pos, count);
                break;
            case Notice::Removed:
                o->rowsRemoved(pos, count);
                break;
            case Notice::Reset:
                o->listReset();
                break;
            case Notice::Moved:
                o->currentMoved(pos);
                break;
        }
    }
}

int MemData::countTrue(int f) const {
    const auto fi = static_cast<std::size_t>(f);
    if (!isOpen()) {
        return 0;
    }
    if (trueCounts_[fi] < 0) {
        int n = 0;
        const int c = storeCol_[fi];
        for (std::size_t p = 0; p < order_.size(); ++p) {
            if (c >= 0) {
                n += (!store_->isNull(order_[p], static_cast<std::size_t>(c)) &&
                      store_->intAt(order_[p], static_cast<std::size_t>(c)) != 0)
                         ? 1
                         : 0;
            }
        }
        trueCounts_[fi] = n;
    }
    int n = trueCounts_[fi];
    // A pending edit of the current row is not counted until it is posted.
    return n;
}

void MemData::shareRowsFrom(const MemData& other) {
    checkOpen();
    if (recordCount() != 0 || state_ != ListState::Browse) {
        throw InternalError(u"%1: rows can only be shared into an empty list"_s.arg(name_));
    }
    if (other.store_->columnCount() != store_->columnCount()) {
        throw InternalError(u"%1: columns differ from %2"_s.arg(name_, other.name_));
    }
    for (std::size_t c = 0; c < store_->columnCount(); ++c) {
        if (other.store_->storageClass(c) != store_->storageClass(c)) {
            throw InternalError(u"%1: columns differ from %2"_s.arg(name_, other.name_));
        }
    }
    store_ = other.store_;
    store_->markShared();
    order_ = other.order_;
    ++changes_;
    recIds_.assignCounting(order_.size());
    newRowsPosted_ = recordCount();
    invalidateIndexes();
    eof_ = bof_ = recordCount() == 0;
    setCurrent(0, false);
    resetAndScroll();
}

std::uint32_t MemData::beginRawRow() {
    checkOpen();
    return store_->appendRow();
}

void MemData::commitRawRow(std::uint32_t row) {
    ++newRowsPosted_;
    const int pos = recordCount();
    if (sortField_ > 0) {
        throw InternalError(u"%1: raw rows cannot be added to a sorted list"_s.arg(name_));
    }
    order_.push_back(row);
    recIds_.push_back(newRowsPosted_);
    ++changes_;
    for (auto& idx : indexes_) {
        idx->addLast(pos);
    }
    recIdPosValid_ = false;
    std::fill(trueCounts_.begin(), trueCounts_.end(), -1);
    pos_ = pos;
    announce(Notice::Inserted, pos, 1);
}

void MemData::adoptRows(std::unique_ptr<RowStore> rows) {
    checkOpen();
    if (recordCount() != 0 || newRowsPosted_ != 0 || store_->rowCount() != 0 ||
        state_ != ListState::Browse) {
        throw InternalError(u"%1: rows can only be adopted by a list just opened"_s.arg(name_));
    }
    if (sortField_ > 0) {
        throw InternalError(u"%1: raw rows cannot be added to a sorted list"_s.arg(name_));
    }
    bool same = rows && rows->columnCount() == store_->columnCount();
    for (std::size_t c = 0; same && c < store_->columnCount(); ++c) {
        same = rows->storageClass(c) == store_->storageClass(c);
    }
    if (!same) {
        throw InternalError(u"%1: the rows read aside have other columns"_s.arg(name_));
    }
    const std::uint32_t n = rows->rowCount();
    store_ = std::move(rows);
    order_.assignCounting(n);
    recIds_.assignCounting(n);
    newRowsPosted_ = static_cast<int>(n);
    ++changes_;
    invalidateIndexes();
    if (n > 0) {
        pos_ = static_cast<int>(n) - 1;
        announce(Notice::Inserted, 0, static_cast<int>(n));
    }
}

void MemData::widenToVariant(int f) {
    checkOpen();
    const auto fi = static_cast<std::size_t>(f);
    const int c = storeCol_[fi];
    if (c < 0 || fields_[fi].type == FieldType::Variant) {
        return;
    }
    const FieldType old = fields_[fi].type;
    store_->convertToBytes(static_cast<std::size_t>(c),
                           [old](const Value& v) { return TaggedValue::fromTyped(v, old); });
    if (fi < buf_.size()) {
        buf_[fi] = TaggedValue::fromTyped(buf_[fi], old);
    }
    adoptVariantColumn(f);
}

void MemData::adoptVariantColumn(int f) {
    FieldDef& def = fields_[static_cast<std::size_t>(f)];
    def.type = FieldType::Variant;
    def.size = 0;
    ++changes_;
    // Indexes know which columns hold fixed-point numbers: made anew.
    indexes_.clear();
    if (isOpen()) {
        invalidateIndexes();
    }
}

void MemData::reserveRows(std::size_t rows) {
    checkOpen();
    store_->reserve(rows);
    order_.reserve(rows);
    recIds_.reserve(rows);
}

}  // namespace qm
