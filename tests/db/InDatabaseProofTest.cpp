#include "DbSides.h"
#include "InDatabaseRun.h"
#include "SqliteSync.h"
#include "common/Errors.h"
#include "db/Query.h"
#include "engine/InDatabaseCompare.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

// Comparing inside the databases loads only the rows of segments whose sums
// differ; the script it gives must be the full load's, byte for byte, for
// tables that differ in the ways a checksum could miss.

namespace qm::test {
namespace {

QString literal(const std::optional<QString>& text) {
    return text ? u'\'' + QString(*text).replace(u'\'', u"''"_s) + u'\'' : u"NULL"_s;
}

// Exact text of a double: 17 significant digits read back as the same value.
QString exactText(double v) {
    return QString::number(v, 'g', 17);
}

// One row: key text, name, amount, a real, a flag, a date.
struct Row {
    QString key;
    std::optional<QString> name;
    std::optional<QString> amount;
    double real = 0;
    bool flag = false;
    QString day;
};

QString values(const Row& r, Backend backend) {
    const QString flag =
        backend == Backend::Pg ? (r.flag ? u"true"_s : u"false"_s) : (r.flag ? u"1"_s : u"0"_s);
    return u"(%1, %2, %3, %4, %5, '%6')"_s.arg(
        r.key, literal(r.name), r.amount ? *r.amount : u"NULL"_s, exactText(r.real), flag, r.day);
}

// What a target row may have that its source row does not.
enum class Change {
    None,
    LetterCase,
    TrailingBlank,
    NullForEmpty,
    EmptyForNull,
    Ulp,
    Amount,
    Missing
};

struct Pair {
    std::vector<Row> source;
    std::vector<Row> target;
};

// Rows with keys 0, 2, 4, ... (as text keys: zero-padded, so that the text
// order is the number order); the target row of each is changed by chance,
// and target-only rows take odd keys.
Pair randomPair(quint32 seed, int rows, int changePercent, bool textKey) {
    QRandomGenerator rng(seed);
    const auto keyOf = [textKey](int k) {
        return textKey ? u"'k%1'"_s.arg(k, 6, 10, QChar(u'0')) : QString::number(k);
    };
    Pair p;
    for (int i = 0; i < rows; ++i) {
        Row r;
        r.key = keyOf(2 * i);
        const int nameKind = rng.bounded(6);
        r.name = nameKind == 0   ? std::nullopt
                 : nameKind == 1 ? std::optional<QString>(QString())
                                 : std::optional<QString>(u"Name %1"_s.arg(rng.bounded(1000)));
        r.amount =
            rng.bounded(5) == 0
                ? std::nullopt
                : std::optional<QString>(
                      u"%1.%2"_s.arg(rng.bounded(10000)).arg(rng.bounded(100), 2, 10, QChar(u'0')));
        r.real = (rng.generateDouble() - 0.5) * std::pow(10.0, rng.bounded(-5, 6));
        r.flag = rng.bounded(2) == 1;
        r.day = u"2024-%1-%2"_s.arg(1 + rng.bounded(12), 2, 10, QChar(u'0'))
                    .arg(1 + rng.bounded(28), 2, 10, QChar(u'0'));
        p.source.push_back(r);
        if (static_cast<int>(rng.bounded(100)) >= changePercent) {
            p.target.push_back(r);
            continue;
        }
        Row t = r;
        switch (static_cast<Change>(rng.bounded(8))) {
            case Change::None:
                break;
            case Change::LetterCase:
                t.name = r.name && !r.name->isEmpty() ? r.name->toUpper() : u"X"_s;
                break;
            case Change::TrailingBlank:
                t.name = r.name.value_or(QString()) + u' ';
                break;
            case Change::NullForEmpty:
                t.name = r.name && r.name->isEmpty() ? std::nullopt : std::optional(QString());
                break;
            case Change::EmptyForNull:
                t.name = r.name ? std::nullopt : std::optional(QString());
                break;
            case Change::Ulp:
                t.real = std::nextafter(r.real, std::numeric_limits<double>::infinity());
                break;
            case Change::Amount:
                t.amount = r.amount ? std::nullopt : std::optional<QString>(u"0.00"_s);
                break;
            case Change::Missing:
                continue;  // a source-only row
        }
        p.target.push_back(t);
        if (rng.bounded(4) == 0) {
            Row extra = r;
            extra.key = keyOf(2 * i + 1);
            p.target.push_back(extra);
        }
    }
    return p;
}

QString rowsText(const std::vector<Row>& rows, Backend backend) {
    QStringList out;
    for (const Row& r : rows) {
        out << values(r, backend);
    }
    return out.join(u", "_s);
}

struct ProofCase {
    const char* name;
    int rows;
    int changePercent;
    bool textKey;
    bool composite;
    // One side without rows: 'S' the source, 'T' the target.
    char empty = 0;
};

class InDatabaseProofTest : public ::testing::TestWithParam<Backend> {};

TEST_P(InDatabaseProofTest, GivesTheFullLoadsScriptForRandomPairs) {
    const Backend backend = GetParam();
    std::optional<PgServer> pg;
    if (backend == Backend::Pg) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    const ProofCase cases[] = {
        {"changed rows, integer key", 400, 20, false, false},
        {"few changes, text key", 400, 3, true, false},
        {"every row changed", 120, 100, false, false},
        {"equal tables", 200, 0, false, false},
        {"empty tables", 0, 0, false, false},
        {"composite key", 300, 15, true, true},
        {"empty target", 150, 0, false, false, 'T'},
        {"empty source", 150, 0, true, false, 'S'},
    };
    const QString intColumns =
        u"id INTEGER PRIMARY KEY, name VARCHAR(40), amount NUMERIC(12,2), r DOUBLE PRECISION, "
        "flag BOOLEAN, day DATE"_s;
    const QString textColumns =
        u"id VARCHAR(20) PRIMARY KEY, name VARCHAR(40), amount NUMERIC(12,2), r DOUBLE "
        "PRECISION, flag BOOLEAN, day DATE"_s;
    const QString compositeColumns =
        u"id VARCHAR(20), name VARCHAR(40), amount NUMERIC(12,2), r DOUBLE PRECISION, flag "
        "BOOLEAN, day DATE, PRIMARY KEY (id, day)"_s;
    quint32 seed = 20261211;
    for (const ProofCase& c : cases) {
        SCOPED_TRACE(c.name);
        Pair p = randomPair(++seed, c.rows, c.changePercent, c.textKey);
        if (c.empty != 0) {
            (c.empty == 'S' ? p.source : p.target).clear();
        }
        DbSides sides(pg);
        const QString columns = c.composite ? compositeColumns
                                : c.textKey ? textColumns
                                            : intColumns;
        const SideTable src = sides.make(backend, true, columns, rowsText(p.source, backend));
        const SideTable dst = sides.make(backend, false, columns, rowsText(p.target, backend));
        const QString key = c.composite ? u"id;day"_s : u"id"_s;
        const Outcome full = run(sides.folder().aliasFile(), src, dst, key, std::nullopt);
        ASSERT_TRUE(full.opened && full.errors.isEmpty()) << full.errors.join(u'\n').toStdString();
        if (c.changePercent > 0 || c.empty != 0) {
            ASSERT_GT(full.script.size(), 1);  // the pair does differ
        }
        // The usual budget; one that splits the differing segments as far
        // as they go; and segments far finer than the rows, which a table
        // of many millions of rows gets once split (sums kept per segment
        // held, segment lists looked up in a set).
        struct Run {
            qint64 budget;
            int firstBits;
        };
        for (const Run r : {Run{200000, 0}, Run{0, 0}, Run{200000, 30}}) {
            const qint64 budget = r.budget;
            SCOPED_TRACE(u"budget %1, first bits %2"_s.arg(budget).arg(r.firstBits).toStdString());
            const Outcome inDb =
                run(sides.folder().aliasFile(), src, dst, key, budget, r.firstBits);
            EXPECT_TRUE(inDb.opened && inDb.errors.isEmpty())
                << inDb.errors.join(u'\n').toStdString();
            EXPECT_EQ(inDb.script.join(u"\r\n"_s), full.script.join(u"\r\n"_s));
            EXPECT_EQ(inDb.counts, full.counts);
            EXPECT_EQ(inDb.sourceRows, full.sourceRows);
            EXPECT_EQ(inDb.targetRows, full.targetRows);
            // Split as far as they go, the differing segments hold few rows.
            if (budget == 0 && c.changePercent < 100 && c.rows > 0 && c.empty == 0) {
                EXPECT_LT(inDb.rowsLoaded, (full.sourceRows + full.targetRows) / 2);
            }
        }
    }
}

// Under comparison rules that make some of the random changes equal (and
// leave others different), the script is still the full load's under the
// same rules, however far the differing segments are split.
TEST_P(InDatabaseProofTest, GivesTheFullLoadsScriptUnderComparisonRules) {
    const Backend backend = GetParam();
    std::optional<PgServer> pg;
    if (backend == Backend::Pg) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    const QString rulesCases[] = {
        u"name: nocase trim nullempty"_s,
        u"amount: abs=0.05; r: abs=1e-9"_s,
        u"name: ignore; flag: ignore"_s,
        u"*: nocase trim; amount: abs=1; r: exact"_s,
    };
    const QString columns =
        u"id INTEGER PRIMARY KEY, name VARCHAR(40), amount NUMERIC(12,2), r DOUBLE PRECISION, "
        "flag BOOLEAN, day DATE"_s;
    quint32 seed = 20261212;
    for (const QString& rules : rulesCases) {
        SCOPED_TRACE(rules.toStdString());
        const Pair p = randomPair(++seed, 300, 40, false);
        DbSides sides(pg);
        const SideTable src = sides.make(backend, true, columns, rowsText(p.source, backend));
        const SideTable dst = sides.make(backend, false, columns, rowsText(p.target, backend));
        const QString alias = sides.folder().aliasFile();
        const Outcome full = run(alias, src, dst, u"id"_s, std::nullopt, 0, rules);
        ASSERT_TRUE(full.opened && full.errors.isEmpty()) << full.errors.join(u'\n').toStdString();
        struct Run {
            qint64 budget;
            int firstBits;
        };
        for (const Run r : {Run{200000, 0}, Run{0, 0}, Run{200000, 30}}) {
            SCOPED_TRACE(
                u"budget %1, first bits %2"_s.arg(r.budget).arg(r.firstBits).toStdString());
            const Outcome inDb = run(alias, src, dst, u"id"_s, r.budget, r.firstBits, rules);
            EXPECT_TRUE(inDb.opened && inDb.errors.isEmpty())
                << inDb.errors.join(u'\n').toStdString();
            EXPECT_EQ(inDb.script.join(u"\r\n"_s), full.script.join(u"\r\n"_s));
            EXPECT_EQ(inDb.counts, full.counts);
        }
    }
}

// Keys the database finds equal though they differ as stored fall into one
// segment, so a target that cannot tell two rows apart is refused as the
// full load refuses it, even where the source's row of the same key is
// equal and would otherwise not be loaded.
TEST(InDatabaseLooseKeysTest, RefusesWhatTheFullLoadRefuses) {
    struct Case {
        const char* name;
        QString column;
        QString equalKey;  // in both tables, equal rows
        QString looseKey;  // only in the target: the database finds it equal to equalKey
    };
    const Case cases[] = {
        {"NOCASE", u"k TEXT COLLATE NOCASE"_s, u"'abc'"_s, u"'ABC'"_s},
        {"RTRIM", u"k TEXT COLLATE RTRIM"_s, u"'abc'"_s, u"'abc  '"_s},
        {"integer and real", u"k"_s, u"7"_s, u"7.0"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList rows;
        for (int i = 0; i < 300; ++i) {
            rows << u"(%1, 'v%2')"_s.arg(i * 1000 + 1000).arg(i);
        }
        const QString common = rows.join(u", "_s) + u", (%1, 'same')"_s.arg(c.equalKey);
        DbSides sides(std::nullopt);
        const QString columns = c.column + u", v TEXT"_s;
        const SideTable src = sides.make(Backend::Sqlite, true, columns, common);
        const SideTable dst = sides.make(Backend::Sqlite, false, columns,
                                         common + u", (%1, 'other')"_s.arg(c.looseKey));
        const Outcome full = run(sides.folder().aliasFile(), src, dst, u"k"_s, std::nullopt);
        EXPECT_FALSE(full.opened);
        ASSERT_EQ(full.errors.size(), 1);
        EXPECT_TRUE(full.errors.first().contains(u"does not identify the target rows"_s))
            << full.errors.first().toStdString();
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"k"_s, 200000);
        EXPECT_FALSE(inDb.opened);
        EXPECT_EQ(inDb.errors, full.errors);
    }
}

// Keys the source database finds equal (a NOCASE source column against a
// BINARY target one) still share a segment: the source's collation counts
// as well as the target's. Two rows whose keys differ only in letter case
// make one differing segment, not two.
TEST(InDatabaseLooseKeysTest, TheSourcesCollationPutsEqualKeysInOneSegment) {
    DbSides sides(std::nullopt);
    const SideTable src =
        sides.make(Backend::Sqlite, true, u"k TEXT COLLATE NOCASE, v TEXT"_s, u"('abc', 'x')"_s);
    const SideTable dst =
        sides.make(Backend::Sqlite, false, u"k TEXT, v TEXT"_s, u"('ABC', 'x')"_s);
    const Outcome full = run(sides.folder().aliasFile(), src, dst, u"k"_s, std::nullopt);
    // Segments far finer than the rows: apart, the two keys would fall into
    // two segments.
    const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"k"_s, 200000, 60);
    ASSERT_TRUE(inDb.opened) << inDb.errors.join(u'\n').toStdString();
    EXPECT_EQ(inDb.rowsLoaded, 1);
    EXPECT_EQ(inDb.script, full.script);
}

// A repeated or NULL key is refused by the full load wherever it is; so it
// is when comparing inside the databases, also where its rows are equal on
// both sides and their segment would not be loaded.
TEST(InDatabaseKeysTest, RepeatedAndNullKeysAreRefusedAsTheFullLoadRefusesThem) {
    const std::optional<PgServer> pg = pgServer();
    struct Case {
        const char* name;
        Backend backend;
        QString columns;
        QString key;
        QString keyRows;  // in both tables, equal
    };
    const Case cases[] = {
        {"repeated key", Backend::Sqlite, u"k INTEGER, v TEXT"_s, u"k"_s, u"(5, 'a'), (5, 'a')"_s},
        {"NULL key", Backend::Sqlite, u"k INTEGER, v TEXT"_s, u"k"_s, u"(NULL, 'n')"_s},
        {"repeated composite key", Backend::Sqlite, u"k INTEGER, j TEXT, v TEXT"_s, u"k;j"_s,
         u"(5, 'x', 'a'), (5, 'x', 'a')"_s},
        {"NULL in a composite key", Backend::Sqlite, u"k INTEGER, j TEXT, v TEXT"_s, u"k;j"_s,
         u"(5, NULL, 'a')"_s},
        {"loose keys on both sides", Backend::Sqlite, u"k TEXT COLLATE NOCASE, v TEXT"_s, u"k"_s,
         u"('abc', 'a'), ('ABC', 'a')"_s},
        {"PostgreSQL repeated key", Backend::Pg, u"k INTEGER, v TEXT"_s, u"k"_s,
         u"(5, 'a'), (5, 'a')"_s},
        {"PostgreSQL NULL key", Backend::Pg, u"k INTEGER, v TEXT"_s, u"k"_s, u"(NULL, 'n')"_s},
        {"PostgreSQL numerics 1.0 and 1.00", Backend::Pg, u"k NUMERIC, v TEXT"_s, u"k"_s,
         u"(1.0, 'a'), (1.00, 'a')"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.backend == Backend::Pg && !pg) {
            continue;
        }
        const bool composite = c.key.contains(u';');
        QStringList rows;
        for (int i = 0; i < 300; ++i) {
            rows << (composite ? u"(%1, 'j', 'v%2')"_s : u"(%1, 'v%2')"_s)
                        .arg(i * 1000 + 1000)
                        .arg(i);
        }
        // One row of the target differs, so that only its segment loads.
        QStringList targetRows = rows;
        targetRows[7] = composite ? u"(8000, 'j', 'changed')"_s : u"(8000, 'changed')"_s;
        DbSides sides(pg);
        const SideTable src =
            sides.make(c.backend, true, c.columns, rows.join(u", "_s) + u", "_s + c.keyRows);
        const SideTable dst =
            sides.make(c.backend, false, c.columns, targetRows.join(u", "_s) + u", "_s + c.keyRows);
        const Outcome full = run(sides.folder().aliasFile(), src, dst, c.key, std::nullopt);
        EXPECT_FALSE(full.opened);
        ASSERT_EQ(full.errors.size(), 1);
        // Segments far finer than the rows, so that the changed row's
        // segment holds none of the keys in question.
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, c.key, 200000, 24);
        EXPECT_FALSE(inDb.opened);
        EXPECT_EQ(inDb.errors, full.errors);
    }
}

// PostgreSQL text under a collation that ignores letter case: a change of
// case only is a difference in both modes, and keys such a column (or a
// citext one) finds equal are refused in both, before a script would
// insert a key the target already holds.
TEST(InDatabaseKeysTest, CaseInsensitiveColumnsOnPostgreSql) {
    QM_REQUIRE_PG(server);
    for (const QString& db : {u"qm_source"_s, u"qm_target"_s}) {
        pgExec(server, db,
               {u"CREATE COLLATION IF NOT EXISTS qm_ci (provider = icu, locale = "
                "'und-u-ks-level2', deterministic = false)"_s,
                u"CREATE EXTENSION IF NOT EXISTS citext"_s});
    }
    QStringList rows;
    for (int i = 0; i < 200; ++i) {
        rows << u"('k%1', 'v%1')"_s.arg(i);
    }
    const QString common = rows.join(u", "_s);
    {
        SCOPED_TRACE("a value's letter case");
        DbSides sides(server);
        const QString columns = u"k text PRIMARY KEY, v text COLLATE qm_ci"_s;
        const SideTable src = sides.make(Backend::Pg, true, columns, common + u", ('x', 'abc')"_s);
        const SideTable dst = sides.make(Backend::Pg, false, columns, common + u", ('x', 'ABC')"_s);
        const Outcome full = run(sides.folder().aliasFile(), src, dst, u"k"_s, std::nullopt);
        ASSERT_TRUE(full.opened) << full.errors.join(u'\n').toStdString();
        EXPECT_TRUE(full.script.contains(
            u"UPDATE %1 SET v = 'abc'/* Was: 'ABC' */ WHERE k = 'x';"_s.arg(dst.table)))
            << full.script.join(u'\n').toStdString();
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"k"_s, 200000);
        EXPECT_EQ(inDb.script, full.script);
    }
    for (const QString& type : {u"text COLLATE qm_ci"_s, u"citext"_s}) {
        SCOPED_TRACE(type.toStdString());
        DbSides sides(server);
        // The source holds both keys (no unique key there); the target's key
        // is unique under the same rule, so inserting 'ABC' would fail.
        const SideTable src = sides.make(Backend::Pg, true, u"k %1, v text"_s.arg(type),
                                         common + u", ('abc', 'a'), ('ABC', 'b')"_s);
        const SideTable dst =
            sides.make(Backend::Pg, false, u"k %1 PRIMARY KEY, v text"_s.arg(type),
                       common + u", ('abc', 'a')"_s);
        const Outcome full = run(sides.folder().aliasFile(), src, dst, u"k"_s, std::nullopt);
        EXPECT_FALSE(full.opened);
        ASSERT_EQ(full.errors.size(), 1);
        // The two rows tie in the query's order, so either may come first.
        for (const QString& part :
             {u"the source database finds k = '"_s, u"k = 'abc'"_s, u"k = 'ABC'"_s}) {
            EXPECT_TRUE(full.errors.first().contains(part)) << full.errors.first().toStdString();
        }
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"k"_s, 200000);
        EXPECT_FALSE(inDb.opened);
        EXPECT_EQ(inDb.errors, full.errors);
    }
}

// Databases whose sessions print values otherwise (fewer float digits,
// other interval, date and bytea styles, other zones): every value is read
// exactly as stored, in both modes, and equal values stay equal.
TEST(InDatabaseSessionSettingsTest, ValuesReadExactlyWhateverTheDatabaseSets) {
    QM_REQUIRE_PG(server);
    const auto [sourceDb, targetDb] = oddlySetDatabases(server);
    const QString columns =
        u"k integer PRIMARY KEY, f double precision, r real, iv interval, d date, "
        "ts timestamptz, b bytea, n numeric"_s;
    const auto row = [](int k, const QString& f, const QString& iv) {
        return u"(%1, %2, %3, '%4', '2024-02-%5', '2024-01-01 12:00:00.123456+00', "
               "'\\x00ff5c%6', %7.50)"_s.arg(k)
                   .arg(f)
                   .arg(k / 3.0, 0, 'g', 9)
                   .arg(iv)
                   .arg(1 + k % 28, 2, 10, QChar(u'0'))
                   .arg(k % 256, 2, 16, QChar(u'0'))
                   .arg(k);
    };
    QStringList sourceRows;
    QStringList targetRows;
    for (int k = 1; k <= 40; ++k) {
        const QString f = exactText(k / 7.0);
        const QString iv = u"1 year 2 mons %1 days 04:05:06.5"_s.arg(k);
        sourceRows << row(k, k == 1 ? u"0.30000000000000004"_s : f, iv);
        targetRows << row(k, k == 1 ? u"0.3"_s : f,
                          k == 2 ? u"1 year 2 mons 2 days 04:05:07.5"_s : iv);
    }
    DbSides sides(server, sourceDb, targetDb);
    const SideTable src = sides.make(Backend::Pg, true, columns, sourceRows.join(u", "_s));
    const SideTable dst = sides.make(Backend::Pg, false, columns, targetRows.join(u", "_s));
    const Outcome full = run(sides.folder().aliasFile(), src, dst, u"k"_s, std::nullopt);
    ASSERT_TRUE(full.opened) << full.errors.join(u'\n').toStdString();
    EXPECT_EQ(
        full.script.mid(1),
        (QStringList{
            u"UPDATE %1 SET f = 0.30000000000000004/* Was: 0.3 */ WHERE k = 1;"_s.arg(dst.table),
            u"UPDATE %1 SET iv = '1 year 2 mons 2 days 04:05:06.5'/* Was: '1 year 2 mons 2 "
            "days 04:05:07.5' */ WHERE k = 2;"_s.arg(dst.table)}));
    const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"k"_s, 200000);
    EXPECT_EQ(inDb.script, full.script);

    // Executed, the target holds the source's values, and nothing is left.
    const SyncRun sync =
        syncTables(sides.folder().aliasFile(), src.alias, dst.alias, src.table, dst.table, u"k"_s);
    ASSERT_TRUE(sync.failure.isEmpty()) << sync.failure.toStdString();
    EXPECT_EQ(sync.secondScript.size(), 1) << sync.secondScript.join(u'\n').toStdString();
    const QString all = u"SELECT * FROM %1 ORDER BY k"_s;
    EXPECT_EQ(pgRows(server, targetDb, all.arg(dst.table)),
              pgRows(server, sourceDb, all.arg(src.table)));
}

// The sums run the side's query like any reading of a side: read-only, so a
// query that would write (here by drawing sequence numbers) is refused by
// the server and changes nothing, even where no row would be loaded.
TEST(InDatabaseReadOnlyTest, AQueryThatWritesIsRefusedAndChangesNothing) {
    QM_REQUIRE_PG(server);
    DbSides sides(server);
    const QString columns = u"id INTEGER PRIMARY KEY, n SERIAL, v TEXT"_s;
    const QString rows = u"(1, 1, 'a'), (2, 2, 'b'), (3, 3, 'c')"_s;
    const SideTable src = sides.make(Backend::Pg, true, columns, rows);
    const SideTable dst = sides.make(Backend::Pg, false, columns, rows);
    const QString sequence = u"pg_get_serial_sequence('%1', 'n')"_s.arg(src.table);
    EngineHarness h(sides.folder().aliasFile());
    h.configure(src.alias, dst.alias,
                {u"SELECT id, v, nextval(%1) AS drawn FROM %2"_s.arg(sequence, src.table),
                 u"SELECT id, v, 1 AS drawn FROM "_s + dst.table, u"id"_s});
    InDatabaseCompare compare(h.dm);
    EXPECT_THROW(compare.restrictCurrentTableSetup(), DatabaseError);

    // No number was ever drawn from the sequence (the rows were inserted
    // with their numbers given).
    Query drawn(h.dm.SourceDatabase());
    drawn.setSql(
        u"SELECT CASE WHEN pg_sequence_last_value(%1::regclass) IS NULL THEN 'none' "
        "ELSE 'drawn' END"_s.arg(sequence));
    drawn.open();
    EXPECT_EQ(drawn.text(0), u"none"_s);
}

// Column names that hold what looks like a placeholder of the SQL the sums
// are built from ("%2") reach the database as they are, on both engines and
// under rules too.
TEST_P(InDatabaseProofTest, ColumnNamesHoldingPercentSigns) {
    const Backend backend = GetParam();
    std::optional<PgServer> pg;
    if (backend == Backend::Pg) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    const QString columns =
        u"id INTEGER PRIMARY KEY, \"a%2b\" VARCHAR(20), \"c%1%3\" INTEGER, \"d%4\" REAL"_s;
    QStringList rows;
    for (int i = 0; i < 30; ++i) {
        rows << u"(%1, 'v%1', %1, %1.5)"_s.arg(i);
    }
    QStringList targetRows = rows;
    targetRows[4] = u"(4, 'V4', 5, 4.5)"_s;
    DbSides sides(pg);
    const SideTable src = sides.make(backend, true, columns, rows.join(u", "_s));
    const SideTable dst = sides.make(backend, false, columns, targetRows.join(u", "_s));
    for (const QString& rules : {QString(), u"a%2b: nocase; c%1%3: abs=0.5; d%4: abs=2"_s}) {
        SCOPED_TRACE(rules.toStdString());
        const Outcome full = run(sides.folder().aliasFile(), src, dst, u"id"_s, std::nullopt);
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"id"_s, 200000, 0, rules);
        ASSERT_TRUE(inDb.opened) << inDb.errors.join(u'\n').toStdString();
        EXPECT_GE(inDb.rowsLoaded, 1);
        if (rules.isEmpty()) {
            EXPECT_EQ(inDb.script, full.script);
        }
    }
}

// A row of more columns than one SQL function call takes.
TEST(InDatabaseWideRowsTest, GiveTheFullLoadsScript) {
    QStringList columns{u"id INTEGER PRIMARY KEY"_s};
    for (int c = 1; c <= 300; ++c) {
        columns << u"c%1 INTEGER"_s.arg(c);
    }
    const auto rows = [](int changedColumn) {
        QStringList out;
        for (int r = 0; r < 20; ++r) {
            QStringList values{QString::number(r)};
            for (int c = 1; c <= 300; ++c) {
                values << QString::number(r == 7 && c == changedColumn ? -1 : r * c);
            }
            out << u"("_s + values.join(u", "_s) + u")"_s;
        }
        return out.join(u", "_s);
    };
    for (const int changed : {1, 150, 300}) {
        SCOPED_TRACE(changed);
        DbSides sides(std::nullopt);
        const SideTable src = sides.make(Backend::Sqlite, true, columns.join(u", "_s), rows(0));
        const SideTable dst =
            sides.make(Backend::Sqlite, false, columns.join(u", "_s), rows(changed));
        const Outcome full = run(sides.folder().aliasFile(), src, dst, u"id"_s, std::nullopt);
        const Outcome inDb = run(sides.folder().aliasFile(), src, dst, u"id"_s, 200000);
        ASSERT_TRUE(inDb.opened) << inDb.errors.join(u'\n').toStdString();
        EXPECT_EQ(full.script.size(), 2);
        EXPECT_EQ(inDb.script, full.script);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, InDatabaseProofTest,
                         ::testing::Values(Backend::Sqlite, Backend::Pg),
                         [](const ::testing::TestParamInfo<Backend>& tp) {
                             return tp.param == Backend::Pg ? "PostgreSQL" : "SQLite";
                         });

}  // namespace
}  // namespace qm::test
