// The main window over two real databases: opening both sides from the
// window's own fields, what the Merge tab then shows, the grids following
// each other, and the "Connected" boxes.

#include "commands/TActionsDM.h"
#include "engine/EngineTexts.h"
#include "models/LegendColours.h"
#include "models/MemDataModel.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/MainWindowTexts.h"
#include "window/MergeGrids.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"
#include "window/TableSetupChooser.h"

#include <QAction>
#include <QBrush>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class MergeWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s});
        aliases_.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a'), (2, 'x'), (4, 'd')"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        h_.show();
    }

    /// Fills the table setup and the aliases as the user does, in the fields.
    void typeTableSetup(const QString& sourceAlias, const QString& targetAlias) {
        DatabaseTab& db = h_.form->databaseTab();
        QTest::keyClicks(&db.aliasEdit(Side::Source), sourceAlias);
        QTest::keyClicks(&db.aliasEdit(Side::Target), targetAlias);
        MergeTab& merge = h_.form->mergeTab();
        QTest::keyClicks(&merge.keyEdit(), u"k"_s);
        QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
        merge.side(Side::Source).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
        merge.side(Side::Target).queryEditor().setPlainText(u"SELECT k, v FROM t ORDER BY k"_s);
    }

    QColor targetColour(int key, const QString& field) { return targetCellColour(h_, key, field); }

    AliasFolder aliases_;
    MainWindowHarness h_;
};

TEST_F(MergeWindowTest, OpeningBothSidesShowsCountsStatisticsAndColours) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);

    MergeTab& merge = h_.form->mergeTab();
    EXPECT_EQ(merge.recordCountText(Side::Source), u"3 records"_s);
    EXPECT_EQ(merge.recordCountText(Side::Target), u"3 records initially"_s);
    EXPECT_EQ(merge.statistics(), statisticTexts(h_.engine.Counts()).all());
    EXPECT_EQ(merge.statistics().at(3), u"Records with differences: 1"_s);
    EXPECT_TRUE(h_.form->databaseTab().connected(Side::Source));
    EXPECT_TRUE(h_.form->databaseTab().connected(Side::Target));
    EXPECT_EQ(h_.form->grids().model(Side::Source).rowCount(), 3);

    EXPECT_EQ(targetColour(2, u"v"_s), LegendColours::colourOf(CellColour::DifferentField));
    EXPECT_EQ(targetColour(1, u"v"_s), LegendColours::colourOf(CellColour::Duplicate));
    EXPECT_EQ(targetColour(4, u"v"_s), QColor()) << "a target-only record is not coloured";
    EXPECT_EQ(targetColour(2, u"Difference"_s), LegendColours::colourOf(CellColour::InfoField));

    // Closed sides show no columns: the data columns are gone from the lists.
    h_.engine.CloseBoth();
    for (const Side side : {Side::Source, Side::Target}) {
        EXPECT_EQ(h_.form->grids().model(side).columnCount(), 0);
        EXPECT_EQ(merge.recordCountText(side), u"Not open"_s);
    }
    h_.actions.execute(CommandId::OpenSource);
    EXPECT_EQ(h_.form->grids().model(Side::Source).columnCount(),
              h_.engine.SourceMemData().fieldCount() - 1);  // all but the row number
}

// The grid sizes its columns from a sample of rows; a number column must
// still fit its widest number, here the last of two thousand rows and the
// smallest, negative value in the middle.
TEST_F(MergeWindowTest, NumberColumnsFitTheirWidestNumbers) {
    aliases_.addSqlite(
        u"Big"_s,
        {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, n INTEGER)"_s,
         u"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2000) "
         u"INSERT INTO t SELECT x, 'v', CASE WHEN x = 1500 THEN -12345678 ELSE x END FROM c"_s,
         u"INSERT INTO t VALUES (1000000, 'last', 1)"_s});
    typeTableSetup(u"Big"_s, u"Big"_s);
    h_.form->mergeTab()
        .side(Side::Source)
        .queryEditor()
        .setPlainText(u"SELECT k, v, n FROM t ORDER BY k"_s);
    h_.actions.execute(CommandId::OpenSource);

    QTableView& grid = h_.form->grids().grid(Side::Source);
    MemDataModel& model = h_.form->grids().model(Side::Source);
    MemData& list = h_.engine.SourceMemData();
    ASSERT_EQ(list.recordCount(), 2001);
    for (const auto& [field, widest] :
         {std::pair{u"k"_s, u"1000000"_s}, std::pair{u"n"_s, u"-12345678"_s}}) {
        SCOPED_TRACE(field.toStdString());
        const int column = model.columnOfField(list.fieldIndex(field));
        int row = -1;
        for (int r = 0; r < model.rowCount() && row < 0; ++r) {
            if (model.index(r, column).data().toString() == widest) {
                row = r;
            }
        }
        ASSERT_GE(row, 0);
        EXPECT_GE(grid.columnWidth(column), grid.sizeHintForIndex(model.index(row, column)).width())
            << "\"" << widest.toStdString() << "\" is cut";
    }
}

TEST_F(MergeWindowTest, MovingInOneGridMovesTheOtherToTheSameKey) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    MemData& source = h_.engine.SourceMemData();
    MemData& target = h_.engine.DestMemData();
    const int k = target.fieldIndex(u"k"_s);
    const int sourceK = source.fieldIndex(u"k"_s);

    QTableView& sourceGrid = h_.form->grids().grid(Side::Source);
    MemDataModel& sourceModel = h_.form->grids().model(Side::Source);
    sourceGrid.setCurrentIndex(sourceModel.index(sourceModel.rowOfPosition(1), 1));
    EXPECT_EQ(source.asInt(sourceK), 2);
    EXPECT_EQ(target.asInt(k), 2);

    QTableView& targetGrid = h_.form->grids().grid(Side::Target);
    MemDataModel& targetModel = h_.form->grids().model(Side::Target);
    targetGrid.setCurrentIndex(targetModel.index(targetModel.rowOfPosition(0), 1));
    EXPECT_EQ(target.asInt(k), 1);
    EXPECT_EQ(source.asInt(sourceK), 1);
    // The grid of the moved list shows the row the engine moved to.
    EXPECT_EQ(sourceModel.listPosition(sourceGrid.currentIndex().row()), source.position());
}

TEST_F(MergeWindowTest, TheConnectedBoxesConnectDisconnectAndShowAFailedConnect) {
    typeTableSetup(u"Src"_s, u"Nowhere"_s);
    DatabaseTab& db = h_.form->databaseTab();

    db.connectedBox(Side::Source).click();
    EXPECT_TRUE(h_.engine.Connected(Side::Source));
    EXPECT_TRUE(db.connected(Side::Source));

    db.connectedBox(Side::Source).click();
    EXPECT_FALSE(h_.engine.Connected(Side::Source));
    EXPECT_FALSE(db.connected(Side::Source));

    db.connectedBox(Side::Target).click();
    EXPECT_FALSE(h_.engine.Connected(Side::Target));
    EXPECT_FALSE(db.connected(Side::Target)) << "the box shows that connecting failed";
    ASSERT_FALSE(shownBoxes().isEmpty());
    EXPECT_TRUE(shownBoxes().last().text.contains(u"Nowhere"_s))
        << shownBoxes().last().text.toStdString();

    // Changing the alias of a connected side disconnects it.
    db.connectedBox(Side::Source).click();
    ASSERT_TRUE(db.connected(Side::Source));
    QTest::keyClick(&db.aliasEdit(Side::Source), Qt::Key_Backspace);
    EXPECT_FALSE(h_.engine.Connected(Side::Source));
    EXPECT_FALSE(db.connected(Side::Source));
}

TEST_F(MergeWindowTest, TheDeleteKeyOfTheTargetGridAsksFirst) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    QTableView& grid = h_.form->grids().grid(Side::Target);
    MemDataModel& model = h_.form->grids().model(Side::Target);
    MemData& target = h_.engine.DestMemData();
    const int k = target.fieldIndex(u"k"_s);

    struct Case {
        QList<int> rows;  // list positions selected
        BoxButton answer;
        QString question;
        QList<qint64> left;  // keys left in the target list
    };
    const QList<Case> cases{
        {{2}, BoxButton::No, u"Delete record?"_s, {1, 2, 4}},
        {{2}, BoxButton::Yes, u"Delete record?"_s, {1, 2}},
        {{0, 1}, BoxButton::Yes, u"Delete all selected records?"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.question.toStdString() + (c.answer == BoxButton::Yes ? " yes" : " no"));
        script({{c.answer, false}});
        grid.clearSelection();
        for (const int pos : c.rows) {
            grid.selectionModel()->select(model.index(model.rowOfPosition(pos), 1),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        QTest::keyClick(&grid, Qt::Key_Delete);
        ASSERT_EQ(shownBoxes().size(), 1) << shownBoxes().last().text.toStdString();
        EXPECT_EQ(shownBoxes()[0].text, c.question);
        QList<qint64> left;
        for (int pos = 0; pos < target.recordCount(); ++pos) {
            left << target.refAt(pos, k).i;
        }
        EXPECT_EQ(left, c.left);
    }
}

TEST_F(MergeWindowTest, TabChangesWriteTheScriptAndReopenAPendingTarget) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    h_.engine.ChangeDataToEqualSource();
    QPlainTextEdit& script = h_.form->scriptTab().ScriptMemo();
    script.setPlainText(u"old text"_s);

    QTabWidget& tabs = h_.form->tabs();
    tabs.setCurrentWidget(&h_.form->scriptTab());
    EXPECT_FALSE(script.toPlainText().contains(u"old text"_s)) << "replaced, not appended";
    EXPECT_TRUE(script.toPlainText().contains(u"UPDATE"_s)) << script.toPlainText().toStdString();
    EXPECT_TRUE(script.toPlainText().contains(u"INSERT"_s));
    EXPECT_TRUE(script.toPlainText().contains(u"DELETE"_s));

    // Statements were executed elsewhere while the target was open: showing
    // the Merge tab again reads the target afresh.
    sqliteExec(aliases_.path(u"Dst.db"_s), {u"INSERT INTO t VALUES (5, 'e')"_s});
    h_.form->setPendingTargetReopen(true);
    tabs.setCurrentWidget(&h_.form->mergeTab());
    EXPECT_EQ(h_.form->mergeTab().recordCountText(Side::Target), u"4 records initially"_s);
    EXPECT_FALSE(h_.form->PendingTargetReopen());
}

// Showing the Script tab writes the current table setup's statements over
// what the editor holds only when that loses nothing; any other script is
// replaced only when the user agrees.
TEST_F(MergeWindowTest, TheScriptTabAsksBeforeReplacingAScriptNotWrittenForTheTableSetup) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    h_.engine.ChangeDataToEqualSource();
    QTabWidget& tabs = h_.form->tabs();
    ScriptTab& tab = h_.form->scriptTab();
    QPlainTextEdit& memo = tab.ScriptMemo();
    const auto showScriptTab = [&] {
        tabs.setCurrentWidget(&h_.form->mergeTab());
        tabs.setCurrentWidget(&tab);
    };
    showScriptTab();
    const QString written = memo.toPlainText();
    ASSERT_TRUE(written.contains(u"UPDATE"_s)) << written.toStdString();

    enum class Editor { AsWritten, Empty, Typed, TypedOver, ProjectBlocks, MadeByCommand };
    const struct {
        const char* name;
        Editor editor;
        BoxButton answer;
        bool asked;
        bool replaced;
    } cases[] = {
        {"as the tab wrote it", Editor::AsWritten, BoxButton::No, false, true},
        {"emptied", Editor::Empty, BoxButton::No, false, true},
        {"typed, kept", Editor::Typed, BoxButton::No, true, false},
        {"typed, replaced", Editor::Typed, BoxButton::Yes, true, true},
        {"written, then typed over", Editor::TypedOver, BoxButton::No, true, false},
        {"blocks of a project script", Editor::ProjectBlocks, BoxButton::No, true, false},
        {"made by the script command", Editor::MadeByCommand, BoxButton::No, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        showScriptTab();  // the editor holds what the tab wrote
        switch (c.editor) {
            case Editor::AsWritten:
                break;
            case Editor::Empty:
                h_.actions.execute(CommandId::ScriptNew);
                break;
            case Editor::Typed:
                memo.setPlainText(u"DELETE FROM t WHERE k = 99;"_s);
                break;
            case Editor::TypedOver:
                memo.moveCursor(QTextCursor::End);
                QTest::keyClicks(&memo, u" "_s);
                break;
            case Editor::ProjectBlocks:
                tab.appendScriptLine(u"/* Statements for Table Setup \"Other\" */"_s);
                break;
            case Editor::MadeByCommand:
                memo.setPlainText(u"typed"_s);
                h_.actions.execute(CommandId::MakeScript);
                break;
        }
        const QString before = tab.ScriptMemo().toPlainText();
        script({{c.answer, false}});
        showScriptTab();
        EXPECT_EQ(shownBoxes().size(), c.asked ? 1 : 0);
        if (c.asked && !shownBoxes().isEmpty()) {
            EXPECT_EQ(shownBoxes()[0].text, replaceScriptQuestion());
        }
        EXPECT_EQ(memo.toPlainText(), c.replaced ? written : before);
    }
}

TEST_F(MergeWindowTest, MergeAndScriptCommandsRunFromTheWindow) {
    typeTableSetup(u"Src"_s, u"Dst"_s);
    QAction& merge = *h_.actions.action(CommandId::ChangeDataToEqualSource);
    h_.form->UpdateUI();
    EXPECT_FALSE(merge.isEnabled()) << "nothing to merge before both sides are open";
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    EXPECT_TRUE(merge.isEnabled());

    // Copy the selected source-only row (k 3) from the source grid.
    QTableView& source = h_.form->grids().grid(Side::Source);
    MemDataModel& sourceModel = h_.form->grids().model(Side::Source);
    const int k = h_.engine.SourceMemData().fieldIndex(u"k"_s);
    for (int row = 0; row < sourceModel.rowCount(); ++row) {
        const int pos = sourceModel.listPosition(row);
        if (pos >= 0 && h_.engine.SourceMemData().refAt(pos, k).i == 3) {
            source.selectRow(row);
        }
    }
    h_.actions.execute(CommandId::CopySelectedSourceOnlyRecordsToDestination);
    EXPECT_EQ(h_.engine.Counts()->inserts, 1);
    EXPECT_EQ(targetColour(3, u"v"_s), LegendColours::colourOf(CellColour::NewRecord));

    h_.actions.execute(CommandId::ChangeDataToEqualSource);
    // Updates count the rows marked for update; only changed ones get a statement.
    const ComparisonCounts counts{1, 3, 1, 0, 1};
    EXPECT_EQ(h_.engine.Counts(), counts);
    EXPECT_EQ(h_.form->mergeTab().statistics().at(0), u"Inserts: 1"_s);

    h_.actions.execute(CommandId::MakeScript);
    EXPECT_EQ(h_.form->tabs().currentWidget(), &h_.form->scriptTab());
    const QStringList lines =
        h_.form->scriptTab().ScriptMemo().toPlainText().split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.mid(1), (QStringList{u"UPDATE t SET v = 'b'/* Was: 'x' */ WHERE k = 2;"_s,
                                         u"INSERT INTO t (k, v) VALUES (3, 'c');"_s,
                                         u"DELETE FROM t WHERE k = 4;"_s}))
        << lines.join(u'\n').toStdString();
}

}  // namespace
