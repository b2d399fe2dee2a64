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

// The values of one sort column, read once.
class KeyColumn {
public:
    KeyColumn(const MemData& list, const SortKey& key)
        : descending_(key.order == Qt::DescendingOrder) {
        const FieldType type = list.field(key.field).type;
        const std::size_t n = static_cast<std::size_t>(list.recordCount());
        nulls_.resize(n);
        if (type == FieldType::BCD) {
            kind_ = Kind::Real;
        } else if (isBinaryType(type) || type == FieldType::Variant) {
            kind_ = Kind::Bytes;
        } else {
            switch (storageClassOf(type)) {
                case StorageClass::Float:
                    kind_ = Kind::Real;
                    break;
                case StorageClass::Bytes:
                    kind_ = Kind::Text;
                    break;
                default:
                    kind_ = Kind::Integer;
            }
        }
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
                    reals_[p] = v.storage == StorageClass::Bytes   ? decimal(v.bytes)
                                : v.storage == StorageClass::Float ? v.d
                                                                   : static_cast<double>(v.i);
                    break;
                case Kind::Text:
                case Kind::Bytes:
                    texts_[p] = v.bytes;
                    break;
            }
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
                    r = compareText(texts_[x], texts_[y]);
                    break;
                case Kind::Bytes:
                    r = compareBytes(texts_[x], texts_[y]);
                    break;
            }
        }
        return descending_ ? -r : r;
    }

private:
    enum class Kind { Integer, Real, Text, Bytes };

    static double decimal(std::string_view text) {
        double d = 0.0;
        const char* first = text.data();
        if (!text.empty() && *first == '+') {
            ++first;
        }
        std::from_chars(first, text.data() + text.size(), d);
        return d;
    }

    Kind kind_ = Kind::Integer;
    bool descending_ = false;
    std::vector<std::uint8_t> nulls_;
    std::vector<std::int64_t> ints_;
    std::vector<double> reals_;
    // Views into the list's store: valid while the list is not changed,
    // which holds for the duration of one sort.
    std::vector<std::string_view> texts_;
};

}  // namespace

std::vector<int> sorted(const MemData& list, const std::vector<SortKey>& keys) {
    std::vector<int> perm(static_cast<std::size_t>(list.isOpen() ? list.recordCount() : 0));
    std::iota(perm.begin(), perm.end(), 0);
    std::vector<KeyColumn> columns;
    for (const SortKey& k : keys) {
        if (k.field >= 0 && k.field < list.fieldCount()) {
            columns.emplace_back(list, k);
        }
    }
    if (columns.empty() || perm.size() < 2) {
        return perm;
    }
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        for (const KeyColumn& c : columns) {
            if (const int r = c.compare(a, b); r != 0) {
                return r < 0;
            }
        }
        return false;
    });
    return perm;
}

}  // namespace qm::RowOrder
