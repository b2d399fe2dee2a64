#include "db/SqliteRowHash.h"

#include "common/Errors.h"
#include "db/Connection.h"

#include <sqlite3.h>
#include <QDate>
#include <QSqlDriver>
#include <QVariant>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

using namespace Qt::StringLiterals;

namespace qm::SqliteRowHash {
namespace {

// A 64-bit hash of the canonical bytes, taken eight bytes at a time: each
// word goes through an invertible multiply and shift, so that two inputs
// differing in one word never meet, and a strong mixer finishes it so that
// the low bits (the segment) depend on every input byte.
class Hasher {
public:
    void word(std::uint64_t w) {
        h_ = (h_ ^ w) * 0x9e3779b97f4a7c15ULL;
        h_ ^= h_ >> 29;
    }
    // A tag byte and a length, as one word.
    void tag(char t, std::uint64_t length = 0) {
        word(static_cast<std::uint8_t>(t) | (length << 8));
    }
    void bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, p, 8);
            word(w);
        }
        if (n > 0) {
            std::uint64_t w = 0;
            std::memcpy(&w, p, n);
            word(w);
        }
    }
    // The bytes with A to Z as a to z: the same words bytes() gives for
    // the folded text, without a copy of it.
    void foldedBytes(const unsigned char* p, std::size_t n) {
        while (n > 0) {
            const std::size_t take = std::min<std::size_t>(n, 8);
            unsigned char chunk[8] = {};
            for (std::size_t i = 0; i < take; ++i) {
                const unsigned char c = p[i];
                chunk[i] = c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c | 0x20) : c;
            }
            std::uint64_t w = 0;
            std::memcpy(&w, chunk, 8);
            word(w);
            p += take;
            n -= take;
        }
    }
    void value(sqlite3_value* v) {
        switch (sqlite3_value_type(v)) {
            case SQLITE_NULL:
                tag('N');
                break;
            case SQLITE_INTEGER:
                tag('I');
                word(static_cast<std::uint64_t>(sqlite3_value_int64(v)));
                break;
            case SQLITE_FLOAT: {
                tag('R');
                const double d = sqlite3_value_double(v);
                std::uint64_t bits = 0;
                std::memcpy(&bits, &d, sizeof bits);
                word(bits);
                break;
            }
            case SQLITE_TEXT: {
                // The text first, then its length: the order the library asks for.
                const unsigned char* text = sqlite3_value_text(v);
                const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
                tag('T', n);
                bytes(text, n);
                break;
            }
            default: {
                const void* blob = sqlite3_value_blob(v);
                const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
                tag('B', n);
                if (n > 0) {
                    bytes(blob, n);
                }
                break;
            }
        }
    }
    std::uint64_t finish() const {
        std::uint64_t z = h_ + 0x9e3779b97f4a7c15ULL;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t h_ = 0x84222325cbf29ce4ULL;
};

std::uint64_t hashOf(sqlite3_value** values, int count) {
    Hasher h;
    for (int i = 0; i < count; ++i) {
        h.value(values[i]);
    }
    return h.finish();
}

// The hash of key values, the same for keys SQLite's `=` finds equal
// across storage classes: a real holding a whole number (-0.0 included) is
// hashed as that integer.
std::uint64_t keyHashOf(sqlite3_value** values, int count) {
    Hasher h;
    for (int i = 0; i < count; ++i) {
        sqlite3_value* v = values[i];
        if (sqlite3_value_type(v) == SQLITE_FLOAT) {
            const double d = sqlite3_value_double(v);
            if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 &&
                d == static_cast<double>(static_cast<std::int64_t>(d))) {
                h.tag('I');
                h.word(static_cast<std::uint64_t>(static_cast<std::int64_t>(d)));
                continue;
            }
        }
        h.value(v);
    }
    return h.finish();
}

// A column's rule in the blob the ruled functions take (see rulesLiteral).
constexpr unsigned char kFoldCase = 1;
constexpr unsigned char kTrim = 2;
constexpr unsigned char kNullEmpty = 4;
constexpr unsigned char kGrid = 8;
constexpr int kCutShift = 4;  // two bits: RowHashRule::Cut
constexpr int kRuleBytes = 2;
constexpr int kMaxExponent = 100;

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads `count` ASCII digits at `at`.
bool readNumber(const unsigned char* s, std::size_t at, std::size_t count, int& out) {
    out = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

// Whether the text from `at` is nothing or a fraction of a second.
bool fractionOnly(const unsigned char* s, std::size_t at, std::size_t n) {
    if (at == n) {
        return true;
    }
    if (s[at] != '.' || at + 1 == n) {
        return false;
    }
    for (std::size_t i = at + 1; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    return true;
}

// The length a date-time or time text keeps when cut to the precision: its
// leading part, which names the second, minute or day it lies in. None for
// texts of any other shape (a zone, a missing second, an invalid date).
std::optional<std::size_t> cutLength(const unsigned char* s, std::size_t n, RowHashRule::Cut cut) {
    int h = 0, mi = 0, sec = 0;
    if (n >= 8 && s[2] == ':') {
        if (cut == RowHashRule::Cut::Day || !readNumber(s, 0, 2, h) || !readNumber(s, 3, 2, mi) ||
            s[5] != ':' || !readNumber(s, 6, 2, sec) || h > 23 || mi > 59 || sec > 59 ||
            !fractionOnly(s, 8, n)) {
            return std::nullopt;
        }
        return cut == RowHashRule::Cut::Second ? 8 : 5;
    }
    int y = 0, mo = 0, d = 0;
    if (n < 19 || !readNumber(s, 0, 4, y) || s[4] != '-' || !readNumber(s, 5, 2, mo) ||
        s[7] != '-' || !readNumber(s, 8, 2, d) || (s[10] != ' ' && s[10] != 'T') ||
        !readNumber(s, 11, 2, h) || s[13] != ':' || !readNumber(s, 14, 2, mi) || s[16] != ':' ||
        !readNumber(s, 17, 2, sec) || !fractionOnly(s, 19, n) || h > 23 || mi > 59 || sec > 59 ||
        !QDate(y, mo, d).isValid()) {
        return std::nullopt;
    }
    switch (cut) {
        case RowHashRule::Cut::Second:
            return 19;
        case RowHashRule::Cut::Minute:
            return 16;
        case RowHashRule::Cut::Day:
            return 10;
        case RowHashRule::Cut::None:
            break;
    }
    return std::nullopt;
}

// 10^e as a double, as strtod reads "1eE" (as PostgreSQL reads it).
double powerOfTen(int e) {
    static const std::array<double, 2 * kMaxExponent + 1> table = [] {
        std::array<double, 2 * kMaxExponent + 1> t{};
        for (int i = -kMaxExponent; i <= kMaxExponent; ++i) {
            t[static_cast<std::size_t>(i + kMaxExponent)] =
                std::strtod(("1e" + std::to_string(i)).c_str(), nullptr);
        }
        return t;
    }();
    return table[static_cast<std::size_t>(std::clamp(e, -kMaxExponent, kMaxExponent) +
                                          kMaxExponent)];
}

// Cells of the grid beyond this many are no cells: the comparison takes
// numbers as doubles, whose rounding there may reach a cell's width.
constexpr double kMaxCells = 0x1p50;

// floor(x / 10^e), exactly; none beyond kMaxCells. At e <= 0 each integer
// is a cell of its own.
std::optional<std::int64_t> integerCell(std::int64_t x, int e) {
    if (e <= 0) {
        return x;
    }
    if (e >= 19) {
        return x < 0 ? -1 : 0;  // 10^e is beyond every integer
    }
    std::int64_t p = 1;
    for (int i = 0; i < e; ++i) {
        p *= 10;
    }
    std::int64_t q = x / p;
    if (x % p != 0 && x < 0) {
        --q;
    }
    if (std::fabs(static_cast<double>(q)) >= kMaxCells) {
        return std::nullopt;
    }
    return q;
}

// One value in the form its column's rule gives (see the header).
void ruledValue(Hasher& h, sqlite3_value* v, unsigned char flags, int exponent) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            if ((flags & kNullEmpty) != 0) {
                h.tag('T', 0);
                return;
            }
            break;
        case SQLITE_INTEGER:
            if ((flags & kGrid) != 0) {
                if (const auto cell = integerCell(sqlite3_value_int64(v), exponent)) {
                    h.tag('J');
                    h.word(static_cast<std::uint64_t>(*cell));
                    return;
                }
            }
            break;
        case SQLITE_FLOAT:
            if ((flags & kGrid) != 0) {
                // Below kMaxCells the quotient's rounding is far below a
                // cell; beyond it neighbouring values could share one.
                const double q = sqlite3_value_double(v) / powerOfTen(exponent);
                if (std::fabs(q) < kMaxCells) {
                    const double cell = std::floor(q) + 0.0;  // -0 as 0
                    std::uint64_t bits = 0;
                    std::memcpy(&bits, &cell, sizeof bits);
                    h.tag('G');
                    h.word(bits);
                    return;
                }
            }
            break;
        case SQLITE_TEXT:
            if ((flags & (kFoldCase | kTrim | (3 << kCutShift))) != 0) {
                const unsigned char* text = sqlite3_value_text(v);
                const auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
                std::size_t begin = 0;
                std::size_t end = n;
                if ((flags & kTrim) != 0) {
                    while (begin < end && isBlank(text[begin])) {
                        ++begin;
                    }
                    while (end > begin && isBlank(text[end - 1])) {
                        --end;
                    }
                    if (begin == end && n > 0 && (flags & kNullEmpty) != 0) {
                        // Blanks only: apart from NULL and '' alike.
                        h.tag('T', 1);
                        h.bytes(" ", 1);
                        return;
                    }
                }
                std::size_t length = end - begin;
                bool cutDone = false;
                if (const auto cut = static_cast<RowHashRule::Cut>((flags >> kCutShift) & 3);
                    cut != RowHashRule::Cut::None) {
                    if (const auto kept = cutLength(text + begin, length, cut)) {
                        length = *kept;
                        cutDone = true;
                    }
                }
                h.tag('T', length);
                // A cut date-time keeps its letter case: the comparison finds
                // texts equal by the text rules or by the time, not by both
                // at once ('2024-05-06T07:08:09.5' and '2024-05-06t07:08:09'
                // are neither).
                if ((flags & kFoldCase) != 0 && !cutDone) {
                    h.foldedBytes(text + begin, length);
                } else {
                    h.bytes(text + begin, length);
                }
                return;
            }
            break;
        default:
            break;
    }
    h.value(v);
}

// The hash of values under their columns' rules, two bytes a column;
// false where the rules do not fit the values.
bool ruledHashOf(sqlite3_value** values, int count, sqlite3_value* rules, std::uint64_t& out) {
    const auto* r = static_cast<const unsigned char*>(sqlite3_value_blob(rules));
    if (sqlite3_value_bytes(rules) != kRuleBytes * count || (r == nullptr && count > 0)) {
        return false;
    }
    Hasher h;
    for (int i = 0; i < count; ++i) {
        ruledValue(h, values[i], r[kRuleBytes * i],
                   static_cast<signed char>(r[kRuleBytes * i + 1]));
    }
    out = h.finish();
    return true;
}

void ruledRowHash(sqlite3_context* context, int argc, sqlite3_value** argv) {
    std::uint64_t hash = 0;
    if (argc < 1 || !ruledHashOf(argv + 1, argc - 1, argv[0], hash)) {
        sqlite3_result_error(context, "quillmere_row_hash_ruled: bad rules", -1);
        return;
    }
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(hash));
}

void rowHash(sqlite3_context* context, int argc, sqlite3_value** argv) {
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(hashOf(argv, argc)));
}

void keyHash(sqlite3_context* context, int argc, sqlite3_value** argv) {
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(keyHashOf(argv, argc)));
}

// The blob's first two words: the row count, and flags: kPairs (else
// dense), kKeysAscending.
constexpr std::size_t kHeaderWords = 2;
constexpr std::uint64_t kPairs = 1;
constexpr std::uint64_t kKeysAscending = 2;

struct SegmentState {
    std::uint64_t mask = 0;
    std::uint64_t rows = 0;
    // Whether every key so far was one integer, each above the one before.
    bool ascending = true;
    sqlite3_int64 lastKey = 0;
    // Dense: header and one sum per segment, in memory SQLite frees once
    // it is the result.
    std::uint64_t* dense = nullptr;
    std::unordered_map<std::uint64_t, std::uint64_t> sparse;

    ~SegmentState() { sqlite3_free(dense); }
};

// `Ruled`: the third argument holds the compared columns' rules, and the
// keys follow it.
template <bool Ruled>
void segmentStep(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto** slot =
        static_cast<SegmentState**>(sqlite3_aggregate_context(context, sizeof(SegmentState*)));
    if (slot == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    constexpr int kFirstKey = Ruled ? 3 : 2;
    const int nkeys = argc >= 2 ? static_cast<int>(sqlite3_value_int64(argv[1])) : -1;
    if (nkeys < 1 || kFirstKey + nkeys > argc) {
        sqlite3_result_error(context, "quillmere_segment_sums: bad arguments", -1);
        return;
    }
    if (*slot == nullptr) {
        const sqlite3_int64 bits = sqlite3_value_int64(argv[0]);
        if (bits < 0 || bits > 62) {
            sqlite3_result_error(context, "quillmere_segment_sums: bad segment bits", -1);
            return;
        }
        auto state = std::make_unique<SegmentState>();
        state->mask = (std::uint64_t{1} << bits) - 1;
        if (bits <= kDenseBits) {
            const std::size_t words = kHeaderWords + static_cast<std::size_t>(state->mask) + 1;
            state->dense = static_cast<std::uint64_t*>(sqlite3_malloc64(words * 8));
            if (state->dense == nullptr) {
                sqlite3_result_error_nomem(context);
                return;
            }
            std::memset(state->dense, 0, words * 8);
        }
        *slot = state.release();  // owned by the aggregate until segmentFinal
    }
    SegmentState& s = **slot;
    if (s.ascending) {
        // A table read in the order of its integer primary key proves its
        // keys set and apart at the cost of a comparison per row.
        const bool integer = nkeys == 1 && sqlite3_value_type(argv[kFirstKey]) == SQLITE_INTEGER;
        const sqlite3_int64 key = integer ? sqlite3_value_int64(argv[kFirstKey]) : 0;
        s.ascending = integer && (s.rows == 0 || key > s.lastKey);
        s.lastKey = key;
    }
    const std::uint64_t segment = keyHashOf(argv + kFirstKey, nkeys) & s.mask;
    sqlite3_value** row = argv + kFirstKey + nkeys;
    const int columns = argc - kFirstKey - nkeys;
    std::uint64_t* sum = nullptr;
    if (s.dense != nullptr) {
        // The sum is far away in a large array: fetch it while the row is
        // hashed.
        sum = s.dense + kHeaderWords + segment;
        __builtin_prefetch(sum, 1);
    }
    std::uint64_t hash = 0;
    if constexpr (Ruled) {
        if (!ruledHashOf(row, columns, argv[2], hash)) {
            sqlite3_result_error(context, "quillmere_segment_sums_ruled: bad rules", -1);
            return;
        }
    } else {
        hash = hashOf(row, columns);
    }
    ++s.rows;
    if (sum != nullptr) {
        *sum += hash;
    } else {
        s.sparse[segment] += hash;
    }
}

void segmentFinal(sqlite3_context* context) {
    auto** slot = static_cast<SegmentState**>(sqlite3_aggregate_context(context, 0));
    const std::unique_ptr<SegmentState> state(slot != nullptr ? *slot : nullptr);
    if (state && state->dense != nullptr) {
        const std::size_t words = kHeaderWords + static_cast<std::size_t>(state->mask) + 1;
        state->dense[0] = state->rows;
        state->dense[1] = state->ascending ? kKeysAscending : 0;
        std::uint64_t* data = std::exchange(state->dense, nullptr);
        sqlite3_result_blob64(context, data, words * 8, sqlite3_free);
        return;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
    if (state) {
        pairs.assign(state->sparse.begin(), state->sparse.end());
        std::sort(pairs.begin(), pairs.end());
    }
    const std::size_t words = kHeaderWords + 2 * pairs.size();
    auto* data = static_cast<std::uint64_t*>(sqlite3_malloc64(words * 8));
    if (data == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    data[0] = state ? state->rows : 0;
    data[1] = kPairs | (!state || state->ascending ? kKeysAscending : 0);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        data[kHeaderWords + 2 * i] = pairs[i].first;
        data[kHeaderWords + 2 * i + 1] = pairs[i].second;
    }
    sqlite3_result_blob64(context, data, words * 8, sqlite3_free);
}

// The segments of a `quillmere_in_segments` list, built once per statement
// (the list is a constant the library keeps the lookup beside): a bit per
// segment up to 2^24 segments (2 MB), else a hash set.
struct SegmentLookup {
    std::vector<std::uint64_t> bitmap;
    std::unordered_set<std::uint64_t> set;
    bool dense = false;

    bool contains(std::uint64_t segment) const {
        if (dense) {
            return (bitmap[segment >> 6] >> (segment & 63)) & 1;
        }
        return set.count(segment) != 0;
    }
};

constexpr int kBitmapBits = 24;

std::unique_ptr<SegmentLookup> makeLookup(sqlite3_value* listValue, sqlite3_int64 bits) {
    auto made = std::make_unique<SegmentLookup>();
    const auto* list = static_cast<const unsigned char*>(sqlite3_value_blob(listValue));
    const auto n = static_cast<std::size_t>(sqlite3_value_bytes(listValue)) / 8;
    made->dense = bits <= kBitmapBits;
    if (made->dense) {
        made->bitmap.assign(((std::size_t{1} << bits) + 63) / 64, 0);
    }
    const std::uint64_t mask = (std::uint64_t{1} << bits) - 1;
    for (std::size_t i = 0; i < n; ++i) {
        // The list need not be aligned: each word is copied out.
        std::uint64_t segment = 0;
        std::memcpy(&segment, list + 8 * i, 8);
        segment &= mask;
        if (made->dense) {
            made->bitmap[segment >> 6] |= std::uint64_t{1} << (segment & 63);
        } else {
            made->set.insert(segment);
        }
    }
    return made;
}

void inSegments(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc < 3) {
        sqlite3_result_error(context, "quillmere_in_segments: bad arguments", -1);
        return;
    }
    const sqlite3_int64 bits = sqlite3_value_int64(argv[1]);
    if (bits < 0 || bits > 62) {
        sqlite3_result_error(context, "quillmere_in_segments: bad segment bits", -1);
        return;
    }
    // Where the library keeps no lookup (a list that is no constant), one
    // is built for the call.
    std::unique_ptr<SegmentLookup> own;
    const auto* lookup = static_cast<const SegmentLookup*>(sqlite3_get_auxdata(context, 0));
    if (lookup == nullptr) {
        own = makeLookup(argv[0], bits);
        sqlite3_set_auxdata(context, 0, own.release(),
                            [](void* p) { delete static_cast<SegmentLookup*>(p); });
        // The library owns it from here, and may have dropped it at once.
        lookup = static_cast<const SegmentLookup*>(sqlite3_get_auxdata(context, 0));
        if (lookup == nullptr) {
            own = makeLookup(argv[0], bits);
            lookup = own.get();
        }
    }
    const std::uint64_t segment = keyHashOf(argv + 2, argc - 2) & ((std::uint64_t{1} << bits) - 1);
    sqlite3_result_int(context, lookup->contains(segment) ? 1 : 0);
}

QString message(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// Prepares and steps to the first row; raises DatabaseError.
Statement firstRow(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(raw);
        throw DatabaseError(message(db));
    }
    Statement statement(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW) {
        throw DatabaseError(message(db));
    }
    return statement;
}

}  // namespace

sqlite3* handle(Connection& connection) {
    const QVariant h = connection.database().driver()->handle();
    if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0) {
        if (sqlite3* db = *static_cast<sqlite3* const*>(h.constData())) {
            return db;
        }
    }
    throw DatabaseError(u"The SQLite database handle of alias \"%1\" cannot be reached"_s.arg(
        connection.aliasName()));
}

void install(Connection& connection) {
    sqlite3* db = handle(connection);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    if (sqlite3_create_function_v2(db, "quillmere_key_hash", -1, flags, nullptr, keyHash, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "quillmere_row_hash", -1, flags, nullptr, rowHash, nullptr,
                                   nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "quillmere_segment_sums", -1, flags, nullptr, nullptr,
                                   segmentStep<false>, segmentFinal, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "quillmere_row_hash_ruled", -1, flags, nullptr, ruledRowHash,
                                   nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "quillmere_segment_sums_ruled", -1, flags, nullptr, nullptr,
                                   segmentStep<true>, segmentFinal, nullptr) != SQLITE_OK ||
        sqlite3_create_function_v2(db, "quillmere_in_segments", -1, flags, nullptr, inSegments,
                                   nullptr, nullptr, nullptr) != SQLITE_OK) {
        throw DatabaseError(message(db));
    }
}

SegmentBlob segmentSums(sqlite3* db, const QString& sql) {
    Statement statement = firstRow(db, sql);
    sqlite3_stmt* st = statement.get();
    const auto* data = static_cast<const std::uint64_t*>(sqlite3_column_blob(st, 0));
    const auto words = static_cast<std::size_t>(sqlite3_column_bytes(st, 0)) / 8;
    if (data == nullptr || words < kHeaderWords) {
        throw DatabaseError(u"quillmere_segment_sums returned no sums"_s);
    }
    SegmentBlob blob;
    blob.rows = data[0];
    blob.dense = (data[1] & kPairs) == 0;
    blob.keysAscending = (data[1] & kKeysAscending) != 0;
    blob.data = data + kHeaderWords;
    blob.count = blob.dense ? words - kHeaderWords : (words - kHeaderWords) / 2;
    blob.owner = std::shared_ptr<void>(
        statement.release(), [](void* p) { sqlite3_finalize(static_cast<sqlite3_stmt*>(p)); });
    return blob;
}

std::int64_t integerOf(sqlite3* db, const QString& sql) {
    const Statement statement = firstRow(db, sql);
    return sqlite3_column_int64(statement.get(), 0);
}

std::vector<std::int64_t> integersOf(sqlite3* db, const QString& sql) {
    const Statement statement = firstRow(db, sql);
    std::vector<std::int64_t> out;
    for (int c = 0; c < sqlite3_column_count(statement.get()); ++c) {
        out.push_back(sqlite3_column_int64(statement.get(), c));
    }
    return out;
}

bool threadSafe() {
    return sqlite3_threadsafe() != 0;
}

QString rulesLiteral(const std::vector<RowHashRule>& rules) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(rules.size()) * kRuleBytes);
    for (const RowHashRule& r : rules) {
        int flags = static_cast<int>(r.cut) << kCutShift;
        flags |= r.foldAsciiCase ? kFoldCase : 0;
        flags |= r.trimBlanks ? kTrim : 0;
        flags |= r.nullAsEmpty ? kNullEmpty : 0;
        flags |= r.gridExponent ? kGrid : 0;
        bytes.append(static_cast<char>(flags));
        bytes.append(static_cast<char>(static_cast<signed char>(
            std::clamp(r.gridExponent.value_or(0), -kMaxExponent, kMaxExponent))));
    }
    return u"X'"_s + QString::fromLatin1(bytes.toHex()) + u'\'';
}

QString segmentListLiteral(const std::vector<std::uint64_t>& segments) {
    const QByteArray bytes(reinterpret_cast<const char*>(segments.data()),
                           static_cast<qsizetype>(segments.size() * sizeof(std::uint64_t)));
    return u"X'"_s + QString::fromLatin1(bytes.toHex()) + u'\'';
}

}  // namespace qm::SqliteRowHash
