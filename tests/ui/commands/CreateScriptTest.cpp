// "Create Script Automatically" over a project of three table setups whose
// source and target are SQLite files: what lands in the script editor, the
// message boxes of a visualized run, and how failures end or skip.

#include "commands/TActionsDM.h"
#include "dialogs/TMergeDBForm.h"
#include "engine/ProjectScript.h"
#include "engine/ProjectTableSetups.h"
#include "project/PrjDataSaved.h"
#include "support/CliRunner.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/ProjectPanel.h"
#include "window/ScriptTab.h"
#include "window/TableSetupChooser.h"

#include <QAbstractItemModel>
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

struct TableSetupRow {
    QString name;
    QString sourceSql;
    QString targetSql;
    QString table;
};

// Alpha: one change, one insert, one delete. Beta: one insert, one delete.
// Gamma: equal on both sides.
QList<TableSetupRow> threeSetups() {
    return {
        {u"Alpha"_s, u"SELECT k, v FROM a ORDER BY k"_s, u"SELECT k, v FROM a ORDER BY k"_s,
         u"a"_s},
        {u"Beta"_s, u"SELECT k, v FROM b ORDER BY k"_s, u"SELECT k, v FROM b ORDER BY k"_s, u"b"_s},
        {u"Gamma"_s, u"SELECT k, v FROM c ORDER BY k"_s, u"SELECT k, v FROM c ORDER BY k"_s,
         u"c"_s}};
}

class CreateScriptTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE a (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO a VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s,
                                      u"CREATE TABLE b (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO b VALUES (1, 'p'), (2, 'q')"_s,
                                      u"CREATE TABLE c (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO c VALUES (1, 'x')"_s});
        aliases_.addSqlite(u"Dst"_s, {u"CREATE TABLE a (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO a VALUES (1, 'a'), (2, 'x'), (4, 'd')"_s,
                                      u"CREATE TABLE b (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO b VALUES (1, 'p'), (3, 'r')"_s,
                                      u"CREATE TABLE c (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                      u"INSERT INTO c VALUES (1, 'x')"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
    }

    /// Makes the project with the window's own fields and lists, saves it
    /// and opens it again, so the run works on the project as read back.
    void openProject(const QList<TableSetupRow>& setups, const QString& targetAlias = u"Dst"_s) {
        h_.show();
        h_.actions.execute(CommandId::PrjNew);
        DatabaseTab& db = h_.form->databaseTab();
        for (const auto& [side, alias] :
             {std::pair{Side::Source, u"Src"_s}, std::pair{Side::Target, targetAlias}}) {
            db.aliasEdit(side).clear();
            QTest::keyClicks(&db.aliasEdit(side), alias);
        }
        MemData& tables = h_.engine.TablesMemData();
        const TDM::TableFields& f = h_.engine.tableFields();
        for (const TableSetupRow& s : setups) {
            if (tables.state() == ListState::Browse) {
                tables.edit();
            }
            tables.setAsText(f.Name, s.name);
            tables.setAsText(f.SourceQuerySQL, s.sourceSql);
            tables.setAsText(f.DestQuerySQL, s.targetSql);
            tables.setAsText(f.PrimaryKeySpec, u"k"_s);
            tables.setAsText(f.DestTableName, s.table);
            tables.post();
            ProjectTableSetups::AddTableSetup(h_.project()->PrjData(), tables);
        }
        const QString file = projectFile();
        h_.prompts.saveName = file;
        h_.actions.execute(CommandId::PrjSaveAs);
        h_.prompts.openName = file;
        h_.actions.execute(CommandId::PrjOpen);
        h_.settle();
        ASSERT_EQ(ProjectTableSetups::Names(h_.project()->PrjData()).size(), setups.size());
    }

    /// Answers the dialog: unticks the rows given, ticks the visualize box
    /// when asked, and presses OK.
    void answerDialog(const QList<int>& untick, bool visualize = false) {
        h_.commandPrompts.dialogAnswers << [untick, visualize](QDialog& dialog) {
            auto& form = dynamic_cast<TMergeDBForm&>(dialog);
            QAbstractItemModel& model = *form.grid().model();
            for (const int row : untick) {
                model.setData(model.index(row, 0), Qt::Unchecked, Qt::CheckStateRole);
            }
            form.visualizeBox().setChecked(visualize);
            return int(QDialog::Accepted);
        };
    }

    QString projectFile() const { return h_.path(u"Three.qmp"_s); }
    QString editorText() const { return h_.form->scriptTab().ScriptMemo().toPlainText(); }
    QStringList headers() const {
        QStringList out;
        for (const QString& line : editorText().split(u'\n')) {
            if (line.startsWith(u"/*"_s)) {
                out << line;
            }
        }
        return out;
    }
    bool scriptTabInFront() const {
        return h_.form->tabs().currentWidget() == &h_.form->scriptTab();
    }
    QString currentSetup() {
        return h_.engine.TablesMemData().asText(h_.engine.tableFields().Name);
    }

    /// The script the core's project run writes for these positions.
    QString coreScript(const std::vector<int>& positions) {
        h_.form->scriptTab().ScriptMemo().clear();
        ProjectScript(h_.engine).Run(positions);
        return editorText();
    }

    static QString header(const QString& name) {
        return u"/* Statements for Table Setup \"%1\" */"_s.arg(name);
    }

    AliasFolder aliases_;
    MainWindowHarness h_;
};

TEST_F(CreateScriptTest, CancellingLeavesTheEditorUntouched) {
    openProject(threeSetups());
    h_.form->scriptTab().ScriptMemo().setPlainText(u"-- mine"_s);
    h_.actions.execute(CommandId::CreateScript);  // no answer: Cancel
    EXPECT_EQ(h_.commandPrompts.dialogsShown, QStringList{u"Create Script Automatically"_s});
    EXPECT_EQ(editorText(), u"-- mine"_s);
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(CreateScriptTest, ScriptsTheTickedTableSetupsInProjectOrderAsTheCoreRunDoes) {
    openProject(threeSetups());
    struct Case {
        QList<int> untick;
        std::vector<int> positions;
        QStringList headers;
        QString current;  // the table setup current after the run
    };
    const QList<Case> cases{
        {{}, {0, 1, 2}, {header(u"Alpha"_s), header(u"Beta"_s), header(u"Gamma"_s)}, u"Gamma"_s},
        {{0}, {1, 2}, {header(u"Beta"_s), header(u"Gamma"_s)}, u"Gamma"_s},
        {{2}, {0, 1}, {header(u"Alpha"_s), header(u"Beta"_s)}, u"Beta"_s},
        {{0, 1, 2}, {}, {}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.headers.join(u' ').toStdString());
        h_.form->scriptTab().ScriptMemo().setPlainText(u"-- old"_s);
        h_.form->bringTabToFront(WindowTab::Merge);
        answerDialog(c.untick);
        h_.actions.execute(CommandId::CreateScript);

        EXPECT_TRUE(shownBoxes().isEmpty());
        EXPECT_TRUE(scriptTabInFront());
        const QString window = editorText();
        EXPECT_EQ(headers(), c.headers);
        if (c.positions.empty()) {
            EXPECT_EQ(window, QString()) << "the editor is emptied even with nothing chosen";
            continue;
        }
        EXPECT_EQ(currentSetup(), c.current);
        EXPECT_EQ(h_.form->chooser().currentText(), c.current);
        const QModelIndex panelRow = h_.form->projectPanel().grid().currentIndex();
        EXPECT_EQ(panelRow.siblingAtColumn(1).data().toString(), c.current);
        // Gamma has no differences: its header line is its whole block.
        if (c.headers.last() == header(u"Gamma"_s)) {
            EXPECT_TRUE(window.endsWith(header(u"Gamma"_s)) ||
                        window.endsWith(header(u"Gamma"_s) + u'\n'))
                << window.toStdString();
        }
        EXPECT_EQ(window, coreScript(c.positions));
        // The command-line tool writes the same lines for the saved project.
        QStringList args{u"script"_s, projectFile(), u"--aliases"_s, aliases_.aliasFile()};
        for (const int pos : c.positions) {
            args << u"--table-setup"_s << threeSetups()[pos].name;
        }
        const CliResult cli = runCli(args);
        EXPECT_EQ(cli.exitCode, 0) << cli.err.toStdString();
        EXPECT_EQ(QString(cli.out).replace(u"\r\n"_s, u"\n"_s), window + u'\n');
        if (c.positions.size() == 3) {
            EXPECT_EQ(window, QStringList({header(u"Alpha"_s),
                                           u"UPDATE a SET v = 'b'/* Was: 'x' */ WHERE k = 2;"_s,
                                           u"INSERT INTO a (k, v) VALUES (3, 'c');"_s,
                                           u"DELETE FROM a WHERE k = 4;"_s, header(u"Beta"_s),
                                           u"INSERT INTO b (k, v) VALUES (2, 'q');"_s,
                                           u"DELETE FROM b WHERE k = 3;"_s, header(u"Gamma"_s)})
                                  .join(u'\n'));
        }
    }
}

TEST_F(CreateScriptTest, AVisualizedRunShowsFourStatusBoxesPerTableSetup) {
    openProject(threeSetups());
    answerDialog({1}, true);
    h_.actions.execute(CommandId::CreateScript);
    const QStringList steps{u"Opened Source"_s, u"Opened Dest"_s, u"Analyzed"_s,
                            u"Produced script to update table"_s};
    QStringList shown;
    for (const BoxRequest& box : shownBoxes()) {
        shown << box.text;
        EXPECT_EQ(box.buttons, QList<BoxButton>{BoxButton::Ok});
    }
    EXPECT_EQ(shown, steps + steps);
    EXPECT_EQ(headers(), (QStringList{header(u"Alpha"_s), header(u"Gamma"_s)}));
}

TEST_F(CreateScriptTest, FailuresEndOrSkipAsTheirKindSays) {
    struct Case {
        QString what;
        QString targetAlias;
        TableSetupRow beta;
        QStringList headers;      // in the editor after the run
        QString lastBoxContains;  // the last message shown
        QString current;
    };
    const TableSetupRow broken{u"Beta"_s, u"SELECT k, v FROM nowhere"_s, u"SELECT k, v FROM b"_s,
                               u"b"_s};
    const TableSetupRow brokenTarget{u"Beta"_s, u"SELECT k, v FROM b"_s,
                                     u"SELECT k, v FROM nowhere"_s, u"b"_s};
    const QList<Case> cases{
        {u"a failed source query skips the merge and goes on"_s,
         u"Dst"_s,
         broken,
         {header(u"Alpha"_s), header(u"Beta"_s), header(u"Gamma"_s)},
         u"nowhere"_s,
         u"Gamma"_s},
        {u"a closed target ends the run after the header line"_s,
         u"Dst"_s,
         brokenTarget,
         {header(u"Alpha"_s), header(u"Beta"_s)},
         u"No statements for table setup \"Beta\""_s,
         u"Beta"_s},
        {u"a failed connection ends the run silently"_s,
         u"Nowhere"_s,
         threeSetups()[1],
         {},
         u"Nowhere"_s,
         u"Alpha"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what.toStdString());
        MainWindowHarness::settle();
        QList<TableSetupRow> setups = threeSetups();
        setups[1] = c.beta;
        openProject(setups, c.targetAlias);
        script({});
        answerDialog({});
        h_.actions.execute(CommandId::CreateScript);

        EXPECT_EQ(headers(), c.headers);
        ASSERT_FALSE(shownBoxes().isEmpty());
        EXPECT_TRUE(shownBoxes().last().text.contains(c.lastBoxContains))
            << shownBoxes().last().text.toStdString();
        EXPECT_EQ(currentSetup(), c.current);
        if (c.headers.size() > 1) {
            EXPECT_TRUE(editorText().startsWith(header(u"Alpha"_s) + u'\n'));
            EXPECT_TRUE(editorText().contains(u"UPDATE"_s)) << "Alpha's block stays";
        }
    }
}

}  // namespace
