// Values reach the target exactly as the source holds them: small SQLite
// pairs, each showing one way a value could change on the way, are
// scripted, executed and read back cell by cell (storage class and bytes).

#include "SqliteSync.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include "support/PgScratch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct FidelityCase {
    const char* name;
    QString columns;     // of table t
    QStringList source;  // statements filling the source table
    QStringList target;  // statements filling the target table
    QString key;
    QStringList mustWrite;  // script lines that must be there
};

void PrintTo(const FidelityCase& c, std::ostream* os) {
    *os << c.name;
}

class ValueFidelityTest : public ::testing::TestWithParam<FidelityCase> {};

TEST_P(ValueFidelityTest, TargetHoldsTheSourceValuesExactly) {
    const FidelityCase& c = GetParam();
    AliasFolder folder;
    const QString create = u"CREATE TABLE t (%1)"_s.arg(c.columns);
    const QString src = folder.addSqlite(u"Src"_s, QStringList{create} + c.source);
    const QString dst = folder.addSqlite(u"Dst"_s, QStringList{create} + c.target);
    ASSERT_NE(sqliteCells(src, u"t"_s), sqliteCells(dst, u"t"_s)) << "the pair must differ";

    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, c.key);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n"
                                       << run.script.join(u'\n').toStdString();
    for (const QString& line : c.mustWrite) {
        EXPECT_TRUE(run.script.contains(line)) << "missing: " << line.toStdString() << "\nscript:\n"
                                               << run.script.join(u'\n').toStdString();
    }
    EXPECT_EQ(sqliteCells(dst, u"t"_s), sqliteCells(src, u"t"_s))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueFidelityTest,
    ::testing::Values(
        // A key of U+FEFF alone is not the empty text.
        FidelityCase{"ByteOrderMarkKey",
                     u"k TEXT PRIMARY KEY, v TEXT"_s,
                     {u"INSERT INTO t VALUES ('', 'empty'), ('\uFEFFx', 'mark first')"_s},
                     {u"INSERT INTO t VALUES ('', 'empty'), ('\uFEFF', 'mark only'), "
                      "('x', 'mark first')"_s},
                     u"k"_s,
                     {u"DELETE FROM t WHERE k = '\uFEFF';"_s,
                      u"INSERT INTO t (k, v) VALUES ('\uFEFFx', 'mark first');"_s}},
        FidelityCase{"ByteOrderMarkValue",
                     u"k INTEGER PRIMARY KEY, v TEXT"_s,
                     {u"INSERT INTO t VALUES (1, '\uFEFF'), (2, '\uFEFF\uFEFFab')"_s},
                     {u"INSERT INTO t VALUES (1, ''), (2, 'ab')"_s},
                     u"k"_s,
                     {}},
        // Integers beyond 2^53 in fixed-point columns stay exact, as keys too.
        FidelityCase{"BigFixedPointIntegers",
                     u"k NUMERIC PRIMARY KEY, v DECIMAL(20,0), r NUMERIC"_s,
                     {u"INSERT INTO t VALUES (9007199254740993, 9223372036854775807, 1.5), "
                      "(9007199254740992, 9223372036854775806, 0.1), "
                      "(-9223372036854775808, -9223372036854775807, 12)"_s},
                     {u"INSERT INTO t VALUES (9007199254740992, 9223372036854775807, 0.1), "
                      "(-9223372036854775808, -9223372036854775807, 12)"_s},
                     u"k"_s,
                     {u"INSERT INTO t (k, v, r) VALUES (9007199254740993, 9223372036854775807, "
                      "1.5);"_s}},
        // Whole reals from 2^53 on, as keys and values: their shortest text
        // would be read as an integer, which is not the stored real.
        FidelityCase{"WholeRealsBeyondExactIntegers",
                     u"k REAL PRIMARY KEY, v TEXT, r REAL"_s,
                     {u"INSERT INTO t VALUES (1.2345678901234567e18, 'a', 9007199254740994.0), "
                      "(-8.724192380165389e18, 'e', 1.0), (3.0, 'c', -1.2345678901234567e18)"_s},
                     {u"INSERT INTO t VALUES (1.2345678901234567e18, 'old', 1.0), "
                      "(-8.724192380165389e18, 'old', 1.0), (3.0, 'c', 0)"_s},
                     u"k"_s,
                     {u"UPDATE t SET v = 'a'/* Was: 'old' */, r = 9007199254740994.0/* Was: 1 */ "
                      "WHERE k = 1234567890123456800.0;"_s,
                      u"UPDATE t SET v = 'e'/* Was: 'old' */ WHERE k = -8724192380165389000.0;"_s,
                      u"UPDATE t SET r = -1234567890123456800.0/* Was: 0 */ WHERE k = 3;"_s}},
        // Without a declared type every value keeps its class.
        FidelityCase{"StorageClassesWithoutType",
                     u"k INTEGER PRIMARY KEY, v"_s,
                     {u"INSERT INTO t VALUES (1, 1), (2, 1.0), (3, '1'), (4, X'31'), (5, 2.0), "
                      "(6, X'00FF80'), (7, X''), (8, 9223372036854775807), (9, 'text'), "
                      "(10, -0.5)"_s},
                     {u"INSERT INTO t VALUES (1, '1'), (2, 1), (3, X'31'), (4, 1), (5, 2), "
                      "(6, 'x'), (7, NULL), (8, 9.223372036854776e18), (9, X'74657874'), "
                      "(10, '-0.5')"_s},
                     u"k"_s,
                     {u"UPDATE t SET v = 1/* Was: '1' */ WHERE k = 1;"_s,
                      u"UPDATE t SET v = 1.0/* Was: 1 */ WHERE k = 2;"_s,
                      u"UPDATE t SET v = '1'/* Was: X'31' */ WHERE k = 3;"_s,
                      u"UPDATE t SET v = X'31'/* Was: 1 */ WHERE k = 4;"_s,
                      u"UPDATE t SET v = X'00FF80'/* Was: 'x' */ WHERE k = 6;"_s}},
        // Values of another class than the declared type's.
        FidelityCase{"OffTypeValuesInTypedColumns",
                     u"k INTEGER PRIMARY KEY, t TEXT, b BLOB, f BOOLEAN, i INTEGER, r REAL"_s,
                     {u"INSERT INTO t VALUES (1, X'41', 'text', 2, 'abc', 'x'), "
                      "(2, 'A', X'74657874', 1, 5, 2.5), (3, X'00', X'', 0, 1.5, X'01')"_s},
                     {u"INSERT INTO t VALUES (1, 'A', X'74657874', 1, 5, 2.5), "
                      "(2, X'41', 'text', 0, 'abc', 'x'), (3, '', NULL, 1, 1, 1.5)"_s},
                     u"k"_s,
                     {}},
        // A typed column of its own kind keeps today's script form.
        FidelityCase{"OrdinaryColumnsKeepTheirForm",
                     u"k INTEGER PRIMARY KEY, name TEXT, flag BOOLEAN, b BLOB"_s,
                     {u"INSERT INTO t VALUES (1, 'Oslo', 1, X'00FF')"_s},
                     {u"INSERT INTO t VALUES (1, 'Oslo ', 0, X'FF')"_s},
                     u"k"_s,
                     {u"UPDATE t SET name = 'Oslo'/* Was: 'Oslo ' */, flag = 1/* Was: 0 */, "
                      "b = X'00FF'/* Was: X'FF' */ WHERE k = 1;"_s}},
        // An empty blob is not a null one.
        FidelityCase{"BinaryNullAndEmpty",
                     u"k INTEGER PRIMARY KEY, b BLOB"_s,
                     {u"INSERT INTO t VALUES (1, X''), (2, NULL)"_s},
                     {u"INSERT INTO t VALUES (1, NULL), (2, X'')"_s},
                     u"k"_s,
                     {u"UPDATE t SET b = X''/* Was: NULL */ WHERE k = 1;"_s,
                      u"UPDATE t SET b = NULL/* Was: X'' */ WHERE k = 2;"_s}},
        // NUL characters in text, in values and keys.
        FidelityCase{"TextWithNul",
                     u"k TEXT PRIMARY KEY, v TEXT"_s,
                     {u"INSERT INTO t VALUES ('a', 'x' || char(0) || 'y'), "
                      "('b' || char(0), char(0)), ('c', char(0) || char(0) || 'z''s')"_s},
                     {u"INSERT INTO t VALUES ('a', 'x'), ('b', ''), ('c', '')"_s},
                     u"k"_s,
                     {u"UPDATE t SET v = 'x' || char(0) || 'y'/* Was: 'x' */ WHERE k = 'a';"_s,
                      u"INSERT INTO t (k, v) VALUES ('b' || char(0), char(0));"_s,
                      u"DELETE FROM t WHERE k = 'b';"_s}},
        // Text bytes that are not UTF-8 are kept as they are.
        FidelityCase{"TextThatIsNotUtf8",
                     u"k INTEGER PRIMARY KEY, v TEXT"_s,
                     {u"INSERT INTO t VALUES (1, CAST(X'61FF62' AS TEXT))"_s},
                     {u"INSERT INTO t VALUES (1, 'a')"_s},
                     u"k"_s,
                     {u"UPDATE t SET v = CAST(X'61FF62' AS TEXT)/* Was: 'a' */ WHERE k = 1;"_s}}),
    [](const auto& param) { return std::string(param.param.name); });

// A source value the target column's declared type does not hold (text
// in an INTEGER column) is compared as different and stored as it is, as
// SQLite allows. As a key it is refused by name: the key column keeps
// matching the text '1' with the integer 1.
TEST(ValueFidelity, SqliteTargetColumnTakesTextOfAnotherType) {
    AliasFolder folder;
    folder.addSqlite(u"Src"_s, {u"CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT)"_s,
                                u"INSERT INTO t VALUES ('1', 'abc'), ('3', '')"_s});
    const QString dst = folder.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER, v INTEGER)"_s,
                                                    u"INSERT INTO t VALUES (1, 5), (2, 2)"_s});
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    EXPECT_TRUE(run.script.contains(u"UPDATE t SET v = 'abc'/* Was: 5 */ WHERE k = 1;"_s))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(sqliteCells(dst, u"t"_s),
              (QStringList{u"integer:1 | text:616263"_s, u"integer:3 | text:"_s}))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();

    for (const QString& key : {u"abc"_s, u"0x10"_s, QString()}) {
        AliasFolder keys;
        keys.addSqlite(u"Src"_s, {u"CREATE TABLE t (k TEXT PRIMARY KEY, v TEXT)"_s,
                                  u"INSERT INTO t VALUES ('%1', 'x')"_s.arg(key)});
        const QString target =
            keys.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'y')"_s});
        const SyncRun refused = syncTables(keys.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, u"k"_s);
        EXPECT_TRUE(refused.failure.startsWith(u"script: "_s)) << refused.failure.toStdString();
        EXPECT_TRUE(refused.failure.contains(u"key field \"k\""_s))
            << refused.failure.toStdString();
        EXPECT_TRUE(refused.failure.contains(u"'%1'"_s.arg(key))) << refused.failure.toStdString();
        EXPECT_EQ(sqliteCells(target, u"t"_s), QStringList{u"integer:1 | text:79"_s});
    }
}

// A real whose shortest text SQLite 3.40 reads one unit in the last place
// off arrives exactly, in a REAL column and in one without type.
TEST(ValueFidelity, RealsThatSqliteParsesWrongArriveExactly) {
    const double awkward = -2.496913437261125e+303;
    AliasFolder folder;
    const QString create = u"CREATE TABLE t (k INTEGER PRIMARY KEY, r REAL, v)"_s;
    const QString src = folder.addSqlite(u"Src"_s, {create});
    const QString dst = folder.addSqlite(u"Dst"_s, {create, u"INSERT INTO t VALUES (1, 0, 0)"_s});
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(src.toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?1, ?2, ?2)", -1, &stmt, nullptr),
                  SQLITE_OK);
        const double values[] = {awkward, 1e23, 5e-324, 0.1, 123456789.0};
        for (int k = 0; k < 5; ++k) {
            sqlite3_bind_int(stmt, 1, k + 1);
            sqlite3_bind_double(stmt, 2, values[k]);
            EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    }
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    EXPECT_EQ(sqliteCells(dst, u"t"_s), sqliteCells(src, u"t"_s))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
    // Ordinary reals keep their shortest form.
    EXPECT_TRUE(run.script.contains(u"INSERT INTO t (k, r, v) VALUES (4, 0.1, 0.1);"_s))
        << run.script.join(u'\n').toStdString();
    EXPECT_TRUE(
        run.script.contains(u"INSERT INTO t (k, r, v) VALUES (5, 123456789, 123456789.0);"_s))
        << run.script.join(u'\n').toStdString();
}

// Output of one query run by psql, unaligned, tuples only.
QString pgRows(const PgServer& pg, const QString& database, const QString& sql) {
    QProcess psql;
    psql.start(u"psql"_s, {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-v"_s, u"ON_ERROR_STOP=1"_s,
                           u"-h"_s, pg.host, u"-p"_s, QString::number(pg.port), u"-U"_s, pg.user,
                           u"-d"_s, database, u"-c"_s, sql});
    psql.waitForFinished(60000);
    EXPECT_EQ(psql.exitCode(), 0) << psql.readAllStandardError().toStdString();
    return QString::fromUtf8(psql.readAllStandardOutput()).trimmed();
}

// SQLite to PostgreSQL: whole numbers beyond 2^53 stay exact as keys and
// values, a leading U+FEFF stays, an empty blob is not NULL.
TEST(ValueFidelity, ExactValuesReachPostgreSql) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    folder.addSqlite(u"Src"_s,
                     {u"CREATE TABLE t (k NUMERIC PRIMARY KEY, v DECIMAL(20,0), s TEXT, b BLOB)"_s,
                      u"INSERT INTO t VALUES (9007199254740993, 9223372036854775807, '\uFEFF', "
                      "X''), (9007199254740992, 9223372036854775806, '\uFEFFx', NULL)"_s});
    folder.addPg(u"Dst"_s, server, u"qm_target"_s);
    const QString table = scratch.create(
        u"qm_target"_s, u"qm_exact"_s, u"k numeric PRIMARY KEY, v numeric, s text, b bytea"_s,
        u"(9007199254740992, 9223372036854775807, '', NULL), (1, 1, 'x', '\\x00')"_s);
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, table, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n"
                                       << run.script.join(u'\n').toStdString();
    EXPECT_EQ(pgRows(server, u"qm_target"_s,
                     u"SELECT k, v, encode(convert_to(s, 'UTF8'), 'hex'), b IS NULL, "
                     "length(b) FROM %1 ORDER BY k"_s.arg(table)),
              u"9007199254740992|9223372036854775806|efbbbf78|t|\n"
              "9007199254740993|9223372036854775807|efbbbf|f|0"_s)
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

// PostgreSQL text cannot hold NUL: the script is refused, naming the field
// and the row, and nothing is executed.
TEST(ValueFidelity, TextWithNulIsRefusedForPostgreSql) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    folder.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                u"INSERT INTO t VALUES (1, 'ok'), (7, 'a' || char(0) || 'b')"_s});
    folder.addPg(u"Dst"_s, server, u"qm_target"_s);
    const QString table = scratch.create(u"qm_target"_s, u"qm_nul"_s,
                                         u"k integer PRIMARY KEY, v text"_s, u"(1, 'x')"_s);
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, u"t"_s, table, u"k"_s);
    EXPECT_TRUE(run.failure.startsWith(u"script: "_s)) << run.failure.toStdString();
    EXPECT_TRUE(run.failure.contains(u"\"v\""_s)) << run.failure.toStdString();
    EXPECT_TRUE(run.failure.contains(u"k = 7"_s)) << run.failure.toStdString();
    EXPECT_TRUE(run.failure.contains(u"NUL"_s)) << run.failure.toStdString();
    EXPECT_EQ(pgRows(server, u"qm_target"_s, u"SELECT k, v FROM %1"_s.arg(table)), u"1|x"_s);
}

// PostgreSQL to SQLite: a value the SQLite column's declared type does not
// hold (text in an INTEGER column) is stored as it is, neither refused nor
// changed ('' does not become NULL).
TEST(ValueFidelity, SqliteTargetTakesValuesOfAnyClass) {
    QM_REQUIRE_PG(server);
    AliasFolder folder;
    PgScratch scratch(server);
    const QString table =
        scratch.create(u"qm_source"_s, u"qm_any"_s, u"k integer PRIMARY KEY, v text, n numeric"_s,
                       u"(1, 'abc', 9007199254740993), (2, '5', 1.5), (3, '', NULL)"_s);
    folder.addPg(u"Src"_s, server, u"qm_source"_s);
    const QString dst = folder.addSqlite(
        u"Dst"_s, {u"CREATE TABLE %1 (k INTEGER PRIMARY KEY, v INTEGER, n NUMERIC)"_s.arg(table),
                   u"INSERT INTO %1 VALUES (2, 2, 2), (4, 4, 4)"_s.arg(table)});
    const SyncRun run = syncTables(folder.aliasFile(), u"Src"_s, u"Dst"_s, table, u"k"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString() << "\n"
                                       << run.script.join(u'\n').toStdString();
    EXPECT_EQ(sqliteCells(dst, table),
              (QStringList{u"integer:1 | text:616263 | integer:9007199254740993"_s,
                           u"integer:2 | integer:5 | real:3ff8000000000000 (1.5)"_s,
                           u"integer:3 | text: | null"_s}))
        << run.script.join(u'\n').toStdString();
    EXPECT_EQ(run.secondScript.size(), 1) << run.secondScript.join(u'\n').toStdString();
}

}  // namespace
}  // namespace qm::test
