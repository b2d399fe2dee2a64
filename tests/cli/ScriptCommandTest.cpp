#include "support/CliRunner.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// customers: 1 equal, 2 differs, 3 only in the source, 4 only in the target.
class ScriptCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1,'a'), (2,'b;*/'), (3,'O''c')"_s});
        folder.addSqlite(u"Dst"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1,'a'), (2,'B'), (4,'d')"_s});
    }
    QStringList scriptArgs() const {
        return {u"script"_s,
                u"--source-alias"_s,
                u"Src"_s,
                u"--target-alias"_s,
                u"Dst"_s,
                u"--source-sql"_s,
                u"SELECT * FROM c ORDER BY id"_s,
                u"--target-sql"_s,
                u"SELECT * FROM c ORDER BY id"_s,
                u"--key"_s,
                u"id"_s,
                u"--table"_s,
                u"c"_s,
                u"--aliases"_s,
                folder.aliasFile()};
    }
    AliasFolder folder;
};

TEST_F(ScriptCommandTest, WritesTheStatementsThatMakeTheTargetEqual) {
    const CliResult r = runCli(scriptArgs());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              u"/* Statements for Table Setup \"c\" */\r\n"
              "UPDATE c SET name = 'b;*/'/* Was: 'B' */ WHERE id = 2;\r\n"
              "INSERT INTO c (id, name) VALUES (3, 'O''c');\r\n"
              "DELETE FROM c WHERE id = 4;\r\n"_s);

    // Written to a file, executed, and the two databases are the same.
    const QString script = folder.path(u"sync.sql"_s);
    const QString log = folder.path(u"sync.log"_s);
    ASSERT_EQ(
        runCli(scriptArgs() << u"--output"_s << script << u"--name"_s << u"Customers"_s).exitCode,
        0);
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("/* Statements for Table Setup \"Customers\" */\r\n"));
    const CliResult ex = runCli({u"execute"_s, u"--target-alias"_s, u"Dst"_s, u"--script"_s, script,
                                 u"--log"_s, log, u"--aliases"_s, folder.aliasFile()});
    EXPECT_EQ(ex.exitCode, 0) << ex.err.toStdString();
    EXPECT_TRUE(QFile::exists(log));
    QProcess diff;
    diff.start(u"sqldiff"_s,
               {u"--table"_s, u"c"_s, folder.path(u"Src.db"_s), folder.path(u"Dst.db"_s)});
    ASSERT_TRUE(diff.waitForFinished(30000));
    EXPECT_EQ(diff.exitCode(), 0);
    EXPECT_EQ(diff.readAllStandardOutput(), QByteArray());
    // Nothing is left to do.
    EXPECT_EQ(runCli(scriptArgs()).out, u"/* Statements for Table Setup \"c\" */\r\n"_s);
}

TEST_F(ScriptCommandTest, ExecuteRollsBackOnTheFirstFailure) {
    const QString script = folder.path(u"bad.sql"_s);
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("DELETE FROM c;\r\nINSERT INTO missing VALUES (1);\r\n");
    f.close();
    const CliResult r = runCli({u"execute"_s, u"--target-alias"_s, u"Dst"_s, u"--script"_s, script,
                                u"--aliases"_s, folder.aliasFile()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"missing"_s)) << r.err.toStdString();
    // The DELETE was rolled back: the target still has its three rows.
    EXPECT_EQ(
        runCli({u"compare"_s, u"--source-alias"_s, u"Dst"_s, u"--target-alias"_s, u"Dst"_s,
                u"--source-sql"_s, u"SELECT * FROM c"_s, u"--target-sql"_s, u"SELECT * FROM c"_s,
                u"--key"_s, u"id"_s, u"--aliases"_s, folder.aliasFile()})
            .out.split(u'\n')
            .value(0),
        u"3 records"_s);
}

TEST_F(ScriptCommandTest, UsageErrors) {
    QStringList noTable = scriptArgs();
    noTable.remove(noTable.indexOf(u"--table"_s), 2);
    for (const QStringList& args :
         {noTable, QStringList{u"execute"_s, u"--target-alias"_s, u"Dst"_s}}) {
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"Missing option"_s)) << r.err.toStdString();
    }
    for (const char* command : {"script", "execute"}) {
        const CliResult r = runCli({QString::fromLatin1(command), u"--help"_s});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.contains(u"--aliases"_s));
    }
}

}  // namespace
}  // namespace qm::test
