// "Execute Script" from the main window on a real SQLite target: what runs
// (the whole editor or its selection), what the editor shows afterwards, the
// log, and the target list reloading once the user returns to the Merge tab.

#include "commands/TActionsDM.h"
#include "document/TkzEditorDocHandler.h"
#include "prefs/OptionsForm.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"

#include <sqlite3.h>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

const QString kFirst = u"INSERT INTO t VALUES (10, 'a');"_s;
const QString kSecond = u"INSERT INTO t VALUES (11, 'b');"_s;
const QString kThird = u"INSERT INTO t VALUES (12, 'c');"_s;

class ExecuteScriptTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        script({});
        aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a'), (2, 'b')"_s});
        target_ = aliases_.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                                u"INSERT INTO t VALUES (1, 'a'), (3, 'c')"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        setLogFile(h_.path(u"run.log"_s));
        h_.show();
        h_.app.docHandler().New();
        h_.form->UpdateUI();
        DatabaseTab& db = h_.form->databaseTab();
        QTest::keyClicks(&db.aliasEdit(Side::Source), u"Src"_s);
        QTest::keyClicks(&db.aliasEdit(Side::Target), u"Dst"_s);
    }

    static void setLogFile(const QString& name) {
        Preferences prefs = TOptionsForm::instance().preferences();
        prefs.autoLogSqlFileName = name;
        TOptionsForm::instance().setPreferences(prefs);
    }

    QPlainTextEdit& memo() { return h_.form->scriptTab().ScriptMemo(); }

    void tick(const QString& caption) {
        for (QCheckBox* box : h_.form->scriptTab().findChildren<QCheckBox*>()) {
            if (box->text() == caption) {
                box->setChecked(true);
                return;
            }
        }
        ADD_FAILURE() << "no check box " << caption.toStdString();
    }

    /// The widget's selection as text, line breaks as "\n".
    QString selectedText() {
        const QTextCursor c = memo().textCursor();
        return memo().toPlainText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart());
    }

    QStringList targetRows() const {
        QStringList rows;
        sqlite3* db = nullptr;
        sqlite3_open(target_.toUtf8().constData(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT k, v FROM t ORDER BY k", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            rows << u"%1%2"_s.arg(sqlite3_column_int(st, 0))
                        .arg(QString::fromUtf8(
                            reinterpret_cast<const char*>(sqlite3_column_text(st, 1))));
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        return rows;
    }

    QByteArray log() const {
        QFile f(h_.path(u"run.log"_s));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

    AliasFolder aliases_;
    QString target_;
    MainWindowHarness h_;
};

TEST_F(ExecuteScriptTest, SelectionRunsAloneAndTheNextStatementIsSelected) {
    struct Case {
        bool deleteAfter;
        QString textAfter;
    };
    const Case cases[] = {
        {false, kFirst + u'\n' + kSecond + u'\n' + kThird},
        {true, kFirst + u'\n' + kThird},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deleteAfter);
        tick(u"Select next statement automatically, if statement executed successfully"_s);
        if (c.deleteAfter) {
            tick(u"Delete statements after it is executed successfully"_s);
        }
        memo().setPlainText(kFirst + u'\n' + kSecond + u'\n' + kThird);
        // From the line break after the first statement to the second's ";".
        QTextCursor cursor = memo().textCursor();
        cursor.setPosition(static_cast<int>(kFirst.size()));
        cursor.setPosition(static_cast<int>(kFirst.size() + 1 + kSecond.size()),
                           QTextCursor::KeepAnchor);
        memo().setTextCursor(cursor);

        h_.actions.execute(CommandId::ExecuteScript);

        EXPECT_TRUE(shownBoxes().isEmpty()) << shownBoxes().value(0).text.toStdString();
        EXPECT_TRUE(targetRows().contains(u"11b"_s));
        EXPECT_FALSE(targetRows().contains(u"10a"_s));
        EXPECT_FALSE(targetRows().contains(u"12c"_s));
        EXPECT_EQ(memo().toPlainText(), c.textAfter);
        EXPECT_EQ(selectedText(), u'\n' + kThird);
        sqliteExec(target_, {u"DELETE FROM t WHERE k = 11"_s});
    }
}

TEST_F(ExecuteScriptTest, FailingStatementRollsBackAndLeavesTheEditor) {
    tick(u"Delete statements after it is executed successfully"_s);
    const QString text = kFirst + u"\nINSERT INTO missing VALUES (1);\n"_s + kThird;
    memo().setPlainText(text);

    h_.actions.execute(CommandId::ExecuteScript);

    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_TRUE(shownBoxes()[0].text.contains(u"missing"_s)) << shownBoxes()[0].text.toStdString();
    EXPECT_EQ(targetRows(), (QStringList{u"1a"_s, u"3c"_s}));
    EXPECT_EQ(memo().toPlainText(), text);
    EXPECT_EQ(log(), "<none>");
}

TEST_F(ExecuteScriptTest, RunsAreLoggedUnlessLoggingIsDisabled) {
    memo().setPlainText(kFirst + u'\n' + kSecond);
    h_.actions.execute(CommandId::ExecuteScript);
    const QByteArray logged = log();
    EXPECT_TRUE(
        logged.endsWith((u"\r\n"_s + kFirst + u"\r\n\r\n"_s + kSecond + u"\r\n\r\n"_s).toUtf8()))
        << logged.toStdString();

    tick(u"Disable logging"_s);
    memo().setPlainText(kThird);
    h_.actions.execute(CommandId::ExecuteScript);
    EXPECT_EQ(log(), logged);
    EXPECT_EQ(targetRows(), (QStringList{u"1a"_s, u"3c"_s, u"10a"_s, u"11b"_s, u"12c"_s}));
    EXPECT_EQ(memo().toPlainText(), kThird) << "with nothing ticked the editor keeps its text";

    // Without a log name the user is asked first; No runs nothing.
    setLogFile(QString());
    script({BoxAnswer{BoxButton::No}});
    memo().setPlainText(u"DELETE FROM t"_s);
    h_.actions.execute(CommandId::ExecuteScript);
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_TRUE(shownBoxes()[0].text.startsWith(u"The \"Auto log sql file\" file name is empty"_s));
    EXPECT_EQ(targetRows().size(), 5);
}

TEST_F(ExecuteScriptTest, RunWhileTheTargetIsOpenReloadsItOnTheMergeTab) {
    MergeTab& merge = h_.form->mergeTab();
    QTest::keyClicks(&merge.keyEdit(), u"k"_s);
    QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
    merge.side(Side::Source).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
    merge.side(Side::Target).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    ASSERT_EQ(merge.recordCountText(Side::Target), u"2 records initially"_s);

    h_.form->tabs().setCurrentWidget(&h_.form->scriptTab());
    memo().setPlainText(kFirst);
    h_.actions.execute(CommandId::ExecuteScript);
    EXPECT_TRUE(h_.form->PendingTargetReopen());
    EXPECT_EQ(merge.recordCountText(Side::Target), u"2 records initially"_s);

    h_.form->tabs().setCurrentWidget(&merge);
    EXPECT_FALSE(h_.form->PendingTargetReopen());
    EXPECT_EQ(merge.recordCountText(Side::Target), u"3 records initially"_s);
}

TEST_F(ExecuteScriptTest, CtrlRInTheWindowRunsTheScript) {
    memo().setPlainText(kFirst);
    h_.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(h_.form.get()));
    QTest::keyClick(h_.form.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(targetRows().contains(u"10a"_s));
}

}  // namespace
