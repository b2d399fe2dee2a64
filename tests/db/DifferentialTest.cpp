// Random pairs of SQLite tables: columns of any declared type or none,
// values of every storage class, random keys. Each pair is scripted as
// `quillmere-cli script` does and executed as `quillmere-cli execute` does;
// then every cell of the target must hold the source's storage class and
// bytes, and a new comparison must find nothing to do.
//
// Random pairs of PostgreSQL tables go the same way, between databases
// whose sessions print values otherwise (see oddlySetDatabases), once after
// the full load and once after comparing inside the databases: both
// scripts must be the same.
//
// The test command runs a few seeds. Run more by hand with
//   QUILLMERE_DIFFERENTIAL_SEEDS=2000 quillmere-db-tests --gtest_filter='Differential*'
// (QUILLMERE_DIFFERENTIAL_FIRST_SEED picks where to start, to repeat a failure).

#include "DbSides.h"
#include "SqliteSync.h"
#include "engine/InDatabaseCompare.h"
#include "support/EngineHarness.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

enum class Class { Null, Integer, Real, Text, Blob };

struct Cell {
    Class cls = Class::Null;
    std::int64_t i = 0;
    double d = 0;
    QByteArray bytes;  // text (UTF-8 or not) or blob
};

const char* const kDeclaredTypes[] = {"",        "INTEGER", "INT",      "TEXT",    "VARCHAR(10)",
                                      "BLOB",    "REAL",    "DOUBLE",   "NUMERIC", "DECIMAL(10,2)",
                                      "BOOLEAN", "DATE",    "DATETIME", "WHATEVER"};

class Generator {
public:
    explicit Generator(std::uint64_t seed) : rng_(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::int64_t integer() {
        static const std::int64_t special[] = {0,
                                               1,
                                               -1,
                                               2,
                                               9007199254740993,
                                               -9007199254740993,
                                               std::numeric_limits<std::int64_t>::max(),
                                               std::numeric_limits<std::int64_t>::min()};
        if (below(2) == 0) {
            return special[below(std::size(special))];
        }
        return std::uniform_int_distribution<std::int64_t>(-100000, 100000)(rng_);
    }

    double real(bool allowWhole) {
        static const double special[] = {0.5,     -2.496913437261125e+303,
                                         1e308,   5e-324,
                                         0.1,     0.30000000000000004,
                                         -1e-7,   1e23,
                                         1.5e300, std::numeric_limits<double>::infinity()};
        static const double whole[] = {2.0, -0.0, 0.0, 1e20, 9223372036854775807.0};
        const int pick = below(allowWhole ? 4 : 3);
        if (pick == 0) {
            return special[below(std::size(special))];
        }
        if (pick == 3) {
            return whole[below(std::size(whole))];
        }
        // Any finite bit pattern that is not a whole number.
        for (;;) {
            const std::uint64_t bits = rng_();
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            if (std::isfinite(d) && d != std::floor(d)) {
                return d;
            }
        }
    }

    QByteArray text() {
        static const char* const samples[] = {
            "",     "1",          "abc",      "O'Brien",    "*/ -- ;",         "\\", "  5  ", "1.5",
            "true", "2024-02-29", "line\r\n", "zo\xC3\xAB", "\xF0\x9F\x98\x80"};
        QByteArray t;
        switch (below(5)) {
            case 0:
                t = "\xEF\xBB\xBF";  // U+FEFF first
                break;
            case 1:
                t = QByteArray("a\0b", 3);
                break;
            case 2:
                t = "\xFF\xFE";  // not UTF-8
                break;
            default:
                break;
        }
        return t + samples[below(std::size(samples))] + (below(3) == 0 ? QByteArray(1, '\0') : "");
    }

    QByteArray blob() {
        QByteArray b;
        const int n = below(4) == 0 ? 0 : below(6) + 1;
        for (int k = 0; k < n; ++k) {
            b.append(static_cast<char>(below(256)));
        }
        return b;
    }

    Cell cell(bool key) {
        Cell c;
        switch (below(key ? 4 : 5)) {
            case 0:
                c.cls = Class::Integer;
                c.i = integer();
                break;
            case 1:
                // A key real is never whole: SQLite counts 1 and 1.0 as one key.
                c.cls = Class::Real;
                c.d = real(!key);
                break;
            case 2:
                c.cls = Class::Text;
                c.bytes = text();
                break;
            case 3:
                c.cls = Class::Blob;
                c.bytes = blob();
                break;
            default:
                c.cls = Class::Null;
        }
        return c;
    }

private:
    std::mt19937_64 rng_;
};

struct Table {
    QStringList keyNames;
    QStringList valueNames;
    QStringList declared;  // per column, keys first
    std::vector<std::vector<Cell>> sourceRows;
    std::vector<std::vector<Cell>> targetRows;

    QString createSql() const {
        QStringList defs;
        const QStringList names = keyNames + valueNames;
        for (qsizetype i = 0; i < names.size(); ++i) {
            defs << (names[i] + u' ' + declared[i]).trimmed();
        }
        return u"CREATE TABLE t (%1, PRIMARY KEY (%2))"_s.arg(defs.join(u", "_s),
                                                              keyNames.join(u", "_s));
    }
};

Table generate(Generator& g) {
    Table t;
    const int keys = 1 + g.below(2);
    const int values = 1 + g.below(4);
    for (int k = 0; k < keys; ++k) {
        t.keyNames << u"k%1"_s.arg(k);
    }
    for (int v = 0; v < values; ++v) {
        t.valueNames << u"c%1"_s.arg(v);
    }
    for (int c = 0; c < keys + values; ++c) {
        t.declared << QString::fromLatin1(kDeclaredTypes[g.below(std::size(kDeclaredTypes))]);
    }
    const int rows = 3 + g.below(12);
    for (int r = 0; r < rows; ++r) {
        std::vector<Cell> key;
        for (int k = 0; k < keys; ++k) {
            key.push_back(g.cell(true));
        }
        if (keys == 1 && t.declared[0] == u"INTEGER"_s) {
            // The rowid itself: SQLite takes nothing but integers there.
            key[0] = Cell{Class::Integer, g.integer(), 0, {}};
        }
        const auto withValues = [&] {
            std::vector<Cell> row = key;
            for (int v = 0; v < values; ++v) {
                row.push_back(g.cell(false));
            }
            return row;
        };
        const std::vector<Cell> source = withValues();
        switch (g.below(4)) {
            case 0:
                t.sourceRows.push_back(source);
                break;
            case 1:
                t.targetRows.push_back(withValues());
                break;
            case 2:
                t.sourceRows.push_back(source);
                t.targetRows.push_back(source);
                break;
            default:
                t.sourceRows.push_back(source);
                t.targetRows.push_back(withValues());
        }
    }
    return t;
}

// Rows go in through bound values, so that each cell is stored as SQLite
// stores that value under the column's affinity; a row whose key SQLite
// already holds is left out.
void fill(const QString& file, const Table& t, const std::vector<std::vector<Cell>>& rows) {
    sqliteExec(file, {t.createSql()});
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    QStringList marks;
    for (qsizetype i = 0; i < t.keyNames.size() + t.valueNames.size(); ++i) {
        marks << u"?"_s;
    }
    const QByteArray sql =
        u"INSERT OR IGNORE INTO t VALUES (%1)"_s.arg(marks.join(u", "_s)).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    for (const std::vector<Cell>& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const int at = static_cast<int>(c) + 1;
            const Cell& cell = row[c];
            switch (cell.cls) {
                case Class::Null:
                    sqlite3_bind_null(stmt, at);
                    break;
                case Class::Integer:
                    sqlite3_bind_int64(stmt, at, cell.i);
                    break;
                case Class::Real:
                    sqlite3_bind_double(stmt, at, cell.d);
                    break;
                case Class::Text:
                    sqlite3_bind_text(stmt, at, cell.bytes.constData(),
                                      static_cast<int>(cell.bytes.size()), SQLITE_TRANSIENT);
                    break;
                case Class::Blob:
                    sqlite3_bind_blob(stmt, at, cell.bytes.constData(),
                                      static_cast<int>(cell.bytes.size()), SQLITE_TRANSIENT);
                    break;
            }
        }
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE) << sqlite3_errmsg(db);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

std::uint64_t envNumber(const char* name, std::uint64_t fallback) {
    bool ok = false;
    const qulonglong v = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? v : fallback;
}

TEST(Differential, RandomSqlitePairsArriveCellForCell) {
    const std::uint64_t first = envNumber("QUILLMERE_DIFFERENTIAL_FIRST_SEED", 1);
    const std::uint64_t seeds = envNumber("QUILLMERE_DIFFERENTIAL_SEEDS", 25);
    for (std::uint64_t seed = first; seed < first + seeds; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Generator g(seed);
        const Table t = generate(g);
        AliasFolder folder;
        const QString src = folder.addSqlite(u"Src"_s, {});
        const QString dst = folder.addSqlite(u"Dst"_s, {});
        fill(src, t, t.sourceRows);
        fill(dst, t, t.targetRows);
        const SyncRun run =
            syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, t.keyNames.join(u';'));
        const std::string context =
            t.createSql().toStdString() + "\nscript:\n" + run.script.join(u'\n').toStdString();
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n" << context;
        const QStringList want = sqliteCells(src, u"t"_s);
        const QStringList got = sqliteCells(dst, u"t"_s);
        ASSERT_TRUE(got == want) << "source:\n"
                                 << want.join(u'\n').toStdString() << "\ntarget:\n"
                                 << got.join(u'\n').toStdString() << "\n"
                                 << context;
        ASSERT_EQ(run.secondScript.size(), 1) << context << "\nsecond script:\n"
                                              << run.secondScript.join(u'\n').toStdString();
    }
}

// Values of the PostgreSQL types whose text a session's settings shape, or
// that are easy to get wrong, as SQL literals.
class PgGenerator {
public:
    explicit PgGenerator(std::uint64_t seed) : g_(seed) {}

    struct Column {
        const char* type;
        QString (PgGenerator::*value)();
        // The column as the check reads it: a double's -0 is 0 and a
        // numeric's scale does not count, as the comparison finds.
        const char* checked;
    };

    static const std::vector<Column>& columns() {
        static const std::vector<Column> all = {
            {"double precision", &PgGenerator::float8, "(%1 + 0)"},
            {"real", &PgGenerator::float4, "(%1 + 0)"},
            {"numeric", &PgGenerator::numeric, "trim_scale(%1)"},
            {"interval", &PgGenerator::interval, "%1"},
            {"date", &PgGenerator::date, "%1"},
            {"timestamp", &PgGenerator::timestamp, "%1"},
            {"timestamptz", &PgGenerator::timestamp, "%1"},
            {"bytea", &PgGenerator::bytea, "%1"},
            {"text", &PgGenerator::text, "%1"},
            {"boolean", &PgGenerator::boolean, "%1"},
        };
        return all;
    }

    int below(int n) { return g_.below(n); }

    // Keys of the whole 64-bit range, both ends together.
    QString key() {
        static const char* const special[] = {"-9223372036854775808", "9223372036854775807", "0",
                                              "-1", "1"};
        return below(3) == 0 ? QString::fromLatin1(special[below(std::size(special))])
                             : QString::number(g_.integer());
    }

    QString value(const Column& c) { return below(8) == 0 ? u"NULL"_s : (this->*c.value)(); }

private:
    static QString quoted(const QString& text) { return u'\'' + text + u'\''; }
    QString pick(std::initializer_list<const char*> items) {
        return QString::fromUtf8(items.begin()[below(static_cast<int>(items.size()))]);
    }

    QString float8() {
        if (below(2) == 0) {
            return quoted(pick({"0.30000000000000004", "0.3", "-0", "0", "1e308", "5e-324", "NaN",
                                "Infinity", "-Infinity", "0.1"}));
        }
        return quoted(QString::number(g_.real(true), 'g', 17));
    }
    QString float4() {
        return quoted(pick(
            {"0.1", "3.4028235e+38", "1e-45", "-0", "NaN", "Infinity", "0.33333334", "16777217"}));
    }
    QString numeric() {
        return quoted(pick({"1.50", "1.5", "0", "-0.000", "NaN", "Infinity", "-Infinity",
                            "123456789012345678901234567890.123456789", "0.30000000000000004"}));
    }
    QString interval() {
        return quoted(pick({"1 year 2 mons 3 days 04:05:06.5", "-1 days +02:00:00", "00:00:00",
                            "1 day", "24:00:00", "-00:00:00.000001", "178000000 years"}));
    }
    QString date() {
        return quoted(pick(
            {"2024-02-29", "infinity", "-infinity", "1970-01-01", "9999-12-31", "0001-01-01"}));
    }
    QString timestamp() {
        return quoted(pick({"2024-02-29 23:59:59.999999+00", "infinity", "-infinity",
                            "1970-01-01 00:00:00+00", "2024-06-30 12:00:00.25+00"}));
    }
    QString bytea() {
        const QByteArray b = g_.blob();
        return quoted(u"\\x"_s + QString::fromLatin1(b.toHex()));
    }
    QString text() {
        return quoted(pick({"", "abc", "ABC", "O''Brien", "back\\slash", "zo\xC3\xAB", "  pad  ",
                            "*/ -- ;", "\xF0\x9F\x98\x80"}));
    }
    QString boolean() { return pick({"true", "false"}); }

    Generator g_;
};

// The script of making the target equal the source, after the full load or
// after comparing inside the databases; the messages instead where it fails.
QStringList scriptOf(const QString& aliasFile, const SideTable& src, const SideTable& dst,
                     bool inDatabase) {
    EngineHarness h(aliasFile);
    h.configure(src.alias, dst.alias,
                {u"SELECT * FROM %1 ORDER BY k"_s.arg(src.table),
                 u"SELECT * FROM %1 ORDER BY k"_s.arg(dst.table), u"k"_s});
    h.dm.TablesMemData().edit();
    h.dm.TablesMemData().setAsText(h.dm.tableFields().DestTableName, dst.table);
    h.dm.TablesMemData().post();
    if (inDatabase) {
        InDatabaseCompare(h.dm).restrictCurrentTableSetup();
    }
    if (!h.openSource() || !h.openTarget()) {
        return h.view.messages();
    }
    h.dm.ChangeDataToEqualSource();
    h.dm.ScriptCurrentTableSetup(true);
    return h.view.script;
}

TEST(Differential, RandomPostgreSqlPairsUnderOddSessionSettings) {
    QM_REQUIRE_PG(server);
    const auto [sourceDb, targetDb] = oddlySetDatabases(server);
    const std::uint64_t first = envNumber("QUILLMERE_DIFFERENTIAL_FIRST_SEED", 1);
    const std::uint64_t seeds = envNumber("QUILLMERE_DIFFERENTIAL_SEEDS", 6);
    const auto& types = PgGenerator::columns();
    for (std::uint64_t seed = first; seed < first + seeds; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        PgGenerator g(seed);
        std::vector<const PgGenerator::Column*> columns;
        QStringList defs{u"k bigint PRIMARY KEY"_s};
        QStringList checked{u"k"_s};
        for (int c = 0, n = 2 + g.below(4); c < n; ++c) {
            const PgGenerator::Column& col =
                types[static_cast<std::size_t>(g.below(static_cast<int>(types.size())))];
            columns.push_back(&col);
            defs << u"c%1 %2"_s.arg(c).arg(QString::fromLatin1(col.type));
            checked << QString::fromLatin1(col.checked).arg(u"c%1"_s.arg(c));
        }
        QStringList sourceRows;
        QStringList targetRows;
        QStringList keys;
        // Every third seed holds both ends of the 64-bit range as keys.
        const QStringList ends{u"-9223372036854775808"_s, u"9223372036854775807"_s};
        const bool withEnds = seed % 3 == 1;
        for (int r = 0, n = 3 + g.below(12); r < n; ++r) {
            const QString key = withEnds && r < 2 ? ends[r] : g.key();
            if (keys.contains(key)) {
                continue;
            }
            keys << key;
            const auto withValues = [&] {
                QStringList values{key};
                for (const PgGenerator::Column* col : columns) {
                    values << g.value(*col);
                }
                return u"("_s + values.join(u", "_s) + u")"_s;
            };
            const QString source = withValues();
            switch (g.below(4)) {
                case 0:
                    sourceRows << source;
                    break;
                case 1:
                    targetRows << withValues();
                    break;
                case 2:
                    sourceRows << source;
                    targetRows << source;
                    break;
                default:
                    sourceRows << source;
                    targetRows << withValues();
            }
        }
        DbSides sides(server, sourceDb, targetDb);
        const SideTable src =
            sides.make(Backend::Pg, true, defs.join(u", "_s), sourceRows.join(u", "_s));
        const SideTable dst =
            sides.make(Backend::Pg, false, defs.join(u", "_s), targetRows.join(u", "_s));
        const std::string context = defs.join(u", "_s).toStdString() +
                                    "\nsource: " + sourceRows.join(u", "_s).toStdString() +
                                    "\ntarget: " + targetRows.join(u", "_s).toStdString();
        const QStringList full = scriptOf(sides.folder().aliasFile(), src, dst, false);
        const QStringList inDb = scriptOf(sides.folder().aliasFile(), src, dst, true);
        ASSERT_EQ(inDb.join(u'\n').toStdString(), full.join(u'\n').toStdString()) << context;
        const SyncRun run = syncTables(sides.folder().aliasFile(), src.alias, dst.alias, src.table,
                                       dst.table, u"k"_s);
        const std::string scripted = context + "\nscript:\n" + run.script.join(u'\n').toStdString();
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n" << scripted;
        const QString query = u"SELECT %1 FROM %2 ORDER BY k"_s.arg(checked.join(u", "_s));
        ASSERT_EQ(pgRows(server, targetDb, query.arg(dst.table)).toStdString(),
                  pgRows(server, sourceDb, query.arg(src.table)).toStdString())
            << scripted;
        ASSERT_EQ(run.secondScript.size(), 1) << scripted << "\nsecond script:\n"
                                              << run.secondScript.join(u'\n').toStdString();
    }
}

}  // namespace
}  // namespace qm::test
