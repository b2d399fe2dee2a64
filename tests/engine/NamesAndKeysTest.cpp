#include "SqliteEngineFixture.h"
#include "common/Errors.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// The rows of an SQLite query, each row's values (storage class:value) joined by "|".
QStringList sqliteRows(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    QStringList rows;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql.toStdString();
    }
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList values;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            static const char* const kinds[] = {"?", "integer", "real", "text", "blob", "null"};
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            values << u"%1:%2"_s.arg(QString::fromUtf8(kinds[sqlite3_column_type(stmt, i)]),
                                     text ? QString::fromUtf8(text) : u"NULL"_s);
        }
        rows << values.join(u'|');
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

class NamesAndKeysTest : public SqliteEngineTest {
protected:
    void nameTable(const QString& table) {
        MemData& t = h.dm.TablesMemData();
        t.edit();
        t.setAsText(h.dm.tableFields().Name, u"T"_s);
        t.setAsText(h.dm.tableFields().DestTableName, table);
        t.post();
    }
    /// Brings the target in line with the source and writes the script.
    void mergeAndScript() {
        h.dm.ChangeDataToEqualSource();
        h.dm.ScriptCurrentTableSetup(true);
    }
    /// Runs the script's statements on the target database.
    void executeScript() { sqliteExec(folder.path(u"Dst.db"_s), h.view.script); }
    QString messages() const { return h.view.messages().join(u'\n'); }
};

// Integer keys at both ends of the 64-bit range, and next to them, in one
// column: compared, scripted and executed, and the next comparison is clean.
TEST_F(NamesAndKeysTest, KeysAtTheEndsOfTheIntegerRangeAreComparedAndScripted) {
    // Rows out of key order, so that the keys are indexed by value.
    const QString create = u"CREATE TABLE t (id INTEGER, v TEXT)"_s;
    makeDatabases({create,
                   u"INSERT INTO t VALUES (-9223372036854775807 - 1, 'low'), "
                   "(9223372036854775807, 'high'), (9223372036854775806, 'new'), "
                   "(0, 'zero')"_s},
                  {create,
                   u"INSERT INTO t VALUES (-9223372036854775807 - 1, 'LOW'), "
                   "(9223372036854775807, 'high'), (-9223372036854775807, 'gone'), "
                   "(0, 'zero')"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    nameTable(u"t"_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    ASSERT_EQ(messages(), QString());
    mergeAndScript();
    EXPECT_EQ(messages(), QString());
    EXPECT_EQ(h.view.script,
              (QStringList{
                  u"/* Statements for Table Setup \"T\" */"_s,
                  u"UPDATE t SET v = 'low'/* Was: 'LOW' */ WHERE id = -9223372036854775808;"_s,
                  u"INSERT INTO t (id, v) VALUES (9223372036854775806, 'new');"_s,
                  u"DELETE FROM t WHERE id = -9223372036854775807;"_s,
              }));
    executeScript();
    const QString sorted = u"SELECT * FROM t ORDER BY id"_s;
    EXPECT_EQ(sqliteRows(folder.path(u"Dst.db"_s), sorted),
              sqliteRows(folder.path(u"Src.db"_s), sorted));
}

// Column names that are reserved words, hold blanks, hyphens or quotes, or
// equal the names of the engine's own columns: compared, scripted and
// executed like any other, and the next comparison is clean.
TEST_F(NamesAndKeysTest, AnyColumnNameIsComparedAndScripted) {
    const QString create =
        u"CREATE TABLE \"odd t\" (\"my key\" INTEGER, \"a-b\" TEXT, Del INTEGER, RecId INTEGER, "
        "NewField TEXT, \"order\" TEXT, \"group\" INTEGER, \"say \"\"hi\"\"\" TEXT)"_s;
    makeDatabases({create,
                   u"INSERT INTO \"odd t\" VALUES (1, 'x', 0, 10, 'n', 'o', 1, 'h'), "
                   "(2, 'y', 1, 20, 'm', 'p', 2, 'i'), (3, 'z', 0, 30, 'q', 'r', 3, 'j')"_s},
                  {create,
                   u"INSERT INTO \"odd t\" VALUES (1, 'x', 0, 10, 'n', 'o', 1, 'h'), "
                   "(2, 'Y', 0, 21, 'm', 'P', 2, 'i'), (4, 'w', 1, 40, 's', 't', 4, 'k')"_s});
    const QString query = u"SELECT * FROM \"odd t\" ORDER BY \"my key\""_s;
    configure({query, query, u"my key"_s});
    nameTable(u"\"odd t\""_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    ASSERT_EQ(messages(), QString());
    EXPECT_EQ(EngineHarness::rows(target(), {u"OnlyInDest"_s, u"Difference"_s}),
              (QStringList{u"False|False"_s, u"False|True"_s, u"True|False"_s}));
    EXPECT_EQ(EngineHarness::rows(source(), {u"OnlyInSource"_s}),
              (QStringList{u"False"_s, u"False"_s, u"True"_s}));

    mergeAndScript();
    EXPECT_EQ(messages(), QString());
    EXPECT_EQ(h.view.script,
              (QStringList{
                  u"/* Statements for Table Setup \"T\" */"_s,
                  u"UPDATE \"odd t\" SET \"a-b\" = 'y'/* Was: 'Y' */, Del = 1/* Was: 0 */, RecId = "
                  "20/* Was: 21 */, \"order\" = 'p'/* Was: 'P' */ WHERE \"my key\" = 2;"_s,
                  u"INSERT INTO \"odd t\" (\"my key\", \"a-b\", Del, RecId, NewField, \"order\", "
                  "\"group\", \"say \"\"hi\"\"\") VALUES (3, 'z', 0, 30, 'q', 'r', 3, 'j');"_s,
                  u"DELETE FROM \"odd t\" WHERE \"my key\" = 4;"_s,
              }));
    executeScript();
    EXPECT_EQ(sqliteRows(folder.path(u"Dst.db"_s), query),
              sqliteRows(folder.path(u"Src.db"_s), query));

    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(EngineHarness::rows(target(), {u"OnlyInDest"_s, u"Difference"_s}),
              (QStringList{u"False|False"_s, u"False|False"_s, u"False|False"_s}));
    EXPECT_EQ(EngineHarness::rows(source(), {u"OnlyInSource"_s}),
              (QStringList{u"False"_s, u"False"_s, u"False"_s}));
}

// Columns the lists cannot tell apart (names are matched without regard to
// case) are refused with a message naming them, and the side stays closed.
TEST_F(NamesAndKeysTest, ColumnsThatCannotBeToldApartAreRefused) {
    struct Case {
        QString sourceSql;
        QString targetSql;
        QString message;
    };
    const QString plain = u"SELECT id, name FROM t"_s;
    const Case cases[] = {
        {u"SELECT id, name, name FROM t"_s, plain,
         u"Failed to open source dataset (alias \"Src\"). System message: The source query "
         "returns more than one "
         "column named \"name\"; give each column its own name with AS."_s},
        {plain, u"SELECT id, name AS a, id AS A FROM t"_s,
         u"Failed to open target dataset (alias \"Dst\"). System message: The target query returns "
         "the columns \"a\" and \"A\", whose names differ only in case; columns are matched by "
         "name without regard to case, so give each its own name."_s},
        {u"SELECT id, 1 AS \"\" FROM t"_s, plain,
         u"Failed to open source dataset (alias \"Src\"). System message: The source query returns "
         "a column "
         "without a name (column 2); give it a name with AS."_s},
    };
    const QStringList rows{u"CREATE TABLE t (id INTEGER, name TEXT)"_s,
                           u"INSERT INTO t VALUES (1, 'a')"_s};
    makeDatabases(rows, rows);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        h.view.infos.clear();
        h.view.errors.clear();
        configure({c.sourceSql, c.targetSql, u"id"_s});
        h.openSource();
        h.openTarget();
        EXPECT_EQ(messages(), c.message);
        EXPECT_NE(source().isOpen(), c.sourceSql != plain);
        EXPECT_NE(target().isOpen(), c.targetSql != plain);
    }
}

// A side whose key values repeat is refused when it is opened, like a null
// key, naming the side, the key and one repeated value; null keys keep
// their own message.
TEST_F(NamesAndKeysTest, RepeatedKeysAreRefusedWhenASideIsOpened) {
    struct Case {
        const char* name;
        QString sourceRows;
        QString targetRows;
        QString key;
        QString order;
        QString message;  // empty: both sides open
    };
    const Case cases[] = {
        {"source, integer key in order", u"(1, 'x'), (1, 'y'), (2, 'z')"_s, u"(1, 'x')"_s, u"a"_s,
         u"a"_s,
         u"Key field \"a\" does not identify the source rows: more than one row has a = 1. "
         "Primary key fields should hold a different value in every row"_s},
        {"source, integer key unordered", u"(2, 'x'), (1, 'y'), (2, 'z')"_s, u"(1, 'x')"_s, u"a"_s,
         u"rowid"_s,
         u"Key field \"a\" does not identify the source rows: more than one row has a = 2. "
         "Primary key fields should hold a different value in every row"_s},
        {"target, text key", u"(1, 'x')"_s, u"(1, 'x'), (2, 'y'), (3, 'x')"_s, u"b"_s, u"a"_s,
         u"Key field \"b\" does not identify the target rows: more than one row has b = 'x'. "
         "Primary key fields should hold a different value in every row"_s},
        {"target, two key fields", u"(1, 'x')"_s, u"(1, 'x'), (1, 'y'), (1, 'x')"_s, u"a;b"_s,
         u"a"_s,
         u"Key field \"a;b\" does not identify the target rows: more than one row has a = 1, b "
         "= 'x'. Primary key fields should hold a different value in every row"_s},
        {"two key fields, each part repeated alone", u"(1, 'x'), (1, 'y'), (2, 'x')"_s,
         u"(1, 'x')"_s, u"a;b"_s, u"a"_s, QString()},
        {"text keys differing in case", u"(1, 'x'), (2, 'X')"_s, u"(1, 'x')"_s, u"b"_s, u"a"_s,
         QString()},
        {"null keys", u"(NULL, 'x'), (NULL, 'y')"_s, u"(1, 'x')"_s, u"a"_s, u"b"_s,
         u"Key field \"a\" contained a null value. Primary key fields should not be allowed to "
         "contain null"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder caseFolder;
        caseFolder.addSqlite(u"Src"_s, {u"CREATE TABLE t (a INTEGER, b TEXT)"_s,
                                        u"INSERT INTO t VALUES "_s + c.sourceRows});
        caseFolder.addSqlite(u"Dst"_s, {u"CREATE TABLE t (a INTEGER, b TEXT)"_s,
                                        u"INSERT INTO t VALUES "_s + c.targetRows});
        EngineHarness e(caseFolder.aliasFile());
        const QString query = u"SELECT a, b FROM t ORDER BY "_s + c.order;
        e.configure(u"Src"_s, u"Dst"_s, {query, query, c.key});
        e.openSource();
        e.openTarget();
        EXPECT_EQ(e.view.messages().join(u'\n'), c.message);
        const bool sourceRefused = c.message.contains(u"source"_s) || c.message.contains(u"null"_s);
        EXPECT_NE(e.dm.SourceMemData().isOpen(), sourceRefused);
        EXPECT_NE(e.dm.DestMemData().isOpen(), c.message.contains(u"target"_s));
    }
}

// Keys that differ as stored but that SQLite's own `=` finds equal refuse
// both sides like a repeated key, naming the pair: an integer and a real of
// one number, and text under the column's collation (NOCASE folds ASCII
// letters and stops at a NUL, RTRIM ignores trailing blanks), traced through
// a view. Each case first asks SQLite itself, by joining the query's rows on
// the key, whether it finds two rows equal.
TEST_F(NamesAndKeysTest, KeysTheDatabaseFindsEqualAreRefused) {
    struct Case {
        const char* name;
        QStringList schema;  // a table t with columns k and v, unless the key says otherwise
        QString rows;
        QString pair;  // the two keys the message names; empty: both sides open
        QString query = u"SELECT * FROM t"_s;
        QString key = u"k"_s;
    };
    const QString untyped = u"CREATE TABLE t (k, v)"_s;
    const QString noCase = u"CREATE TABLE t (k TEXT COLLATE NOCASE, v)"_s;
    const QString rTrim = u"CREATE TABLE t (k TEXT COLLATE RTRIM, v)"_s;
    const Case cases[] = {
        {"integer and real of one number",
         {untyped},
         u"(1, 'a'), (2, 'b'), (1.0, 'c')"_s,
         u"k = 1 and k = 1.0"_s},
        {"zero and negative zero", {untyped}, u"(-0.0, 'a'), (0, 'b')"_s, u"k = -0.0 and k = 0"_s},
        {"integer and real apart by one unit beyond 2^53",
         {untyped},
         u"(9007199254740993, 'a'), (9007199254740992.0, 'b'), (9223372036854775807, 'c'), "
         "(9223372036854775808.0, 'd')"_s,
         QString()},
        {"integer, text and blob that look alike",
         {untyped},
         u"(1, 'a'), ('1', 'b'), (X'31', 'c')"_s,
         QString()},
        {"integer column holding text and reals",
         {u"CREATE TABLE t (k INTEGER, v)"_s},
         u"('x', 'a'), (1, 'b'), (1.5, 'c'), ('X', 'd')"_s,
         QString()},
        {"NOCASE text", {noCase}, u"('Key', 'a'), ('kEY', 'b')"_s, u"k = 'Key' and k = 'kEY'"_s},
        {"NOCASE folds ASCII letters only", {noCase}, u"('é', 'a'), ('É', 'b')"_s, QString()},
        {"NOCASE stops comparing at a NUL",
         {noCase},
         u"('a' || char(0) || 'x', 'a'), ('A' || char(0) || 'y', 'b')"_s,
         u"k = 'a' || char(0) || 'x' and k = 'A' || char(0) || 'y'"_s},
        {"NOCASE texts of different lengths",
         {noCase},
         u"('a', 'a'), ('A' || char(0), 'b')"_s,
         QString()},
        {"RTRIM text",
         {rTrim},
         u"('a', 'a'), ('a' || char(9), 'b'), ('a  ', 'c')"_s,
         u"k = 'a' and k = 'a  '"_s},
        {"no declared type, NOCASE",
         {u"CREATE TABLE t (k COLLATE NOCASE, v)"_s},
         u"(X'61', 'a'), (X'41', 'b'), (65, 'c'), ('A', 'd'), ('a', 'e')"_s,
         u"k = 'A' and k = 'a'"_s},
        {"a view keeps the table's collation",
         {noCase, u"CREATE VIEW w AS SELECT k, v FROM t"_s},
         u"('a', 'a'), ('A', 'b')"_s,
         u"k = 'a' and k = 'A'"_s,
         u"SELECT * FROM w"_s},
        {"an expression compares as BINARY",
         {noCase},
         u"('a', 'a'), ('A', 'b')"_s,
         QString(),
         u"SELECT k || '' AS k, v FROM t"_s},
        {"two key fields",
         {u"CREATE TABLE t (a, b TEXT COLLATE NOCASE, v)"_s},
         u"(1, 'x', 'p'), (1, 'y', 'q'), "
         "(2, 'x', 'r'), (1.0, 'X', 's')"_s,
         u"(a = 1, b = 'x') and (a = 1.0, b = 'X')"_s,
         u"SELECT * FROM t"_s,
         u"a;b"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder caseFolder;
        QStringList statements = c.schema;
        statements << u"INSERT INTO t VALUES "_s + c.rows;
        const QString file = caseFolder.addSqlite(u"Src"_s, statements);
        caseFolder.addSqlite(u"Dst"_s, statements);
        QStringList joined;
        for (const QString& field : c.key.split(u';')) {
            joined << u"x.%1 = y.%1"_s.arg(field);
        }
        const QStringList equalPairs = sqliteRows(
            file,
            u"WITH q AS (SELECT row_number() OVER () AS n, * FROM (%1)) SELECT count(*) "
            "FROM q x JOIN q y ON %2 AND x.n < y.n"_s.arg(c.query, joined.join(u" AND "_s)));
        EXPECT_EQ(equalPairs, QStringList{c.pair.isEmpty() ? u"integer:0"_s : u"integer:1"_s});
        EngineHarness e(caseFolder.aliasFile());
        e.configure(u"Src"_s, u"Dst"_s, {c.query, c.query, c.key});
        e.openSource();
        e.openTarget();
        QStringList expected;
        if (!c.pair.isEmpty()) {
            for (const QString& side : {u"source"_s, u"target"_s}) {
                expected << u"Key field \"%1\" does not identify the %2 rows: the %2 database "
                            "finds %3 equal, so a statement for one of these rows would change "
                            "both. Primary key fields should hold a different value in every row"_s
                                .arg(c.key, side, c.pair);
            }
        }
        EXPECT_EQ(e.view.messages(), expected);
        EXPECT_EQ(e.dm.SourceMemData().isOpen(), c.pair.isEmpty());
        EXPECT_EQ(e.dm.DestMemData().isOpen(), c.pair.isEmpty());
    }
}

// A column only the target has is left out of new rows, so the database's
// default applies, unless the user set its value (a null included).
TEST_F(NamesAndKeysTest, TargetOnlyColumnsOfNewRowsAreLeftToTheDatabase) {
    makeDatabases({u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"_s,
                   u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s},
                  {u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, born DATE, active BOOLEAN "
                   "NOT NULL DEFAULT 1, note TEXT DEFAULT 'none', stamp TEXT DEFAULT 'x')"_s,
                   u"INSERT INTO t VALUES (1, 'a', '2020-01-01', 0, 'kept', NULL)"_s});
    const QString query = u"SELECT * FROM t ORDER BY id"_s;
    configure({query, query, u"id"_s});
    nameTable(u"t"_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    h.dm.ChangeDataToEqualSource();
    // The user sets two target-only values of the copied row with id 3, and
    // appends a row of their own.
    MemData& d = target();
    d.moveTo(2);
    ASSERT_EQ(d.asInt(d.fieldIndex(u"id"_s)), 3);
    d.setAsText(d.fieldIndex(u"note"_s), u"mine"_s);
    d.setValue(d.fieldIndex(u"stamp"_s), Value());
    d.post();
    d.append();
    d.setAsInt(d.fieldIndex(u"id"_s), 4);
    d.setAsText(d.fieldIndex(u"name"_s), u"d"_s);
    d.post();
    h.dm.ScriptCurrentTableSetup(true);
    EXPECT_EQ(messages(), QString());
    EXPECT_EQ(
        h.view.script,
        (QStringList{u"/* Statements for Table Setup \"T\" */"_s,
                     u"INSERT INTO t (id, name) VALUES (2, 'b');"_s,
                     u"INSERT INTO t (id, name, note, stamp) VALUES (3, 'c', 'mine', NULL);"_s,
                     u"INSERT INTO t (id, name) VALUES (4, 'd');"_s}));
    executeScript();
    EXPECT_EQ(sqliteRows(folder.path(u"Dst.db"_s), query),
              (QStringList{
                  u"integer:1|text:a|text:2020-01-01|integer:0|text:kept|null:NULL"_s,
                  u"integer:2|text:b|null:NULL|integer:1|text:none|text:x"_s,
                  u"integer:3|text:c|null:NULL|integer:1|text:mine|null:NULL"_s,
                  u"integer:4|text:d|null:NULL|integer:1|text:none|text:x"_s,
              }));
}

// A source key the target's key column would store as another key is
// refused when the script is written: nothing is written, the message names
// the field and the value. A key that stays the same key is written.
TEST_F(NamesAndKeysTest, KeysTheTargetWouldChangeRefuseTheScript) {
    struct Case {
        const char* name;
        QString targetKeyType;
        QString targetRows;
        QString sourceRows;
        QString message;  // empty: the script is written
        QString key = u"k"_s;
    };
    const Case cases[] = {
        {"text into an integer column", u"INTEGER"_s, u"(7, 'old')"_s, u"('007', 'new')"_s,
         u"The source row with key field \"k\" = '007' cannot be copied to the target: its key "
         "column would hold 7, which is another key. No script was written"_s},
        // Key names match columns in any letter case.
        {"key named in other letters", u"INTEGER"_s, u"(7, 'old')"_s, u"('007', 'new')"_s,
         u"The source row with key field \"k\" = '007' cannot be copied to the target: its key "
         "column would hold 7, which is another key. No script was written"_s,
         u"K"_s},
        {"text into a column of numeric affinity", u"NUMBER"_s, u"(7, 'old')"_s,
         u"('007', 'new')"_s,
         u"The new row with key field \"k\" = '007' cannot be inserted: the target's key column "
         "would store the key as 7, which is another key. No script was written"_s},
        {"blanks in a date column", u"DATE"_s, u"(5, 'old')"_s, u"(' 7', 'new')"_s,
         u"The new row with key field \"k\" = ' 7' cannot be inserted: the target's key column "
         "would store the key as 7, which is another key. No script was written"_s},
        {"a number's own text", u"INTEGER"_s, u"(7, 'old')"_s, u"('9', 'new')"_s, QString()},
        {"text into a text column", u"VARCHAR(10)"_s, u"('7', 'old')"_s, u"('007', 'new')"_s,
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder caseFolder;
        caseFolder.addSqlite(u"Src"_s, {u"CREATE TABLE t (k TEXT, v TEXT)"_s,
                                        u"INSERT INTO t VALUES "_s + c.sourceRows});
        caseFolder.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k %1, v TEXT)"_s.arg(c.targetKeyType),
                                        u"INSERT INTO t VALUES "_s + c.targetRows});
        EngineHarness e(caseFolder.aliasFile());
        e.configure(u"Src"_s, u"Dst"_s, {u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, c.key});
        ASSERT_TRUE(e.openSource());
        ASSERT_TRUE(e.openTarget());
        e.dm.ChangeDataToEqualSource();
        e.view.script = QStringList{u"kept"_s};
        try {
            e.dm.ScriptCurrentTableSetup(true);
        } catch (const SilentAbort&) {
        }
        EXPECT_EQ(e.view.messages().join(u'\n'), c.message);
        if (c.message.isEmpty()) {
            EXPECT_EQ(e.view.script.size(), 3) << e.view.script.join(u'\n').toStdString();
        } else {
            EXPECT_EQ(e.view.script, QStringList{u"kept"_s});
        }
    }
}

// A key the user typed into the new row is theirs: the script is written.
TEST_F(NamesAndKeysTest, AKeyTheUserSetIsWritten) {
    makeDatabases({u"CREATE TABLE t (k TEXT, v TEXT)"_s, u"INSERT INTO t VALUES ('007', 'new')"_s},
                  {u"CREATE TABLE t (k INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (7, 'old')"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"k"_s});
    nameTable(u"t"_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    h.dm.ChangeDataToEqualSource();
    // The copied row stands under 7, which no source row has, so the merge
    // also marked it for deletion; the user gives it a key of its own.
    MemData& d = target();
    d.moveTo(1);
    ASSERT_EQ(EngineHarness::rows(d, {u"k"_s, u"NewField"_s, u"Del"_s}),
              (QStringList{u"7|False|True"_s, u"7|True|True"_s}));
    d.setAsInt(d.fieldIndex(u"k"_s), 70);
    d.setAsBool(d.fieldIndex(u"Del"_s), false);
    d.post();
    h.dm.ScriptCurrentTableSetup(true);
    EXPECT_EQ(messages(), QString());
    EXPECT_EQ(h.view.script, (QStringList{u"/* Statements for Table Setup \"T\" */"_s,
                                          u"INSERT INTO t (k, v) VALUES (70, 'new');"_s,
                                          u"DELETE FROM t WHERE k = 7;"_s}));
}

}  // namespace
}  // namespace qm::test
