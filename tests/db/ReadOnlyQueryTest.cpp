#include "DbSides.h"
#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Session.h"
#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Opening a side only reads: a query that would write, or text holding a
// second statement, leaves the table as it was. %1 stands for the table, %2
// for a file in /tmp that the database server could write: it must not come
// to exist.
struct WritingQuery {
    const char* sql;
    const char* message;  // part of the refusal; nullptr: the driver's own error
};

const WritingQuery kSqliteQueries[] = {
    {"DELETE FROM %1 RETURNING *", "The query is not read-only, so it is not run"},
    {"UPDATE %1 SET v = 'changed' RETURNING *", "\"UPDATE %1 SET v = 'changed' RETURNING *\""},
    {"INSERT INTO %1 VALUES (9, 'new') RETURNING *", "is not read-only"},
    {"WITH w AS (SELECT 1) DELETE FROM %1 RETURNING *", "is not read-only"},
    {"DROP TABLE %1", "is not read-only"},
    {"PRAGMA user_version = 7", "is not read-only"},
    // A PRAGMA that returns rows changes nothing, but it is no reading
    // statement either.
    {"PRAGMA table_info(%1)", "\"PRAGMA table_info(%1)\" is not a reading statement"},
    {"/* /* */ DELETE FROM %1 RETURNING * -- */", "is not a reading statement"},
    {"ATTACH DATABASE '%2' AS other", "is not a reading statement"},
    {"VACUUM INTO '%2'", "is not a reading statement"},
    {"SELECT * FROM %1; DELETE FROM %1", "holds more than one statement"},
    {"SELECT * FROM %1; /* and */ DROP TABLE %1;", "holds more than one statement"},
};

// Refused before the server sees them, not by its read-only transaction:
// that does not stop COPY writing a file or running a program.
const WritingQuery kPgQueries[] = {
    {"DELETE FROM %1", "\"DELETE FROM %1\" is not a reading statement"},
    {"DELETE FROM %1 RETURNING *", "The query is not read-only, so it is not run"},
    {"DROP TABLE %1", "is not a reading statement"},
    {"WITH d AS (DELETE FROM %1 RETURNING *) SELECT * FROM d", "is not a reading statement"},
    {"COPY (SELECT 1) TO PROGRAM 'id > %2'", "is not a reading statement"},
    {"-- report\r\n(COPY %1 TO '%2')", "is not a reading statement"},
    {"COPY %1 TO '%2'", "is not a reading statement"},
    {"SELECT * INTO %1_copy FROM %1", "is not a reading statement"},
    {"SELECT * FROM %1; DELETE FROM %1", "holds more than one statement"},
    {"SELECT 1 AS id; DROP TABLE %1", "holds more than one statement"},
    {"CREATE TABLE %1_more AS SELECT * FROM %1", "is not read-only"},
};

const WritingQuery kOdbcQueries[] = {
    {"DELETE FROM %1 RETURNING *", "is not a reading statement"},
    {"DELETE FROM %1", "is not a reading statement"},
    // One statement if the database nests comments, two if it does not.
    {"SELECT * FROM %1 /* /* */ ; DELETE FROM %1 -- */", "is not a reading statement"},
    {"SELECT * FROM %1; DELETE FROM %1", "holds more than one statement"},
};

struct ReadOnlyCase {
    const char* name;
    Backend backend;
};

class ReadOnlyQueryTest : public ::testing::TestWithParam<ReadOnlyCase> {
protected:
    static std::vector<WritingQuery> queries(Backend b) {
        switch (b) {
            case Backend::Sqlite:
                return {std::begin(kSqliteQueries), std::end(kSqliteQueries)};
            case Backend::Pg:
                return {std::begin(kPgQueries), std::end(kPgQueries)};
            default:
                return {std::begin(kOdbcQueries), std::end(kOdbcQueries)};
        }
    }
};

QString withTable(const char* text, const QString& table, const QString& file = QString()) {
    return QString::fromUtf8(text).replace(u"%1"_s, table).replace(u"%2"_s, file);
}

TEST_P(ReadOnlyQueryTest, AWritingQueryIsRefusedAndChangesNothing) {
    const ReadOnlyCase& c = GetParam();
    std::optional<PgServer> pg;
    if (needsPg(c.backend)) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    QM_REQUIRE_ODBC_DRIVER(odbcDriverOf(c.backend));
    DbSides sides(pg);
    const SideTable t =
        sides.make(c.backend, false, u"id INTEGER, v VARCHAR(20)"_s, u"(1, 'a'), (2, 'b')"_s);
    EngineHarness h(sides.folder().aliasFile());
    const QString select = u"SELECT * FROM %1 ORDER BY id"_s.arg(t.table);
    const auto rowsNow = [&] {
        h.configure(t.alias, t.alias, {select, select, u"id"_s});
        EXPECT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
        return EngineHarness::rows(h.dm.SourceMemData(), {u"id"_s, u"v"_s});
    };
    const QString file = u"/tmp/%1.txt"_s.arg(uniqueTableName(u"qm_written"_s));
    for (const WritingQuery& q : queries(c.backend)) {
        const QString sql = withTable(q.sql, t.table, file);
        SCOPED_TRACE(sql.toStdString());
        h.view.errors.clear();
        h.configure(t.alias, t.alias, {sql, select, u"id"_s});
        h.openSource();
        if (q.message) {
            EXPECT_FALSE(h.dm.SourceMemData().isOpen());
            ASSERT_EQ(h.view.errors.size(), 1);
            EXPECT_TRUE(h.view.errors.first().contains(withTable(q.message, t.table)))
                << h.view.errors.first().toStdString();
        }
        EXPECT_EQ(rowsNow(), (QStringList{u"1|a"_s, u"2|b"_s}));
        EXPECT_FALSE(QFileInfo::exists(file)) << "the query wrote a file";
        QFile::remove(file);
    }
    // Reading queries keep working, with a final ";" and comments after it.
    for (const QString& sql :
         {u"SELECT * FROM %1 ORDER BY id;"_s,
          u"WITH w AS (SELECT * FROM %1) SELECT * FROM w ORDER BY id; -- done\r\n"_s,
          u"/* lead */ SELECT * FROM %1 ORDER BY id ; /* trail */ ;"_s}) {
        SCOPED_TRACE(sql.toStdString());
        h.view.errors.clear();
        h.configure(t.alias, t.alias, {sql.arg(t.table), select, u"id"_s});
        ASSERT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
        EXPECT_TRUE(h.view.errors.isEmpty()) << h.view.errors.join(u'\n').toStdString();
        EXPECT_EQ(EngineHarness::rows(h.dm.SourceMemData(), {u"id"_s, u"v"_s}),
                  (QStringList{u"1|a"_s, u"2|b"_s}));
    }

    // The connection that read, refused and read again still writes a script
    // (reading left no read-only state behind), and a piece holding only
    // comments is not sent to the database.
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
    TextScriptEditor editor(
        u"/* Statements for Table Setup \"t\" */\r\n"
        "INSERT INTO %1 VALUES (3, 'c');\r\n-- end\r\n"_s.arg(t.table));
    ScriptRunOptions options;
    options.logFileName = sides.folder().path(u"run.log"_s);
    ScriptExecutor executor(h.dm, h.view);
    h.view.errors.clear();
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed)
        << h.view.errors.join(u'\n').toStdString();
    EXPECT_EQ(executor.executedCount(), 1);
    editor.setText(u"/* Statements for Table Setup \"t\" */\r\n"_s);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed)
        << h.view.errors.join(u'\n').toStdString();
    EXPECT_EQ(executor.executedCount(), 0);
    editor.setText(u"DELETE FROM %1;\r\ncommit;\r\n"_s.arg(t.table));
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Refused);
    EXPECT_EQ(rowsNow(), (QStringList{u"1|a"_s, u"2|b"_s, u"3|c"_s}));
}

INSTANTIATE_TEST_SUITE_P(Engines, ReadOnlyQueryTest,
                         ::testing::Values(ReadOnlyCase{"Sqlite", Backend::Sqlite},
                                           ReadOnlyCase{"Pg", Backend::Pg},
                                           ReadOnlyCase{"OdbcSqlite", Backend::OdbcSqlite},
                                           ReadOnlyCase{"OdbcPg", Backend::OdbcPg}),
                         [](const auto& param) { return std::string(param.param.name); });

// Inside a transaction of the connection's own, a query reads in a
// read-only savepoint: a writing query is refused, and the transaction goes
// on writing afterwards.
TEST(PgReadOnlyQuery, InsideATransactionTheSavepointIsReadOnlyAndGoesAgain) {
    QM_REQUIRE_PG(pg);
    DbSides sides(pg);
    const SideTable t = sides.make(Backend::Pg, false, u"id INTEGER"_s, u"(1), (2)"_s);
    ensureCoreApplication();
    Session session;
    session.setAliasFilePath(sides.folder().aliasFile());
    Connection conn(u"InTransaction"_s, session);
    conn.setAliasName(t.alias);
    conn.connect();
    conn.startTransaction();
    conn.execute(u"INSERT INTO %1 VALUES (3)"_s.arg(t.table));
    {
        Query q(conn);
        q.setSql(u"DELETE FROM %1 RETURNING *"_s.arg(t.table));
        try {
            q.open();
            ADD_FAILURE() << "a writing query was run";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.message().contains(u"is not read-only"_s)) << e.message().toStdString();
        }
        q.setSql(u"SELECT count(*) AS n FROM %1"_s.arg(t.table));
        q.open();
        EXPECT_EQ(q.value(0).asInt(), 3) << "the transaction's own row is seen";
    }
    EXPECT_FALSE(conn.transactionEndedOnServer());
    conn.execute(u"INSERT INTO %1 VALUES (4)"_s.arg(t.table));
    conn.commit();
    Query q(conn);
    q.setSql(u"SELECT count(*) AS n FROM %1"_s.arg(t.table));
    q.open();
    EXPECT_EQ(q.value(0).asInt(), 4);
}

}  // namespace
}  // namespace qm::test
