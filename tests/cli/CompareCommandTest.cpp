#include "support/CliRunner.h"
#include "support/EngineHarness.h"
#include "support/MachineTools.h"
#include "support/PgScratch.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

const QStringList kSource = {
    u"CREATE TABLE t (id INTEGER, line INTEGER, name TEXT)"_s,
    u"INSERT INTO t VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 1, 'c'), (5, 1, 'e')"_s,
};
const QStringList kTarget = {
    u"CREATE TABLE t (id INTEGER, line INTEGER, name TEXT)"_s,
    u"INSERT INTO t VALUES (1, 1, 'a'), (2, 1, 'B'), (3, 2, 'c'), (4, 1, 'd')"_s,
};

class CompareCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, kSource);
        folder.addSqlite(u"Dst"_s, kTarget);
    }
    QStringList compareArgs(const QString& key, const QString& sql = u"SELECT * FROM t"_s,
                            const QString& targetAlias = u"Dst"_s) const {
        return {u"compare"_s,
                u"--source-alias"_s,
                u"Src"_s,
                u"--target-alias"_s,
                targetAlias,
                u"--source-sql"_s,
                sql,
                u"--target-sql"_s,
                sql,
                u"--key"_s,
                key,
                u"--aliases"_s,
                folder.aliasFile()};
    }
    AliasFolder folder;
};

TEST_F(CompareCommandTest, PrintsCountsAndStatistics) {
    struct Case {
        const char* key;
        const char* sql;
        QStringList lines;
    };
    const Case cases[] = {
        {"id",
         "SELECT * FROM t",
         {u"4 records"_s, u"4 records initially"_s, u"No inserts"_s, u"No updates"_s,
          u"No deletes"_s, u"Records with differences: 2"_s, u"Local records: 1"_s}},
        {"id;line",
         "SELECT * FROM t",
         {u"4 records"_s, u"4 records initially"_s, u"No inserts"_s, u"No updates"_s,
          u"No deletes"_s, u"Records with differences: 1"_s, u"Local records: 2"_s}},
        {"id",
         "SELECT * FROM t WHERE id > 100",
         {u"0 records"_s, u"0 records initially"_s, u"No inserts"_s, u"No updates"_s,
          u"No deletes"_s, u"No dual records different"_s, u"No records unique to target"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + std::string(" / ") + c.sql);
        const CliResult r = runCli(compareArgs(QString::fromUtf8(c.key), QString::fromUtf8(c.sql)));
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.lines.join(u'\n') + u'\n');
        EXPECT_EQ(r.err, QString());
    }
}

// A name the alias file does not define opens as an ODBC data source when the
// driver manager knows one by that name (compared without regard to case).
TEST_F(CompareCommandTest, UndefinedAliasOpensAnOdbcDataSource) {
    QM_REQUIRE_ODBC_DRIVER(u"SQLite3"_s);
    const QString odbcIni = folder.path(u"odbc.ini"_s);
    QFile ini(odbcIni);
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        u"[QmTargetDsn]\nDriver=SQLite3\nDatabase=%1\n"_s.arg(folder.path(u"Dst.db"_s)).toUtf8());
    ini.close();
    const CliResult r = runCli(compareArgs(u"id;line"_s, u"SELECT * FROM t"_s, u"qmtargetdsn"_s),
                               {u"ODBCINI="_s + odbcIni});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.split(u'\n').value(1), u"4 records initially"_s);

    const CliResult unknown = runCli(compareArgs(u"id"_s, u"SELECT * FROM t"_s, u"NoSuchDsn"_s),
                                     {u"ODBCINI="_s + odbcIni});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(u"NoSuchDsn"_s)) << unknown.err.toStdString();
}

TEST_F(CompareCommandTest, AliasFileMayComeFromTheEnvironment) {
    QStringList args = compareArgs(u"id"_s);
    args.resize(args.size() - 2);  // without --aliases
    const CliResult r = runCli(args, {u"QUILLMERE_ALIASES="_s + folder.aliasFile()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(u'\n'), 7);
}

TEST_F(CompareCommandTest, EngineMessagesGoToStandardErrorAndFail) {
    folder.addAlias(u"Gone"_s, {u"Driver=SQLITE"_s, u"Database=gone.db"_s});
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {compareArgs(u"id"_s, u"SELECT * FROM t"_s, u"Nope"_s),
         u"Unknown database alias \"Nope\""_s},
        {compareArgs(u"id, line"_s), u"Key field \"id, line\" not found"_s},
        {compareArgs(u"id"_s, u"SELECT * FROM t"_s, u"Gone"_s), u"does not exist"_s},
        {compareArgs(u"id"_s, u"SELECT * FRM t"_s), u"Failed to open source dataset"_s},
        {compareArgs(u"name"_s, u"SELECT id, NULL AS name FROM t"_s), u"contained a null value"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

TEST_F(CompareCommandTest, UsageErrorsExitWithTwo) {
    QStringList missingKey = compareArgs(u"id"_s);
    missingKey.remove(missingKey.indexOf(u"--key"_s), 2);
    QStringList missingTwo = missingKey;
    missingTwo.remove(missingTwo.indexOf(u"--target-sql"_s), 2);
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {{}, u"Usage:"_s},
        {{u"frobnicate"_s}, u"Unknown command: frobnicate"_s},
        {missingKey, u"--key"_s},
        {missingTwo, u"Missing option(s): --target-sql, --key"_s},
        {compareArgs(u"id"_s) << u"--bogus"_s, u"bogus"_s},
        {compareArgs(u"id"_s) << u"extra"_s, u"extra"_s},
        {{u"compare"_s, u"--key"_s}, u"key"_s},
        {compareArgs(QString()), u"--key (it is empty)"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
}

TEST_F(CompareCommandTest, HelpNamesEveryOption) {
    const CliResult r = runCli({u"compare"_s, u"--help"_s});
    EXPECT_EQ(r.exitCode, 0);
    for (const QString& option :
         {u"--source-alias"_s, u"--target-alias"_s, u"--source-sql"_s, u"--target-sql"_s,
          u"--key"_s, u"--aliases"_s, u"--help"_s, u"QUILLMERE_PASSWORD"_s}) {
        EXPECT_TRUE(r.out.contains(option)) << option.toStdString();
    }
    const CliResult general = runCli({u"--help"_s});
    EXPECT_EQ(general.exitCode, 0);
    EXPECT_TRUE(general.out.contains(u"compare"_s));
}

TEST(CompareCommandPg, PasswordComesFromTheEnvironment) {
    QM_REQUIRE_PG(pg);
    PgScratch scratch(pg);
    const QString src = scratch.create(u"qm_source"_s, u"qm_cli"_s, u"id integer, v text"_s,
                                       u"(1, 'a'), (2, 'b')"_s);
    const QString dst = scratch.create(u"qm_target"_s, u"qm_cli"_s, u"id integer, v text"_s,
                                       u"(1, 'a'), (2, 'x'), (3, 'c')"_s);
    pgExec(pg, u"qm_source"_s, {u"GRANT SELECT ON %1 TO %2"_s.arg(src, pg.pwUser)});
    pgExec(pg, u"qm_target"_s, {u"GRANT SELECT ON %1 TO %2"_s.arg(dst, pg.pwUser)});
    AliasFolder folder;
    for (const QString& db : {u"qm_source"_s, u"qm_target"_s}) {
        folder.addAlias(
            db, {u"Driver=PSQL"_s, u"Host="_s + pg.host, u"Port="_s + QString::number(pg.port),
                 u"User="_s + pg.pwUser, u"Database="_s + db});
    }
    const QStringList args = {u"compare"_s,
                              u"--source-alias"_s,
                              u"qm_source"_s,
                              u"--target-alias"_s,
                              u"qm_target"_s,
                              u"--source-sql"_s,
                              u"SELECT * FROM "_s + src,
                              u"--target-sql"_s,
                              u"SELECT * FROM "_s + dst,
                              u"--key"_s,
                              u"id"_s,
                              u"--aliases"_s,
                              folder.aliasFile()};

    const CliResult refused = runCli(args);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, QString());
    EXPECT_TRUE(refused.err.contains(u"QUILLMERE_PASSWORD"_s)) << refused.err.toStdString();

    const CliResult wrong = runCli(args, {u"QUILLMERE_PASSWORD=wrong"_s});
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(wrong.err.contains(u"password authentication failed"_s)) << wrong.err.toStdString();

    const CliResult ok = runCli(args, {u"QUILLMERE_PASSWORD="_s + pg.password});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out,
              u"2 records\n3 records initially\nNo inserts\nNo updates\nNo deletes\n"
              "Records with differences: 1\nLocal records: 1\n"_s);
    EXPECT_EQ(ok.err, QString());
}

}  // namespace
}  // namespace qm::test
