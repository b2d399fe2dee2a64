#include "SqliteEngineFixture.h"
#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>

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

}  // namespace
}  // namespace qm::test
