// Input the command-line tool refuses before it does anything: repeated
// options, blank queries, keys and names, empty keys in a project, project
// files whose counts do not match their sections; and the messages of
// failures that no password can mend or that concern the target.

#include "support/CliRunner.h"
#include "support/FileBytes.h"
#include "support/MachineTools.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QFile>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

const QStringList kTable = {u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"_s,
                            u"INSERT INTO t VALUES (1, 'a'), (2, 'b')"_s};
const QString kSql = u"SELECT * FROM t"_s;

class InputChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, kTable);
        folder.addSqlite(u"Dst"_s, kTable);
        project = folder.path(u"sync.qmp"_s);
    }
    QStringList compareArgs(const QString& targetAlias = u"Dst"_s,
                            const QString& targetSql = kSql) const {
        return {u"compare"_s,      u"--source-alias"_s, u"Src"_s, u"--target-alias"_s,
                targetAlias,       u"--source-sql"_s,   kSql,     u"--target-sql"_s,
                targetSql,         u"--key"_s,          u"id"_s,  u"--aliases"_s,
                folder.aliasFile()};
    }
    QStringList addTableSetup(const QString& name, const QString& sourceSql = kSql,
                              const QString& targetSql = kSql) const {
        return {u"project"_s, u"add-table-setup"_s, project,   u"--name"_s,
                name,         u"--source-sql"_s,    sourceSql, u"--target-sql"_s,
                targetSql,    u"--key"_s,           u"id"_s,   u"--table"_s,
                u"t"_s};
    }
    void createProject() {
        ASSERT_EQ(runCli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                          u"--target-alias"_s, u"Dst"_s})
                      .exitCode,
                  0);
        for (const QString& name : {u"One"_s, u"Two"_s}) {
            const CliResult r = runCli(addTableSetup(name));
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
    }
    AliasFolder folder;
    QString project;
};

TEST_F(InputChecksTest, ARepeatedOptionIsAUsageError) {
    createProject();
    const QByteArray before = readBytes(project);
    struct Case {
        QStringList args;
        QString option;
    };
    const Case cases[] = {
        {compareArgs() + QStringList{u"--key"_s, u"name"_s}, u"--key"_s},
        {compareArgs() + QStringList{u"--target-alias"_s, u"Src"_s}, u"--target-alias"_s},
        {addTableSetup(u"Three"_s) + QStringList{u"--name"_s, u"Four"_s}, u"--name"_s},
        {{u"execute"_s, u"--target-alias"_s, u"Dst"_s, u"--script"_s, u"a.sql"_s, u"--script"_s,
          u"b.sql"_s, u"--aliases"_s, folder.aliasFile()},
         u"--script"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option.toStdString());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.startsWith(u"Option %1 is given more than once.\n"_s.arg(c.option)))
            << r.err.toStdString();
    }
    EXPECT_EQ(readBytes(project), before);

    // --table-setup is meant to be repeated: it chooses several.
    const CliResult both =
        runCli({u"compare"_s, project, u"--table-setup"_s, u"One"_s, u"--table-setup"_s, u"Two"_s,
                u"--aliases"_s, folder.aliasFile()});
    EXPECT_EQ(both.exitCode, 0) << both.err.toStdString();
    EXPECT_TRUE(both.out.contains(u"Table setup \"One\":"_s) &&
                both.out.contains(u"Table setup \"Two\":"_s))
        << both.out.toStdString();
}

TEST_F(InputChecksTest, AQueryOfBlanksIsNotStored) {
    createProject();
    const QByteArray before = readBytes(project);
    for (const QString& blank : {u"   "_s, u"\r\n\t \n"_s}) {
        for (const bool source : {true, false}) {
            const CliResult r =
                runCli(addTableSetup(u"Blank"_s, source ? blank : kSql, source ? kSql : blank));
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.err, u"--%1 holds only blanks.\n"_s.arg(source ? u"source-sql"_s
                                                                       : u"target-sql"_s));
        }
    }
    EXPECT_EQ(readBytes(project), before);
}

// A key or a name of blanks only would be read back from the project as
// empty: the table setup could never be used.
TEST_F(InputChecksTest, AKeyOrNameOfBlanksIsNotStored) {
    createProject();
    const QByteArray before = readBytes(project);
    for (const QString& option : {u"--key"_s, u"--name"_s}) {
        for (const QString& blank : {u"  "_s, u"\t \r\n"_s}) {
            SCOPED_TRACE((option + u" '"_s + blank + u"'"_s).toStdString());
            QStringList args = addTableSetup(u"Blank"_s);
            args[args.indexOf(option) + 1] = blank;
            const CliResult r = runCli(args);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, QString());
            EXPECT_EQ(r.err, u"%1 holds only blanks.\n"_s.arg(option));
        }
    }
    EXPECT_EQ(readBytes(project), before);
}

TEST_F(InputChecksTest, AnEmptyKeyInAProjectIsRefusedLikeAnEmptyKeyOption) {
    createProject();
    const QByteArray good = readBytes(project);
    ASSERT_TRUE(good.contains("PrimaryKeySpec=\"id\"\r\n"));
    // The second table setup's key emptied, or its line gone.
    const qsizetype second = good.indexOf("[Nodes1]");
    for (const QByteArray& replacement : {QByteArray("PrimaryKeySpec=\"\"\r\n"), QByteArray()}) {
        QByteArray edited = good;
        edited.replace(edited.indexOf("PrimaryKeySpec=\"id\"\r\n", second), 21, replacement);
        writeBytes(project, edited);
        for (const QString& command : {u"compare"_s, u"script"_s}) {
            SCOPED_TRACE(command.toStdString());
            const CliResult r = runCli({command, project, u"--aliases"_s, folder.aliasFile()});
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.out, QString());
            EXPECT_EQ(r.err,
                      u"Cannot use table setup \"Two\" of project \"%1\": its key "
                      "(PrimaryKeySpec) is empty.\n"_s.arg(project));
        }
        // A run that leaves that table setup out is not affected.
        const CliResult one = runCli({u"compare"_s, project, u"--table-setup"_s, u"One"_s,
                                      u"--aliases"_s, folder.aliasFile()});
        EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    }
}

TEST_F(InputChecksTest, CountsThatDoNotMatchTheSectionsLeaveTheProjectUntouched) {
    createProject();
    ASSERT_EQ(runCli({u"project"_s, u"add-lookup"_s, project, u"--table-setup"_s, u"One"_s,
                      u"--lookup-name"_s, u"L"_s, u"--field"_s, u"name"_s})
                  .exitCode,
              0);
    const QByteArray good = readBytes(project);
    struct Case {
        const char* from;
        const char* to;
        const char* message;
    };
    const Case cases[] = {
        {"[Nodes]\r\nCount=2", "[Nodes]\r\nCount=1",
         "Section [Nodes1] is not one of the 1 node(s) that section [Nodes] counts"},
        {"[Nodes]\r\nCount=2", "[Nodes]\r\nCount=0",
         "Section [Nodes0] is not one of the 0 node(s) that section [Nodes] counts"},
        {"[Nodes]\r\nCount=2", "[Nodes]\r\nCount=-1",
         "The node count \"-1\" in section [Nodes] is negative"},
        {"[Nodes]\r\nCount=2", "[Nodes]\r\nCount=3",
         "Section [Nodes] counts 3 node(s), but the file has no section [Nodes2]"},
        {"ObjectCount=1", "ObjectCount=0",
         "Section [Nodes0 Object0] is not one of the 0 object(s) that section [Nodes0] counts"},
        {"ObjectCount=1", "ObjectCount=-5",
         "The object count \"-5\" in section [Nodes0] is not a number of objects"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        QByteArray edited = good;
        ASSERT_TRUE(edited.contains(c.from));
        edited.replace(c.from, c.to);
        writeBytes(project, edited);
        const CliResult r = runCli(addTableSetup(u"Three"_s));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"Cannot open project \"%1\":"_s.arg(project)) &&
                    r.err.contains(QString::fromUtf8(c.message)))
            << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u".cpp"_s)) << r.err.toStdString();
        EXPECT_EQ(readBytes(project), edited);
    }
}

TEST_F(InputChecksTest, NoPasswordHintWhereNoPasswordCanHelp) {
    folder.addAlias(u"Odd"_s, {u"Driver=NOPE"_s, u"Database=x"_s});
    folder.addAlias(u"NoDsn"_s, {u"Driver=ODBC"_s, u"Database=quillmere_no_such_dsn"_s});
    // A loopback port nothing listens on: the server never asks for a password.
    const int closedPort = closedLoopbackPort();
    ASSERT_NE(closedPort, 0);
    folder.addAlias(u"Down"_s, {u"Driver=PSQL"_s, u"Host=127.0.0.1"_s, u"Port=%1"_s.arg(closedPort),
                                u"User=postgres"_s, u"Database=qm_source"_s});
    struct Case {
        QString alias;
        QString message;
    };
    const Case cases[] = {
        {u"Odd"_s, u"Alias \"Odd\": unknown driver \"NOPE\""_s},
        {u"NoDsn"_s,
         u"Cannot connect to database alias \"NoDsn\": the ODBC driver manager knows no data "
         "source named \"quillmere_no_such_dsn\""_s},
        {u"Down"_s, u"Cannot connect to database alias \"Down\": "_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alias.toStdString());
        const CliResult r = runCli(compareArgs(c.alias));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"password"_s, Qt::CaseInsensitive)) << r.err.toStdString();
    }
}

TEST_F(InputChecksTest, ATargetFailureSaysSoAndNamesTheAlias) {
    const CliResult r = runCli(compareArgs(u"Dst"_s, u"SELECT * FROM missing_table"_s));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.contains(u"Failed to open target dataset (alias \"Dst\"). System message: "_s) &&
        r.err.contains(u"missing_table"_s))
        << r.err.toStdString();
}

}  // namespace
}  // namespace qm::test
