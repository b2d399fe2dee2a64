#include "db/StatementCutter.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

struct CutCase {
    const char* name;
    QString text;
    QStringList pieces;
};

TEST(StatementCutterTest, CutsAtSemicolonsOutsideQuotesAndComments) {
    const CutCase cases[] = {
        {"two lines", u"A;\r\nB;\r\n"_s, {u"A"_s, u"B"_s}},
        {"no final semicolon", u"SELECT 1"_s, {u"SELECT 1"_s}},
        {"empty", QString(), {}},
        {"blanks after the last", u"A; "_s, {u"A"_s, u" "_s}},
        {"lone CR skipped", u"A;\r"_s, {u"A"_s}},
        {"several leading line breaks", u"\r\n\r\nA;\r\n\r\n\r\nB"_s, {u"A"_s, u"B"_s}},
        {"LF alone stays", u"A;\nB"_s, {u"A"_s, u"\nB"_s}},
        {"header travels", u"/* h */\r\nA;"_s, {u"/* h */\r\nA"_s}},
        {"comment only", u"A;\r\n/* end */"_s, {u"A"_s, u"/* end */"_s}},
        {"text literal",
         u"INSERT INTO t VALUES ('a;b');X"_s,
         {u"INSERT INTO t VALUES ('a;b')"_s, u"X"_s}},
        {"doubled quote", u"SELECT 'it''s; fine';B"_s, {u"SELECT 'it''s; fine'"_s, u"B"_s}},
        {"escape string", u"SELECT E'a\\';b';C"_s, {u"SELECT E'a\\';b'"_s, u"C"_s}},
        {"plain backslash", u"SELECT 'a\\';B"_s, {u"SELECT 'a\\'"_s, u"B"_s}},
        // A name ending in E before a quote does not make an escape string.
        {"typed literal after a name ending in e",
         u"SELECT date'a\\';B"_s,
         {u"SELECT date'a\\'"_s, u"B"_s}},
        {"escape string after a blank", u"SELECT e'a\\';b';C"_s, {u"SELECT e'a\\';b'"_s, u"C"_s}},
        {"quoted name", u"SELECT \"a;b\" FROM t;C"_s, {u"SELECT \"a;b\" FROM t"_s, u"C"_s}},
        {"backquoted name", u"SELECT `a;b`;C"_s, {u"SELECT `a;b`"_s, u"C"_s}},
        {"line comment", u"A -- x; y\r\n;B"_s, {u"A -- x; y\r\n"_s, u"B"_s}},
        {"block comment",
         u"UPDATE t SET a = 1/* Was: 'x;y' */ WHERE k = 1;B"_s,
         {u"UPDATE t SET a = 1/* Was: 'x;y' */ WHERE k = 1"_s, u"B"_s}},
        {"nested comment", u"/* a /* b; */ c; */A;B"_s, {u"/* a /* b; */ c; */A"_s, u"B"_s}},
        {"dollar quote",
         u"DO $f$ BEGIN x; y; END $f$;B"_s,
         {u"DO $f$ BEGIN x; y; END $f$"_s, u"B"_s}},
        {"unterminated quote", u"A 'b;c"_s, {u"A 'b;c"_s}},
        {"line break in literal",
         u"INSERT INTO t VALUES ('a\r\n;b');"_s,
         {u"INSERT INTO t VALUES ('a\r\n;b')"_s}},
        // A "$" inside a name opens no dollar quote; a tag opens only at the
        // start of a token and may hold digits after its first character.
        {"dollar inside a name",
         u"SELECT a$b FROM t; SELECT 2"_s,
         {u"SELECT a$b FROM t"_s, u" SELECT 2"_s}},
        {"tag-like end of a name",
         u"SELECT x$q$ FROM t; SELECT 2 AS y$q$"_s,
         {u"SELECT x$q$ FROM t"_s, u" SELECT 2 AS y$q$"_s}},
        {"doubled dollar inside a name",
         u"SELECT a$$b FROM t; SELECT 2 AS c$$d"_s,
         {u"SELECT a$$b FROM t"_s, u" SELECT 2 AS c$$d"_s}},
        {"tag with a digit",
         u"DO $f1$ BEGIN x; END $f1$;B"_s,
         {u"DO $f1$ BEGIN x; END $f1$"_s, u"B"_s}},
        {"parameter is no tag", u"SELECT $1; SELECT $2"_s, {u"SELECT $1"_s, u" SELECT $2"_s}},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(cutStatements(c.text), c.pieces) << c.name;
    }
}

// Each database reads comments and quotes its own way; a piece must be what
// its database takes for one statement.
TEST(StatementCutterTest, CutsAsEachDatabaseReadsTheText) {
    using D = SqlDialect;
    const QString hiddenCommit = u"/* /* */ COMMIT; DELETE FROM orders; BEGIN; SELECT 1 -- */"_s;
    const QString triggerOnBegin =
        u"CREATE TRIGGER g AFTER INSERT ON t FOR EACH ROW EXECUTE FUNCTION begin(); COMMIT; "
        "DELETE FROM orders; END;"_s;
    const struct {
        const char* name;
        D dialect;
        QString text;
        QStringList pieces;
    } cases[] = {
        {"SQLite comments do not nest",
         D::SQLite,
         hiddenCommit,
         {u"/* /* */ COMMIT"_s, u" DELETE FROM orders"_s, u" BEGIN"_s, u" SELECT 1 -- */"_s}},
        {"PostgreSQL comments nest", D::PostgreSQL, hiddenCommit, {hiddenCommit}},
        {"MySQL comments do not nest",
         D::MySQL,
         u"/* /* */ SELECT 1; SELECT 2 -- */"_s,
         {u"/* /* */ SELECT 1"_s, u" SELECT 2 -- */"_s}},
        {"a PostgreSQL trigger has no body",
         D::PostgreSQL,
         triggerOnBegin,
         {u"CREATE TRIGGER g AFTER INSERT ON t FOR EACH ROW EXECUTE FUNCTION begin()"_s,
          u" COMMIT"_s, u" DELETE FROM orders"_s, u" END"_s}},
        {"a SQLite trigger has one", D::SQLite, triggerOnBegin, {triggerOnBegin.chopped(1)}},
        {"PostgreSQL ends a line comment at a CR",
         D::PostgreSQL,
         u"SELECT 1 -- note\r; DELETE FROM t"_s,
         {u"SELECT 1 -- note\r"_s, u" DELETE FROM t"_s}},
        {"SQLite does not",
         D::SQLite,
         u"SELECT 1 -- note\r; DELETE FROM t"_s,
         {u"SELECT 1 -- note\r; DELETE FROM t"_s}},
        {"SQLite knows no escape strings",
         D::SQLite,
         u"SELECT e'\\'; COMMIT; --'"_s,
         {u"SELECT e'\\'"_s, u" COMMIT"_s, u" --'"_s}},
        {"PostgreSQL does",
         D::PostgreSQL,
         u"SELECT e'\\'; COMMIT; --'"_s,
         {u"SELECT e'\\'; COMMIT; --'"_s}},
        {"SQLite knows no dollar quotes",
         D::SQLite,
         u"SELECT $a$; SELECT $a$"_s,
         {u"SELECT $a$"_s, u" SELECT $a$"_s}},
        {"SQLite brackets a name",
         D::SQLite,
         u"SELECT [a;b] FROM t; X"_s,
         {u"SELECT [a;b] FROM t"_s, u" X"_s}},
        {"MySQL escapes with a backslash",
         D::MySQL,
         u"SELECT 'a\\';b', \"c\\\";d\"; X"_s,
         {u"SELECT 'a\\';b', \"c\\\";d\""_s, u" X"_s}},
        {"MySQL hash comment",
         D::MySQL,
         u"SELECT 1 # a;b\nFROM t; X"_s,
         {u"SELECT 1 # a;b\nFROM t"_s, u" X"_s}},
        {"MySQL dashes need a blank", D::MySQL, u"SELECT 1--1; X"_s, {u"SELECT 1--1"_s, u" X"_s}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutStatements(c.text, c.dialect), c.pieces) << c.name;
    }
}

// A trigger body holds statements of its own; only the ";" after the END
// that closes its BEGIN ends the trigger.
TEST(StatementCutterTest, KeepsATriggerBodyInOnePiece) {
    const QString body =
        u"CREATE TRIGGER log_t AFTER UPDATE ON t BEGIN\r\n"
        "  INSERT INTO h VALUES (new.id, 'x;y');\r\n"
        "  UPDATE s SET n = n + 1;\r\n"
        "END"_s;
    const CutCase cases[] = {
        {"body of two statements",
         body + u";\r\nINSERT INTO t VALUES (1);"_s,
         {body, u"INSERT INTO t VALUES (1)"_s}},
        {"temporary, lower case, comment in front",
         u"/* audit */ create temp trigger a after insert on t begin delete from h; end;X"_s,
         {u"/* audit */ create temp trigger a after insert on t begin delete from h; end"_s,
          u"X"_s}},
        {"CASE ... END inside the body",
         u"CREATE TRIGGER c BEFORE INSERT ON t BEGIN SELECT CASE WHEN new.v < 0 THEN "
         "RAISE(ABORT, 'neg') END; UPDATE s SET n = 1; END;X"_s,
         {u"CREATE TRIGGER c BEFORE INSERT ON t BEGIN SELECT CASE WHEN new.v < 0 THEN "
          "RAISE(ABORT, 'neg') END; UPDATE s SET n = 1; END"_s,
          u"X"_s}},
        {"END and BEGIN in quotes and comments",
         u"CREATE TRIGGER q AFTER DELETE ON t BEGIN INSERT INTO h VALUES ('END'); -- END;\n"
         "/* END; */ INSERT INTO h VALUES (\"END\"); END;X"_s,
         {u"CREATE TRIGGER q AFTER DELETE ON t BEGIN INSERT INTO h VALUES ('END'); -- END;\n"
          "/* END; */ INSERT INTO h VALUES (\"END\"); END"_s,
          u"X"_s}},
        {"trigger that executes a function",
         u"CREATE TRIGGER f AFTER INSERT ON t FOR EACH ROW EXECUTE FUNCTION g();BEGIN;X"_s,
         {u"CREATE TRIGGER f AFTER INSERT ON t FOR EACH ROW EXECUTE FUNCTION g()"_s, u"BEGIN"_s,
          u"X"_s}},
        {"words that only look alike",
         u"CREATE TABLE trigger_begin (a);SELECT 'CREATE TRIGGER x BEGIN';CREATE_TRIGGER;B"_s,
         {u"CREATE TABLE trigger_begin (a)"_s, u"SELECT 'CREATE TRIGGER x BEGIN'"_s,
          u"CREATE_TRIGGER"_s, u"B"_s}},
        {"body without END runs to the end",
         u"CREATE TRIGGER u BEGIN DELETE FROM h; X"_s,
         {u"CREATE TRIGGER u BEGIN DELETE FROM h; X"_s}},
    };
    for (const CutCase& c : cases) {
        EXPECT_EQ(cutStatements(c.text), c.pieces) << c.name;
    }
}

TEST(StatementCutterTest, StatementBodySkipsLeadingBlanksAndComments) {
    const struct {
        QString piece;
        QString body;
    } cases[] = {
        {u"/* Statements for Table Setup \"c\" */\r\n"_s, QString()},
        {u"  -- only a note\r\n  /* and /* nested */ one */ "_s, QString()},
        {u"-- unterminated line comment"_s, QString()},
        {u"/* unterminated block"_s, QString()},
        {u"\r\n\t"_s, QString()},
        {u"/* h */\r\nUPDATE t SET a = 1 /* Was: 0 */"_s, u"UPDATE t SET a = 1 /* Was: 0 */"_s},
        {u"-- x\nDELETE FROM t"_s, u"DELETE FROM t"_s},
        {u"SELECT '--'"_s, u"SELECT '--'"_s},
        {u"- 1"_s, u"- 1"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statementBody(c.piece), c.body) << c.piece.toStdString();
    }
}

TEST(StatementCutterTest, FindsStatementsThatEndOrStartATransaction) {
    const struct {
        QString piece;
        QString words;
    } cases[] = {
        {u"COMMIT"_s, u"COMMIT"_s},
        {u"\r\ncommit work"_s, u"COMMIT"_s},
        {u"/* done */ Commit"_s, u"COMMIT"_s},
        {u"END TRANSACTION"_s, u"END"_s},
        {u"end"_s, u"END"_s},
        {u"ROLLBACK"_s, u"ROLLBACK"_s},
        {u"rollback work"_s, u"ROLLBACK"_s},
        {u"ROLLBACK TRANSACTION"_s, u"ROLLBACK"_s},
        {u"ROLLBACK AND CHAIN"_s, u"ROLLBACK"_s},
        {u"ROLLBACK PREPARED 'x'"_s, u"ROLLBACK"_s},
        {u"-- now\nABORT"_s, u"ABORT"_s},
        {u"begin"_s, u"BEGIN"_s},
        {u"BEGIN IMMEDIATE TRANSACTION"_s, u"BEGIN"_s},
        {u"start transaction read write"_s, u"START TRANSACTION"_s},
        {u"START /* x */\r\n  TRANSACTION"_s, u"START TRANSACTION"_s},
        {u"PREPARE TRANSACTION 'x'"_s, u"PREPARE TRANSACTION"_s},
        // Not transaction control:
        {u"INSERT INTO t VALUES ('COMMIT')"_s, QString()},
        {u"UPDATE t SET v = 1 WHERE w = 'BEGIN'"_s, QString()},
        {u"-- COMMIT\nDELETE FROM t"_s, QString()},
        {u"/* ROLLBACK */"_s, QString()},
        {u"COMMITTED_ROWS"_s, QString()},
        {u"ending"_s, QString()},
        {u"START SLAVE"_s, QString()},
        {u"PREPARE q AS SELECT 1"_s, QString()},
        {u"SAVEPOINT s"_s, QString()},
        {u"RELEASE SAVEPOINT s"_s, QString()},
        // Undoes part of the transaction and leaves it open:
        {u"rollback to savepoint s"_s, QString()},
        {u"ROLLBACK TO s"_s, QString()},
        {u"Rollback Transaction /* x */ To Savepoint s"_s, QString()},
        {u"ROLLBACK WORK TO SAVEPOINT s"_s, QString()},
        // A trigger body's END is part of the trigger:
        {u"CREATE TRIGGER a AFTER INSERT ON t BEGIN DELETE FROM h; END"_s, QString()},
        {u"DO $$ BEGIN PERFORM 1; END $$"_s, QString()},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(transactionControlWords(c.piece), c.words) << c.piece.toStdString();
    }
    // The words the database itself reads first, after its own comments.
    const struct {
        SqlDialect dialect;
        QString piece;
        QString words;
    } dialectCases[] = {
        {SqlDialect::SQLite, u"/* /* */ COMMIT"_s, u"COMMIT"_s},
        {SqlDialect::PostgreSQL, u"/* /* */ COMMIT */ SELECT 1"_s, QString()},
        {SqlDialect::PostgreSQL, u"-- note\rCOMMIT"_s, u"COMMIT"_s},
        {SqlDialect::SQLite, u"-- note\rCOMMIT"_s, QString()},
        {SqlDialect::MySQL, u"/*!40000 COMMIT */"_s, u"COMMIT"_s},
        {SqlDialect::MySQL, u"# note\nROLLBACK"_s, u"ROLLBACK"_s},
    };
    for (const auto& c : dialectCases) {
        EXPECT_EQ(transactionControlWords(c.piece, c.dialect), c.words) << c.piece.toStdString();
    }
}

// Only statements that read may be sent as a query: a read-only transaction
// does not stop COPY ... TO PROGRAM, SELECT ... INTO makes a table, and a
// WITH may hold a statement that writes.
TEST(StatementCutterTest, TellsReadingStatements) {
    using D = SqlDialect;
    const struct {
        D dialect;
        QString piece;
        bool reads;
    } cases[] = {
        {D::PostgreSQL, u"SELECT * FROM t"_s, true},
        {D::PostgreSQL, u"  -- rows\r\n/* all */ select 1"_s, true},
        {D::PostgreSQL, u"((SELECT 1) UNION (SELECT 2))"_s, true},
        {D::PostgreSQL, u"VALUES (1), (2)"_s, true},
        {D::PostgreSQL, u"TABLE t"_s, true},
        {D::PostgreSQL, u"SELECT 'INTO', \"into\" FROM t -- into\n"_s, true},
        {D::PostgreSQL, u"WITH w AS (SELECT 1) SELECT * FROM w"_s, true},
        {D::PostgreSQL,
         u"with recursive w(n) as (select 1 union all select n + 1 from w where "
         "n < 3) search depth first by n set o select * from w"_s,
         true},
        {D::PostgreSQL,
         u"WITH a AS MATERIALIZED (SELECT 1), b AS NOT MATERIALIZED (WITH c AS "
         "(SELECT 2) SELECT * FROM c) (SELECT * FROM a, b)"_s,
         true},
        {D::PostgreSQL, u"COPY (SELECT 1) TO PROGRAM 'id > pwned.txt'"_s, false},
        {D::PostgreSQL, u"(COPY t TO '/tmp/t.txt')"_s, false},
        {D::PostgreSQL, u"DELETE FROM t RETURNING *"_s, false},
        {D::PostgreSQL, u"WITH x AS (DELETE FROM t RETURNING *) SELECT * FROM x"_s, false},
        {D::PostgreSQL, u"WITH a AS (SELECT 1), x AS ((UPDATE t SET v = 1)) SELECT 1"_s, false},
        {D::PostgreSQL, u"WITH a AS (SELECT 1) DELETE FROM t"_s, false},
        {D::PostgreSQL, u"WITH a AS (SELECT 1)"_s, false},
        {D::PostgreSQL, u"SELECT * INTO t2 FROM t"_s, false},
        {D::PostgreSQL, u"EXPLAIN ANALYZE DELETE FROM t"_s, false},
        {D::PostgreSQL, u"-- SELECT\nDELETE FROM t"_s, false},
        {D::PostgreSQL, u"/* /* */ SELECT 1 */ DELETE FROM t"_s, false},
        {D::PostgreSQL, u"-- x\rDELETE FROM t"_s, false},
        {D::PostgreSQL, QString(), false},
        {D::SQLite, u"/* /* */ SELECT 1 -- */"_s, true},
        {D::SQLite, u"/* /* */ DELETE FROM t -- */ SELECT 1"_s, false},
        {D::SQLite, u"PRAGMA table_info(t)"_s, false},
        {D::SQLite, u"WITH w AS (SELECT 1) INSERT INTO t SELECT * FROM w"_s, false},
        {D::SQLite, u"WITH [w;x] AS (SELECT 1) SELECT * FROM [w;x]"_s, true},
        {D::MySQL, u"SELECT * FROM t INTO OUTFILE '/tmp/t.txt'"_s, false},
        {D::MySQL, u"/*!DELETE FROM t*/ SELECT 1"_s, false},
        {D::MySQL, u"# note\nSELECT 1"_s, true},
        // An unknown database may or may not nest comments: text that is
        // one reading statement only one way is refused.
        {D::Generic, u"SELECT 1 /* /* */ FROM t -- */"_s, true},
        {D::Generic, u"SELECT 1 /* /* */ ; DELETE FROM t -- */"_s, false},
        {D::PostgreSQL, u"SELECT 1 /* /* */ ; DELETE FROM t -- */"_s, true},
        {D::Generic, u"/* a /* b */ DELETE FROM t; */ SELECT 1"_s, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isReadingStatement(c.piece, c.dialect), c.reads) << c.piece.toStdString();
    }
}

}  // namespace
}  // namespace qm
