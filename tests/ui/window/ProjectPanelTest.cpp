// The project panel's grid edited in place: what is typed there goes into
// the project at once and survives saving, the new-row line adds table
// setups, refused edits keep the old value, and the Delete key asks through
// the delete command.

#include "models/MemDataModel.h"
#include "project/ProjectFiles.h"
#include "project/QMObjectList.h"
#include "ui/window/TableSetupProject.h"
#include "window/ProjectPanel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class ProjectPanelTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        openSampleProject(h, file());
        ASSERT_FALSE(h.project()->GetModified());
    }

    QString file() const { return h.path(u"shop.QMP"_s); }
    ProjectPanel& panel() { return h.form->projectPanel(); }
    MemDataModel& model() { return panel().model(); }
    /// The grid cell of a table setup (by position; -1: the new-row line)
    /// and a column (by caption).
    QModelIndex cell(int position, const QString& caption) {
        int column = -1;
        for (int c = 0; c < model().columnCount(); ++c) {
            if (model().headerData(c, Qt::Horizontal).toString() == caption) {
                column = c;
            }
        }
        const int row = position < 0 ? model().rowCount() - 1 : model().rowOfPosition(position);
        return model().index(row, column);
    }
    /// Types into a cell as the user does: open the editor, type, Enter.
    void type(const QModelIndex& index, const QString& text) {
        QTableView& grid = panel().grid();
        grid.setCurrentIndex(index);
        grid.edit(index);
        auto* editor = grid.viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        h.settle();
    }
    QString prop(TPrjData& project, int index, const QString& name) {
        return project.GetItem(index)->props().getString(name);
    }

    MainWindowHarness h;
};

TEST_F(ProjectPanelTest, GridEditsReachTheProjectAtOnceAndSurviveSavingAndReopening) {
    // Sorted by name, descending: grid rows and positions differ.
    model().sort(1, Qt::DescendingOrder);
    type(cell(1, u"Table Setup Name"_s), u"Purchase Orders"_s);
    type(cell(2, u"Primary Key"_s), u"LineId"_s);
    type(cell(0, u"Target Table Name"_s), u"CLIENT"_s);
    type(cell(-1, u"Table Setup Name"_s), u"Payments"_s);  // the new-row line
    type(cell(3, u"Primary Key"_s), u"PayNo"_s);

    TPrjDataSaved& shown = h.project()->PrjData();
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_EQ(projectNames(h),
              (QStringList{u"Customers"_s, u"Purchase Orders"_s, u"Lines"_s, u"Payments"_s}));
    EXPECT_EQ(listedSetups(h), numbered(projectNames(h)));
    EXPECT_EQ(h.project()->CurrentTableSetupIndex(), 3);
    EXPECT_EQ(prop(shown, 3, u"SourceQuerySQL"_s), u"SELECT * FROM "_s);

    h.actions.execute(CommandId::PrjSave);
    TPrjDataSaved read;
    ASSERT_TRUE(loadProjectFile(file(), read).ok());
    ASSERT_EQ(read.NodeCount(), 4);
    struct Expected {
        QString name, key, table;
    };
    const QList<Expected> expected{
        {u"Customers"_s, u"CustNo"_s, u"CLIENT"_s},
        {u"Purchase Orders"_s, u"OrderNo"_s, u"ORD"_s},
        {u"Lines"_s, u"LineId"_s, u"LIN"_s},
        {u"Payments"_s, u"PayNo"_s, QString()},
    };
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(prop(read, i, u"Name"_s), expected[i].name);
        EXPECT_EQ(prop(read, i, u"PrimaryKeySpec"_s), expected[i].key);
        EXPECT_EQ(prop(read, i, u"DestTableName"_s), expected[i].table);
        // What the grid does not show is kept.
        EXPECT_EQ(prop(read, i, u"DestQuerySQL"_s), prop(shown, i, u"DestQuerySQL"_s));
    }
    EXPECT_EQ(prop(read, 1, u"SourceQuerySQL"_s), u"SELECT * FROM src_ORD"_s);
    EXPECT_EQ(static_cast<TFrameNodeData*>(read.GetItem(1))->Objects().Count(), 1);
}

TEST_F(ProjectPanelTest, RefusedEditsKeepTheOldValueAndSayWhy) {
    struct Case {
        int position;  // -1: the new-row line
        QString column;
        QString text;
        QString message;
    };
    const QList<Case> cases{
        {0, u"Table Setup Name"_s, u"Orders"_s,
         u"There is already a table setup named \"Orders\". Give this one another name."_s},
        {0, u"Table Setup Name"_s, QString(), u"A table setup needs a name."_s},
        {-1, u"Table Setup Name"_s, u"Lines"_s,
         u"There is already a table setup named \"Lines\". Give this one another name."_s},
        {-1, u"Primary Key"_s, u"PayNo"_s, u"Type the new table setup's name first."_s},
    };
    const QStringList listed = listedSetups(h);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        script({});
        EXPECT_FALSE(model().setData(cell(c.position, c.column), c.text));
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_EQ(shownBoxes()[0].text, c.message);
        EXPECT_EQ(listedSetups(h), listed);
        EXPECT_EQ(projectNames(h), (QStringList{u"Customers"_s, u"Orders"_s, u"Lines"_s}));
        EXPECT_FALSE(h.project()->GetModified());
    }
    // Its own name again, or another letter case, is fine.
    EXPECT_TRUE(model().setData(cell(1, u"Table Setup Name"_s), u"Orders"_s));
    EXPECT_TRUE(model().setData(cell(1, u"Table Setup Name"_s), u"ORDERS"_s));
    EXPECT_EQ(projectNames(h), (QStringList{u"Customers"_s, u"ORDERS"_s, u"Lines"_s}));

    // "#" is the position: never edited. Without a project nothing is.
    EXPECT_FALSE(model().flags(cell(1, u"#"_s)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model().setData(cell(1, u"#"_s), 7));
    EXPECT_TRUE(model().flags(cell(1, u"Primary Key"_s)).testFlag(Qt::ItemIsEditable));
    h.prompts.saveAnswers = {BoxButton::No};
    h.actions.execute(CommandId::PrjClose);
    EXPECT_FALSE(model().flags(cell(0, u"Primary Key"_s)).testFlag(Qt::ItemIsEditable));
}

TEST_F(ProjectPanelTest, TheDeleteKeyAsksThroughTheDeleteCommand) {
    QTableView& grid = panel().grid();
    grid.selectionModel()->setCurrentIndex(
        cell(1, u"Table Setup Name"_s),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    struct Case {
        BoxButton answer;
        QStringList left;
    };
    for (const Case& c : {Case{BoxButton::No, {u"Customers"_s, u"Orders"_s, u"Lines"_s}},
                          Case{BoxButton::Yes, {u"Customers"_s, u"Lines"_s}}}) {
        script({{c.answer, false}});
        QTest::keyClick(&grid, Qt::Key_Delete);
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_EQ(shownBoxes()[0].text, u"Delete record?"_s);
        EXPECT_EQ(projectNames(h), c.left);
        EXPECT_EQ(listedSetups(h), numbered(c.left));
    }
    EXPECT_EQ(h.actions.action(CommandId::Undo)->text(),
              u"&Undo 'Project -> Delete Selected Table Setups'"_s);
}

}  // namespace
