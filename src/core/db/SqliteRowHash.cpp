#include "db/SqliteRowHash.h"

#include "common/Errors.h"
#include "db/Connection.h"

#include <sqlite3.h>
#include <QSqlDriver>
#include <QVariant>
#include <cstring>
#include <memory>
#include <unordered_map>

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

void keyHash(sqlite3_context* context, int argc, sqlite3_value** argv) {
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(hashOf(argv, argc)));
}

// Up to 2^20 segments are counted in an array; finer segmentations (only
// ever asked for within a few differing segments) in a map.
constexpr int kDenseBits = 20;

struct Sums {
    std::uint64_t count = 0;
    std::uint64_t sum = 0;
};

struct SegmentState {
    std::uint64_t mask = 0;
    bool dense = true;
    std::vector<Sums> array;
    std::unordered_map<std::uint64_t, Sums> map;
};

void segmentStep(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto** slot =
        static_cast<SegmentState**>(sqlite3_aggregate_context(context, sizeof(SegmentState*)));
    if (slot == nullptr) {
        sqlite3_result_error_nomem(context);
        return;
    }
    const int nkeys = argc >= 2 ? static_cast<int>(sqlite3_value_int64(argv[1])) : -1;
    if (nkeys < 1 || 2 + nkeys > argc) {
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
        state->dense = bits <= kDenseBits;
        if (state->dense) {
            state->array.resize(static_cast<std::size_t>(state->mask) + 1);
        }
        *slot = state.release();  // owned by the aggregate until segmentFinal
    }
    SegmentState& s = **slot;
    const std::uint64_t segment = hashOf(argv + 2, nkeys) & s.mask;
    const std::uint64_t row = hashOf(argv + 2 + nkeys, argc - 2 - nkeys);
    Sums& sums = s.dense ? s.array[segment] : s.map[segment];
    ++sums.count;
    sums.sum += row;
}

void segmentFinal(sqlite3_context* context) {
    auto** slot = static_cast<SegmentState**>(sqlite3_aggregate_context(context, 0));
    const std::unique_ptr<SegmentState> state(slot != nullptr ? *slot : nullptr);
    std::vector<SegmentSum> out;
    if (state) {
        if (state->dense) {
            for (std::size_t i = 0; i < state->array.size(); ++i) {
                if (state->array[i].count != 0) {
                    out.push_back({i, state->array[i].count, state->array[i].sum});
                }
            }
        } else {
            out.reserve(state->map.size());
            for (const auto& [segment, sums] : state->map) {
                out.push_back({segment, sums.count, sums.sum});
            }
            std::sort(out.begin(), out.end(), [](const SegmentSum& a, const SegmentSum& b) {
                return a.segment < b.segment;
            });
        }
    }
    sqlite3_result_blob64(context, out.empty() ? static_cast<const void*>("") : out.data(),
                          out.size() * sizeof(SegmentSum), SQLITE_TRANSIENT);
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
        sqlite3_create_function_v2(db, "quillmere_segment_sums", -1, flags, nullptr, nullptr,
                                   segmentStep, segmentFinal, nullptr) != SQLITE_OK) {
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

std::vector<SegmentSum> segmentSums(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &raw, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(raw);
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    std::vector<SegmentSum> out;
    const int rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW) {
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(raw, 0)) / sizeof(SegmentSum);
        const void* blob = sqlite3_column_blob(raw, 0);
        out.resize(n);
        if (n > 0) {
            std::memcpy(out.data(), blob, n * sizeof(SegmentSum));
        }
    } else if (rc != SQLITE_DONE) {
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    return out;
}

}  // namespace qm::SqliteRowHash
