// What the main window shows of the project and the engine, and how its
// edits reach the project.

#include "engine/ProjectTableSetups.h"
#include "models/LegendColours.h"
#include "models/MemDataModel.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"
#include "ui/window/MainWindowHarness.h"
#include "window/LegendStrip.h"
#include "window/MergeTab.h"
#include "window/ProjectPanel.h"
#include "window/ScriptTab.h"
#include "window/StatusStrip.h"
#include "window/TableSetupChooser.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class MainFormTest : public MainWindowTest {};

/// Adds table setups to the open project as the table-setup commands do.
void addTableSetups(MainWindowHarness& h, int count) {
    MemData& tables = h.engine.TablesMemData();
    for (int i = 0; i < count; ++i) {
        ProjectTableSetups::AddTableSetup(h.project()->PrjData(), tables);
    }
}

TEST_F(MainFormTest, CaptionAndStatusNameTheProjectAndCountItsTableSetups) {
    MainWindowHarness h;
    h.show();
    EXPECT_EQ(h.form->windowTitle(), u"Quillmere"_s);
    EXPECT_EQ(h.form->statusStrip().tableSetupCountText(), QString());
    EXPECT_FALSE(h.form->projectPanel().isVisible());

    h.actions.execute(CommandId::PrjNew);
    EXPECT_EQ(h.form->windowTitle(), u"Quillmere - (unnamed project)"_s);
    EXPECT_TRUE(h.form->projectPanel().isVisible());

    struct Case {
        int added;  // table setups added before the check
        QString text;
    };
    const QList<Case> cases{
        {0, u" No table setups in project."_s},
        {1, u" 1 table setup in project."_s},
        {2, u" 3 table setups in project."_s},
    };
    for (const Case& c : cases) {
        addTableSetups(h, c.added);
        h.form->UpdateUI();
        EXPECT_EQ(h.form->statusStrip().tableSetupCountText(), c.text);
    }

    h.prompts.saveName = h.path(u"Shop Data.QMP"_s);
    h.actions.execute(CommandId::PrjSaveAs);
    EXPECT_EQ(h.form->windowTitle(), u"Quillmere - \"Shop Data.QMP\""_s);

    h.prompts.saveAnswers = {BoxButton::No};
    h.actions.execute(CommandId::PrjClose);
    EXPECT_EQ(h.form->windowTitle(), u"Quillmere"_s);
    EXPECT_EQ(h.form->statusStrip().tableSetupCountText(), QString());
    EXPECT_FALSE(h.form->projectPanel().isVisible());
}

TEST_F(MainFormTest, EditsOfTheCurrentTableSetupReachTheProjectAndMarkItModified) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    addTableSetups(h, 2);
    h.engine.LoadTableSetups(h.project()->PrjData());
    h.project()->SetModified(false);
    h.settle();
    ASSERT_EQ(h.form->statusStrip().modifiedText(), QString());
    h.engine.TablesMemData().moveTo(1);  // the second table setup is current

    // The project panel's grid shows each keystroke at once, not only once
    // the row is left.
    MemDataModel& panel = h.form->projectPanel().model();
    const int row = panel.rowOfPosition(1);
    const int keyColumn = panel.columnOfField(h.engine.tableFields().PrimaryKeySpec);
    ASSERT_GE(keyColumn, 0);
    QSignalSpy redrawn(&panel, &QAbstractItemModel::dataChanged);
    const auto rowRedrawn = [&] {
        for (const QList<QVariant>& signal : std::as_const(redrawn)) {
            const auto first = signal[0].value<QModelIndex>();
            const auto last = signal[1].value<QModelIndex>();
            if (first.row() <= row && row <= last.row() && first.column() <= keyColumn &&
                keyColumn <= last.column()) {
                return true;
            }
        }
        return false;
    };

    MergeTab& merge = h.form->mergeTab();
    merge.keyEdit().setFocus();
    merge.keyEdit().selectAll();
    QTest::keyClicks(&merge.keyEdit(), u"OrderNo;Line"_s);
    EXPECT_TRUE(rowRedrawn());
    EXPECT_EQ(panel.index(row, keyColumn).data().toString(), u"OrderNo;Line"_s);
    merge.destTableEdit().setText(u"ignored"_s);  // not an edit of the user's

    TQMNodeData* second = h.project()->PrjData().GetItem(1);
    EXPECT_EQ(second->props().getString(u"PrimaryKeySpec"_s), u"OrderNo;Line"_s);
    EXPECT_NE(second->DestTableName(), u"ignored"_s);
    EXPECT_NE(h.project()->PrjData().GetItem(0)->props().getString(u"PrimaryKeySpec"_s),
              u"OrderNo;Line"_s);
    EXPECT_TRUE(h.project()->GetModified());
    h.settle();
    EXPECT_EQ(h.form->statusStrip().modifiedText(), u"Modified"_s);
    // The list row holds the edit too, so the engine works with what is shown.
    EXPECT_EQ(h.engine.TablesMemData().asText(h.engine.tableFields().PrimaryKeySpec),
              u"OrderNo;Line"_s);
}

// A modified project closed without saving takes its "Modified" with it,
// whether closed alone or for a new project.
// A new project has no table setups: its grid shows the one line for adding
// one, though the engine's list still holds the table setup it is inserting
// for use without a project.
TEST_F(MainFormTest, ANewProjectsGridHasOneLineMarkedForAdding) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    h.settle();
    ASSERT_EQ(h.engine.TablesMemData().state(), ListState::Insert);
    const MemDataModel& grid = h.form->projectPanel().model();
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.headerData(0, Qt::Vertical).toString(), u"*"_s);
}

TEST_F(MainFormTest, TheModifiedMarkLeavesWithAProjectClosedUnsaved) {
    MainWindowHarness h;
    h.show();
    for (const CommandId closing : {CommandId::PrjClose, CommandId::PrjNew}) {
        SCOPED_TRACE(static_cast<int>(closing));
        h.actions.execute(CommandId::PrjNew);
        h.project()->PrjData().SetSourceDBAlias(u"changed"_s);
        h.settle();
        ASSERT_EQ(h.form->statusStrip().modifiedText(), u"Modified"_s);
        h.prompts.saveAnswers = {BoxButton::No};
        h.actions.execute(closing);
        h.settle();
        EXPECT_EQ(h.form->statusStrip().modifiedText(), QString());
    }
}

TEST_F(MainFormTest, TheChooserListsTheTableSetupsAndMakesTheChosenOneCurrent) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    MemData& tables = h.engine.TablesMemData();
    const int name = h.engine.tableFields().Name;
    for (const QString& setup : {u"Customers"_s, u"Orders"_s, u"Lines"_s}) {
        tables.edit();
        tables.setAsText(name, setup);
        tables.post();
        ProjectTableSetups::AddTableSetup(h.project()->PrjData(), tables);
    }
    h.engine.LoadTableSetups(h.project()->PrjData());

    TableSetupChooser& chooser = h.form->chooser();
    QStringList entries;
    for (int i = 0; i < chooser.count(); ++i) {
        entries << chooser.itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{u"Customers"_s, u"Orders"_s, u"Lines"_s}));
    EXPECT_EQ(chooser.currentText(), u"Customers"_s);

    chooser.setCurrentIndex(2);
    emit chooser.activated(2);  // as a choice of the user's
    EXPECT_EQ(tables.asText(name), u"Lines"_s);
    EXPECT_EQ(h.form->mergeTab().nameLabel().text(), u"Lines"_s);
    EXPECT_EQ(h.project()->CurrentTableSetupIndex(), 2);

    // The project panel follows the choice, and moving there chooses too.
    QTableView& panel = h.form->projectPanel().grid();
    QCoreApplication::processEvents();
    EXPECT_EQ(h.form->projectPanel().model().recIdAt(panel.currentIndex().row()),
              tables.recIdAt(2));
    panel.setCurrentIndex(panel.model()->index(1, 1));
    EXPECT_EQ(tables.asText(name), u"Orders"_s);
    EXPECT_EQ(chooser.currentText(), u"Orders"_s);
    EXPECT_EQ(h.form->mergeTab().nameLabel().text(), u"Orders"_s);
    // Its cells are edited in place (ProjectPanelTest shows them reach the project).
    EXPECT_TRUE(panel.model()->flags(panel.model()->index(1, 1)).testFlag(Qt::ItemIsEditable));
}

TEST_F(MainFormTest, TheLegendStaysAtTheRightEdgeWhenTheWindowIsResized) {
    MainWindowHarness h;
    h.show();
    for (const int width : {966, 1280, 700, 480}) {
        SCOPED_TRACE(width);
        h.form->resize(width, 607);
        h.settle();
        const LegendStrip& strip = h.form->legendStrip();
        EXPECT_EQ(strip.legend().x() + LegendColours::kStripWidth, strip.width());
        EXPECT_EQ(strip.width(), h.form->width());
    }
}

TEST_F(MainFormTest, TheScriptTabLeavesTheScriptAloneWhileTheTargetIsClosed) {
    MainWindowHarness h;
    h.show();
    QPlainTextEdit& script = h.form->scriptTab().ScriptMemo();
    script.setPlainText(u"UPDATE kept SET a = 1;"_s);
    h.form->tabs().setCurrentWidget(&h.form->scriptTab());
    EXPECT_EQ(script.toPlainText(), u"UPDATE kept SET a = 1;"_s);
    EXPECT_EQ(h.form->mergeTab().recordCountText(Side::Source), u"Not open"_s);
    EXPECT_EQ(h.form->mergeTab().recordCountText(Side::Target), u"Not open"_s);
}

}  // namespace
