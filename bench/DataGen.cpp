#include "DataGen.h"

#include <sqlite3.h>
#include <QFile>
#include <array>
#include <cstdio>
#include <optional>
#include <random>
#include <string>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

// Written to PRAGMA user_version; bump it whenever the generated data change,
// so that files left by an older generator are written anew.
constexpr int kGeneratorVersion = 3;
constexpr std::uint64_t kSeed = 20240611;

struct Row {
    std::int64_t id = 0;
    std::optional<std::string> name;
    std::optional<std::int64_t> qty;
    std::int64_t priceCents = 0;
    std::optional<std::int64_t> day;  // days since 1970-01-01
    std::optional<std::string> note;
};

// 'YYYY-MM-DD' of a day number (days since 1970-01-01), proleptic Gregorian.
std::string dayText(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) {
        ++y;
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", static_cast<int>(y), static_cast<int>(m),
                  static_cast<int>(d));
    return buf;
}

constexpr std::array<const char*, 12> kNames = {"O'Brien",
                                                "Smith",
                                                "D'Angelo",
                                                "M\xc3\xbcller",
                                                "Nakamura",
                                                "Zo\xc3\xab",
                                                "Johnson",
                                                "O'Neill",
                                                "Garc\xc3\xad"
                                                "a",
                                                "Kowalski",
                                                "Li",
                                                "Van der Berg"};
constexpr std::array<const char*, 6> kNotes = {
    "call back on Monday",       "it's urgent",
    "said \"maybe\" twice",      "paid in full",
    "left a message; no answer", "ships from the 'north' store"};

// The sequence of rows. Every row draws the same numbers whether or not it
// is written, so counting and writing agree.
class Plan {
public:
    explicit Plan(std::int64_t rows)
        : rows_(rows), rng_(kSeed + static_cast<std::uint64_t>(rows)) {}

    std::uint64_t draw() { return rng_(); }

    Row randomRow(std::int64_t id) {
        Row r;
        r.id = id;
        const std::uint64_t a = draw();
        const std::uint64_t b = draw();
        if (a % 100 != 0) {
            r.name = std::string(kNames[(a / 100) % kNames.size()]) + ' ' +
                     std::to_string((a / 1200) % 100000);
        }
        if (b % 50 != 0) {
            r.qty = static_cast<std::int64_t>((b / 50) % 1000);
        }
        r.priceCents = static_cast<std::int64_t>((b / 50000) % 1000000);
        if ((a >> 32) % 100 != 0) {
            // 2000-01-01 plus up to 25 years
            r.day = 10957 + static_cast<std::int64_t>((a >> 40) % 9131);
        }
        if ((b >> 40) % 10 != 0) {
            r.note = std::string(kNotes[(b >> 44) % kNotes.size()]) + " #" +
                     std::to_string((b >> 48) % 1000);
        }
        return r;
    }

    // Changes exactly one column so that the row differs for any comparison.
    Row changed(const Row& from) {
        Row r = from;
        const std::uint64_t c = draw();
        switch (c % 5) {
            case 0:
                r.name = r.name ? *r.name + "'s" : std::string("Renamed");
                break;
            case 1:
                r.qty = r.qty ? *r.qty + 1 + static_cast<std::int64_t>((c / 5) % 9) : 1;
                break;
            case 2:
                r.priceCents += 1 + static_cast<std::int64_t>((c / 5) % 999);
                break;
            case 3:
                r.day = r.day ? *r.day + 1 + static_cast<std::int64_t>((c / 5) % 60) : 12000;
                break;
            default:
                if (!r.note) {
                    r.note = std::string("added later");
                } else if ((c / 5) % 3 == 0) {
                    r.note.reset();
                } else {
                    r.note = *r.note + " (edited)";
                }
        }
        return r;
    }

    // Calls source(row) and target(row) in ascending id order.
    template <typename S, typename T>
    Expected run(S&& source, T&& target) {
        Expected e;
        for (std::int64_t i = 1; i <= rows_; ++i) {
            const std::uint64_t kind = draw() % 1000;
            const Row row = randomRow(2 * i);
            source(row);
            ++e.sourceRows;
            if (kind < 10) {
                ++e.sourceOnly;  // 1%: missing from the target
            } else if (kind < 60) {
                target(changed(row));  // 5%: one column changed
                ++e.changed;
                ++e.targetRows;
            } else {
                target(row);
                ++e.targetRows;
            }
            if (draw() % 100 == 0) {
                // 1%: a row only the target has, between two source rows
                target(randomRow(2 * i + 1));
                ++e.targetOnly;
                ++e.targetRows;
            }
        }
        return e;
    }

private:
    std::int64_t rows_;
    std::mt19937_64 rng_;
};

class Writer {
public:
    ~Writer() {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }

    bool open(const QString& path, QString& error) {
        QFile::remove(path);
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            return fail(error);
        }
        const char* ddl =
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL,"
            " day TEXT, note TEXT);"
            "BEGIN;";
        if (sqlite3_exec(db_, ddl, nullptr, nullptr, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, "INSERT INTO t VALUES(?1,?2,?3,?4,?5,?6)", -1, &insert_,
                               nullptr) != SQLITE_OK) {
            return fail(error);
        }
        return true;
    }

    void add(const Row& r) {
        if (failed_) {
            return;
        }
        sqlite3_bind_int64(insert_, 1, r.id);
        bindText(2, r.name);
        if (r.qty) {
            sqlite3_bind_int64(insert_, 3, *r.qty);
        } else {
            sqlite3_bind_null(insert_, 3);
        }
        sqlite3_bind_double(insert_, 4, static_cast<double>(r.priceCents) / 100.0);
        if (r.day) {
            const std::string d = dayText(*r.day);
            sqlite3_bind_text(insert_, 5, d.data(), static_cast<int>(d.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(insert_, 5);
        }
        bindText(6, r.note);
        failed_ = sqlite3_step(insert_) != SQLITE_DONE;
        sqlite3_reset(insert_);
    }

    bool finish(QString& error) {
        if (failed_) {
            return fail(error);
        }
        const std::string tail =
            "COMMIT; PRAGMA user_version=" + std::to_string(kGeneratorVersion) + ";";
        if (sqlite3_exec(db_, tail.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            return fail(error);
        }
        return true;
    }

private:
    void bindText(int i, const std::optional<std::string>& s) {
        if (s) {
            sqlite3_bind_text(insert_, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(insert_, i);
        }
    }

    bool fail(QString& error) {
        error = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : u"out of memory"_s;
        return false;
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    bool failed_ = false;
};

// One integer from a query on a file opened read-only; -1 on any failure.
std::int64_t queryInt(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    std::int64_t result = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            result = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result;
}

}  // namespace

Expected expectedFor(std::int64_t rows) {
    Plan plan(rows);
    return plan.run([](const Row&) {}, [](const Row&) {});
}

bool generatePair(std::int64_t rows, const QString& sourcePath, const QString& targetPath,
                  Expected& expected, QString& error) {
    // Written under temporary names, so that an interrupted run leaves no
    // file that looks finished.
    const QString sourceTmp = sourcePath + u".part"_s;
    const QString targetTmp = targetPath + u".part"_s;
    {
        Writer source;
        Writer target;
        if (!source.open(sourceTmp, error) || !target.open(targetTmp, error)) {
            return false;
        }
        Plan plan(rows);
        expected =
            plan.run([&](const Row& r) { source.add(r); }, [&](const Row& r) { target.add(r); });
        if (!source.finish(error) || !target.finish(error)) {
            return false;
        }
    }
    return moveIntoPlace(sourceTmp, sourcePath, targetTmp, targetPath, error);
}

bool pairIsUsable(const QString& sourcePath, const QString& targetPath, const Expected& expected) {
    for (const auto& [path, rows] :
         {std::pair{sourcePath, expected.sourceRows}, std::pair{targetPath, expected.targetRows}}) {
        if (!QFile::exists(path) || queryInt(path, "PRAGMA user_version") != kGeneratorVersion ||
            queryInt(path, "SELECT count(*) FROM t") != rows) {
            return false;
        }
    }
    return true;
}

bool moveIntoPlace(const QString& sourceTmp, const QString& sourcePath, const QString& targetTmp,
                   const QString& targetPath, QString& error) {
    QFile::remove(sourcePath);
    QFile::remove(targetPath);
    if (!QFile::rename(sourceTmp, sourcePath) || !QFile::rename(targetTmp, targetPath)) {
        error = u"cannot rename the generated files into place"_s;
        return false;
    }
    return true;
}

}  // namespace qmbench
