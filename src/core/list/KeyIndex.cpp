#include "list/KeyIndex.h"

#include "list/MemData.h"
#include "list/ValueText.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace qm {
namespace {

// Row positions stay below 2^32 - 1, so no slot in use looks like this.
constexpr std::uint64_t kEmptySlot = ~0ULL;

std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

std::uint64_t hashBytes(std::string_view s) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.data() + i, 8);
        h = mix(h ^ w);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, s.data() + i, s.size() - i);
    return mix(h ^ tail ^ (s.size() << 56));
}

}  // namespace

KeyIndex::KeyIndex(const MemData& list, std::vector<int> fields)
    : list_(list), fields_(std::move(fields)) {
    for (int f : fields_) {
        decimal_.push_back(list_.field(f).type == FieldType::BCD);
    }
}

namespace {

ValueRef canonical(const ValueRef& v, QByteArray& holder) {
    if (v.null || v.storage != StorageClass::Bytes) {
        return v;
    }
    if (!ValueText::canonicalDecimal(
            QString::fromLatin1(v.bytes.data(), static_cast<qsizetype>(v.bytes.size())), holder)) {
        return v;
    }
    ValueRef r = v;
    r.bytes = std::string_view(holder.constData(), static_cast<std::size_t>(holder.size()));
    return r;
}

}  // namespace

std::uint64_t KeyIndex::keyHash(const ValueRef& v, bool decimal) {
    if (!decimal) {
        return hashRef(v);
    }
    QByteArray holder;
    return hashRef(canonical(v, holder));
}

bool KeyIndex::sameKey(const ValueRef& a, const ValueRef& b, bool decimal) {
    if (!decimal) {
        return sameValue(a, b);
    }
    QByteArray ha, hb;
    return sameValue(canonical(a, ha), canonical(b, hb));
}

std::uint64_t KeyIndex::hashRef(const ValueRef& v) {
    if (v.null) {
        return 0x9e3779b97f4a7c15ULL;
    }
    switch (v.storage) {
        case StorageClass::Float: {
            double d = v.d == 0.0 ? 0.0 : v.d;  // -0.0 equals 0.0
            std::uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            return mix(bits ^ 0x1234);
        }
        case StorageClass::Bytes:
            return hashBytes(v.bytes);
        default:
            return mix(static_cast<std::uint64_t>(v.i));
    }
}

bool KeyIndex::sameValue(const ValueRef& a, const ValueRef& b) {
    if (a.null || b.null) {
        return a.null == b.null;
    }
    switch (a.storage) {
        case StorageClass::Float:
            return a.d == b.d;
        case StorageClass::Bytes:
            return a.bytes == b.bytes;
        default:
            return a.i == b.i;
    }
}

std::uint64_t KeyIndex::foldKeyHash(std::uint64_t soFar, std::uint64_t fieldHash) {
    return mix(soFar + fieldHash);
}

std::uint64_t KeyIndex::hashRow(int pos) const {
    std::uint64_t h = 0;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        h = foldKeyHash(h, keyHash(list_.storedRef(pos, fields_[k]), decimal_[k]));
    }
    return h;
}

bool KeyIndex::rowMatches(int pos, const std::vector<Value>& values) const {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        if (!sameKey(list_.storedRef(pos, fields_[k]), ValueRef::of(values[k]), decimal_[k])) {
            return false;
        }
    }
    return true;
}

// A slot holds the upper half of the row's hash and the row position in one
// word, so that a probe touches one cache line.
void KeyIndex::insert(std::uint64_t h, std::uint32_t pos) {
    const std::size_t mask = table_.size() - 1;
    const std::uint64_t high = h & 0xFFFFFFFF00000000ULL;
    std::size_t i = h & mask;
    while (table_[i] != kEmptySlot) {
        // Only the first row of a key is ever found; later rows with the
        // same key stay out, so many equal keys cost no longer probes.
        if ((table_[i] & 0xFFFFFFFF00000000ULL) == high &&
            rowsMatch(static_cast<int>(table_[i] & 0xFFFFFFFFULL), static_cast<int>(pos))) {
            if (duplicate_ < 0 && !hasNull(static_cast<int>(pos))) {
                duplicate_ = static_cast<int>(pos);
            }
            return;
        }
        i = (i + 1) & mask;
    }
    table_[i] = (h & 0xFFFFFFFF00000000ULL) | pos;
    ++count_;
}

bool KeyIndex::rowsMatch(int a, int b) const {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        if (!sameKey(list_.storedRef(a, fields_[k]), list_.storedRef(b, fields_[k]), decimal_[k])) {
            return false;
        }
    }
    return true;
}

bool KeyIndex::hasNull(int pos) const {
    for (int f : fields_) {
        if (list_.storedRef(pos, f).null) {
            return true;
        }
    }
    return false;
}

int KeyIndex::duplicateRow() {
    if (!valid_) {
        build();
    }
    return duplicate_;
}

bool KeyIndex::keysAscend() const {
    if (fields_.size() != 1) {
        return false;
    }
    const int n = list_.recordCount();
    std::int64_t previous = 0;
    for (int p = 0; p < n; ++p) {
        const ValueRef v = list_.storedRef(p, fields_[0]);
        if (v.null || (v.storage != StorageClass::Int && v.storage != StorageClass::Micros) ||
            (p > 0 && v.i <= previous)) {
            return false;
        }
        previous = v.i;
    }
    return true;
}

void KeyIndex::build() {
    lastHit_ = -1;
    duplicate_ = -1;  // strictly ascending keys repeat none
    valid_ = true;
    // Keys that strictly ascend need no table: they are found by position.
    ascending_ = keysAscend();
    intKeys_ = false;
    std::vector<IntSlot>().swap(intTable_);
    std::vector<std::uint32_t>().swap(denseRows_);
    if (ascending_) {
        std::vector<std::uint64_t>().swap(table_);
        count_ = 0;
        return;
    }
    if (keysAreIntegers()) {
        std::vector<std::uint64_t>().swap(table_);
        buildIntTable();
        return;
    }
    buildTable();
}

bool KeyIndex::storedInt(int pos, std::int64_t& key) const {
    const ValueRef v = list_.storedRef(pos, fields_[0]);
    if (v.null || (v.storage != StorageClass::Int && v.storage != StorageClass::Micros)) {
        return false;
    }
    key = v.i;
    return true;
}

bool KeyIndex::keysAreIntegers() const {
    if (fields_.size() != 1 || decimal_[0]) {
        return false;
    }
    const int n = list_.recordCount();
    std::int64_t key = 0;
    for (int p = 0; p < n; ++p) {
        if (!storedInt(p, key)) {
            return false;
        }
    }
    return true;
}

void KeyIndex::buildIntTable() {
    intKeys_ = true;
    const auto n = static_cast<std::size_t>(list_.recordCount());
    std::int64_t key = 0;
    std::int64_t lo = 0;
    std::int64_t hi = -1;
    for (std::size_t p = 0; p < n; ++p) {
        storedInt(static_cast<int>(p), key);
        lo = p == 0 ? key : std::min(lo, key);
        hi = p == 0 ? key : std::max(hi, key);
    }
    // Dense when the range holds at most four slots per row: no more memory
    // than the hash table's sixteen-byte slots at half load, and a run of
    // lookups in key order reads the array in order.
    // The span hi - lo fits 64 unsigned bits, but one more does not: keys
    // from INT64_MIN to INT64_MAX would make a range of 0 and a dense array
    // of no slots.
    const auto span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo);
    dense_ = n > 0 && hi >= lo && span < 4 * static_cast<std::uint64_t>(n) + 16;
    const std::uint64_t range = span + 1;
    count_ = 0;
    duplicate_ = -1;
    if (dense_) {
        std::vector<IntSlot>().swap(intTable_);
        // Room on both sides, so that rows appended one by one with keys
        // beyond the range cost a rebuild only now and then.
        const std::int64_t slack = static_cast<std::int64_t>(range / 4) + 16;
        denseFrom_ = lo >= std::numeric_limits<std::int64_t>::min() + slack ? lo - slack : lo;
        const std::uint64_t above = hi <= std::numeric_limits<std::int64_t>::max() - slack
                                        ? static_cast<std::uint64_t>(slack)
                                        : 0;
        denseRows_.assign(
            static_cast<std::size_t>(static_cast<std::uint64_t>(hi) -
                                     static_cast<std::uint64_t>(denseFrom_) + 1 + above),
            kNoRow);
        for (std::size_t p = 0; p < n; ++p) {
            storedInt(static_cast<int>(p), key);
            insertInt(key, static_cast<std::uint32_t>(p));
        }
        return;
    }
    std::vector<std::uint32_t>().swap(denseRows_);
    std::size_t cap = 16;
    while (cap < n * 2 + 2) {
        cap *= 2;
    }
    intTable_.assign(cap, IntSlot{0, kNoRow});
    for (std::size_t p = 0; p < n; ++p) {
        storedInt(static_cast<int>(p), key);
        insertInt(key, static_cast<std::uint32_t>(p));
    }
}

// As insert: the first row of a key is kept, a later one only noted.
void KeyIndex::insertInt(std::int64_t key, std::uint32_t pos) {
    if (dense_) {
        std::uint32_t& row = denseRows_[static_cast<std::size_t>(
            static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(denseFrom_))];
        if (row != kNoRow) {
            if (duplicate_ < 0) {
                duplicate_ = static_cast<int>(pos);
            }
            return;
        }
        row = pos;
        ++count_;
        return;
    }
    const std::size_t mask = intTable_.size() - 1;
    std::size_t i = mix(static_cast<std::uint64_t>(key)) & mask;
    while (intTable_[i].pos != kNoRow) {
        if (intTable_[i].key == key) {
            if (duplicate_ < 0) {
                duplicate_ = static_cast<int>(pos);
            }
            return;
        }
        i = (i + 1) & mask;
    }
    intTable_[i] = IntSlot{key, pos};
    ++count_;
}

int KeyIndex::findInt(const Value& value) const {
    // No row holds a null; numbers of another kind match as a stored row's
    // value would: by their integer.
    if (value.isNull() || value.storage() == StorageClass::Float ||
        value.storage() == StorageClass::Bytes) {
        return -1;
    }
    const std::int64_t key = value.asInt();
    if (dense_) {
        const std::uint64_t at =
            static_cast<std::uint64_t>(key) - static_cast<std::uint64_t>(denseFrom_);
        return key < denseFrom_ || at >= denseRows_.size()
                   ? -1
                   : (denseRows_[at] == kNoRow ? -1 : static_cast<int>(denseRows_[at]));
    }
    const std::size_t mask = intTable_.size() - 1;
    for (std::size_t i = mix(static_cast<std::uint64_t>(key)) & mask; intTable_[i].pos != kNoRow;
         i = (i + 1) & mask) {
        if (intTable_[i].key == key) {
            return static_cast<int>(intTable_[i].pos);
        }
    }
    return -1;
}

void KeyIndex::buildTable() {
    const auto n = static_cast<std::size_t>(list_.recordCount());
    std::size_t cap = 16;
    while (cap < n * 2 + 2) {
        cap *= 2;
    }
    table_.assign(cap, kEmptySlot);
    count_ = 0;
    duplicate_ = -1;
    for (std::size_t p = 0; p < n; ++p) {
        insert(hashRow(static_cast<int>(p)), static_cast<std::uint32_t>(p));
    }
}

void KeyIndex::addLast(int pos) {
    if (!valid_) {
        return;
    }
    if (ascending_) {
        const ValueRef v = list_.storedRef(pos, fields_[0]);
        if (!v.null && (v.storage == StorageClass::Int || v.storage == StorageClass::Micros) &&
            (pos == 0 || v.i > list_.storedRef(pos - 1, fields_[0]).i)) {
            return;
        }
        // Built again when next searched: rows appended meanwhile (a merge
        // copying many) cost one build, not one each.
        ascending_ = false;
        valid_ = false;
        return;
    }
    if (intKeys_) {
        std::int64_t key = 0;
        if (!storedInt(pos, key)) {
            intKeys_ = false;
            dense_ = false;
            std::vector<IntSlot>().swap(intTable_);
            std::vector<std::uint32_t>().swap(denseRows_);
            buildTable();  // includes pos
        } else if (dense_ ? key < denseFrom_ || static_cast<std::uint64_t>(key) -
                                                        static_cast<std::uint64_t>(denseFrom_) >=
                                                    denseRows_.size()
                          : (count_ + 1) * 2 > intTable_.size()) {
            buildIntTable();  // includes pos
        } else {
            insertInt(key, static_cast<std::uint32_t>(pos));
        }
        return;
    }
    if ((count_ + 1) * 2 > table_.size()) {
        buildTable();  // grows and re-inserts in row order, which includes pos
        return;
    }
    insert(hashRow(pos), static_cast<std::uint32_t>(pos));
}

bool KeyIndex::hintHits(int pos, std::int64_t key) const {
    if (pos < 0 || pos >= list_.recordCount()) {
        return false;
    }
    const ValueRef v = list_.storedRef(pos, fields_[0]);
    return !v.null && v.i == key;
}

int KeyIndex::findAscending(const Value& value) {
    if (value.isNull() ||
        (value.storage() != StorageClass::Int && value.storage() != StorageClass::Micros)) {
        return -1;
    }
    // Lookups in key order find their row right after the last one.
    const std::int64_t key = value.asInt();
    for (int candidate : {lastHit_ + 1, lastHit_}) {
        if (hintHits(candidate, key)) {
            lastHit_ = candidate;
            return candidate;
        }
    }
    int lo = 0, hi = list_.recordCount();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (list_.storedRef(mid, fields_[0]).i < key) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (hintHits(lo, key)) {
        lastHit_ = lo;
        return lo;
    }
    return -1;
}

int KeyIndex::find(const std::vector<Value>& values) {
    if (!valid_) {
        build();
    }
    if (ascending_) {
        return findAscending(values[0]);
    }
    if (intKeys_) {
        return findInt(values[0]);
    }
    std::uint64_t h = 0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        h = foldKeyHash(h, keyHash(ValueRef::of(values[k]), decimal_[k]));
    }
    const std::uint64_t high = h & 0xFFFFFFFF00000000ULL;
    const std::size_t mask = table_.size() - 1;
    for (std::size_t i = h & mask; table_[i] != kEmptySlot; i = (i + 1) & mask) {
        const std::uint64_t slot = table_[i];
        if ((slot & 0xFFFFFFFF00000000ULL) == high) {
            const auto pos = static_cast<int>(slot & 0xFFFFFFFFULL);
            if (rowMatches(pos, values)) {
                return pos;
            }
        }
    }
    return -1;
}

}  // namespace qm
