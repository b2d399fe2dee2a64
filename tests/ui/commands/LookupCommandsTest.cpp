// The lookup commands of the window over a project of two table setups whose
// target is a SQLite file: Customer (customers) and Orders (orders, whose
// CustomerID refers to a customer). Adding, editing and deleting definitions
// through their dialogs, the lookup column they give when the target is
// opened again, and discovery with its review dialog.

#include "dialogs/TAddLookupForm.h"
#include "dialogs/TAutoAddLookupsForm.h"
#include "dialogs/TEditLookupsForm.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TFindLookup.h"
#include "models/MemDataModel.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

const QStringList kDatabase{
    u"CREATE TABLE customers (CustomerID INTEGER PRIMARY KEY, CustomerName TEXT)"_s,
    u"INSERT INTO customers VALUES (1, 'Harbour Supplies Ltd'), (2, 'Fjord Freight')"_s,
    u"CREATE TABLE orders (OrderNo INTEGER PRIMARY KEY, CustomerID INTEGER, Qty INTEGER)"_s,
    u"INSERT INTO orders VALUES (10, 1, 5), (11, 2, 7), (12, 9, 1), (13, NULL, 2)"_s};

struct Definition {
    QString lookupName;
    QString fieldName;
    QString table;
    QString key;
    QString display;
    bool operator==(const Definition&) const = default;
};

void PrintTo(const Definition& d, std::ostream* os) {
    *os << (QStringList{d.lookupName, d.fieldName, d.table, d.key, d.display}.join(u'|'))
               .toStdString();
}

class LookupCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        script({});
        aliases_.addSqlite(u"Src"_s, kDatabase);
        aliases_.addSqlite(u"Dst"_s, kDatabase);
        h.engine.session().setAliasFilePath(aliases_.aliasFile());
        h.show();
        h.actions.execute(CommandId::PrjNew);
        DatabaseTab& db = h.form->databaseTab();
        for (const auto& [side, alias] :
             {std::pair{Side::Source, u"Src"_s}, std::pair{Side::Target, u"Dst"_s}}) {
            db.aliasEdit(side).clear();
            QTest::keyClicks(&db.aliasEdit(side), alias);
        }
        MemData& tables = h.engine.TablesMemData();
        const TDM::TableFields& f = h.engine.tableFields();
        const QStringList setups[] = {
            {u"Customer"_s, u"SELECT * FROM customers ORDER BY CustomerID"_s, u"CustomerID"_s,
             u"customers"_s},
            // A target query with an ORDER BY: discovery must still learn its columns.
            {u"Orders"_s, u"SELECT * FROM orders ORDER BY OrderNo"_s, u"OrderNo"_s, u"orders"_s}};
        for (const QStringList& s : setups) {
            if (tables.state() == ListState::Browse) {
                tables.edit();
            }
            tables.setAsText(f.Name, s[0]);
            tables.setAsText(f.SourceQuerySQL, s[1]);
            tables.setAsText(f.DestQuerySQL, s[1]);
            tables.setAsText(f.PrimaryKeySpec, s[2]);
            tables.setAsText(f.DestTableName, s[3]);
            tables.post();
            ProjectTableSetups::AddTableSetup(project(), tables);
        }
        const QString file = h.path(u"Shop.qmp"_s);
        h.prompts.saveName = file;
        h.actions.execute(CommandId::PrjSaveAs);
        h.prompts.openName = file;
        h.actions.execute(CommandId::PrjOpen);
        h.settle();
        ASSERT_EQ(ProjectTableSetups::Names(project()), (QStringList{u"Customer"_s, u"Orders"_s}));
        ASSERT_FALSE(h.project()->GetModified());
    }

    TPrjDataSaved& project() { return h.project()->PrjData(); }
    TFrameNodeData& setup(int index) {
        return dynamic_cast<TFrameNodeData&>(*project().GetItem(index));
    }
    QList<Definition> definitions(int index) {
        QList<Definition> out;
        TFrameNodeData& node = setup(index);
        for (int i = 0; i < node.ObjectCount(); ++i) {
            TPropValueList& p = node.Objects(i).props();
            out << Definition{p.getString(u"LookupName"_s), p.getString(u"FieldName"_s),
                              p.getString(u"LookupTableName"_s),
                              p.getString(u"LookupKeyFieldName"_s),
                              p.getString(u"LookupDisplayFieldName"_s)};
        }
        return out;
    }
    void addDefinition(int index, const Definition& d) {
        MemData values(u"Values"_s);
        ProjectTableSetups::CreateLookupDefinitionFields(values);
        values.open();
        values.insert();
        values.setAsText(values.fieldIndex(u"LookupName"_s), d.lookupName);
        values.setAsText(values.fieldIndex(u"FieldName"_s), d.fieldName);
        values.setAsText(values.fieldIndex(u"LookupTableName"_s), d.table);
        values.setAsText(values.fieldIndex(u"LookupKeyFieldName"_s), d.key);
        values.setAsText(values.fieldIndex(u"LookupDisplayFieldName"_s), d.display);
        values.post();
        ProjectTableSetups::AddLookupDefinition(setup(index), values);
    }
    /// The target list's column by name, top to bottom, after opening the
    /// target of the table setup at `index`.
    QStringList targetColumn(int index, const QString& field) {
        h.project()->SelectTableSetup(index);
        h.actions.execute(CommandId::OpenTarget);
        h.settle();
        MemData& target = h.engine.DestMemData();
        const int column = target.findField(field);
        if (column < 0) {
            return {u"<no column>"_s};
        }
        QStringList out;
        for (int row = 0; row < target.recordCount(); ++row) {
            const Value& v = target.valueAt(row, column);
            out << (v.isNull() ? u"<null>"_s : QString::fromUtf8(v.asBytes()));
        }
        return out;
    }
    /// Answers the next lookup-picking dialog by choosing this row and
    /// pressing OK; records the names it listed and whether OK was enabled.
    void pick(int row, QStringList* listed = nullptr, bool* okEnabled = nullptr) {
        h.commandPrompts.dialogAnswers << [=](QDialog& dialog) {
            auto& form = dynamic_cast<TEditLookupsForm&>(dialog);
            form.FormShow();
            if (listed) {
                *listed = form.names();
            }
            if (okEnabled) {
                *okEnabled = form.okButton().isEnabled();
            }
            if (!form.okButton().isEnabled()) {
                return int(QDialog::Rejected);
            }
            form.listBox().setCurrentRow(row);
            return int(QDialog::Accepted);
        };
    }

    MainWindowHarness h;
    AliasFolder aliases_;
};

TEST_F(LookupCommandsTest, AddedLookupShowsTheReadableValueBesideEachCodeWhenTheTargetOpensAgain) {
    h.project()->SelectTableSetup(1);
    QStringList defaults;
    h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
        auto& form = dynamic_cast<TAddLookupForm&>(dialog);
        for (const char* f : {"FieldName", "LookupName", "LookupTableName", "LookupKeyFieldName",
                              "LookupDisplayFieldName"}) {
            defaults << form.editor(QString::fromLatin1(f)).text();
        }
        // Typing the field name and leaving its editor fills the lookup table.
        QTest::keyClicks(&form.editor(u"FieldName"_s), u"CustomerID"_s);
        form.FieldNameEditExit();
        EXPECT_EQ(form.editor(u"LookupTableName"_s).text(), u"CustomerID"_s);
        form.editor(u"LookupTableName"_s).setText(u"customers"_s);
        form.editor(u"LookupName"_s).setText(u"CustomerLookup"_s);
        form.editor(u"LookupKeyFieldName"_s).setText(u"CustomerID"_s);
        form.editor(u"LookupDisplayFieldName"_s).setText(u"CustomerName"_s);
        EXPECT_FALSE(form.customQueryEditor().isVisibleTo(&form));
        return int(QDialog::Accepted);
    };
    h.actions.execute(CommandId::AddLookup);

    EXPECT_EQ(h.commandPrompts.dialogsShown, QStringList{u"Add Lookup"_s});
    EXPECT_EQ(defaults, (QStringList{{}, {}, {}, u"ID"_s, u"Name"_s}));
    EXPECT_EQ(definitions(1),
              (QList<Definition>{{u"CustomerLookup"_s, u"CustomerID"_s, u"customers"_s,
                                  u"CustomerID"_s, u"CustomerName"_s}}));
    EXPECT_TRUE(h.project()->GetModified());
    // Found, not found, and a NULL code; the column follows its field.
    EXPECT_EQ(
        targetColumn(1, u"CustomerID_Lookup"_s),
        (QStringList{u"Harbour Supplies Ltd"_s, u"Fjord Freight"_s, u"<null>"_s, u"<null>"_s}));
    MemData& target = h.engine.DestMemData();
    EXPECT_EQ(target.findField(u"CustomerID_Lookup"_s), target.findField(u"CustomerID"_s) + 1);

    // Cancelling adds nothing.
    h.actions.execute(CommandId::AddLookup);
    EXPECT_EQ(definitions(1).size(), 1);
}

TEST_F(LookupCommandsTest, LeavingTheFieldNameEditorFillsTheTableAndClearsTheName) {
    struct Case {
        QString field, table, name;  // before leaving the editor
        QString tableAfter, nameAfter;
    };
    const QList<Case> cases{
        {u"CUSTNO"_s, {}, u"CustLookup"_s, u"CUSTNO"_s, u"CustLookup"_s},
        {u"CUSTNO"_s, u"CUSTOMER"_s, u"CustLookup"_s, u"CUSTOMER"_s, u"CustLookup"_s},
        {{}, u"CUSTOMER"_s, u"CustLookup"_s, u"CUSTOMER"_s, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.field + u'/' + c.table).toStdString());
        TAddLookupForm form(u"Add Lookup"_s);
        form.startRow();
        form.editor(u"FieldName"_s).setText(c.field);
        form.editor(u"LookupTableName"_s).setText(c.table);
        form.editor(u"LookupName"_s).setText(c.name);
        form.FieldNameEditExit();
        EXPECT_EQ(form.editor(u"LookupTableName"_s).text(), c.tableAfter);
        EXPECT_EQ(form.value(u"LookupTableName"_s), c.tableAfter);
        EXPECT_EQ(form.editor(u"LookupName"_s).text(), c.nameAfter);
        EXPECT_EQ(form.value(u"LookupName"_s), c.nameAfter);
    }
}

TEST_F(LookupCommandsTest, EditAndDeleteChooseFromTheDefinitionsInTheOrderTheyWereAdded) {
    addDefinition(1,
                  {u"Zeta"_s, u"CustomerID"_s, u"customers"_s, u"CustomerID"_s, u"CustomerName"_s});
    addDefinition(1, {u"Alpha"_s, u"Qty"_s, u"customers"_s, u"CustomerID"_s, u"CustomerName"_s});
    h.actions.execute(CommandId::PrjSave);
    h.project()->SelectTableSetup(1);

    // Edit: the dialog starts with the stored values, not the add defaults.
    QStringList listed;
    pick(1, &listed);
    QString keyShown;
    h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
        auto& form = dynamic_cast<TAddLookupForm&>(dialog);
        keyShown = form.editor(u"LookupKeyFieldName"_s).text();
        form.editor(u"LookupDisplayFieldName"_s).setText(u"CustomerID"_s);
        return int(QDialog::Accepted);
    };
    h.actions.execute(CommandId::EditLookup);
    EXPECT_EQ(listed, (QStringList{u"Zeta"_s, u"Alpha"_s}));
    EXPECT_EQ(h.commandPrompts.dialogsShown, (QStringList{u"Edit Lookup"_s, u"Edit Lookup"_s}));
    EXPECT_EQ(keyShown, u"CustomerID"_s);
    EXPECT_EQ(definitions(1)[1].display, u"CustomerID"_s);
    EXPECT_EQ(definitions(1)[0].display, u"CustomerName"_s);

    // Delete marks the project modified, so closing would ask to save it.
    h.actions.execute(CommandId::PrjSave);
    ASSERT_FALSE(h.project()->GetModified());
    pick(0, &listed);
    h.actions.execute(CommandId::DeleteLookup);
    EXPECT_EQ(h.commandPrompts.dialogsShown.last(), u"Delete Lookup"_s);
    EXPECT_EQ(definitions(1).size(), 1);
    EXPECT_EQ(definitions(1)[0].lookupName, u"Alpha"_s);
    EXPECT_TRUE(h.project()->GetModified());

    // A table setup without definitions: the list is empty and OK disabled.
    h.project()->SelectTableSetup(0);
    bool okEnabled = true;
    pick(0, &listed, &okEnabled);
    h.actions.execute(CommandId::DeleteLookup);
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(definitions(1).size(), 1);
}

// The picking list starts with nothing chosen: Enter (or OK) before a
// choice edits or deletes nothing.
TEST_F(LookupCommandsTest, EnterBeforeAChoiceEditsAndDeletesNothing) {
    addDefinition(1,
                  {u"Zeta"_s, u"CustomerID"_s, u"customers"_s, u"CustomerID"_s, u"CustomerName"_s});
    h.actions.execute(CommandId::PrjSave);
    h.project()->SelectTableSetup(1);
    for (const CommandId command : {CommandId::EditLookup, CommandId::DeleteLookup}) {
        SCOPED_TRACE(static_cast<int>(command));
        h.commandPrompts.dialogsShown.clear();
        int chosenAtStart = 0;
        h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
            auto& form = dynamic_cast<TEditLookupsForm&>(dialog);
            form.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
            chosenAtStart = form.selectedIndex();
            QTest::keyClick(&form.listBox(), Qt::Key_Return);
            form.hide();
            return form.result();
        };
        h.actions.execute(command);
        EXPECT_EQ(chosenAtStart, -1);
        EXPECT_EQ(h.commandPrompts.dialogsShown.size(), 1) << "no definition was opened";
        ASSERT_EQ(definitions(1).size(), 1);
        EXPECT_EQ(definitions(1)[0].lookupName, u"Zeta"_s);
        EXPECT_FALSE(h.project()->GetModified());
    }
}

TEST_F(LookupCommandsTest, DoubleClickInThePickingListPressesOk) {
    TEditLookupsForm form(u"Edit Lookup"_s);
    form.setNames({u"One"_s, u"Two"_s});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QListWidget& list = form.listBox();
    const QRect second = list.visualItemRect(list.item(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.selectedIndex(), 1);
}

TEST_F(LookupCommandsTest, DiscoveryProposesTickedRowsAndCreatesOnlyTheTickedOnes) {
    std::vector<LookupProposal> shown;
    h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
        auto& form = dynamic_cast<TAutoAddLookupsForm&>(dialog);
        shown = form.proposals();
        return int(QDialog::Accepted);
    };
    h.actions.execute(CommandId::AutoCreateLookupDefsProject);
    EXPECT_EQ(h.commandPrompts.dialogsShown,
              QStringList{u"Auto create lookup definitions for project.."_s});
    const LookupProposal expected{
        true,           u"Orders"_s,     u"CustomerID"_s,   u"CustomerLookup"_s,
        u"customers"_s, u"CustomerID"_s, u"CustomerName"_s, QString()};
    EXPECT_EQ(shown, std::vector<LookupProposal>{expected});
    EXPECT_EQ(definitions(1),
              (QList<Definition>{{u"CustomerLookup"_s, u"CustomerID"_s, u"customers"_s,
                                  u"CustomerID"_s, u"CustomerName"_s}}));
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_EQ(targetColumn(1, u"CustomerID_Lookup"_s).first(), u"Harbour Supplies Ltd"_s);

    // A second run proposes nothing for a field that has a definition.
    h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
        shown = dynamic_cast<TAutoAddLookupsForm&>(dialog).proposals();
        return int(QDialog::Accepted);
    };
    h.actions.execute(CommandId::AutoCreateLookupDefsTable);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(definitions(1).size(), 1);
}

TEST_F(LookupCommandsTest, ReviewAnswersDecideWhatIsCreated) {
    struct Case {
        const char* name;
        std::function<int(TAutoAddLookupsForm&)> answer;
        int created;
        QString box;  // the one message box shown, if any
    };
    auto untick = [](TAutoAddLookupsForm& form) {
        MemDataModel& model = form.model();
        model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
        return int(QDialog::Accepted);
    };
    auto deleteRow = [](TAutoAddLookupsForm& form) {
        form.grid().setFocus();
        form.grid().selectRow(0);
        QTest::keyClick(&form.grid(), Qt::Key_Delete);
        return int(QDialog::Accepted);
    };
    auto unknownSetup = [](TAutoAddLookupsForm& form) {
        MemData& list = form.NewLookupsMemData();
        list.first();
        list.edit();
        list.setAsText(list.fieldIndex(u"TableSetupName"_s), u"Invoices"_s);
        list.post();
        return int(QDialog::Accepted);
    };
    const QList<Case> cases{
        {"cancelled", [](TAutoAddLookupsForm&) { return int(QDialog::Rejected); }, 0, {}},
        {"unticked", untick, 0, {}},
        {"row deleted", deleteRow, 0, u"Delete record?"_s},
        {"unknown table setup", unknownSetup, 0, u"Invoices"_s},
        {"accepted", [](TAutoAddLookupsForm&) { return int(QDialog::Accepted); }, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script({});
        h.project()->SelectTableSetup(1);
        h.commandPrompts.dialogAnswers << [&](QDialog& dialog) {
            auto& form = dynamic_cast<TAutoAddLookupsForm&>(dialog);
            EXPECT_EQ(form.NewLookupsMemData().recordCount(), 1);
            EXPECT_EQ(form.model().rowCount(), 1);  // no line for adding rows
            return c.answer(form);
        };
        h.actions.execute(CommandId::AutoCreateLookupDefsTable);
        EXPECT_EQ(definitions(1).size(), c.created);
        ASSERT_EQ(shownBoxes().size(), c.box.isEmpty() ? 0 : 1);
        if (!c.box.isEmpty()) {
            EXPECT_TRUE(shownBoxes()[0].text.contains(c.box)) << shownBoxes()[0].text.toStdString();
        }
    }
}

TEST_F(LookupCommandsTest, ProjectWithoutTableSetupsSaysSoAndChangesNothing) {
    h.actions.execute(CommandId::PrjNew);
    ASSERT_EQ(project().NodeCount(), 0);
    script({});
    for (const CommandId id : {CommandId::AddLookup, CommandId::AutoCreateLookupDefsTable,
                               CommandId::AutoCreateLookupDefsProject}) {
        h.actions.execute(id);
    }
    EXPECT_TRUE(h.commandPrompts.dialogsShown.isEmpty());
    EXPECT_EQ(shownBoxes().size(), 3);
    EXPECT_EQ(project().NodeCount(), 0);
}

}  // namespace
