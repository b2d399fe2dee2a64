#include "models/RowOrder.h"

#include "list/MemData.h"
#include "list/ValueText.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <string_view>

namespace qm::RowOrder {
namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80U) == 0; });
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Text without regard to case, as the list orders a sorted text column.
// ASCII text (the common case) is compared byte by byte with folded
// letters, which orders it as the case-insensitive QString comparison does.
int compareText(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const char x = foldAscii(a[i]);
            const char y = foldAscii(b[i]);
            if (x != y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
            }
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    const int r =
        ValueText::utf8ToString(a).compare(ValueText::utf8ToString(b), Qt::CaseInsensitive);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int compareBytes(std::string_view a, std::string_view b) {
    const int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

template <typename T>
int compareNumbers(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

enum class Kind { Integer, Real, Text, Bytes };

Kind kindOf(FieldType type) {
    if (type == FieldType::BCD) {
        return Kind::Real;
    }
    if (isBinaryType(type) || type == FieldType::Variant) {
        return Kind::Bytes;
    }
    switch (storageClassOf(type)) {
        case StorageClass::Float:
            return Kind::Real;
        case StorageClass::Bytes:
            return Kind::Text;
        default:
            return Kind::Integer;
    }
}

double decimal(std::string_view text) {
    double d = 0.0;
    const char* first = text.data();
    if (!text.empty() && *first == '+') {
        ++first;
    }
    std::from_chars(first, text.data() + text.size(), d);
    return d;
}

double realOf(const ValueRef& v) {
    return v.storage == StorageClass::Bytes   ? decimal(v.bytes)
           : v.storage == StorageClass::Float ? v.d
                                              : static_cast<double>(v.i);
}

// Two values of one column, ascending.
int compareRefs(Kind kind, const ValueRef& a, const ValueRef& b) {
    if (a.null || b.null) {
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    }
    switch (kind) {
        case Kind::Integer:
            return compareNumbers(a.i, b.i);
        case Kind::Real:
            return compareNumbers(realOf(a), realOf(b));
        case Kind::Text:
            return compareText(a.bytes, b.bytes);
        case Kind::Bytes:
            return compareBytes(a.bytes, b.bytes);
    }
    return 0;
}

// The values of one sort column, read once.
class KeyColumn {
public:
    KeyColumn(const MemData& list, const SortKey& key)
        : descending_(key.order == Qt::DescendingOrder) {
        const std::size_t n = static_cast<std::size_t>(list.recordCount());
        nulls_.resize(n);
        kind_ = kindOf(list.field(key.field).type);
        if (kind_ == Kind::Integer) {
            ints_.resize(n);
        } else if (kind_ == Kind::Real) {
            reals_.resize(n);
        } else {
            texts_.resize(n);
        }
        for (std::size_t p = 0; p < n; ++p) {
            const ValueRef v = list.refAt(static_cast<int>(p), key.field);
            nulls_[p] = v.null ? 1 : 0;
            if (v.null) {
                continue;
            }
            switch (kind_) {
                case Kind::Integer:
                    ints_[p] = v.i;
                    break;
                case Kind::Real:
                    reals_[p] = realOf(v);
                    break;
                case Kind::Text:
                case Kind::Bytes:
                    texts_[p] = v.bytes;
                    break;
            }
        }
        if (kind_ == Kind::Text) {
            preparePrefixes();
        }
    }

    int compare(int a, int b) const {
        const auto x = static_cast<std::size_t>(a);
        const auto y = static_cast<std::size_t>(b);
        int r = 0;
        if (nulls_[x] || nulls_[y]) {
            r = nulls_[x] == nulls_[y] ? 0 : (nulls_[x] ? -1 : 1);
        } else {
            switch (kind_) {
                case Kind::Integer:
                    r = compareNumbers(ints_[x], ints_[y]);
                    break;
                case Kind::Real:
                    r = compareNumbers(reals_[x], reals_[y]);
                    break;
                case Kind::Text:
                    r = compareFolded(x, y);
                    break;
                case Kind::Bytes:
                    r = compareBytes(texts_[x], texts_[y]);
                    break;
            }
        }
        return descending_ ? -r : r;
    }

private:
    // Text is compared first by its first eight folded bytes, read once per
    // row as one big-endian number: most comparisons of a sort end there,
    // without a scan of both texts. Only ASCII text folds byte by byte; a
    // pair with other text goes the full way.
    void preparePrefixes() {
        prefix_.resize(texts_.size());
        ascii_.resize(texts_.size());
        for (std::size_t p = 0; p < texts_.size(); ++p) {
            const std::string_view t = texts_[p];
            ascii_[p] = isAscii(t) ? 1 : 0;
            std::uint64_t key = 0;
            for (std::size_t i = 0; i < 8; ++i) {
                const auto byte = i < t.size() ? static_cast<unsigned char>(foldAscii(t[i])) : 0U;
                key = (key << 8) | byte;
            }
            prefix_[p] = key;
        }
    }

    int compareFolded(std::size_t x, std::size_t y) const {
        if (ascii_[x] && ascii_[y]) {
            if (prefix_[x] != prefix_[y]) {
                return prefix_[x] < prefix_[y] ? -1 : 1;
            }
            // Equal prefixes: the texts differ later, or in length, or hold
            // a zero byte that the padding of a shorter text looks like.
        }
        return compareText(texts_[x], texts_[y]);
    }

    Kind kind_ = Kind::Integer;
    bool descending_ = false;
    std::vector<std::uint8_t> nulls_;
    std::vector<std::int64_t> ints_;
    std::vector<double> reals_;
    // Views into the list's store: valid while the list is not changed,
    // which holds for the duration of one sort.
    std::vector<std::string_view> texts_;
    std::vector<std::uint64_t> prefix_;
    std::vector<std::uint8_t> ascii_;
};

}  // namespace

std::vector<int> sorted(const MemData& list, const std::vector<SortKey>& keys) {
    return sortedWithBreaks(list, keys, 0).perm;
}

Ordered sortedWithBreaks(const MemData& list, const std::vector<SortKey>& keys, int breakKeys) {
    Ordered out;
    std::vector<int>& perm = out.perm;
    perm.resize(static_cast<std::size_t>(list.isOpen() ? list.recordCount() : 0));
    std::iota(perm.begin(), perm.end(), 0);
    std::vector<KeyColumn> columns;
    int breaking = 0;  // how many of the columns are break keys
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k].field >= 0 && keys[k].field < list.fieldCount()) {
            columns.emplace_back(list, keys[k]);
            if (static_cast<int>(k) < breakKeys) {
                ++breaking;
            }
        }
    }
    if (!columns.empty() && perm.size() >= 2) {
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
            for (const KeyColumn& c : columns) {
                if (const int r = c.compare(a, b); r != 0) {
                    return r < 0;
                }
            }
            return false;
        });
    }
    if (breakKeys <= 0) {
        return out;
    }
    // One pass over the sorted order, while the key values are still at hand.
    out.breakLevel.resize(perm.size(), static_cast<std::uint8_t>(breaking));
    if (!perm.empty()) {
        out.breakLevel[0] = 0;
    }
    for (std::size_t p = 1; p < perm.size(); ++p) {
        for (int c = 0; c < breaking; ++c) {
            if (columns[static_cast<std::size_t>(c)].compare(perm[p - 1], perm[p]) != 0) {
                out.breakLevel[p] = static_cast<std::uint8_t>(c);
                break;
            }
        }
    }
    return out;
}

int compareAt(const MemData& list, const SortKey& key, int a, int b) {
    const int r = compareRefs(kindOf(list.field(key.field).type), list.refAt(a, key.field),
                              list.refAt(b, key.field));
    return key.order == Qt::DescendingOrder ? -r : r;
}

}  // namespace qm::RowOrder
