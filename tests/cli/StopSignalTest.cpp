// Ctrl+C (SIGINT) and SIGTERM while compare, script or execute work: the
// tool stops within a second, puts back what it changed, writes no output,
// says so in one line and exits with 130.

#include "support/EngineHarness.h"
#include "support/FileBytes.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <functional>
#include <optional>

#ifdef Q_OS_LINUX
#include <signal.h>
#endif

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

#ifdef Q_OS_LINUX

const QString kRolledBack =
    u"Stopped: the script run was rolled back; the target is unchanged.\n"_s;

// A query that runs for minutes unless it is stopped: the scalar subquery
// counts to two billion before any row can come out.
const QString kEndlessCount =
    u"(WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r WHERE n < 2000000000) "
    "SELECT count(*) FROM r)"_s;

struct StoppedRun {
    int exitCode = -1;
    QString out;
    QString err;
    qint64 msToEnd = -1;  // from the signal to the end of the program
};

// Whether the process has its own handler for `signal` (the SigCgt mask),
// so a signal sent now is not the default one that ends it.
bool catches(qint64 pid, int signal) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            const quint64 mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
            return (mask >> (signal - 1) & 1U) != 0;
        }
    }
    return false;
}

// Starts the tool, waits until its handlers are in place and `busy` says
// the work is under way, sends `signal` and waits for the end.
StoppedRun stopWhile(const QStringList& args, int signal, const std::function<bool()>& busy) {
    ensureCoreApplication();
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(u"QUILLMERE_ALIASES"_s);
    e.remove(u"QUILLMERE_PASSWORD"_s);
    p.setProcessEnvironment(e);
    p.start(QString::fromUtf8(QUILLMERE_CLI_PATH), args);
    if (!p.waitForStarted()) {
        ADD_FAILURE() << "quillmere-cli did not start";
        return {};
    }
    QElapsedTimer waited;
    waited.start();
    while (!(catches(p.processId(), signal) && busy())) {
        if (p.state() != QProcess::Running || waited.hasExpired(30000)) {
            ADD_FAILURE() << "the work was not seen under way: "
                          << p.readAllStandardError().toStdString();
            p.kill();
            p.waitForFinished();
            return {};
        }
        QThread::msleep(10);
    }
    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(static_cast<pid_t>(p.processId()), signal);
    if (!p.waitForFinished(30000)) {
        ADD_FAILURE() << "quillmere-cli did not stop";
        p.kill();
        p.waitForFinished();
        return {};
    }
    StoppedRun r;
    r.msToEnd = sinceSignal.elapsed();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Every row of table c, as text, in key order.
QStringList sqliteRows(const QString& path) {
    QStringList rows;
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT id || ':' || name FROM c ORDER BY id", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

class StopSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s});
        folder.addSqlite(u"Dst"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1, 'a'), (2, 'B'), (4, 'd')"_s});
    }
    QString target() const { return folder.path(u"Dst.db"_s); }
    AliasFolder folder;
};

// The run is inside its transaction once the first statement has written:
// SQLite's rollback journal then exists.
TEST_F(StopSignalTest, ExecuteRollsBackAndLeavesTheTargetUnchanged) {
    QByteArray many = "UPDATE c SET name = 'first' WHERE id = 1;\n";
    for (int k = 0; k < 200000; ++k) {
        many += "INSERT INTO c VALUES (" + QByteArray::number(100 + k) + ", 'n');\n";
    }
    const QByteArray oneLong =
        "UPDATE c SET name = 'first' WHERE id = 1;\n"
        "UPDATE c SET name = 'z' WHERE id < " +
        kEndlessCount.toUtf8() + ";\n";
    const struct {
        const char* name;
        QByteArray script;
        int signal;
    } cases[] = {
        {"200000 statements, Ctrl+C", many, SIGINT},
        {"one statement that runs long, SIGTERM", oneLong, SIGTERM},
    };
    const QStringList before = sqliteRows(target());
    const QString log = folder.path(u"run.log"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString script = folder.path(u"run.sql"_s);
        writeBytes(script, c.script);
        const StoppedRun r =
            stopWhile({u"execute"_s, u"--target-alias"_s, u"Dst"_s, u"--script"_s, script,
                       u"--log"_s, log, u"--aliases"_s, folder.aliasFile()},
                      c.signal, [&] { return QFile::exists(target() + u"-journal"_s); });
        EXPECT_EQ(r.exitCode, 130);
        EXPECT_EQ(r.err, kRolledBack);
        EXPECT_LT(r.msToEnd, 1000);
        EXPECT_EQ(sqliteRows(target()), before);
        EXPECT_FALSE(QFile::exists(log));
        EXPECT_FALSE(QFile::exists(target() + u"-journal"_s));
    }
}

// A source query that would run for minutes is stopped in the middle: no
// script is written, an existing output file keeps its content, and compare
// prints no counts.
TEST_F(StopSignalTest, ScriptAndCompareStopWhileReadingAndWriteNothing) {
    const QString output = folder.path(u"sync.sql"_s);
    const QStringList setup = {
        u"--source-alias"_s, u"Src"_s,
        u"--target-alias"_s, u"Dst"_s,
        u"--source-sql"_s,   u"SELECT * FROM c WHERE id < "_s + kEndlessCount,
        u"--target-sql"_s,   u"SELECT * FROM c"_s,
        u"--key"_s,          u"id"_s,
        u"--aliases"_s,      folder.aliasFile()};
    const struct {
        const char* name;
        QStringList args;
        std::optional<QByteArray> existing;  // the output file before the run
        int signal;
        QString line;
    } cases[] = {
        {"script to a new file, SIGTERM",
         QStringList{u"script"_s, u"--table"_s, u"c"_s, u"--output"_s, output} + setup,
         std::nullopt, SIGTERM, u"Stopped: no script was written.\n"_s},
        {"script over an existing file, Ctrl+C",
         QStringList{u"script"_s, u"--table"_s, u"c"_s, u"--output"_s, output} + setup,
         QByteArray("earlier script\r\n"), SIGINT, u"Stopped: no script was written.\n"_s},
        {"compare, Ctrl+C", QStringList{u"compare"_s} + setup, std::nullopt, SIGINT,
         u"Stopped: the comparison was not finished.\n"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(output);
        if (c.existing) {
            writeBytes(output, *c.existing);
        }
        // The query is under way soon after the handlers are in place.
        QElapsedTimer sinceStart;
        sinceStart.start();
        const StoppedRun r =
            stopWhile(c.args, c.signal, [&] { return sinceStart.hasExpired(500); });
        EXPECT_EQ(r.exitCode, 130);
        EXPECT_EQ(r.err, c.line);
        EXPECT_EQ(r.out, QString());
        EXPECT_LT(r.msToEnd, 1000);
        EXPECT_EQ(QFile::exists(output), c.existing.has_value());
        if (c.existing) {
            EXPECT_EQ(readBytes(output), *c.existing);
        }
        // No temporary file is left beside it.
        EXPECT_EQ(QDir(folder.path(QString())).entryList({u"sync.sql*"_s}, QDir::Files).size(),
                  c.existing ? 1 : 0);
    }
}

// Whether a statement of the test's text runs on the server now.
bool pgRuns(const PgServer& pg, const QString& marker) {
    QProcess psql;
    psql.start(u"psql"_s, {u"-X"_s, u"-At"_s, u"-h"_s, pg.host, u"-p"_s, QString::number(pg.port),
                           u"-U"_s, pg.user, u"-d"_s, u"postgres"_s, u"-c"_s,
                           u"SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND "
                           "query LIKE '%%1%' AND pid <> pg_backend_pid()"_s.arg(marker)});
    psql.waitForFinished(10000);
    return psql.readAllStandardOutput().trimmed() == "1";
}

QString pgRows(const PgServer& pg, const QString& table) {
    QProcess psql;
    psql.start(u"psql"_s,
               {u"-X"_s, u"-At"_s, u"-h"_s, pg.host, u"-p"_s, QString::number(pg.port), u"-U"_s,
                pg.user, u"-d"_s, u"qm_target"_s, u"-c"_s,
                u"SELECT string_agg(id || ':' || v, ',' ORDER BY id) FROM %1"_s.arg(table)});
    psql.waitForFinished(10000);
    return QString::fromUtf8(psql.readAllStandardOutput().trimmed());
}

// The server is asked to cancel the statement that sleeps; the transaction
// is rolled back.
TEST(StopSignalPg, ExecuteCancelsTheRunningStatement) {
    QM_REQUIRE_PG(pg);
    PgScratch scratch(pg);
    const QString table = scratch.create(
        u"qm_target"_s, u"qm_stop"_s, u"id integer primary key, v text"_s, u"(1, 'a'), (2, 'b')"_s);
    AliasFolder folder;
    folder.addPg(u"Target"_s, pg, u"qm_target"_s);
    const QString script = folder.path(u"run.sql"_s);
    writeBytes(script,
               u"INSERT INTO %1 VALUES (3, 'c');\n"
               "UPDATE %1 SET v = 'slept' WHERE id IN (SELECT 1 FROM pg_sleep(60));\n"_s.arg(table)
                   .toUtf8());
    const QString before = pgRows(pg, table);
    const StoppedRun r = stopWhile({u"execute"_s, u"--target-alias"_s, u"Target"_s, u"--script"_s,
                                    script, u"--aliases"_s, folder.aliasFile()},
                                   SIGINT, [&] { return pgRuns(pg, u"pg_sleep(60)"_s); });
    EXPECT_EQ(r.exitCode, 130);
    EXPECT_EQ(r.err, kRolledBack);
    EXPECT_LT(r.msToEnd, 1000);
    EXPECT_EQ(pgRows(pg, table), before);
    EXPECT_FALSE(pgRuns(pg, u"pg_sleep(60)"_s));
}

#endif

}  // namespace
}  // namespace qm::test
