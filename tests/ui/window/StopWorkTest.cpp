// Long work in the window: it lets the window's events through while it
// runs, shows a Cancel button, disables the commands, and a stop (Cancel,
// Escape) leaves the lists, their marks, the statistics and the script
// editor as they were before the command.

#include "commands/TActionsDM.h"
#include "engine/EngineTexts.h"
#include "list/ValueText.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"
#include "window/StatusStrip.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

// Every row of a list as text, its own columns (marks) included.
QStringList contents(const MemData& list) {
    QStringList rows;
    if (!list.isOpen()) {
        return rows;
    }
    for (int p = 0; p < list.recordCount(); ++p) {
        QStringList cells;
        for (int f = 1; f < list.fieldCount(); ++f) {
            const ValueRef v = list.refAt(p, f);
            cells << (v.null ? u"<null>"_s
                             : ValueText::toText(list.valueAt(p, f), list.field(f).type));
        }
        rows << cells.join(u'|');
    }
    return rows;
}

int countSet(const MemData& list, const QString& flag) {
    const int f = list.fieldIndex(flag);
    int n = 0;
    for (int p = 0; p < list.recordCount(); ++p) {
        n += list.refAt(p, f).i != 0 ? 1 : 0;
    }
    return n;
}

// Source: keys 1..6000. Target: keys 1..4000 (every even key's value
// differs) and 10001..13000, which the source lacks. A merge so changes
// 2000 rows, copies 2000 and marks 3000 for deletion: each step long enough
// to be stopped in its middle.
class StopWorkTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        const QString create = u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s;
        const QString rows =
            u"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "_s;
        aliases_.addSqlite(u"Src"_s,
                           {create, rows.arg(6000) + u"INSERT INTO t SELECT x, 'a' || x FROM c"_s});
        aliases_.addSqlite(
            u"Dst"_s,
            {create,
             rows.arg(4000) +
                 u"INSERT INTO t SELECT x, CASE WHEN x % 2 = 0 THEN 'b' ELSE 'a' END || x FROM c"_s,
             rows.arg(3000) + u"INSERT INTO t SELECT 10000 + x, 'z' FROM c"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        h_.show();
        DatabaseTab& db = h_.form->databaseTab();
        QTest::keyClicks(&db.aliasEdit(Side::Source), u"Src"_s);
        QTest::keyClicks(&db.aliasEdit(Side::Target), u"Dst"_s);
        MergeTab& merge = h_.form->mergeTab();
        QTest::keyClicks(&merge.keyEdit(), u"k"_s);
        QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
        merge.side(Side::Source).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
        merge.side(Side::Target).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
        // Events go through at every question, and the work shows at once.
        h_.adapter.pumpInterval = 0;
        h_.adapter.showAfter = 0;
    }
    void TearDown() override {
        h_.adapter.onPump = nullptr;
        MainWindowTest::TearDown();
    }

    /// Stops the next command the first time `when` holds as it lets events
    /// through, by a press of Escape that reaches the window as the user's
    /// would.
    void stopWhen(std::function<bool()> when) {
        h_.adapter.onPump = [this, when = std::move(when)] {
            if (!stopped_ && when()) {
                stopped_ = true;
                QCoreApplication::postEvent(
                    h_.form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            }
        };
    }

    /// What a stopped command must leave as it was.
    struct State {
        QStringList source, target;
        std::optional<ComparisonCounts> counts;
        QStringList statistics;
        QString script;
        bool operator==(const State&) const = default;
    };
    State state() {
        return {contents(h_.engine.SourceMemData()), contents(h_.engine.DestMemData()),
                h_.engine.Counts(), h_.form->mergeTab().statistics(),
                h_.form->scriptTab().ScriptMemo().toPlainText()};
    }

    AliasFolder aliases_;
    MainWindowHarness h_;
    bool stopped_ = false;
};

TEST_F(StopWorkTest, AStoppedOpenLeavesTheListsAsTheyWereOrClosed) {
    // Both sides are read into lists of their own: a stop while reading
    // leaves the lists as they were, closed or open.
    const auto stopWhileReading = [this](const char* name) {
        SCOPED_TRACE(name);
        stopped_ = false;
        const State before = state();
        // The target's reader waits for the first question, so that it
        // comes while reading.
        std::atomic<bool> asked{false};
        h_.engine.setRowReadHook([&asked](Side side, std::size_t rows) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (side == Side::Target && rows == 500 && !asked &&
                   std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        stopWhen([&asked] {
            asked = true;
            return true;
        });
        h_.actions.execute(CommandId::OpenBothSourceAndTarget);
        h_.engine.setRowReadHook({});
        EXPECT_TRUE(stopped_);
        EXPECT_EQ(state(), before);
        EXPECT_EQ(h_.form->statusStrip().statusText(), u"Stopped."_s);
        EXPECT_TRUE(shownBoxes().isEmpty()) << "a stop is no error";
        EXPECT_FALSE(h_.form->statusStrip().working());
    };
    stopWhileReading("both sides closed");
    EXPECT_FALSE(h_.engine.SourceMemData().isOpen());
    EXPECT_EQ(h_.form->mergeTab().recordCountText(Side::Source), u"Not open"_s);

    // Stopped while the rows read are compared, when the lists from before
    // are gone: neither side is left open half-marked.
    stopped_ = false;
    stopWhen(
        [this] { return h_.engine.SourceMemData().isOpen() && !h_.engine.DestMemData().isOpen(); });
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    EXPECT_TRUE(stopped_);
    EXPECT_FALSE(h_.engine.SourceMemData().isOpen());
    EXPECT_FALSE(h_.engine.DestMemData().isOpen());
    EXPECT_TRUE(shownBoxes().isEmpty());

    // Nothing is left over that would spoil the next, full open.
    h_.adapter.onPump = nullptr;
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    EXPECT_EQ(h_.engine.SourceMemData().recordCount(), 6000);
    EXPECT_EQ(h_.engine.DestMemData().recordCount(), 7000);
    EXPECT_EQ(h_.engine.Counts()->differences, 2000);

    stopWhileReading("both sides open");
    EXPECT_EQ(h_.engine.DestMemData().recordCount(), 7000);
    EXPECT_EQ(h_.engine.Counts()->differences, 2000);
}

TEST_F(StopWorkTest, AStoppedMergePutsBackRowsMarksAndStatistics) {
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    ASSERT_EQ(h_.engine.DestMemData().recordCount(), 7000);
    const MemData& target = h_.engine.DestMemData();
    // One point in each step of "Copy, change and delete records to match
    // source": the first step's changes are put back after the later steps.
    const std::vector<std::pair<const char*, std::function<bool()>>> points{
        {"changing rows", [&] { return countSet(target, u"UpdateField"_s) > 0; }},
        {"copying rows", [&] { return target.recordCount() > 7000; }},
        {"marking rows for deletion", [&] { return countSet(target, u"Del"_s) > 0; }},
    };
    const State before = state();
    for (const auto& [name, when] : points) {
        SCOPED_TRACE(name);
        stopped_ = false;
        stopWhen(when);
        h_.actions.execute(CommandId::ChangeDataToEqualSource);
        EXPECT_TRUE(stopped_);
        EXPECT_EQ(state(), before);
        EXPECT_EQ(h_.form->statusStrip().statusText(), u"Stopped."_s);
        EXPECT_TRUE(shownBoxes().isEmpty());
    }
    // The merge run to its end after the stops ends as one never stopped.
    h_.adapter.onPump = nullptr;
    h_.actions.execute(CommandId::ChangeDataToEqualSource);
    const State merged = state();
    EXPECT_EQ(target.recordCount(), 9000);
    EXPECT_EQ(countSet(target, u"NewField"_s), 2000);
    EXPECT_EQ(countSet(target, u"Del"_s), 3000);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    h_.actions.execute(CommandId::ChangeDataToEqualSource);
    EXPECT_EQ(state(), merged);
}

TEST_F(StopWorkTest, AStoppedScriptLeavesTheEditorAsItWas) {
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    h_.actions.execute(CommandId::ChangeDataToEqualSource);
    h_.form->scriptTab().ScriptMemo().setPlainText(u"-- the user's own text"_s);
    const State before = state();
    int questions = 0;
    // Some statements are written before the stop.
    stopWhen([&] { return ++questions == 3; });
    h_.actions.execute(CommandId::MakeScript);
    EXPECT_TRUE(stopped_);
    EXPECT_EQ(state(), before);
    EXPECT_EQ(h_.form->statusStrip().statusText(), u"Stopped."_s);
    EXPECT_TRUE(shownBoxes().isEmpty());

    h_.adapter.onPump = nullptr;
    h_.actions.execute(CommandId::MakeScript);
    const QString script = h_.form->scriptTab().ScriptMemo().toPlainText();
    EXPECT_EQ(script.count(u"UPDATE "_s), 2000);
    EXPECT_EQ(script.count(u"INSERT INTO "_s), 2000);
    EXPECT_EQ(script.count(u"DELETE FROM "_s), 3000);
    EXPECT_TRUE(h_.form->scriptTab().holdsOnlyTableSetupScript());
}

TEST_F(StopWorkTest, WhileWorkRunsCommandsAreDisabledAndInputIsHeldBack) {
    bool sawWork = false;
    QStringList enabled;
    h_.adapter.onPump = [&] {
        if (sawWork || !h_.engine.DestMemData().isOpen()) {
            return;
        }
        sawWork = true;
        for (QAction* action : h_.actions.findChildren<QAction*>()) {
            if (action->isEnabled() && !action->objectName().isEmpty() &&
                action->objectName().endsWith(u"Action"_s)) {
                enabled << action->objectName();
            }
        }
        EXPECT_TRUE(h_.form->statusStrip().working());
        // Closing the window and typing into the fields wait for the work.
        QCoreApplication::postEvent(h_.form.get(), new QCloseEvent);
        QLineEdit& key = h_.form->mergeTab().keyEdit();
        QCoreApplication::postEvent(
            &key, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, u"x"_s));
    };
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);

    EXPECT_TRUE(sawWork);
    EXPECT_TRUE(enabled.isEmpty()) << enabled.join(u", "_s).toStdString();
    EXPECT_TRUE(h_.form->isVisible());
    EXPECT_EQ(h_.form->mergeTab().keyEdit().text(), u"k"_s);
    EXPECT_EQ(h_.engine.DestMemData().recordCount(), 7000) << "the work was not stopped";
    EXPECT_FALSE(h_.form->statusStrip().working());
    EXPECT_TRUE(h_.actions.action(CommandId::ChangeDataToEqualSource)->isEnabled());
}

TEST_F(StopWorkTest, TheCancelButtonStopsTheWork) {
    h_.adapter.onPump = [this] {
        if (h_.engine.SourceMemData().isOpen() && !stopped_) {
            stopped_ = true;
            QToolButton& cancel = h_.form->statusStrip().cancelButton();
            ASSERT_TRUE(cancel.isVisible());
            // The click is a posted one, as the user's comes in among the events.
            const QPoint middle = cancel.rect().center();
            QCoreApplication::postEvent(
                &cancel,
                new QMouseEvent(QEvent::MouseButtonPress, middle, cancel.mapToGlobal(middle),
                                Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(
                &cancel,
                new QMouseEvent(QEvent::MouseButtonRelease, middle, cancel.mapToGlobal(middle),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        }
    };
    h_.actions.execute(CommandId::OpenSource);
    EXPECT_TRUE(stopped_);
    EXPECT_FALSE(h_.engine.SourceMemData().isOpen());
    EXPECT_EQ(h_.form->statusStrip().statusText(), u"Stopped."_s);
}

}  // namespace
