#include "SqliteEngineFixture.h"
#include "common/Cancellation.h"
#include "common/ScopeGuards.h"
#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"
#include "support/FaultFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

class ScriptExecutorTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases({u"CREATE TABLE t (id INTEGER, v TEXT)"_s},
                      {u"CREATE TABLE t (id INTEGER, v TEXT)"_s});
        configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
        options.logFileName = folder.path(u"run.log"_s);
    }
    QStringList targetRows() {
        QStringList rows;
        sqlite3* db = nullptr;
        sqlite3_open(folder.path(u"Dst.db"_s).toUtf8().constData(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT id, v FROM t ORDER BY id", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            rows << u"%1|%2"_s.arg(sqlite3_column_int(st, 0))
                        .arg(QString::fromUtf8(
                            reinterpret_cast<const char*>(sqlite3_column_text(st, 1))));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return rows;
    }
    QByteArray log() {
        QFile f(options.logFileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    ScriptExecutor::Outcome run() {
        ScriptExecutor executor(h.dm, h.view);
        return executor.run(editor, options);
    }
    TextScriptEditor editor;
    ScriptRunOptions options;
};

TEST_F(ScriptExecutorTest, RunsEveryStatementAndLogsTheRun) {
    editor.setText(u"INSERT INTO t VALUES (1, 'a;b');\r\nINSERT INTO t VALUES (2, ':x');\r\n"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), (QStringList{u"1|a;b"_s, u"2|:x"_s}));
    EXPECT_EQ(log(), QByteArray("\r\nINSERT INTO t VALUES (1, 'a;b');\r\n\r\n"
                                "INSERT INTO t VALUES (2, ':x');\r\n\r\n"));
    // The next run is appended.
    editor.setText(u"DELETE FROM t WHERE id = 2"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_TRUE(log().endsWith("\r\n\r\nDELETE FROM t WHERE id = 2;\r\n\r\n"));
    EXPECT_EQ(targetRows(), QStringList{u"1|a;b"_s});
}

TEST_F(ScriptExecutorTest, AFailingStatementRollsBackAndKeepsLogAndEditor) {
    editor.setText(u"INSERT INTO t VALUES (1, 'a');\r\nINSERT INTO nowhere VALUES (2);\r\n"_s);
    QFile f(options.logFileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("earlier run\r\n");
    f.close();
    options.deleteCommitted = true;
    EXPECT_EQ(run(), ScriptExecutor::Outcome::RolledBack);
    EXPECT_EQ(targetRows(), QStringList());
    EXPECT_EQ(log(), QByteArray("earlier run\r\n"));
    EXPECT_TRUE(editor.text().startsWith(u"INSERT INTO t VALUES (1"_s));
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(u"nowhere"_s));
}

TEST_F(ScriptExecutorTest, SelectionRunsAloneAndTheNextStatementIsSelected) {
    const QString a = u"INSERT INTO t VALUES (1, 'a');"_s;
    const QString b = u"\r\nINSERT INTO t VALUES (2, 'b');"_s;
    const QString c = u"\r\nINSERT INTO t VALUES (3, 'c');"_s;
    for (bool deleteCommitted : {false, true}) {
        SCOPED_TRACE(deleteCommitted);
        editor.setText(a + b + c);
        editor.setSelection(static_cast<int>(a.size()), static_cast<int>(b.size()));
        options.selectNext = true;
        options.deleteCommitted = deleteCommitted;
        EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
        EXPECT_EQ(editor.text(), deleteCommitted ? a + c : a + b + c);
        EXPECT_EQ(editor.text().mid(editor.selectionStart(), editor.selectionLength()), c);
    }
    EXPECT_EQ(targetRows(), (QStringList{u"2|b"_s, u"2|b"_s}));
}

TEST_F(ScriptExecutorTest, WithoutSelectionDeleteEmptiesTheEditor) {
    editor.setText(u"INSERT INTO t VALUES (1, 'a');"_s);
    options.selectNext = true;
    options.deleteCommitted = true;
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(editor.text(), QString());
}

TEST_F(ScriptExecutorTest, AliasHeaderOnceAndDisabledLogging) {
    ASSERT_TRUE(h.openSource());  // connects the source
    h.dm.setAliasHeaderPending(true);
    options.disableLogging = true;
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(log(), QByteArray("<none>")) << "logging disabled";
    EXPECT_FALSE(h.dm.AliasHeaderPending()) << "used up all the same";

    h.dm.setAliasHeaderPending(true);
    options.disableLogging = false;
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_TRUE(
        log().startsWith("/* Merge from odbc alias \"Src\" */ \r\n"
                         "/* Target odbc alias \"Dst\" */ \r\n\r\n"))
        << log().toStdString();
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(log().count("odbc alias"), 2) << "only the first run after loading";
}

TEST_F(ScriptExecutorTest, EmptyLogNameAsksFirst) {
    options.logFileName.clear();
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    h.view.yesAnswer = false;
    EXPECT_EQ(run(), ScriptExecutor::Outcome::NotRun);
    EXPECT_EQ(h.view.questions.size(), 1);
    EXPECT_TRUE(h.view.questions.first().startsWith(u"The \"Auto log sql file\" file name"_s));
    h.view.yesAnswer = true;
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), QStringList{u"1|a"_s});
}

TEST_F(ScriptExecutorTest, AnEmptyScriptCommitsAndLogsAnEmptyLine) {
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(log(), QByteArray("\r\n"));
}

// A statement that ends or starts the run's transaction would commit part of
// the script while the run reports a rollback, or commit without a log.
TEST_F(ScriptExecutorTest, AScriptThatControlsTransactionsIsRefusedBeforeAnyStatementRuns) {
    const struct {
        QString script;
        QString named;
    } cases[] = {
        {u"INSERT INTO t VALUES (1, 'a');\r\nCOMMIT;\r\n"_s,
         u"statement 2 (\"COMMIT\") is a COMMIT statement"_s},
        {u"INSERT INTO t VALUES (1, 'a');\r\ncommit work;\r\nINSERT INTO nowhere VALUES (2)"_s,
         u"statement 2 (\"commit work\")"_s},
        {u"begin;\r\nINSERT INTO t VALUES (1, 'a')"_s, u"statement 1 (\"begin\")"_s},
        {u"INSERT INTO t VALUES (1, 'a');\r\n/* done */\r\nEND TRANSACTION"_s,
         u"statement 2 (\"END TRANSACTION\") is an END statement"_s},
        {u"INSERT INTO t VALUES (1, 'a');\r\n-- undo\r\nRollback"_s,
         u"statement 2 (\"Rollback\")"_s},
        {u"START TRANSACTION;\r\nINSERT INTO t VALUES (1, 'a')"_s,
         u"statement 1 (\"START TRANSACTION\")"_s},
        {u"INSERT INTO t VALUES (1, 'a');\r\nABORT;"_s,
         u"statement 2 (\"ABORT\") is an ABORT statement"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script.toStdString());
        h.view.errors.clear();
        editor.setText(c.script);
        ScriptExecutor executor(h.dm, h.view);
        EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Refused);
        EXPECT_EQ(executor.executedCount(), 0);
        EXPECT_EQ(targetRows(), QStringList());
        EXPECT_EQ(log(), QByteArray("<none>"));
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(h.view.errors.first().contains(c.named)) << h.view.errors.first().toStdString();
        EXPECT_TRUE(h.view.errors.first().contains(u"ends or starts a transaction"_s));
    }
    // The words inside values and comments are no statement of their own.
    editor.setText(
        u"-- COMMIT\r\nINSERT INTO t VALUES (1, 'COMMIT');\r\nSAVEPOINT s;\r\n"
        "INSERT INTO t VALUES (2, 'BEGIN');\r\nRELEASE s;\r\n/* END */"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), (QStringList{u"1|COMMIT"_s, u"2|BEGIN"_s}));
}

// Statements that only look like transaction control: a rollback to a
// savepoint leaves the transaction open, and a trigger's body holds ";" and
// an END of its own.
TEST_F(ScriptExecutorTest, SavepointRollbacksAndTriggerBodiesRunInTheTransaction) {
    editor.setText(
        u"CREATE TABLE h (id INTEGER, note TEXT);\r\n"
        "CREATE TRIGGER t_log AFTER INSERT ON t BEGIN\r\n"
        "  INSERT INTO h VALUES (new.id, 'added;');\r\n"
        "  UPDATE h SET note = note || CASE WHEN new.v = 'b' THEN 'b' ELSE '' END;\r\n"
        "END;\r\n"
        "SAVEPOINT s;\r\n"
        "INSERT INTO t VALUES (1, 'undone');\r\n"
        "ROLLBACK TO SAVEPOINT s;\r\n"
        "INSERT INTO t VALUES (2, 'b');\r\n"
        "ROLLBACK TO s;\r\n"
        "INSERT INTO t VALUES (3, 'c');\r\n"
        "RELEASE s;\r\n"_s);
    ScriptExecutor executor(h.dm, h.view);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed)
        << h.view.errors.join(u'\n').toStdString();
    EXPECT_EQ(executor.executedCount(), 9);
    EXPECT_EQ(targetRows(), QStringList{u"3|c"_s});
    EXPECT_TRUE(log().contains("\r\nEND;\r\n")) << log().toStdString();

    sqlite3* db = nullptr;
    sqlite3_open(folder.path(u"Dst.db"_s).toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT group_concat(id || note, ',') FROM h", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "3added;")
        << "the trigger ran once per kept row, with both statements of its body";
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// The cut reads the text as the target's database does: SQLite knows no
// E'...' text, so the COMMIT after it is a statement of its own, and the
// script is refused before anything runs.
TEST_F(ScriptExecutorTest, AStatementThatSqliteReadsAsACommitRefusesTheRun) {
    editor.setText(
        u"CREATE TABLE h (e TEXT);\r\nINSERT INTO h VALUES ('x');\r\n"
        "INSERT INTO t SELECT 2, e'\\' FROM h; COMMIT; --';\r\n"
        "INSERT INTO t VALUES (9, 'never');\r\n"_s);
    ScriptExecutor executor(h.dm, h.view);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Refused);
    EXPECT_EQ(executor.executedCount(), 0);
    EXPECT_EQ(targetRows(), QStringList());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(u"statement 4 (\"COMMIT\") is a COMMIT statement"_s))
        << h.view.errors.first().toStdString();
    EXPECT_EQ(log(), QByteArray("<none>"));
    // The connection takes the next run as usual.
    editor.setText(u"INSERT INTO t VALUES (3, 'c')"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), (QStringList{u"3|c"_s}));
}

TEST_F(ScriptExecutorTest, PiecesOfCommentsAloneAreLoggedButNotCounted) {
    editor.setText(
        u"/* Statements for Table Setup \"t\" */\r\nINSERT INTO t VALUES (1, 'a');\r\n"
        "-- nothing more\r\n"_s);
    ScriptExecutor executor(h.dm, h.view);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(executor.executedCount(), 1);
    EXPECT_EQ(log(), QByteArray("\r\n/* Statements for Table Setup \"t\" */\r\n"
                                "INSERT INTO t VALUES (1, 'a');\r\n\r\n"
                                "-- nothing more\r\n;\r\n\r\n"));
    editor.setText(u"/* Statements for Table Setup \"t\" */\r\n"_s);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(executor.executedCount(), 0);
    EXPECT_TRUE(log().endsWith("\r\n/* Statements for Table Setup \"t\" */\r\n;\r\n\r\n"));
}

// A log that cannot be written is found before the transaction starts, so
// nothing is committed without its log entry.
TEST_F(ScriptExecutorTest, AnUnwritableLogRefusesTheRunBeforeAnythingIsExecuted) {
    QFile plain(folder.path(u"plain.txt"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {folder.path(u"plain.txt/run.log"_s), u"Cannot write log file"_s},
        {folder.path(u"no such folder/run.log"_s), u"Cannot write log file"_s},
        {folder.path(QString()), u"is not a regular file"_s},
    };
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        h.view.errors.clear();
        options.logFileName = c.path;
        EXPECT_EQ(run(), ScriptExecutor::Outcome::Refused);
        EXPECT_EQ(targetRows(), QStringList());
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(h.view.errors.first().startsWith(u"The script is not run: "_s));
        EXPECT_TRUE(h.view.errors.first().contains(c.reason))
            << h.view.errors.first().toStdString();
    }
    QStringList files = QDir(folder.path(QString())).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{u"Aliases.ini"_s, u"Dst.db"_s, u"Src.db"_s, u"plain.txt"_s}))
        << "no file left behind";
}

// The log's lock is taken before the transaction starts: another run that
// keeps it for longer than this run waits refuses the run while nothing is
// committed.
TEST_F(ScriptExecutorTest, ALogLockedByAnotherRunRefusesTheRunBeforeAnythingIsExecuted) {
    QFile f(options.logFileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("earlier run\r\n");
    f.close();
    QLockFile other(options.logFileName + u".lock"_s);
    ASSERT_TRUE(other.tryLock(0));
    // A run holds the lock for as long as its transaction takes: a lock of
    // a running program is not taken over for its age.
    QFile lockFile(options.logFileName + u".lock"_s);
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    lockFile.close();
    options.logLockWaitMs = 200;
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    ScriptExecutor executor(h.dm, h.view);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Refused);
    EXPECT_FALSE(executor.logFailed());
    EXPECT_EQ(targetRows(), QStringList());
    EXPECT_EQ(log(), QByteArray("earlier run\r\n"));
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().startsWith(u"The script is not run: Cannot write log file"_s))
        << h.view.errors.first().toStdString();
    EXPECT_TRUE(h.view.errors.first().contains(u"another run still writes it"_s));

    // Once the other run is done, the run goes through.
    other.unlock();
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), QStringList{u"1|a"_s});
    EXPECT_EQ(log(), QByteArray("earlier run\r\n\r\nINSERT INTO t VALUES (1, 'a');\r\n\r\n"));
}

// On a nearly full disk: no room for the lock file refuses the run before the
// transaction; room for the lock but not for the grown log fails after the
// commit, and the message says that the statements are committed.
TEST_F(ScriptExecutorTest, ALogOnAFullDiskFailsBeforeTheCommitWhereItCan) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.reason().toStdString();
    }
    options.logFileName = disk.path(u"run.log"_s);
    QFile f(options.logFileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("earlier run\r\n");
    f.close();
    const QString big = u"INSERT INTO t VALUES (1, '%1')"_s.arg(QString(64 * 1024, u'x'));
    editor.setText(big);

    disk.fill(0);
    {
        ScriptExecutor executor(h.dm, h.view);
        EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Refused);
        EXPECT_EQ(targetRows(), QStringList());
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(h.view.errors.first().contains(u"cannot create the lock file"_s))
            << h.view.errors.first().toStdString();
    }

    h.view.errors.clear();
    disk.fill(8 * 1024);
    ScriptExecutor executor(h.dm, h.view);
    EXPECT_EQ(executor.run(editor, options), ScriptExecutor::Outcome::Committed);
    EXPECT_TRUE(executor.logFailed());
    EXPECT_EQ(targetRows().size(), 1);
    EXPECT_EQ(log(), QByteArray("earlier run\r\n"));
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().startsWith(
        u"The statements are committed, but the log was not written: "_s))
        << h.view.errors.first().toStdString();
    EXPECT_FALSE(QFile::exists(options.logFileName + u".lock"_s));
}

// A log that would replace the target's SQLite database is refused, also
// when the two paths differ (a relative path, a link).
TEST_F(ScriptExecutorTest, ALogOnTheTargetsDatabaseFileIsRefused) {
    const QString database = folder.path(u"Dst.db"_s);
    const QString link = folder.path(u"link.db"_s);
    ASSERT_TRUE(QFile::link(database, link));
    ASSERT_TRUE(QDir(folder.path(QString())).mkdir(u"sub"_s));
    QFile f(database);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    for (const QString& path : {database, link, QDir::current().relativeFilePath(database),
                                folder.path(u"sub/../Dst.db"_s)}) {
        SCOPED_TRACE(path.toStdString());
        h.view.errors.clear();
        options.logFileName = path;
        EXPECT_EQ(run(), ScriptExecutor::Outcome::Refused);
        ASSERT_EQ(h.view.errors.size(), 1);
        EXPECT_TRUE(h.view.errors.first().startsWith(
            u"The script is not run: the log file \"%1\" is the target's database file "
            "(alias \"Dst\")"_s.arg(path)))
            << h.view.errors.first().toStdString();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
        f.close();
    }
    EXPECT_FALSE(QFile::exists(database + u".lock"_s));
}

// A busy port that says to stop from its n-th question on (1: the first),
// and keeps the progress texts.
class StopAtQuestion final : public BusyPort {
public:
    explicit StopAtQuestion(int n) : n_(n) {}
    bool cancelRequested() override { return ++asked_ >= n_; }

private:
    int n_;
    int asked_ = 0;
};

// The busy port is asked once before the run, before every statement and
// before the commit; a stop at any of them commits nothing, logs nothing,
// shows nothing and leaves the editor and the pending log header alone.
TEST_F(ScriptExecutorTest, AStopBetweenStatementsRollsBackAndLeavesEverythingAsItWas) {
    editor.setText(
        u"INSERT INTO t VALUES (1, 'a');\r\nINSERT INTO t VALUES (2, 'b');\r\n"
        "INSERT INTO t VALUES (3, 'c');\r\n"_s);
    options.deleteCommitted = true;
    for (const int question : {1, 2, 3, 5}) {
        SCOPED_TRACE(question);
        StopAtQuestion busy(question);
        h.dm.setPorts({&h.view, &h.view, &busy, &h.view});
        h.dm.setAliasHeaderPending(true);
        EXPECT_THROW(run(), Cancelled);
        EXPECT_EQ(targetRows(), QStringList());
        EXPECT_EQ(log(), QByteArray("<none>"));
        EXPECT_EQ(h.view.errors, QStringList());
        EXPECT_TRUE(editor.text().startsWith(u"INSERT INTO t VALUES (1"_s));
        EXPECT_TRUE(h.dm.AliasHeaderPending());
    }
    // The transaction was really ended: the next run commits.
    h.dm.setPorts(h.view.ports());
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows().size(), 3);
}

// A busy port that answers from a flag, as the command-line tool's does, and
// notes when a progress text names the given statement.
class FlagPort final : public BusyPort {
public:
    FlagPort(const CancelFlag& flag, QString awaited) : flag_(flag), awaited_(std::move(awaited)) {}
    bool cancelRequested() override { return flag_.requested(); }
    void progress(const QString& text) override {
        texts << text;
        if (text.startsWith(awaited_)) {
            seen.store(true);
        }
    }
    QStringList texts;
    std::atomic<bool> seen{false};

private:
    const CancelFlag& flag_;
    QString awaited_;
};

// A statement that would run for minutes fails soon after the connection's
// stop flag rises on another thread; the run is rolled back.
TEST_F(ScriptExecutorTest, AStopFlagInterruptsALongStatement) {
    CancelFlag flag;
    FlagPort busy(flag, u"Executing: statement 2 of 3"_s);
    h.dm.setPorts({&h.view, &h.view, &busy, &h.view});
    h.dm.DestDatabase().setStopFlag(&flag);
    const Finally unwatch([this] { h.dm.DestDatabase().setStopFlag(nullptr); });
    const QString count =
        u"(WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r "
        "WHERE n < %1) SELECT count(*) FROM r)"_s;
    // The second statement takes long enough for a progress text after it.
    editor.setText(
        u"INSERT INTO t VALUES (1, 'a');\r\n"
        "INSERT INTO t SELECT %1, 'counted';\r\n"
        "INSERT INTO t SELECT %2, 'never';\r\n"_s.arg(count.arg(500000), count.arg(2000000000)));
    using Clock = std::chrono::steady_clock;
    Clock::time_point raised;
    std::thread stopper([&] {
        for (int k = 0; k < 3000 && !busy.seen.load(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        raised = Clock::now();
        flag.request();
    });
    EXPECT_THROW(run(), Cancelled);
    const Clock::time_point stopped = Clock::now();
    stopper.join();
    EXPECT_LT(stopped - raised, std::chrono::seconds(1));
    EXPECT_EQ(targetRows(), QStringList());
    EXPECT_EQ(h.view.errors, QStringList());
    EXPECT_TRUE(busy.texts.contains(u"Executing: statement 2 of 3"_s))
        << busy.texts.join(u'|').toStdString();
    EXPECT_EQ(busy.texts.value(busy.texts.size() - 1, u"none"_s), QString());
    // Lowered again, the flag lets the connection run the next script.
    flag.reset();
    editor.setText(u"INSERT INTO t VALUES (1, 'a')"_s);
    EXPECT_EQ(run(), ScriptExecutor::Outcome::Committed);
    EXPECT_EQ(targetRows(), QStringList{u"1|a"_s});
}

// Two runs appending at once: the second waits for the first one's lock and
// then extends the log the first one wrote.
TEST(AppendLinesToFile, WaitsForTheLockAndKeepsEveryRunsLines) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"shared.log"_s);
    appendLinesToFile(path, {u"first"_s});
    QLockFile other(path + u".lock"_s);
    ASSERT_TRUE(other.tryLock(0));
    std::thread writer([&] { appendLinesToFile(path, {u"second"_s}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("first\r\n")) << "nothing written while locked";
    f.close();
    // What the lock holder writes is kept by the run that waited.
    QFile held(path);
    ASSERT_TRUE(held.open(QIODevice::Append));
    held.write("held\r\n");
    held.close();
    other.unlock();
    writer.join();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("first\r\nheld\r\nsecond\r\n"));
    EXPECT_FALSE(QFile::exists(path + u".lock"_s));
}

}  // namespace
}  // namespace qm::test
