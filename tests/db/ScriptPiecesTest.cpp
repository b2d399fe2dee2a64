#include "DbSides.h"
#include "common/Errors.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Session.h"
#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// A script is cut as its database reads the text, and each piece runs as
// exactly one statement: where the cut and the database would read a piece
// differently, a COMMIT hidden in it must not run. Every case is refused
// before anything runs, or rolled back whole; the table stays as it was and
// the outcome says so. %1 stands for the table.
struct Piece {
    const char* script;
    ScriptExecutor::Outcome outcome;
    const char* message;
};

using Outcome = ScriptExecutor::Outcome;

const Piece kSqlitePieces[] = {
    // SQLite does not nest comments: the first "*/" ends this one.
    {"/* /* */ COMMIT; DELETE FROM %1; BEGIN; SELECT 1 -- */;\r\nINSERT INTO nowhere VALUES (1);",
     Outcome::Refused, "statement 1 (\"COMMIT\") is a COMMIT statement"},
    {"INSERT INTO %1 VALUES (3, 'c');\r\n/* a /* b */ END;\r\n", Outcome::Refused,
     "statement 2 (\"END\") is an END statement"},
    {"INSERT INTO %1 VALUES (3, 'c');\r\nINSERT INTO nowhere VALUES (1);", Outcome::RolledBack,
     "no such table: nowhere"},
};

const Piece kPgPieces[] = {
    // A PostgreSQL trigger executes a function, here one named begin: no
    // trigger body follows.
    {"CREATE TRIGGER %1_g AFTER INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION begin(); COMMIT; "
     "DELETE FROM %1; END;\r\nINSERT INTO nowhere VALUES (1);",
     Outcome::Refused, "statement 2 (\"COMMIT\") is a COMMIT statement"},
    // PostgreSQL ends a line comment at a lone CR.
    {"INSERT INTO %1 VALUES (3, 'c');\r\n-- note\rCOMMIT;\r\nDELETE FROM %1;\r\n"
     "INSERT INTO nowhere VALUES (1);",
     Outcome::Refused, "statement 2 (\"COMMIT\") is a COMMIT statement"},
    {"INSERT INTO %1 VALUES (3, 'c');\r\n/* a /* b */ COMMIT; */ DELETE FROM %1;\r\n"
     "INSERT INTO nowhere VALUES (1);",
     Outcome::RolledBack, "\"nowhere\" does not exist"},
};

void runPieces(Backend backend, std::optional<PgServer> pg, const Piece* begin, const Piece* end) {
    DbSides sides(pg);
    const SideTable t =
        sides.make(backend, false, u"id INTEGER, v VARCHAR(20)"_s, u"(1, 'a'), (2, 'b')"_s);
    EngineHarness h(sides.folder().aliasFile());
    const QString select = u"SELECT * FROM %1 ORDER BY id"_s.arg(t.table);
    h.configure(t.alias, t.alias, {select, select, u"id"_s});
    if (backend == Backend::Pg) {
        // Only a function that exists lets the trigger be made, and so lets
        // the statements after it run.
        h.dm.ConnectTarget();
        h.dm.DestDatabase().execute(
            u"CREATE OR REPLACE FUNCTION begin() RETURNS trigger LANGUAGE plpgsql AS "
            "$$ BEGIN RETURN NEW; END $$"_s);
    }
    ScriptRunOptions options;
    options.logFileName = sides.folder().path(u"run.log"_s);
    for (const Piece* p = begin; p != end; ++p) {
        TextScriptEditor editor(QString::fromUtf8(p->script).arg(t.table));
        SCOPED_TRACE(editor.text().toStdString());
        h.view.errors.clear();
        ScriptExecutor executor(h.dm, h.view);
        EXPECT_EQ(executor.run(editor, options), p->outcome);
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(h.view.errors.first().contains(QString::fromUtf8(p->message)))
            << h.view.errors.first().toStdString();
        ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
        EXPECT_EQ(EngineHarness::rows(h.dm.DestMemData(), {u"id"_s, u"v"_s}),
                  (QStringList{u"1|a"_s, u"2|b"_s}));
    }
}

TEST(ScriptPieces, SqliteRunsEachPieceAsTheOneStatementItReads) {
    runPieces(Backend::Sqlite, std::nullopt, std::begin(kSqlitePieces), std::end(kSqlitePieces));
}

TEST(ScriptPieces, PostgreSqlRunsEachPieceAsTheOneStatementItReads) {
    QM_REQUIRE_PG(pg);
    runPieces(Backend::Pg, pg, std::begin(kPgPieces), std::end(kPgPieces));
}

// The connection itself runs one statement per call, whatever the text
// holds, and judges transaction control on what the database reads.
TEST(ScriptPieces, AConnectionRunsOneStatementAndNoTransactionControl) {
    const auto check = [](Backend backend, std::optional<PgServer> pg) {
        const SqlDialect dialect =
            backend == Backend::Pg ? SqlDialect::PostgreSQL : SqlDialect::SQLite;
        DbSides sides(pg);
        const SideTable t = sides.make(backend, false, u"id INTEGER"_s, u"(1), (2)"_s);
        ensureCoreApplication();
        Session session;
        session.setAliasFilePath(sides.folder().aliasFile());
        Connection conn(u"OneStatement"_s, session);
        conn.setAliasName(t.alias);
        conn.connect();
        const struct {
            QString text;
            const char* message;
        } cases[] = {
            {u"INSERT INTO %1 VALUES (3); DELETE FROM %1"_s, "holds more than one statement"},
            {u"INSERT INTO %1 VALUES (3); /* more */ ;; DELETE FROM %1"_s,
             "holds more than one statement"},
            {u"/* x */ COMMIT"_s, "ends or starts a transaction"},
            {dialect == SqlDialect::PostgreSQL ? u"-- x\rCOMMIT"_s : u"/* /* */ END"_s,
             "ends or starts a transaction"},
            {u"DELETE FROM %1"_s.insert(6, QChar(0)), "holds a NUL character"},
        };
        // Outside a transaction: whatever ran would stay.
        for (const auto& c : cases) {
            const QString text = QString(c.text).replace(u"%1"_s, t.table);
            SCOPED_TRACE(text.toStdString());
            try {
                conn.execute(text);
                ADD_FAILURE() << "run";
            } catch (const DatabaseError& e) {
                EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message)))
                    << e.message().toStdString();
            }
        }
        // One statement, with a final ";" and comments around it, runs.
        conn.execute(u"/* one */ INSERT INTO %1 VALUES (3); -- done"_s.arg(t.table));
        Query q(conn);
        q.setSql(u"SELECT count(*) AS n FROM %1"_s.arg(t.table));
        q.open();
        EXPECT_EQ(q.text(0), u"3"_s);
    };
    check(Backend::Sqlite, std::nullopt);
    QM_REQUIRE_PG(pg);
    check(Backend::Pg, pg);
}

}  // namespace
}  // namespace qm::test
