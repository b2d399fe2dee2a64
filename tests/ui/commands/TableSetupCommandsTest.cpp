// The table-setup commands run from the window on a saved project of three
// table setups: adding, smart fill, moving and deleting, with the project,
// the table-setup list and the project panel kept in step.

#include "document/TUndoHandler.h"
#include "models/MemDataModel.h"
#include "project/QMObjectList.h"
#include "ui/window/TableSetupProject.h"
#include "window/ProjectPanel.h"
#include "window/TableSetupChooser.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTableView>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class TableSetupCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        openSampleProject(h, h.path(u"shop.QMP"_s));
        ASSERT_EQ(projectNames(h), (QStringList{u"Customers"_s, u"Orders"_s, u"Lines"_s}));
        ASSERT_FALSE(h.project()->GetModified());
    }

    TPrjDataSaved& project() { return h.project()->PrjData(); }
    QString prop(int index, const QString& name) {
        return project().GetItem(index)->props().getString(name);
    }
    /// Selects these positions' rows in the project panel, as the user does.
    void selectRows(const QList<int>& positions) {
        ProjectPanel& panel = h.form->projectPanel();
        QItemSelectionModel& selection = *panel.grid().selectionModel();
        selection.clearSelection();
        for (const int pos : positions) {
            selection.select(panel.model().index(panel.model().rowOfPosition(pos), 0),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QString undoText() { return h.actions.action(CommandId::Undo)->text(); }

    MainWindowHarness h;
};

TEST_F(TableSetupCommandsTest, AddAsksUntilANewNameAndCopiesTheLastNamedTableSetup) {
    struct Case {
        QList<std::optional<QString>> answers;
        QString added;
        int copiedFrom;  // the table setup whose values the new one takes
    };
    const QList<Case> cases{
        {{u"Payments"_s}, u"Payments"_s, 0},  // the current one after opening
        // Taken and empty names are asked again; letter case makes a name new.
        {{u"Orders"_s, QString(), u"orders"_s}, u"orders"_s, 1},
        {{u"Lines"_s, u"Customers"_s, u"Refunds"_s}, u"Refunds"_s, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.added.toStdString());
        h.project()->SelectTableSetup(0);
        const int before = project().NodeCount();
        h.commandPrompts.inputs.clear();
        h.commandPrompts.inputAnswers = c.answers;
        h.actions.execute(CommandId::AddTableSetup);

        ASSERT_EQ(h.commandPrompts.inputs.size(), c.answers.size());
        for (int i = 0; i < c.answers.size(); ++i) {
            EXPECT_EQ(h.commandPrompts.inputs[i].caption, u"Save Table Setup as"_s);
            EXPECT_EQ(h.commandPrompts.inputs[i].prompt, u"New Table Setup Name"_s);
            // Asked again with the rejected text still in the box.
            EXPECT_EQ(h.commandPrompts.inputs[i].text, i == 0 ? QString() : *c.answers[i - 1]);
        }
        ASSERT_EQ(project().NodeCount(), before + 1);
        const int added = before;
        EXPECT_EQ(prop(added, u"Name"_s), c.added);
        for (const QString& p :
             {u"SourceQuerySQL"_s, u"DestQuerySQL"_s, u"PrimaryKeySpec"_s, u"DestTableName"_s}) {
            EXPECT_EQ(prop(added, p), prop(c.copiedFrom, p)) << p.toStdString();
        }
        EXPECT_EQ(static_cast<TFrameNodeData*>(project().GetItem(added))->Objects().Count(), 0)
            << "lookup definitions are not copied";
        EXPECT_EQ(listedSetups(h), numbered(projectNames(h)));
        EXPECT_EQ(h.project()->CurrentTableSetupIndex(), added);
        EXPECT_EQ(h.form->chooser().currentText(), c.added);
    }
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_EQ(undoText(), u"&Undo 'Project -> Add New Table Setup'"_s);

    // Undo takes back the last one only.
    h.actions.execute(CommandId::Undo);
    EXPECT_EQ(projectNames(h),
              (QStringList{u"Customers"_s, u"Orders"_s, u"Lines"_s, u"Payments"_s, u"orders"_s}));
    EXPECT_EQ(listedSetups(h), numbered(projectNames(h)));
}

TEST_F(TableSetupCommandsTest, CancellingTheAddChangesNothingButLeavesTheUndoStep) {
    h.commandPrompts.inputAnswers = {u"Orders"_s, std::nullopt};
    h.actions.execute(CommandId::AddTableSetup);
    EXPECT_EQ(projectNames(h), (QStringList{u"Customers"_s, u"Orders"_s, u"Lines"_s}));
    EXPECT_FALSE(h.project()->GetModified());
    EXPECT_TRUE(h.actions.action(CommandId::Undo)->isEnabled());
    EXPECT_EQ(undoText(), u"&Undo 'Project -> Add New Table Setup'"_s);
}

TEST_F(TableSetupCommandsTest, AddingAfterEveryTableSetupWasDeletedStartsFromABlankOne) {
    selectRows({0, 1, 2});
    script({{BoxButton::Yes, false}});
    h.actions.execute(CommandId::DelSlide);
    ASSERT_EQ(project().NodeCount(), 0);
    EXPECT_EQ(h.engine.TablesMemData().recordCount(), 0);

    h.commandPrompts.inputAnswers = {u"Fresh"_s};
    h.actions.execute(CommandId::AddTableSetup);
    EXPECT_EQ(projectNames(h), QStringList{u"Fresh"_s});
    EXPECT_EQ(prop(0, u"SourceQuerySQL"_s), u"SELECT * FROM "_s);
    EXPECT_EQ(listedSetups(h), QStringList{u"1 Fresh"_s});
}

TEST_F(TableSetupCommandsTest, SmartFillFillsTheCurrentTableSetupAndReachesTheProject) {
    h.project()->SelectTableSetup(1);
    h.commandPrompts.inputAnswers = {u"Customer"_s};
    h.actions.execute(CommandId::QuickFillTableSetup);

    ASSERT_EQ(h.commandPrompts.inputs.size(), 1);
    EXPECT_EQ(h.commandPrompts.inputs[0].caption, u"Auto Fill Out Fields Initially"_s);
    EXPECT_EQ(h.commandPrompts.inputs[0].prompt, u"Table Name"_s);
    EXPECT_EQ(prop(1, u"SourceQuerySQL"_s), u"SELECT * FROM Customer"_s);
    EXPECT_EQ(prop(1, u"DestQuerySQL"_s), u"SELECT * FROM Customer"_s);
    EXPECT_EQ(prop(1, u"PrimaryKeySpec"_s), u"CustomerId"_s);
    EXPECT_EQ(prop(1, u"DestTableName"_s), u"Customer"_s);
    EXPECT_EQ(prop(1, u"Name"_s), u"Customer"_s);
    EXPECT_EQ(prop(0, u"Name"_s), u"Customers"_s);
    EXPECT_EQ(listedSetups(h), numbered(projectNames(h)));
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_FALSE(h.actions.action(CommandId::Undo)->isEnabled());
    EXPECT_EQ(h.form->chooser().currentText(), u"Customer"_s);

    // Cancelled or empty: nothing changes.
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional(QString())}) {
        h.commandPrompts.inputAnswers = {answer};
        h.actions.execute(CommandId::QuickFillTableSetup);
        EXPECT_EQ(prop(1, u"Name"_s), u"Customer"_s);
    }
}

TEST_F(TableSetupCommandsTest, SmartFillWithoutTableSetupsOnlyBeeps) {
    h.actions.execute(CommandId::PrjNew);
    h.commandPrompts.inputAnswers = {u"Customer"_s};
    h.actions.execute(CommandId::QuickFillTableSetup);
    EXPECT_EQ(h.commandPrompts.beeps, 1);
    EXPECT_TRUE(h.commandPrompts.inputs.isEmpty());
    EXPECT_EQ(project().NodeCount(), 0);
    EXPECT_FALSE(h.project()->GetModified());
}

TEST_F(TableSetupCommandsTest, MovingKeepsTheTableSetupCurrentAndAloneSelectedAndBeepsAtTheEnds) {
    struct Case {
        int current;
        CommandId command;
        QStringList order;
        int nowAt;
        int beeps;
    };
    const QStringList start{u"Customers"_s, u"Orders"_s, u"Lines"_s};
    const QList<Case> cases{
        {1, CommandId::MoveDown, {u"Customers"_s, u"Lines"_s, u"Orders"_s}, 2, 0},
        {2, CommandId::MoveDown, {u"Customers"_s, u"Lines"_s, u"Orders"_s}, 2, 1},
        {2, CommandId::MoveUp, {u"Customers"_s, u"Orders"_s, u"Lines"_s}, 1, 0},
        {1, CommandId::MoveUp, {u"Orders"_s, u"Customers"_s, u"Lines"_s}, 0, 0},
        {0, CommandId::MoveUp, {u"Orders"_s, u"Customers"_s, u"Lines"_s}, 0, 1},
    };
    // Sorted by name, grid rows are not positions: the commands must not care.
    h.form->projectPanel().model().sort(1, Qt::DescendingOrder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order.join(u',').toStdString());
        h.project()->SelectTableSetup(c.current);
        selectRows({0, 1, 2});
        h.commandPrompts.beeps = 0;
        h.actions.execute(c.command);
        EXPECT_EQ(h.commandPrompts.beeps, c.beeps);
        EXPECT_EQ(projectNames(h), c.order);
        EXPECT_EQ(listedSetups(h), numbered(c.order));
        EXPECT_EQ(h.project()->CurrentTableSetupIndex(), c.nowAt);
        if (c.beeps == 0) {
            const int recId = h.engine.TablesMemData().recIdAt(c.nowAt);
            EXPECT_EQ(h.form->projectPanel().selectedRecIds(), QList<int>{recId});
        }
    }
    // The lookup definition went along with Orders.
    EXPECT_EQ(static_cast<TFrameNodeData*>(project().GetItem(0))->Objects().Count(), 1);
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_FALSE(h.actions.action(CommandId::Undo)->isEnabled());
}

TEST_F(TableSetupCommandsTest, MovingInAProjectWithoutTableSetupsSaysSoAndChangesNothing) {
    h.actions.execute(CommandId::PrjNew);
    for (const CommandId command : {CommandId::MoveUp, CommandId::MoveDown}) {
        script({});
        h.actions.execute(command);
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_EQ(shownBoxes()[0].text, u"The project has no table setups to move."_s);
    }
    EXPECT_EQ(project().NodeCount(), 0);
    EXPECT_FALSE(h.project()->GetModified());
    EXPECT_EQ(h.commandPrompts.beeps, 0);
}

TEST_F(TableSetupCommandsTest, DeleteAsksThenRemovesTheSelectedTableSetupsAndUndoBringsThemBack) {
    struct Case {
        QList<int> selected;
        int current;
        BoxButton answer;
        QString question;
        QStringList left;
        QString nowCurrent;
    };
    const QStringList all{u"Customers"_s, u"Orders"_s, u"Lines"_s};
    const QList<Case> cases{
        {{1}, 1, BoxButton::No, u"Delete record?"_s, all, u"Orders"_s},
        {{1}, 1, BoxButton::Yes, u"Delete record?"_s, {u"Customers"_s, u"Lines"_s}, u"Lines"_s},
        {{0, 2}, 1, BoxButton::Yes, u"Delete all selected records?"_s, {u"Orders"_s}, u"Orders"_s},
        {{1, 2},
         2,
         BoxButton::Yes,
         u"Delete all selected records?"_s,
         {u"Customers"_s},
         u"Customers"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left.join(u',').toStdString());
        h.project()->SelectTableSetup(c.current);
        selectRows(c.selected);
        h.form->UpdateUI();
        ASSERT_TRUE(h.actions.action(CommandId::DelSlide)->isEnabled());
        script({{c.answer, false}});
        h.actions.execute(CommandId::DelSlide);

        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_EQ(shownBoxes()[0].text, c.question);
        EXPECT_EQ(projectNames(h), c.left);
        EXPECT_EQ(listedSetups(h), numbered(c.left));
        EXPECT_EQ(h.form->chooser().currentText(), c.nowCurrent);
        if (c.answer == BoxButton::Yes) {
            EXPECT_TRUE(h.project()->GetModified());
            EXPECT_EQ(undoText(), u"&Undo 'Project -> Delete Selected Table Setups'"_s);
            h.actions.execute(CommandId::Undo);
        }
        EXPECT_EQ(projectNames(h), all);
        EXPECT_EQ(listedSetups(h), numbered(all));
        EXPECT_EQ(static_cast<TFrameNodeData*>(project().GetItem(1))->Objects().Count(), 1);
    }
}

TEST_F(TableSetupCommandsTest, DeleteIsEnabledOnlyWithAProjectAndASelection) {
    QAction& del = *h.actions.action(CommandId::DelSlide);
    selectRows({1});
    EXPECT_TRUE(del.isEnabled()) << "a selection change refreshes the commands";
    selectRows({});
    EXPECT_FALSE(del.isEnabled());
    selectRows({0, 2});
    EXPECT_TRUE(del.isEnabled());
    h.actions.execute(CommandId::PrjClose);
    EXPECT_FALSE(del.isEnabled());
}

}  // namespace
