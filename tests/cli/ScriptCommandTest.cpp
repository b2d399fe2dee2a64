#include "support/CliRunner.h"
#include "support/EngineHarness.h"
#include "support/FaultFiles.h"
#include "support/FileBytes.h"
#include "support/MachineTools.h"
#include "support/PgScratch.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <memory>
#include <vector>

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
    EXPECT_TRUE(sqldiffFindsNoDifference(folder.path(u"Src.db"_s), folder.path(u"Dst.db"_s),
                                         {u"--table"_s, u"c"_s}));
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

// Runs execute on the target "Dst" with a script file of the given bytes.
CliResult executeBytes(const AliasFolder& folder, const QByteArray& bytes,
                       const QStringList& more = {}) {
    const QString script = folder.path(u"run.sql"_s);
    QFile f(script);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    return runCli(QStringList{u"execute"_s, u"--target-alias"_s, u"Dst"_s, u"--script"_s, script,
                              u"--aliases"_s, folder.aliasFile()}
                  << more);
}

QStringList names(const AliasFolder& folder) {
    QStringList out;
    sqlite3* db = nullptr;
    sqlite3_open(folder.path(u"Dst.db"_s).toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT id || ':' || name FROM c ORDER BY id", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST_F(ScriptCommandTest, AScriptFileThatIsNotUtf8IsReadAsWindows1252) {
    const CliResult r =
        executeBytes(folder, "UPDATE c SET name = 'caf\xe9 \x80 \x93x\x94' WHERE id = 1;\r\n");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(names(folder).value(0), u"1:caf\u00e9 \u20ac \u201cx\u201d"_s);
    // Valid UTF-8 stays UTF-8.
    ASSERT_EQ(executeBytes(folder, "UPDATE c SET name = 'caf\xc3\xa9' WHERE id = 1").exitCode, 0);
    EXPECT_EQ(names(folder).value(0), u"1:caf\u00e9"_s);
}

TEST_F(ScriptCommandTest, ExecuteRefusesAScriptThatCommitsAndAnUnwritableLog) {
    const QStringList before = names(folder);
    const QString log = folder.path(u"run.log"_s);
    const CliResult commits =
        executeBytes(folder, "DELETE FROM c WHERE id = 4;\r\nCOMMIT;\r\n", {u"--log"_s, log});
    EXPECT_EQ(commits.exitCode, 1);
    EXPECT_TRUE(commits.err.contains(u"statement 2 (\"COMMIT\")"_s)) << commits.err.toStdString();
    EXPECT_FALSE(QFile::exists(log));

    const CliResult unwritable = executeBytes(folder, "DELETE FROM c WHERE id = 4;\r\n",
                                              {u"--log"_s, folder.path(u"Dst.db/run.log"_s)});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_TRUE(unwritable.err.contains(u"The script is not run: Cannot write log file"_s))
        << unwritable.err.toStdString();
    EXPECT_EQ(names(folder), before) << "nothing was executed";
}

// The log's lock is held elsewhere for longer than execute waits (10
// seconds): the lock is taken before the transaction, so nothing is
// committed.
TEST_F(ScriptCommandTest, ExecuteRefusesALogLockedByAnotherRun) {
    const QStringList before = names(folder);
    const QString log = folder.path(u"run.log"_s);
    QLockFile other(log + u".lock"_s);
    ASSERT_TRUE(other.tryLock(0));
    const CliResult r = executeBytes(folder, "DELETE FROM c WHERE id = 4", {u"--log"_s, log});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"The script is not run: Cannot write log file"_s) &&
                r.err.contains(u"another run still writes it"_s))
        << r.err.toStdString();
    EXPECT_EQ(names(folder), before) << "nothing was executed";
    EXPECT_FALSE(QFile::exists(log));
}

// On a nearly full disk, a log whose lock file does not fit refuses the run;
// a log that grows past the room left fails after the commit, with an exit
// code of its own.
TEST_F(ScriptCommandTest, ExecuteHasAnExitCodeOfItsOwnForALogMissingAfterTheCommit) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.reason().toStdString();
    }
    const QString log = disk.path(u"run.log"_s);
    const QByteArray script = "UPDATE c SET name = '" + QByteArray(64 * 1024, 'x') +
                              "' WHERE id = 2;\r\nDELETE FROM c WHERE id = 4;\r\n";
    const QStringList before = names(folder);
    disk.fill(0);
    const CliResult refused = executeBytes(folder, script, {u"--log"_s, log});
    EXPECT_EQ(refused.exitCode, 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(u"The script is not run: Cannot write log file"_s) &&
                refused.err.contains(u"cannot create the lock file"_s))
        << refused.err.toStdString();
    EXPECT_EQ(names(folder), before) << "nothing was executed";

    disk.fill(8 * 1024);
    const CliResult r = executeBytes(folder, script, {u"--log"_s, log});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"The statements are committed, but the log was not written"_s) &&
                r.err.contains(u"No space left on device"_s))
        << r.err.toStdString();
    EXPECT_EQ(names(folder), (QStringList{u"1:a"_s, u"2:"_s + QString(64 * 1024, u'x')}))
        << "committed";
    EXPECT_FALSE(QFile::exists(log));
}

// A log on the script file or on the target's database file would replace
// that file after the commit: both are refused before anything runs.
TEST_F(ScriptCommandTest, ExecuteRefusesALogThatIsTheScriptOrTheTargetDatabase) {
    const QStringList before = names(folder);
    const QString script = folder.path(u"run.sql"_s);
    const QString database = folder.path(u"Dst.db"_s);
    const QByteArray databaseBytes = readBytes(database);
    const struct {
        QString log;
        QString message;
    } cases[] = {
        {script, u"the log file \"%1\" is the script file itself"_s.arg(script)},
        {folder.path(u"./run.sql"_s), u"is the script file itself"_s},
        {database,
         u"the log file \"%1\" is the target's database file (alias \"Dst\")"_s.arg(database)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.toStdString());
        const CliResult r = executeBytes(folder, "DELETE FROM c WHERE id = 4", {u"--log"_s, c.log});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith(u"Error: The script is not run: "_s) &&
                    r.err.contains(c.message))
            << r.err.toStdString();
        EXPECT_EQ(readBytes(script), QByteArray("DELETE FROM c WHERE id = 4"));
        EXPECT_EQ(readBytes(database), databaseBytes);
    }
    EXPECT_EQ(names(folder), before) << "nothing was executed";
}

// The server ends the connection in the middle of a run: the run fails with
// the server's message alone; the driver has no rollback left to warn about.
TEST(ExecutePg, ALostConnectionFailsWithTheServersMessageOnly) {
    QM_REQUIRE_PG(pg);
    PgScratch scratch(pg);
    const QString table = scratch.create(u"qm_target"_s, u"qm_lost"_s, u"id integer"_s, u"(1)"_s);
    AliasFolder folder;
    folder.addPg(u"Target"_s, pg, u"qm_target"_s);
    const QString script = folder.path(u"run.sql"_s);
    writeBytes(script,
               u"INSERT INTO %1 VALUES (2);\r\n"
               "SELECT pg_terminate_backend(pg_backend_pid());\r\n"
               "INSERT INTO %1 VALUES (3);\r\n"_s.arg(table)
                   .toUtf8());
    const CliResult r = runCli({u"execute"_s, u"--target-alias"_s, u"Target"_s, u"--script"_s,
                                script, u"--aliases"_s, folder.aliasFile()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(u"Error: "_s) && r.err.contains(u"terminating connection"_s))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"QPSQLDriver"_s)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"not open"_s)) << r.err.toStdString();
}

// Runs started together on one log: every run's statements are in it.
TEST(ExecuteSharedLog, ConcurrentRunsKeepEveryEntry) {
    constexpr int kRuns = 6;
    AliasFolder folder;
    // Made after the folder, as runCli does: Qt's own statics the folder sets
    // up must outlive the application object.
    ensureCoreApplication();
    const QString log = folder.path(u"shared.log"_s);
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int k = 0; k < kRuns; ++k) {
        const QString alias = u"T%1"_s.arg(k);
        folder.addSqlite(alias, {u"CREATE TABLE c (id INTEGER)"_s});
        QByteArray script;
        for (int row = 0; row < 200; ++row) {
            script += QByteArray("INSERT INTO c VALUES (") + QByteArray::number(k * 1000 + row) +
                      ");\r\n";
        }
        QFile f(folder.path(alias + u".sql"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(script);
        f.close();
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QUILLMERE_ALIASES"_s);
        p->setProcessEnvironment(env);
        runs.push_back(std::move(p));
        runs.back()->setProgram(QString::fromUtf8(QUILLMERE_CLI_PATH));
        runs.back()->setArguments({u"execute"_s, u"--target-alias"_s, alias, u"--script"_s,
                                   folder.path(alias + u".sql"_s), u"--log"_s, log, u"--aliases"_s,
                                   folder.aliasFile()});
    }
    for (auto& p : runs) {
        p->start();
    }
    for (auto& p : runs) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    for (int k = 0; k < kRuns; ++k) {
        for (int row : {0, 199}) {
            const QByteArray entry =
                "INSERT INTO c VALUES (" + QByteArray::number(k * 1000 + row) + ");";
            EXPECT_EQ(text.count(entry), 1) << entry.toStdString();
        }
    }
    EXPECT_EQ(text.count("INSERT INTO c VALUES"), kRuns * 200);
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
