// "Comparison Rules..." from the main window on a project over two SQLite
// databases: the dialog lists the table setup's columns, OK stores the rules
// as one undo step and compares the open lists again, the ignored column
// shows greyed in both grids, and undo takes it all back.

#include "commands/TActionsDM.h"
#include "dialogs/TComparisonRulesForm.h"
#include "document/TUndoHandler.h"
#include "models/LegendColours.h"
#include "models/MemDataModel.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/MergeGrids.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ProjectPanel.h"

#include <QAction>
#include <QBrush>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

const QString kQuery = u"SELECT k, v, n FROM t ORDER BY k"_s;

class ComparisonRulesWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Row 1 differs in n by letter case only, row 2 in v.
        aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, n TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a', 'x'), (2, 'b', 'y')"_s});
        aliases_.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, n TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a', 'X'), (2, 'B', 'y')"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        h_.show();
        h_.actions.execute(CommandId::PrjNew);
        h_.commandPrompts.inputAnswers = {u"T"_s};
        h_.actions.execute(CommandId::AddTableSetup);
        ASSERT_EQ(h_.project()->PrjData().NodeCount(), 1);

        DatabaseTab& db = h_.form->databaseTab();
        QTest::keyClicks(&db.aliasEdit(Side::Source), u"Src"_s);
        QTest::keyClicks(&db.aliasEdit(Side::Target), u"Dst"_s);
        MergeTab& merge = h_.form->mergeTab();
        QTest::keyClicks(&merge.keyEdit(), u"k"_s);
        QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
        setQueries(kQuery);
        h_.prompts.saveName = h_.path(u"rules.QMP"_s);
        h_.actions.execute(CommandId::PrjSaveAs);
        ASSERT_FALSE(h_.project()->GetModified());
    }

    void setQueries(const QString& sql) {
        MergeTab& merge = h_.form->mergeTab();
        merge.side(Side::Source).queryEditor().setPlainText(sql);
        merge.side(Side::Target).queryEditor().setPlainText(sql);
    }

    /// Runs the command; the dialog gets `answer`, which sees the form.
    void runCommand(std::function<int(TComparisonRulesForm&)> answer) {
        h_.commandPrompts.dialogAnswers
            << [answer](QDialog& d) { return answer(dynamic_cast<TComparisonRulesForm&>(d)); };
        h_.actions.execute(CommandId::ComparisonRules);
        h_.settle();
    }
    static int ignoreN(TComparisonRulesForm& form) {
        form.grid()
            .item(form.rowOfColumn(u"n"_s), TComparisonRulesForm::IgnoreColumn)
            ->setCheckState(Qt::Checked);
        return QDialog::Accepted;
    }

    /// The rules text in the table-setup list's current row ("" or null: none).
    QString listRules() {
        return h_.engine.TablesMemData().asText(h_.engine.tableFields().CompareRules);
    }
    QString nodeRules() {
        return h_.project()->PrjData().GetItem(0)->props().getString(u"CompareRules"_s);
    }
    QString undoText() { return h_.actions.action(CommandId::Undo)->text(); }

    /// The grey of a grid's column, its header and a cell of it.
    struct Grey {
        bool header = false;
        bool cell = false;
        friend bool operator==(const Grey&, const Grey&) = default;
    };
    Grey grey(Side side, const QString& field) {
        MemDataModel& model = h_.form->grids().model(side);
        MemData& list = side == Side::Source ? h_.engine.SourceMemData() : h_.engine.DestMemData();
        const int column = model.columnOfField(list.fieldIndex(field));
        const auto isGrey = [](const QVariant& v) {
            return v.isValid() && v.value<QBrush>().color() == MemDataModel::dimmedTextColour();
        };
        return {isGrey(model.headerData(column, Qt::Horizontal, Qt::ForegroundRole)),
                isGrey(model.index(0, column).data(Qt::ForegroundRole))};
    }
    Grey greyed() const { return {true, true}; }

    QColor targetColour(int key, const QString& field) { return targetCellColour(h_, key, field); }

    AliasFolder aliases_;
    MainWindowHarness h_;
};

TEST_F(ComparisonRulesWindowTest, OkStoresTheRulesAsOneUndoStepAndGreysTheIgnoredColumn) {
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    ASSERT_TRUE(h_.engine.DestMemData().isOpen());
    QAction& command = *h_.actions.action(CommandId::ComparisonRules);
    EXPECT_TRUE(command.isEnabled());
    EXPECT_TRUE(h_.form->projectPanel().grid().actions().contains(&command))
        << "the table-setup panel's context menu offers it";
    const QString undoBefore = undoText();

    // The open lists give the columns; Cancel changes nothing.
    QStringList rows;
    runCommand([&rows](TComparisonRulesForm& form) {
        for (int r = 0; r < form.grid().rowCount(); ++r) {
            rows << form.grid().item(r, TComparisonRulesForm::NameColumn)->text();
        }
        ignoreN(form);
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(h_.commandPrompts.dialogsShown, QStringList{u"Comparison Rules - T"_s});
    EXPECT_EQ(rows, (QStringList{u"(all columns)"_s, u"k (key)"_s, u"v"_s, u"n"_s}));
    EXPECT_EQ(listRules(), QString());
    EXPECT_FALSE(h_.project()->GetModified());
    EXPECT_EQ(undoText(), undoBefore);

    runCommand(ignoreN);
    EXPECT_EQ(listRules(), u"n: ignore"_s);
    EXPECT_EQ(nodeRules(), u"n: ignore"_s);
    EXPECT_TRUE(h_.project()->GetModified());
    EXPECT_EQ(undoText(), u"&Undo 'Project -> Comparison Rules'"_s);
    // The lists stay open and are compared again under the rules.
    EXPECT_TRUE(h_.engine.SourceMemData().isOpen());
    EXPECT_TRUE(h_.engine.DestMemData().isOpen());
    EXPECT_EQ(h_.form->mergeTab().statistics().size(), 5);
    for (const Side side : {Side::Source, Side::Target}) {
        SCOPED_TRACE(side == Side::Source ? "source" : "target");
        EXPECT_EQ(grey(side, u"n"_s), greyed());
        EXPECT_EQ(grey(side, u"v"_s), Grey());
        EXPECT_EQ(grey(side, u"k"_s), Grey());
    }

    // An OK that changes nothing records nothing more.
    h_.app.undo().Clear();
    runCommand([](TComparisonRulesForm&) { return int(QDialog::Accepted); });
    EXPECT_FALSE(h_.app.undo().CanUndo());
    runCommand([](TComparisonRulesForm& form) {
        form.grid().item(0, TComparisonRulesForm::IgnoreCaseColumn)->setCheckState(Qt::Checked);
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(listRules(), u"*: nocase; n: ignore"_s);

    // Ctrl+Z takes back exactly the last change; the lists stay open.
    h_.form->activateWindow();
    h_.form->grids().grid(Side::Target).setFocus();
    QTest::keyClick(h_.form.get(), Qt::Key_Z, Qt::ControlModifier);
    h_.settle();
    EXPECT_EQ(listRules(), u"n: ignore"_s);
    EXPECT_EQ(nodeRules(), u"n: ignore"_s);
    EXPECT_FALSE(h_.app.undo().CanUndo());
    EXPECT_TRUE(h_.engine.DestMemData().isOpen());
    EXPECT_EQ(grey(Side::Target, u"n"_s), greyed());
}

TEST_F(ComparisonRulesWindowTest, UndoTakesTheRulesBackAndTheGreyWithThem) {
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    runCommand(ignoreN);
    ASSERT_EQ(grey(Side::Target, u"n"_s), greyed());
    h_.project()->SetModified(false);

    h_.actions.execute(CommandId::Undo);
    EXPECT_EQ(listRules(), QString());
    EXPECT_EQ(nodeRules(), QString()) << "no rules: the project stores no property";
    EXPECT_TRUE(h_.project()->GetModified());
    EXPECT_TRUE(h_.engine.SourceMemData().isOpen());
    EXPECT_TRUE(h_.engine.DestMemData().isOpen());
    for (const Side side : {Side::Source, Side::Target}) {
        EXPECT_EQ(grey(side, u"n"_s), Grey());
    }
}

// With the lists closed the dialog reads the target query's columns without
// its rows; a query the database refuses is reported and the dialog still
// opens, with the rule for all columns alone.
TEST_F(ComparisonRulesWindowTest, ClosedListsGiveTheTargetQueryColumnsOrItsFailure) {
    struct Case {
        QString query;
        QStringList rows;
        QString message;  // the start of the message shown; empty for none
    };
    const QList<Case> cases{
        {kQuery, {u"(all columns)"_s, u"k (key)"_s, u"v"_s, u"n"_s}, QString()},
        {u"SELECT k, nope FROM t"_s,
         {u"(all columns)"_s},
         u"The columns of the target query could not be read. System message: "_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query.toStdString());
        setQueries(c.query);
        ASSERT_FALSE(h_.engine.DestMemData().isOpen());
        script({});
        QStringList rows;
        runCommand([&rows](TComparisonRulesForm& form) {
            for (int r = 0; r < form.grid().rowCount(); ++r) {
                rows << form.grid().item(r, TComparisonRulesForm::NameColumn)->text();
            }
            return int(QDialog::Rejected);
        });
        EXPECT_EQ(rows, c.rows);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(shownBoxes().isEmpty());
        } else {
            ASSERT_EQ(shownBoxes().size(), 1);
            EXPECT_TRUE(shownBoxes().front().text.startsWith(c.message))
                << shownBoxes().front().text.toStdString();
            EXPECT_TRUE(shownBoxes().front().text.contains(u"nope"_s));
        }
        EXPECT_FALSE(h_.engine.DestMemData().isOpen()) << "no list is opened";
    }
}

// Needs the engine's comparison under rules: the marks, the statistics and
// the target's colours follow the rules set in the dialog, and undo brings
// the exact comparison back.
TEST_F(ComparisonRulesWindowTest, RulesChangeTheDifferencesAndUndoBringsThemBack) {
    struct Case {
        const char* what;
        int row;     // the dialog's row ticked: 0 for all columns
        int column;  // its cell
        int differences;
    };
    const QList<Case> cases{
        {"n ignored", 3, TComparisonRulesForm::IgnoreColumn, 1},
        {"no letter case anywhere", 0, TComparisonRulesForm::IgnoreCaseColumn, 0},
        {"no letter case in v", 2, TComparisonRulesForm::IgnoreCaseColumn, 1},
    };
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    ASSERT_EQ(h_.engine.Counts()->differences, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        runCommand([&c](TComparisonRulesForm& form) {
            form.grid().item(c.row, c.column)->setCheckState(Qt::Checked);
            return int(QDialog::Accepted);
        });
        EXPECT_EQ(h_.engine.Counts()->differences, c.differences);
        // No row was edited: a rules change marks none for an update.
        EXPECT_EQ(h_.form->mergeTab().statistics().at(1), u"No updates"_s);
        EXPECT_EQ(h_.form->mergeTab().statistics().at(3),
                  c.differences == 0 ? u"No dual records different"_s
                                     : u"Records with differences: %1"_s.arg(c.differences));
        const bool nDiffers = c.differences == 2 || c.row == 2;
        EXPECT_EQ(targetColour(1, u"n"_s) == LegendColours::colourOf(CellColour::DifferentField),
                  nDiffers);

        h_.actions.execute(CommandId::Undo);
        EXPECT_EQ(h_.engine.Counts()->differences, 2);
        EXPECT_EQ(h_.form->mergeTab().statistics().at(3), u"Records with differences: 2"_s);
        EXPECT_EQ(targetColour(1, u"n"_s), LegendColours::colourOf(CellColour::DifferentField));
    }
}

}  // namespace
