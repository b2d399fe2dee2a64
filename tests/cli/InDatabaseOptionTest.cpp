#include "support/CliRunner.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// --in-database of compare and script: the same output as the full load,
// and a usage error where the two databases cannot compare themselves.

namespace qm::test {
namespace {

class InDatabaseOptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Differences of letter case, trailing blanks, NULL against empty,
        // a real one unit in the last place apart; rows of one side only;
        // the key is text, and the target has a column the source lacks.
        folder.addSqlite(u"Src"_s,
                         {u"CREATE TABLE t (code TEXT PRIMARY KEY, name TEXT, r REAL, n INTEGER)"_s,
                          u"INSERT INTO t VALUES ('a', 'Ann', 0.1, 1), ('b', 'Bob', 2.5, NULL), "
                          "('c', '', 1e300, 3), ('d', 'Dan', -0.0, 4), ('e', 'Eve', 5, 5), "
                          "('f', 'same', 6, 6)"_s});
        folder.addSqlite(
            u"Dst"_s,
            {u"CREATE TABLE t (code TEXT PRIMARY KEY, name TEXT, r REAL, n INTEGER, extra TEXT)"_s,
             u"INSERT INTO t VALUES ('a', 'ANN', 0.1, 1, 'x'), ('b', 'Bob ', 2.5, NULL, 'x'), "
             "('c', NULL, 1e300, 3, 'x'), ('d', 'Dan', 0.10000000000000002, 4, 'x'), "
             "('g', 'Gus', 7, 7, 'x'), ('f', 'same', 6, 6, 'other')"_s});
        folder.addAlias(u"Pg"_s,
                        {u"Driver=PSQL"_s, u"Database=none"_s, u"Host=127.0.0.1"_s, u"Port=1"_s});
        folder.addAlias(u"Odbc"_s, {u"Driver=ODBC"_s, u"Database=DSN=none"_s});
    }
    QStringList args(const QString& command, const QString& target = u"Dst"_s) const {
        QStringList a{command,
                      u"--source-alias"_s,
                      u"Src"_s,
                      u"--target-alias"_s,
                      target,
                      u"--source-sql"_s,
                      u"SELECT * FROM t"_s,
                      u"--target-sql"_s,
                      u"SELECT * FROM t;  -- all rows"_s,
                      u"--key"_s,
                      u"code"_s,
                      u"--aliases"_s,
                      folder.aliasFile()};
        if (command == u"script"_s) {
            a << u"--table"_s << u"t"_s;
        }
        return a;
    }
    AliasFolder folder;
};

TEST_F(InDatabaseOptionTest, PrintsWhatTheFullLoadPrints) {
    for (const QString& command : {u"compare"_s, u"script"_s}) {
        SCOPED_TRACE(command.toStdString());
        const CliResult full = runCli(args(command));
        const CliResult inDb = runCli(args(command) << u"--in-database"_s);
        ASSERT_EQ(full.exitCode, 0) << full.err.toStdString();
        EXPECT_EQ(inDb.exitCode, 0) << inDb.err.toStdString();
        EXPECT_EQ(inDb.out, full.out);
        EXPECT_EQ(inDb.err, QString());
    }
    // The pair does differ in each of its rows but f.
    const CliResult script = runCli(args(u"script"_s) << u"--in-database"_s);
    EXPECT_EQ(script.out.count(u"UPDATE"_s), 4) << script.out.toStdString();
    EXPECT_TRUE(script.out.contains(u"INSERT INTO t (code, name, r, n) VALUES ('e'"_s));
    EXPECT_TRUE(script.out.contains(u"DELETE FROM t WHERE code = 'g';"_s));
}

TEST_F(InDatabaseOptionTest, ProjectsPrintWhatTheFullLoadPrints) {
    const QString project = folder.path(u"sync.qmp"_s);
    ASSERT_EQ(runCli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                      u"--target-alias"_s, u"Dst"_s})
                  .exitCode,
              0);
    for (const QString& sql : {u"SELECT * FROM t"_s, u"SELECT code, name FROM t"_s}) {
        ASSERT_EQ(runCli({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, sql,
                          u"--source-sql"_s, sql, u"--target-sql"_s, sql, u"--key"_s, u"code"_s,
                          u"--table"_s, u"t"_s})
                      .exitCode,
                  0);
    }
    for (const QString& command : {u"compare"_s, u"script"_s}) {
        SCOPED_TRACE(command.toStdString());
        const QStringList a{command, project, u"--aliases"_s, folder.aliasFile()};
        const CliResult full = runCli(a);
        const CliResult inDb = runCli(QStringList(a) << u"--in-database"_s);
        ASSERT_EQ(full.exitCode, 0) << full.err.toStdString();
        EXPECT_EQ(inDb.exitCode, 0) << inDb.err.toStdString();
        EXPECT_EQ(inDb.out, full.out);
        EXPECT_EQ(inDb.err, full.err);
    }
}

// Other engines, and a relative tolerance (no cut of the values in the
// database keeps apart all that differ by more than it), are usage errors.
TEST_F(InDatabaseOptionTest, OtherEnginesAndRelativeTolerancesAreRefused) {
    const QString project = folder.path(u"pg.qmp"_s);
    ASSERT_EQ(runCli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                      u"--target-alias"_s, u"Pg"_s})
                  .exitCode,
              0);
    const QString sqliteProject = folder.path(u"sqlite.qmp"_s);
    ASSERT_EQ(runCli({u"project"_s, u"create"_s, sqliteProject, u"--source-alias"_s, u"Src"_s,
                      u"--target-alias"_s, u"Dst"_s})
                  .exitCode,
              0);
    ASSERT_EQ(runCli({u"project"_s, u"add-table-setup"_s, sqliteProject, u"--name"_s, u"all"_s,
                      u"--source-sql"_s, u"SELECT * FROM t"_s, u"--target-sql"_s,
                      u"SELECT * FROM t"_s, u"--key"_s, u"code"_s, u"--table"_s, u"t"_s})
                  .exitCode,
              0);
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {args(u"compare"_s, u"Pg"_s) << u"--in-database"_s,
         u"--in-database cannot be used here: Comparing inside the databases needs a source and "
         "a target on the same engine, both SQLite or both PostgreSQL; the source is on SQLite "
         "and the target on PostgreSQL."_s},
        {args(u"script"_s, u"Odbc"_s) << u"--in-database"_s,
         u"the source is on SQLite and the target on ODBC."_s},
        {{u"script"_s, project, u"--aliases"_s, folder.aliasFile(), u"--in-database"_s},
         u"the source is on SQLite and the target on PostgreSQL."_s},
        {args(u"compare"_s) << u"--in-database"_s << u"--rel-tolerance"_s << u"0.01"_s,
         u"--in-database cannot be used here: Table setup \"compare\": the comparison rule for "
         "all columns (*) has a relative tolerance (rel=), which cannot be compared inside the "
         "databases; compare without --in-database, or use an absolute tolerance (abs=)."_s},
        {args(u"script"_s) << u"--rules"_s << u"r: rel=0.5"_s << u"--in-database"_s,
         u"--in-database cannot be used here: Table setup \"t\": the comparison rule of column "
         "\"r\" has a relative tolerance (rel=)"_s},
        {{u"compare"_s, sqliteProject, u"--aliases"_s, folder.aliasFile(), u"--in-database"_s,
          u"--rules"_s, u"r: rel=0.5"_s},
         u"--in-database cannot be used here: Table setup \"all\": the comparison rule of "
         "column \"r\" has a relative tolerance (rel=)"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

// A query the database refuses fails the run, naming the side and alias; a
// key field the queries lack is reported as without the option.
TEST_F(InDatabaseOptionTest, FailuresAreReportedAsWithoutTheOption) {
    struct Case {
        QString option;
        QString value;
        QString message;
    };
    const Case cases[] = {
        {u"--target-sql"_s, u"SELECT * FROM missing"_s,
         u"Failed to compare inside the target database (alias \"Dst\"). System message: "_s},
        {u"--key"_s, u"nope"_s, u"Key field \"nope\" not found"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        QStringList a = args(u"compare"_s) << u"--in-database"_s;
        a[a.indexOf(c.option) + 1] = c.value;
        const CliResult r = runCli(a);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace qm::test
