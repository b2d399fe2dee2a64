#include "SqliteEngineFixture.h"
#include "engine/ProjectTableSetups.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct LookupDef {
    QString name, field, table, key, display;
};

// Customers 1 and 2 have names (2 with trailing blanks, 4 with non-ASCII
// text), 3 has none; orders refer to them, to a customer that does not
// exist (9) and to none (NULL).
const QStringList kTarget = {
    u"CREATE TABLE customer (id INTEGER PRIMARY KEY, name TEXT)"_s,
    u"INSERT INTO customer VALUES (1, 'Ann'), (2, 'Bob  '), (3, NULL), (4, 'Zoë')"_s,
    u"CREATE TABLE status (code TEXT, label TEXT)"_s,
    u"INSERT INTO status VALUES ('a', 'alpha'), ('A', 'ALPHA'), ('a', 'second alpha')"_s,
    u"CREATE TABLE orders (id INTEGER PRIMARY KEY, custno INTEGER, status TEXT, ref TEXT)"_s,
    u"INSERT INTO orders VALUES (10, 1, 'a', '4'), (11, 2, 'A', NULL), (12, 9, 'b', '1'), "
    "(13, NULL, NULL, 'x'), (14, 3, 'a ', '3')"_s,
};
const QStringList kSource = {
    u"CREATE TABLE orders (id INTEGER PRIMARY KEY, custno INTEGER, status TEXT, ref TEXT)"_s,
    u"INSERT INTO orders VALUES (10, 1, 'a', '4'), (11, 1, 'A', NULL), (15, 2, 'a', '2')"_s,
};
const LookupDef kCustomer{u"Customer"_s, u"custno"_s, u"customer"_s, u"id"_s, u"name"_s};
const LookupDef kStatus{u"AStatus"_s, u"status"_s, u"status"_s, u"code"_s, u"label"_s};
// A text code looked up among integer keys.
const LookupDef kRef{u"Ref"_s, u"ref"_s, u"customer"_s, u"id"_s, u"name"_s};

class LookupColumnsTest : public SqliteEngineTest {
protected:
    // The engine's table setup becomes the only table setup of a project
    // with the given lookup definitions, which is handed to the engine.
    void makeProject(const std::vector<LookupDef>& defs,
                     const QString& targetSql = u"SELECT * FROM orders ORDER BY id"_s,
                     const QString& sourceSql = u"SELECT * FROM orders ORDER BY id"_s) {
        configure({sourceSql, targetSql, u"id"_s});
        MemData& t = h.dm.TablesMemData();
        t.edit();
        t.setAsText(h.dm.tableFields().DestTableName, u"orders"_s);
        t.post();
        project.SetSourceDBAlias(u"Src"_s);
        project.SetDestDBAlias(u"Dst"_s);
        TFrameNodeData& node = ProjectTableSetups::AddTableSetup(project, t);
        MemData values(u"ParamsMemData"_s);
        ProjectTableSetups::CreateLookupDefinitionFields(values);
        values.open();
        for (const LookupDef& d : defs) {
            values.append();
            values.setAsText(values.fieldIndex(u"LookupName"), d.name);
            values.setAsText(values.fieldIndex(u"FieldName"), d.field);
            values.setAsText(values.fieldIndex(u"LookupTableName"), d.table);
            values.setAsText(values.fieldIndex(u"LookupKeyFieldName"), d.key);
            values.setAsText(values.fieldIndex(u"LookupDisplayFieldName"), d.display);
            values.post();
            ProjectTableSetups::AddLookupDefinition(node, values);
        }
        h.dm.LoadTableSetups(project);
    }
    QStringList dataColumns(const MemData& list) {
        return EngineHarness::columnNames(list).mid(h.dm.InitialTargetFieldCount());
    }
    // The column's values, "<null>" for null.
    static QStringList values(const MemData& list, const QString& column) {
        QStringList out;
        const int f = list.fieldIndex(column);
        for (int p = 0; p < list.recordCount(); ++p) {
            const Value v = list.valueAt(p, f);
            out << (v.isNull() ? u"<null>"_s : QString::fromUtf8(v.asBytes()));
        }
        return out;
    }

    TPrjDataSaved project;
};

TEST_F(LookupColumnsTest, EachRowShowsTheDisplayValueOfItsCode) {
    makeDatabases(kSource, kTarget);
    makeProject({kCustomer, kStatus, kRef});
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(h.view.messages(), QStringList());
    EXPECT_EQ(EngineHarness::column(h.dm.AutoLookupMemData(), u"LookupName"_s),
              (QStringList{u"AStatus"_s, u"Customer"_s, u"Ref"_s}));
    EXPECT_EQ(dataColumns(target()),
              (QStringList{u"id"_s, u"custno"_s, u"custno_Lookup"_s, u"status"_s,
                           u"status_Lookup"_s, u"ref"_s, u"ref_Lookup"_s}));
    const int column = target().fieldIndex(u"custno_Lookup"_s);
    EXPECT_EQ(target().field(column).kind, FieldKind::Lookup);
    EXPECT_EQ(target().field(column).registeredName, u"DestMemDatacustno_Lookup"_s);

    // Found byte for byte (trailing blanks, letter case, non-ASCII text);
    // an unknown code, a NULL code and a NULL display value give an empty
    // cell; the first of two rows with one key counts; a text code finds
    // its number.
    const QStringList customers = {u"Ann"_s, u"Bob  "_s, u"<null>"_s, u"<null>"_s, u"<null>"_s};
    const QStringList statuses = {u"alpha"_s, u"ALPHA"_s, u"<null>"_s, u"<null>"_s, u"<null>"_s};
    const QStringList refs = {u"Zoë"_s, u"<null>"_s, u"Ann"_s, u"<null>"_s, u"<null>"_s};
    EXPECT_EQ(values(target(), u"custno_Lookup"_s), customers);
    EXPECT_EQ(values(target(), u"status_Lookup"_s), statuses);
    EXPECT_EQ(values(target(), u"ref_Lookup"_s), refs);
    // The copy and the snapshot show the same values.
    EXPECT_EQ(values(h.dm.DestMemDataCopy(), u"custno_Lookup"_s), customers);
    EXPECT_EQ(values(h.dm.OrigMemData(), u"status_Lookup"_s), statuses);

    // An edited code shows its new value at once, in the row being edited too.
    target().moveTo(2);
    target().edit();
    target().setAsInt(target().fieldIndex(u"custno"_s), 2);
    EXPECT_EQ(target().asText(column), u"Bob  "_s);
    target().post();
    EXPECT_EQ(values(target(), u"custno_Lookup"_s)[2], u"Bob  "_s);
    target().append();
    target().setAsInt(target().fieldIndex(u"custno"_s), 1);
    EXPECT_EQ(target().asText(column), u"Ann"_s);
    target().cancel();

    h.dm.CloseTarget();
    EXPECT_EQ(target().fieldCount(), h.dm.InitialTargetFieldCount());
}

TEST_F(LookupColumnsTest, LookupColumnsAreNeitherComparedNorScripted) {
    // The source has a column of the lookup column's name with other values.
    makeDatabases(kSource, kTarget);
    makeProject({kCustomer}, u"SELECT id, custno FROM orders ORDER BY id"_s,
                u"SELECT id, custno, 'other' AS custno_Lookup FROM orders ORDER BY id"_s);
    ASSERT_TRUE(h.openBoth(true));
    EXPECT_EQ(h.view.messages(), QStringList());
    // Row 10 is equal in its data columns; 11 differs in custno.
    EXPECT_EQ(
        EngineHarness::rows(target(), {u"id"_s, u"Difference"_s}),
        (QStringList{u"10|False"_s, u"11|True"_s, u"12|False"_s, u"13|False"_s, u"14|False"_s}));
    h.dm.ChangeDataToEqualSource();
    EXPECT_EQ(h.view.messages(), QStringList());
    h.dm.ScriptCurrentTableSetup(true);
    const QString script = h.view.script.join(u'\n');
    EXPECT_TRUE(script.contains(u"UPDATE orders SET custno = 1"_s)) << qPrintable(script);
    EXPECT_TRUE(script.contains(u"INSERT INTO orders (id, custno) VALUES (15, 2);"_s))
        << qPrintable(script);
    EXPECT_FALSE(script.contains(u"_Lookup"_s, Qt::CaseInsensitive)) << qPrintable(script);
    // The inserted row shows its customer.
    EXPECT_EQ(values(target(), u"custno_Lookup"_s).last(), u"Bob  "_s);
}

TEST_F(LookupColumnsTest, ADefinitionThatCannotWorkIsReportedAndLeftOut) {
    const auto unable = [](const QString& name, const QString& sql, const QString& system) {
        return u"Unable to add lookup field \"%1\". \r\n\r\nThere is probably a problem with "
               "some of the fields or the table. The lookup query \"%2\" could not be opened. "
               "(System message: %3)"_s.arg(name, sql, system);
    };
    struct Case {
        const char* what;
        LookupDef bad;
        QString message;
    };
    const Case cases[] = {
        {"unknown table",
         {u"Bad"_s, u"status"_s, u"nosuch"_s, u"code"_s, u"label"_s},
         unable(u"Bad"_s, u"SELECT code, label FROM nosuch"_s, u"no such table: nosuch"_s)},
        {"unknown display column",
         {u"Bad"_s, u"status"_s, u"status"_s, u"code"_s, u"nolabel"_s},
         unable(u"Bad"_s, u"SELECT code, nolabel FROM status"_s, u"no such column: nolabel"_s)},
        {"field the target query lacks",
         {u"Bad"_s, u"statuz"_s, u"status"_s, u"code"_s, u"label"_s},
         u"The lookup \"Bad\" is left out: the target query has no column \"statuz\"."_s},
        {"second definition for one field",
         {u"Bad"_s, u"CUSTNO"_s, u"status"_s, u"code"_s, u"label"_s},
         u"The lookup \"Bad\" is left out: the lookup \"Customer\" already shows a value beside "
         "the column \"CUSTNO\"."_s},
    };
    makeDatabases(kSource, kTarget);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        project.ClearNodes();
        h.dm.CloseBoth();
        h.view.errors.clear();
        // The good definition comes first in the project, whatever its name.
        makeProject({kCustomer, c.bad});
        ASSERT_TRUE(h.openTarget());
        EXPECT_EQ(h.view.messages(), QStringList{c.message});
        EXPECT_EQ(dataColumns(target()),
                  (QStringList{u"id"_s, u"custno"_s, u"custno_Lookup"_s, u"status"_s, u"ref"_s}));
        EXPECT_EQ(values(target(), u"custno_Lookup"_s).first(), u"Ann"_s);
    }
}

TEST_F(LookupColumnsTest, DefinitionsGiveColumnsOnlyWhileTheirProjectIsOpen) {
    makeDatabases(kSource, kTarget);
    makeProject({kCustomer});
    ASSERT_TRUE(h.openTarget());
    ASSERT_GE(target().findField(u"custno_Lookup"_s), 0);

    // A definition added while the target is open shows at the next opening.
    auto& node = static_cast<TFrameNodeData&>(*project.GetItem(0));
    MemData values(u"ParamsMemData"_s);
    ProjectTableSetups::CreateLookupDefinitionFields(values);
    values.open();
    values.append();
    values.setAsText(values.fieldIndex(u"LookupName"), kStatus.name);
    values.setAsText(values.fieldIndex(u"FieldName"), kStatus.field);
    values.setAsText(values.fieldIndex(u"LookupTableName"), kStatus.table);
    values.setAsText(values.fieldIndex(u"LookupKeyFieldName"), kStatus.key);
    values.setAsText(values.fieldIndex(u"LookupDisplayFieldName"), kStatus.display);
    values.post();
    ProjectTableSetups::AddLookupDefinition(node, values);
    EXPECT_LT(target().findField(u"status_Lookup"_s), 0);
    ASSERT_TRUE(h.openTarget());
    EXPECT_GE(target().findField(u"status_Lookup"_s), 0);

    // Closing the project, as the document does, forgets its definitions.
    h.dm.CloseBoth();
    h.dm.TablesMemData().close();
    h.dm.DBSetupMemData().close();
    h.dm.PrepareTableLists(false);
    EXPECT_EQ(h.dm.AutoLookupMemData().recordCount(), 0);
    // The blank table setup and database setup the closing leaves.
    MemData& t = h.dm.TablesMemData();
    t.setAsText(h.dm.tableFields().DestQuerySQL, u"SELECT * FROM orders"_s);
    t.setAsText(h.dm.tableFields().PrimaryKeySpec, u"id"_s);
    t.post();
    MemData& d = h.dm.DBSetupMemData();
    d.setAsText(h.dm.destDBAliasField(), u"Dst"_s);
    d.post();
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(dataColumns(target()), (QStringList{u"id"_s, u"custno"_s, u"status"_s, u"ref"_s}));
}

}  // namespace
}  // namespace qm::test
