// PostgreSQL values that are easy to get wrong: time stamps with time zone
// seen from sessions in different zones, NaN and infinities, and source
// values the target's column type cannot hold.

#include "SqliteSync.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

QString psqlRows(const PgServer& pg, const QString& database, const QString& sql) {
    QProcess psql;
    psql.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s,
                           u"-h"_s, pg.host, u"-p"_s, QString::number(pg.port), u"-U"_s, pg.user,
                           u"-d"_s, database, u"-c"_s, sql});
    psql.waitForFinished(60000);
    EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

// A PostgreSQL alias whose sessions start in another time zone than UTC,
// as a database or role setting would make them.
void addPgInZone(AliasFolder& folder, const QString& alias, const PgServer& pg,
                 const QString& database, const QString& zone) {
    folder.addAlias(alias,
                    {u"Driver=PSQL"_s, u"Host="_s + pg.host, u"Port="_s + QString::number(pg.port),
                     u"User="_s + pg.user, u"Database="_s + database,
                     u"Options=options='-c TimeZone=%1'"_s.arg(zone)});
}

// The same instant read in Tokyo and in New York is one value; a new row
// arrives at its instant, not shifted by the zones' difference.
TEST(PgSpecialValues, TimestampWithTimeZoneKeepsItsInstantAcrossZones) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    const QString columns = u"k integer PRIMARY KEY, ts timestamptz, plain timestamp"_s;
    const QString src = scratch.create(u"qm_source"_s, u"qm_tz"_s, columns,
                                       u"(1, '2024-01-01 12:00:00+00', '2024-01-01 12:00:00'), "
                                       "(2, '2024-06-30 23:30:00.25+00', '2024-06-30 23:30:00'), "
                                       "(3, '2024-03-01 00:00:00+00', NULL)"_s);
    const QString dst = scratch.create(u"qm_target"_s, u"qm_tz"_s, columns,
                                       u"(1, '2024-01-01 21:00:00+09', '2024-01-01 12:00:00'), "
                                       "(3, '2024-02-01 09:00:00+09', NULL)"_s);
    addPgInZone(folder, u"Src"_s, server, u"qm_source"_s, u"America/New_York"_s);
    addPgInZone(folder, u"Dst"_s, server, u"qm_target"_s, u"Asia/Tokyo"_s);
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, dst, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    // The offset goes with the time stamp, so that the script means the same
    // instant in any session, the old value's as much as the new one's; a
    // time stamp without time zone has none.
    EXPECT_EQ(
        run.script,
        (QStringList{
            run.script.value(0),
            u"UPDATE %1 SET ts = '2024-03-01 00:00:00+00'/* Was: '2024-02-01 00:00:00+00' */ WHERE k = 3;"_s
                .arg(dst),
            u"INSERT INTO %1 (k, ts, plain) VALUES (2, '2024-06-30 23:30:00.25+00', '2024-06-30 23:30:00');"_s
                .arg(dst)}));
    const QString query = u"SET TIME ZONE 'UTC'; SELECT k, ts, plain FROM %1 ORDER BY k"_s;
    EXPECT_EQ(psqlRows(server, u"qm_target"_s, query.arg(dst)),
              psqlRows(server, u"qm_source"_s, query.arg(src)))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

// NaN and the infinities of double precision and numeric arrive as they
// are on PostgreSQL and compare equal to themselves afterwards. A double's
// -0 equals 0, as the database's `=` finds: no statement changes one into
// the other, and a new row keeps its sign.
TEST(PgSpecialValues, NanAndInfinitiesReachPostgreSql) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    const QString columns = u"k integer PRIMARY KEY, n numeric, f double precision"_s;
    const QString src =
        scratch.create(u"qm_source"_s, u"qm_nan"_s, columns,
                       u"(1, 'NaN', 'NaN'), (2, 1, 'Infinity'), (3, 'NaN', '-Infinity'), "
                       "(4, 'Infinity', '-0'), (5, '-Infinity', '-0')"_s);
    const QString dst = scratch.create(u"qm_target"_s, u"qm_nan"_s, columns,
                                       u"(1, 1, 1), (3, 'NaN', 0), (4, 'Infinity', 0)"_s);
    folder.addPg(u"Src"_s, server, u"qm_source"_s);
    folder.addPg(u"Dst"_s, server, u"qm_target"_s);
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, dst, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    const QString query = u"SELECT k, n, f FROM %1 ORDER BY k"_s;
    EXPECT_EQ(psqlRows(server, u"qm_target"_s, query.arg(dst)),
              u"1|NaN|NaN\n2|1|Infinity\n3|NaN|-Infinity\n4|Infinity|0\n5|-Infinity|-0"_s)
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

// Dates and time stamps of PostgreSQL's infinity are read, compared and
// written back as 'infinity': to PostgreSQL as the value itself, to SQLite
// as that text, which reads back as the same value.
TEST(PgSpecialValues, InfiniteDatesAreReadAndWrittenBack) {
    QM_REQUIRE_PG(server);
    PgScratch scratch(server);
    const QString columns = u"k integer PRIMARY KEY, d date, ts timestamp, tz timestamptz"_s;
    const QString src = scratch.create(
        u"qm_source"_s, u"qm_inf"_s, columns,
        u"(1, 'infinity', 'infinity', 'infinity'), (2, '-infinity', '-infinity', '-infinity'), "
        "(3, '2024-01-01', 'infinity', '-infinity')"_s);
    {
        AliasFolder folder;
        folder.addPg(u"Src"_s, server, u"qm_source"_s);
        folder.addPg(u"Dst"_s, server, u"qm_target"_s);
        const QString dst = scratch.create(
            u"qm_target"_s, u"qm_inf"_s, columns,
            u"(1, 'infinity', 'infinity', 'infinity'), (3, 'infinity', '2024-01-01', "
            "'2024-01-01 00:00:00+00')"_s);
        const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, dst, u"k"_s);
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
        EXPECT_EQ(run.script.size(), 3) << run.script.join(u'\n').toStdString();
        const QString query = u"SELECT k, d, ts, tz FROM %1 ORDER BY k"_s;
        EXPECT_EQ(psqlRows(server, u"qm_target"_s, query.arg(dst)),
                  psqlRows(server, u"qm_source"_s, query.arg(src)))
            << run.script.join(u'\n').toStdString();
        EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
    }
    {
        AliasFolder folder;
        folder.addPg(u"Src"_s, server, u"qm_source"_s);
        const QString dst = folder.addSqlite(
            u"Dst"_s,
            {u"CREATE TABLE %1 (k INTEGER PRIMARY KEY, d DATE, ts TIMESTAMP, tz TIMESTAMP)"_s.arg(
                src)});
        const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, u"k"_s);
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
        EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
        const QString inf = u"text:"_s + QString::fromLatin1(QByteArray("infinity").toHex());
        const QString minus = u"text:"_s + QString::fromLatin1(QByteArray("-infinity").toHex());
        EXPECT_EQ(sqliteCells(dst, src).value(1), u"integer:2 | %1 | %1 | %1"_s.arg(minus));
        EXPECT_EQ(sqliteCells(dst, src).value(0), u"integer:1 | %1 | %1 | %1"_s.arg(inf));
    }
}

// A numeric NaN as a key finds its row, on a PostgreSQL target and on a
// SQLite one (which keeps it as the text 'NaN'), and the next comparison
// is clean.
TEST(PgSpecialValues, NumericNanKeyFindsItsRow) {
    QM_REQUIRE_PG(server);
    PgScratch scratch(server);
    const QString src =
        scratch.create(u"qm_source"_s, u"qm_nank"_s, u"k numeric PRIMARY KEY, v text"_s,
                       u"('NaN', 'a'), (1, 'b')"_s);
    {
        AliasFolder folder;
        folder.addPg(u"Src"_s, server, u"qm_source"_s);
        folder.addPg(u"Dst"_s, server, u"qm_target"_s);
        const QString dst =
            scratch.create(u"qm_target"_s, u"qm_nank"_s, u"k numeric PRIMARY KEY, v text"_s,
                           u"('NaN', 'old'), (2, 'c')"_s);
        const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, dst, u"k"_s);
        ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
        EXPECT_TRUE(run.script.contains(
            u"UPDATE %1 SET v = 'a'/* Was: 'old' */ WHERE k = 'NaN';"_s.arg(dst)))
            << run.script.join(u'\n').toStdString();
        EXPECT_EQ(psqlRows(server, u"qm_target"_s, u"SELECT k, v FROM %1 ORDER BY k"_s.arg(dst)),
                  u"1|b\nNaN|a"_s);
        EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
    }
    {
        AliasFolder folder;
        folder.addPg(u"Src"_s, server, u"qm_source"_s);
        const QString dst = folder.addSqlite(
            u"Dst"_s, {u"CREATE TABLE %1 (k NUMERIC PRIMARY KEY, v TEXT)"_s.arg(src)});
        for (int round = 0; round < 2; ++round) {
            const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, u"k"_s);
            ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
            EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
            EXPECT_EQ(sqliteCells(dst, src),
                      (QStringList{u"integer:1 | text:62"_s, u"text:4e614e | text:61"_s}));
        }
    }
}

// PostgreSQL keeps the end of the day, 24:00:00, apart from midnight: it is
// compared as a value of its own and written back as itself.
TEST(PgSpecialValues, EndOfTheDayStaysApartFromMidnight) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    const QString columns = u"k integer PRIMARY KEY, t time"_s;
    const QString src =
        scratch.create(u"qm_source"_s, u"qm_eod"_s, columns,
                       u"(1, '24:00:00'), (2, '00:00:00'), (3, '23:59:59.999999')"_s);
    const QString dst = scratch.create(u"qm_target"_s, u"qm_eod"_s, columns,
                                       u"(1, '00:00:00'), (2, '24:00:00'), (3, '24:00:00')"_s);
    folder.addPg(u"Src"_s, server, u"qm_source"_s);
    folder.addPg(u"Dst"_s, server, u"qm_target"_s);
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, src, dst, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    EXPECT_EQ(run.script.size(), 4) << run.script.join(u'\n').toStdString();
    const QString query = u"SELECT k, t FROM %1 ORDER BY k"_s;
    EXPECT_EQ(psqlRows(server, u"qm_target"_s, query.arg(dst)),
              u"1|24:00:00\n2|00:00:00\n3|23:59:59.999999"_s)
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

// Values that no literal of the target can hold, or that the source cannot
// read, are refused with the field and the value named; nothing is written.
TEST(PgSpecialValues, ValuesWithoutPlaceAreRefusedByName) {
    QM_REQUIRE_PG(server);
    PgScratch scratch(server);
    struct Case {
        const char* name;
        QString pgColumns;  // of the PostgreSQL source table
        QString pgRows;
        QString sqliteColumns;  // of the SQLite target table
        QStringList mustSay;
    };
    const Case cases[] = {
        {"float NaN into SQLite",
         u"k integer PRIMARY KEY, f double precision"_s,
         u"(4, 'NaN')"_s,
         u"k INTEGER PRIMARY KEY, f REAL"_s,
         {u"\"f\""_s, u"k = 4"_s, u"NaN"_s}},
        {"date after 9999",
         u"k integer PRIMARY KEY, d date"_s,
         u"(1, '12000-01-01')"_s,
         u"k INTEGER PRIMARY KEY, d DATE"_s,
         {u"\"d\""_s, u"'12000-01-01'"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder folder;
        const QString table = scratch.create(u"qm_source"_s, u"qm_odd"_s, c.pgColumns, c.pgRows);
        folder.addPg(u"Src"_s, server, u"qm_source"_s);
        const QString dst =
            folder.addSqlite(u"Dst"_s, {u"CREATE TABLE %1 (%2)"_s.arg(table, c.sqliteColumns)});
        const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, table, u"k"_s);
        for (const QString& part : c.mustSay) {
            EXPECT_TRUE(run.failure.contains(part)) << run.failure.toStdString();
        }
        EXPECT_TRUE(sqliteCells(dst, table).isEmpty());
    }
}

// A source value an integer column of PostgreSQL cannot hold: the message
// names the field, the value and what the target's column holds, for a key
// (even with the target empty) and for an ordinary value.
TEST(PgSpecialValues, TextForAnIntegerColumnIsRefusedByName) {
    QM_REQUIRE_PG(server);
    PgScratch scratch(server);
    struct Case {
        const char* name;
        QString targetRows;
        QString source;  // rows of the SQLite source table (k TEXT, v TEXT)
        QStringList mustSay;
    };
    const Case cases[] = {
        {"key, target empty",
         {},
         u"('abc', '1')"_s,
         {u"source value 'abc' of key field \"k\""_s, u"holds integers"_s}},
        {"key beyond 64 bits",
         u"(1, 1)"_s,
         u"('9223372036854775808', '1')"_s,
         {u"'9223372036854775808' of key field \"k\""_s, u"holds integers"_s}},
        {"empty key",
         u"(1, 1)"_s,
         u"('', '1')"_s,
         {u"source value '' of key field \"k\""_s, u"holds integers"_s}},
        {"value",
         u"(1, 5)"_s,
         u"('1', 'abc')"_s,
         {u"source value 'abc' of field \"v\" (source row with k = '1')"_s, u"holds integers"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder folder;
        folder.addSqlite(u"Src"_s, {u"CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT)"_s,
                                    u"INSERT INTO t VALUES %1"_s.arg(c.source)});
        const QString table = scratch.create(u"qm_target"_s, u"qm_int"_s,
                                             u"k integer PRIMARY KEY, v integer"_s, c.targetRows);
        folder.addPg(u"Dst"_s, server, u"qm_target"_s);
        const SyncRun run =
            syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, table, u"k"_s);
        for (const QString& part : c.mustSay) {
            EXPECT_TRUE(run.failure.contains(part)) << run.failure.toStdString();
        }
        EXPECT_FALSE(run.failure.contains(u"variant"_s)) << run.failure.toStdString();
    }
}

}  // namespace
}  // namespace qm::test
