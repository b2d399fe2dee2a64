#include "list/MemData.h"

#include "common/Errors.h"
#include "list/KeyIndex.h"
#include "list/ValueText.h"

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

bool isIdentifierText(const QString& s) {
    if (s.isEmpty() || s[0].isDigit()) {
        return false;
    }
    return std::all_of(s.begin(), s.end(), [](QChar c) {
        return (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'_';
    });
}

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

MemData::MemData(QString name) : name_(std::move(name)) {
    FieldDef recId;
    recId.name = u"RecId"_s;
    recId.type = FieldType::Integer;
    recId.kind = FieldKind::Calculated;
    recId.visible = false;
    recId.registeredName = name_ + recId.name;
    fields_.push_back(recId);
    storeCol_.push_back(-1);
    changeHandlers_.emplace_back();
}

MemData::~MemData() = default;

// --- columns -----------------------------------------------------------------

int MemData::findField(QStringView name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int MemData::fieldIndex(QStringView name) const {
    const int i = findField(name);
    if (i < 0) {
        throw Error(u"%1: Field '%2' not found"_s.arg(name_, name.toString()));
    }
    return i;
}

int MemData::addField(FieldDef def) {
    if (isOpen()) {
        throw Error(u"%1: Cannot add a column to an open list"_s.arg(name_));
    }
    if (!isUsableType(def.type)) {
        throw Error(u"%1: Type %2 of field '%3' cannot be a column"_s.arg(
            name_, fieldTypeName(def.type), def.name));
    }
    if (def.registeredName.isEmpty()) {
        def.registeredName = name_ + def.name;
    }
    if (!isIdentifierText(def.registeredName)) {
        throw Error(u"'%1' is not a valid component name"_s.arg(def.registeredName));
    }
    if (findField(def.name) >= 0) {
        throw Error(u"A component named %1 already exists"_s.arg(def.registeredName));
    }
    if (!hasSize(def.type)) {
        def.size = 0;
    }
    fields_.push_back(std::move(def));
    changeHandlers_.emplace_back();
    rebuildStoreColumns();
    return fieldCount() - 1;
}

void MemData::removeField(int i) {
    if (isOpen()) {
        throw Error(u"%1: Cannot remove a column from an open list"_s.arg(name_));
    }
    if (i <= 0 || i >= fieldCount()) {
        throw InternalError(u"%1: Cannot remove column %2"_s.arg(name_).arg(i));
    }
    fields_.erase(fields_.begin() + i);
    changeHandlers_.erase(changeHandlers_.begin() + i);
    if (sortField_ == i) {
        sortField_ = -1;
    } else if (sortField_ > i) {
        --sortField_;
    }
    rebuildStoreColumns();
}

void MemData::rebuildStoreColumns() {
    storeCol_.assign(fields_.size(), -1);
    int next = 0;
    for (std::size_t i = 1; i < fields_.size(); ++i) {
        if (fields_[i].kind == FieldKind::Data) {
            storeCol_[i] = next++;
        }
    }
    indexes_.clear();
    trueCounts_.assign(fields_.size(), -1);
}

void MemData::setFieldVisible(int i, bool visible) {
    fields_[static_cast<std::size_t>(i)].visible = visible;
}

void MemData::setDisplayLabel(int i, const QString& label) {
    fields_[static_cast<std::size_t>(i)].displayLabel = label;
}

void MemData::setFieldChangeHandler(int i, std::function<void()> handler) {
    changeHandlers_[static_cast<std::size_t>(i)] = std::move(handler);
}

// --- state and navigation ----------------------------------------------------

void MemData::checkOpen() const {
    if (!isOpen()) {
        throw Error(u"%1: Cannot perform this operation on a closed dataset"_s.arg(name_));
    }
}

void MemData::checkWritable() const {
    checkOpen();
    if (readOnly_) {
        throw Error(u"%1: Cannot modify a read-only dataset"_s.arg(name_));
    }
}

void MemData::checkEditing() const {
    if (state_ != ListState::Edit && state_ != ListState::Insert) {
        throw Error(u"%1: Dataset not in edit or insert mode"_s.arg(name_));
    }
}

void MemData::checkBrowse() {
    checkOpen();
    if (state_ == ListState::Edit || state_ == ListState::Insert) {
        post();
    }
}

void MemData::open() {
    if (isOpen()) {
        return;
    }
    std::vector<StorageClass> classes;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (storeCol_[i] >= 0) {
            classes.push_back(storageClassOf(fields_[i].type));
        }
    }
    store_ = std::make_shared<RowStore>(std::move(classes));
    order_.clear();
    recIds_.clear();
    newRowsPosted_ = 0;
    state_ = ListState::Browse;
    invalidateIndexes();
    setCurrent(-1, true);
}

void MemData::close() {
    if (!isOpen()) {
        return;
    }
    state_ = ListState::Inactive;
    buf_.clear();
    store_.reset();
    std::vector<std::uint32_t>().swap(order_);
    std::vector<int>().swap(recIds_);
    pos_ = -1;
    eof_ = bof_ = true;
    newRowsPosted_ = 0;
    invalidateIndexes();
    notifyObservers();
}

void MemData::setCurrent(int pos, bool notifyScroll) {
    const int n = recordCount();
    pos_ = n == 0 ? -1 : std::clamp(pos, 0, n - 1);
    if (notifyScroll) {
        scrolled();
    }
}

void MemData::scrolled() {
    notifyObservers();
    if (afterScroll) {
        afterScroll();
    }
}

void MemData::first() {
    checkBrowse();
    setCurrent(0, true);
    bof_ = true;
    eof_ = recordCount() == 0;
}

void MemData::last() {
    checkBrowse();
    setCurrent(recordCount() - 1, true);
    eof_ = true;
    bof_ = recordCount() == 0;
}

void MemData::next() {
    checkBrowse();
    bof_ = false;
    if (pos_ + 1 >= recordCount()) {
        eof_ = true;
        return;
    }
    eof_ = false;
    setCurrent(pos_ + 1, true);
}

void MemData::prior() {
    checkBrowse();
    eof_ = false;
    if (pos_ <= 0) {
        bof_ = true;
        return;
    }
    bof_ = false;
    setCurrent(pos_ - 1, true);
}

void MemData::moveTo(int pos) {
    checkBrowse();
    eof_ = bof_ = recordCount() == 0;
    setCurrent(pos, true);
}

// --- editing -----------------------------------------------------------------

void MemData::loadBuffer() {
    // Values are read from the store until a column is assigned, so that
    // editing one column of a wide row copies nothing else.
    buf_.assign(fields_.size(), Value());
    dirty_.assign(fields_.size(), false);
}

void MemData::beginInsert(bool atEnd) {
    checkWritable();
    checkBrowse();
    buf_.assign(fields_.size(), Value());
    dirty_.assign(fields_.size(), false);
    insertAtEnd_ = atEnd;
    bufRecId_ = newRowsPosted_ + 1;
    buf_[0] = Value::fromInt(bufRecId_);
    state_ = ListState::Insert;
    eof_ = bof_ = false;
    if (onNewRecord) {
        onNewRecord();
    }
    scrolled();
}

void MemData::append() {
    beginInsert(true);
}

void MemData::insert() {
    beginInsert(false);
}

void MemData::edit() {
    checkWritable();
    if (state_ == ListState::Edit || state_ == ListState::Insert) {
        return;
    }
    if (pos_ < 0) {
        // Editing an empty list starts a new row, as data-aware lists do.
        append();
        return;
    }
    loadBuffer();
    state_ = ListState::Edit;
}

int MemData::compareSort(int posA, const ValueRef& b) const {
    const ValueRef a = storedRef(posA, sortField_);
    if (a.null || b.null) {
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    }
    switch (a.storage) {
        case StorageClass::Float:
            return a.d < b.d ? -1 : (a.d > b.d ? 1 : 0);
        case StorageClass::Bytes:
            return QString::fromUtf8(a.bytes.data(), static_cast<qsizetype>(a.bytes.size()))
                .compare(QString::fromUtf8(b.bytes.data(), static_cast<qsizetype>(b.bytes.size())),
                         Qt::CaseInsensitive);
        default:
            return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
    }
}

int MemData::upperBound(const ValueRef& key) const {
    int lo = 0, hi = recordCount();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (compareSort(mid, key) <= 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int MemData::insertPosition(bool atEnd) const {
    const int n = recordCount();
    if (sortField_ > 0) {
        // After all rows that sort before or equal to the new one.
        return upperBound(ValueRef::of(buf_[static_cast<std::size_t>(sortField_)]));
    }
    if (atEnd || sortField_ == 0 || pos_ < 0) {
        return n;  // sorted by RecId, new rows come last
    }
    return pos_;
}

void MemData::insertOrdered(int pos, std::uint32_t phys, int recId) {
    const bool atEnd = pos == recordCount();
    order_.insert(order_.begin() + pos, phys);
    recIds_.insert(recIds_.begin() + pos, recId);
    if (atEnd) {
        for (auto& idx : indexes_) {
            idx->addLast(pos);
        }
        if (recIdPosValid_) {
            if (recIdPos_.size() <= static_cast<std::size_t>(recId)) {
                recIdPos_.resize(static_cast<std::size_t>(recId) + 1, -1);
            }
            recIdPos_[static_cast<std::size_t>(recId)] = pos;
        }
    } else {
        invalidateIndexes();
    }
}

void MemData::post() {
    checkOpen();
    if (state_ != ListState::Edit && state_ != ListState::Insert) {
        return;
    }
    RowStore& st = *store_;
    if (state_ == ListState::Insert) {
        const int pos = insertPosition(insertAtEnd_);
        // Compute the position before the row is stored, then store it.
        const std::uint32_t phys = st.appendRow();
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            if (storeCol_[f] >= 0 && !buf_[f].isNull()) {
                st.set(phys, static_cast<std::size_t>(storeCol_[f]), buf_[f]);
            }
        }
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            if (trueCounts_[f] >= 0 && buf_[f].asBool()) {
                ++trueCounts_[f];
            }
        }
        ++newRowsPosted_;
        state_ = ListState::Browse;
        insertOrdered(pos, phys, bufRecId_);
        pos_ = pos;
    } else {
        bool anyDirty = false;
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            if (dirty_[f] && storeCol_[f] >= 0 && storeChange(pos_, static_cast<int>(f), buf_[f])) {
                anyDirty = true;
            }
        }
        state_ = ListState::Browse;
        if (anyDirty && sortField_ > 0 && dirty_[static_cast<std::size_t>(sortField_)]) {
            repositionSorted();
        }
    }
    buf_.clear();
    eof_ = bof_ = false;
    notifyObservers();
    if (afterPost) {
        afterPost();
    }
}

bool MemData::storeChange(int pos, int f, const Value& v) {
    const auto fi = static_cast<std::size_t>(f);
    const auto c = static_cast<std::size_t>(storeCol_[fi]);
    const ValueRef old = storedRef(pos, f);
    if (old.null == v.isNull() && KeyIndex::sameValue(old, ValueRef::of(v))) {
        return false;
    }
    RowStore& st = *store_;
    std::uint32_t& phys = order_[static_cast<std::size_t>(pos)];
    // Rows that other lists may share are never changed in place.
    if (phys < st.sharedRows()) {
        phys = st.appendCopyOf(phys);
    }
    if (trueCounts_[fi] >= 0) {
        trueCounts_[fi] += (v.asBool() ? 1 : 0) - (!old.null && old.i != 0 ? 1 : 0);
    }
    for (auto& idx : indexes_) {
        const auto& keys = idx->fields();
        if (std::find(keys.begin(), keys.end(), f) != keys.end()) {
            idx->invalidate();
        }
    }
    st.set(phys, c, v);
    return true;
}

void MemData::writeAt(int pos, int f, const Value& v) {
    checkOpen();
    const auto fi = static_cast<std::size_t>(f);
    if (state_ != ListState::Browse || pos < 0 || pos >= recordCount() || storeCol_[fi] < 0 ||
        f == sortField_) {
        throw InternalError(
            u"%1: cannot write field %2 of row %3 directly"_s.arg(name_).arg(f).arg(pos));
    }
    if (storeChange(pos, f, coerce(v, f))) {
        notifyObservers();
    }
}

void MemData::repositionSorted() {
    const std::uint32_t phys = order_[static_cast<std::size_t>(pos_)];
    const int recId = recIds_[static_cast<std::size_t>(pos_)];
    order_.erase(order_.begin() + pos_);
    recIds_.erase(recIds_.begin() + pos_);
    const ValueRef key = [&] {
        // Read the moved row's sort value straight from the store.
        ValueRef r;
        const auto c = static_cast<std::size_t>(storeCol_[static_cast<std::size_t>(sortField_)]);
        r.storage = store_->storageClass(c);
        r.null = store_->isNull(phys, c);
        if (r.storage == StorageClass::Bytes) {
            r.bytes = store_->bytesAt(phys, c);
        } else if (r.storage == StorageClass::Float) {
            r.d = store_->floatAt(phys, c);
        } else {
            r.i = store_->intAt(phys, c);
        }
        return r;
    }();
    const int lo = upperBound(key);
    order_.insert(order_.begin() + lo, phys);
    recIds_.insert(recIds_.begin() + lo, recId);
    pos_ = lo;
    invalidateIndexes();
}

void MemData::cancel() {
    if (state_ != ListState::Edit && state_ != ListState::Insert) {
        return;
    }
    const bool wasInsert = state_ == ListState::Insert;
    state_ = ListState::Browse;
    buf_.clear();
    if (wasInsert) {
        setCurrent(pos_, true);
    }
}

void MemData::deleteRow() {
    checkWritable();
    if (state_ == ListState::Insert) {
        cancel();
        return;
    }
    state_ = ListState::Browse;
    buf_.clear();
    if (pos_ < 0) {
        throw Error(u"%1: Cannot perform this operation on an empty dataset"_s.arg(name_));
    }
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        if (trueCounts_[f] >= 0 && refAt(pos_, static_cast<int>(f)).i != 0 &&
            !refAt(pos_, static_cast<int>(f)).null) {
            --trueCounts_[f];
        }
    }
    order_.erase(order_.begin() + pos_);
    recIds_.erase(recIds_.begin() + pos_);
    invalidateIndexes();
    setCurrent(pos_, true);
}

// --- values --------------------------------------------------------------------

ValueRef MemData::refAt(int pos, int f) const {
    const auto fi = static_cast<std::size_t>(f);
    if (pos == pos_ && (state_ == ListState::Edit || state_ == ListState::Insert) &&
        !buf_.empty()) {
        if (f == 0) {
            ValueRef r;
            r.null = false;
            r.i = state_ == ListState::Insert ? bufRecId_ : recIds_[static_cast<std::size_t>(pos)];
            return r;
        }
        if (fields_[fi].kind != FieldKind::Lookup && (state_ == ListState::Insert || dirty_[fi])) {
            return ValueRef::of(buf_[fi]);
        }
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

int MemData::findRow(const std::vector<int>& fields, const std::vector<Value>& values) const {
    if (!isOpen() || fields.empty() || fields.size() != values.size()) {
        return -1;
    }
    const bool indexable =
        state_ == ListState::Browse && std::all_of(fields.begin(), fields.end(), [&](int f) {
            return storeCol_[static_cast<std::size_t>(f)] >= 0;
        });
    if (indexable) {
        for (auto& idx : indexes_) {
            if (idx->fields() == fields) {
                return idx->find(values);
            }
        }
        indexes_.push_back(std::make_unique<KeyIndex>(*this, fields));
        return indexes_.back()->find(values);
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
    order_.swap(order);
    recIds_.swap(ids);
    invalidateIndexes();
    setCurrent(0, true);
}

void MemData::enableControls() {
    if (disableCount_ > 0 && --disableCount_ == 0 && pendingNotice_) {
        notifyObservers();
    }
}

void MemData::addObserver(ListObserver* o) {
    observers_.push_back(o);
}

void MemData::removeObserver(ListObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void MemData::notifyObservers() {
    if (disableCount_ > 0) {
        pendingNotice_ = true;
        return;
    }
    pendingNotice_ = false;
    for (ListObserver* o : observers_) {
        o->listChanged();
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
    recIds_.resize(order_.size());
    std::iota(recIds_.begin(), recIds_.end(), 1);
    newRowsPosted_ = recordCount();
    invalidateIndexes();
    eof_ = bof_ = recordCount() == 0;
    setCurrent(0, true);
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
    for (auto& idx : indexes_) {
        idx->addLast(pos);
    }
    recIdPosValid_ = false;
    std::fill(trueCounts_.begin(), trueCounts_.end(), -1);
    pos_ = pos;
}

void MemData::reserveRows(std::size_t rows) {
    checkOpen();
    store_->reserve(rows);
    order_.reserve(rows);
    recIds_.reserve(rows);
}

}  // namespace qm
