#include "list/MemData.h"

#include "common/Errors.h"
#include "list/KeyIndex.h"
#include "list/ValueText.h"

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qm {
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

int MemData::findDataField(QStringView name) const {
    for (std::size_t i = 1; i < fields_.size(); ++i) {
        if (fields_[i].tag != kFlagTag && fields_[i].kind != FieldKind::Lookup &&
            fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int MemData::dataFieldIndex(QStringView name) const {
    const int i = findDataField(name);
    if (i < 0) {
        throw Error(u"%1: Field '%2' not found"_s.arg(name_, name.toString()));
    }
    return i;
}

bool MemData::isOwnColumn(int i) const {
    return i == 0 || fields_[static_cast<std::size_t>(i)].tag == kFlagTag;
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
    // Data columns take any name a query can give; only the list's own
    // columns (RecId and the flags) may share a name with a data column.
    const bool own = def.tag == kFlagTag;
    for (int i = 0; i < fieldCount(); ++i) {
        if (isOwnColumn(i) == own &&
            fields_[static_cast<std::size_t>(i)].name.compare(def.name, Qt::CaseInsensitive) == 0) {
            throw Error(u"A component named %1 already exists"_s.arg(def.registeredName));
        }
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
    // A lookup column reads its key column by index; columns before it may
    // have come or gone.
    for (FieldDef& f : fields_) {
        if (f.kind == FieldKind::Lookup && f.lookupSource) {
            f.lookupKeyField = findDataField(f.keyFields);
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
    ++changes_;
    order_.clear();
    recIds_.clear();
    newRowsPosted_ = 0;
    state_ = ListState::Browse;
    invalidateIndexes();
    setCurrent(-1, false);
    resetAndScroll();
}

void MemData::close() {
    if (!isOpen()) {
        return;
    }
    state_ = ListState::Inactive;
    ++changes_;
    buf_.clear();
    store_.reset();
    order_.clear();
    recIds_.clear();
    pos_ = -1;
    eof_ = bof_ = true;
    newRowsPosted_ = 0;
    invalidateIndexes();
    announce(Notice::Reset, -1, 0);
}

void MemData::setCurrent(int pos, bool notifyScroll) {
    const int n = recordCount();
    pos_ = n == 0 ? -1 : std::clamp(pos, 0, n - 1);
    if (notifyScroll) {
        scrolled();
    }
}

void MemData::scrolled() {
    announce(Notice::Moved, pos_, 0);
    if (afterScroll) {
        afterScroll();
    }
}

void MemData::resetAndScroll() {
    announce(Notice::Reset, -1, 0);
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
            return ValueText::utf8ToString(a.bytes).compare(ValueText::utf8ToString(b.bytes),
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
    order_.insert(static_cast<std::size_t>(pos), phys);
    recIds_.insert(static_cast<std::size_t>(pos), recId);
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
        ++changes_;
        state_ = ListState::Browse;
        insertOrdered(pos, phys, bufRecId_);
        pos_ = pos;
        buf_.clear();
        eof_ = bof_ = false;
        announce(Notice::Inserted, pos, 1);
    } else {
        bool anyDirty = false;
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            if (dirty_[f] && storeCol_[f] >= 0 && storeChange(pos_, static_cast<int>(f), buf_[f])) {
                anyDirty = true;
            }
        }
        state_ = ListState::Browse;
        const int from = pos_;
        if (anyDirty && sortField_ > 0 && dirty_[static_cast<std::size_t>(sortField_)]) {
            repositionSorted();
        }
        buf_.clear();
        eof_ = bof_ = false;
        if (pos_ == from) {
            announce(Notice::Changed, pos_, 1);
        } else {
            // The row left its place for another in sort order.
            announce(Notice::Removed, from, 1);
            announce(Notice::Inserted, pos_, 1);
        }
    }
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
    ++changes_;
    RowStore& st = *store_;
    std::uint32_t phys = order_[static_cast<std::size_t>(pos)];
    // Rows that other lists may share are never changed in place.
    if (phys < st.sharedRows()) {
        phys = st.appendCopyOf(phys);
        order_.set(static_cast<std::size_t>(pos), phys);
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
        announce(Notice::Changed, pos, 1);
    }
}

void MemData::repositionSorted() {
    const std::uint32_t phys = order_[static_cast<std::size_t>(pos_)];
    const int recId = recIds_[static_cast<std::size_t>(pos_)];
    order_.erase(static_cast<std::size_t>(pos_));
    recIds_.erase(static_cast<std::size_t>(pos_));
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
    order_.insert(static_cast<std::size_t>(lo), phys);
    recIds_.insert(static_cast<std::size_t>(lo), recId);
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
    ++changes_;
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        if (trueCounts_[f] >= 0 && refAt(pos_, static_cast<int>(f)).i != 0 &&
            !refAt(pos_, static_cast<int>(f)).null) {
            --trueCounts_[f];
        }
    }
    const int removed = pos_;
    order_.erase(static_cast<std::size_t>(pos_));
    recIds_.erase(static_cast<std::size_t>(pos_));
    invalidateIndexes();
    setCurrent(pos_, false);
    announce(Notice::Removed, removed, 1);
    scrolled();
}

}  // namespace qm
