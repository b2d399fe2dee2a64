#include "DbSides.h"
#include "engine/ProjectTableSetups.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Lookup columns of a PostgreSQL target: values found byte for byte, none
// for an unknown or NULL code, and a lookup table the server does not know
// reported with the server's message while the target opens without it.
TEST(PgLookupTest, LookupColumnsReadTheTargetServer) {
    QM_REQUIRE_PG(pg);
    DbSides sides{pg};
    const SideTable customers = sides.make(Backend::Pg, false, u"id INTEGER, name VARCHAR(20)"_s,
                                           u"(1, 'Ann'), (2, 'Bob  '), (3, NULL), (4, 'Zoë')"_s);
    const SideTable orders =
        sides.make(Backend::Pg, false, u"id INTEGER, custno BIGINT, code VARCHAR(5)"_s,
                   u"(10, 1, 'a'), (11, 2, 'x'), (12, 9, NULL), (13, NULL, 'a'), (14, 4, 'b')"_s);
    EngineHarness h(sides.folder().aliasFile());
    h.configure(
        orders.alias, orders.alias,
        {u"SELECT 1 AS id"_s, u"SELECT * FROM %1 ORDER BY id"_s.arg(orders.table), u"id"_s});
    TPrjDataSaved project;
    project.SetSourceDBAlias(orders.alias);
    project.SetDestDBAlias(orders.alias);
    TFrameNodeData& node = ProjectTableSetups::AddTableSetup(project, h.dm.TablesMemData());
    MemData values(u"ParamsMemData"_s);
    ProjectTableSetups::CreateLookupDefinitionFields(values);
    values.open();
    const QStringList defs[] = {
        {u"Customer"_s, u"custno"_s, customers.table, u"id"_s, u"name"_s},
        {u"Bad"_s, u"code"_s, customers.table + u"_missing"_s, u"id"_s, u"name"_s}};
    for (const QStringList& d : defs) {
        values.append();
        int i = 0;
        for (const char16_t* field : {u"LookupName", u"FieldName", u"LookupTableName",
                                      u"LookupKeyFieldName", u"LookupDisplayFieldName"}) {
            values.setAsText(values.fieldIndex(QString::fromUtf16(field)), d[i++]);
        }
        values.post();
        ProjectTableSetups::AddLookupDefinition(node, values);
    }
    h.dm.LoadTableSetups(project);
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();

    MemData& target = h.dm.DestMemData();
    ASSERT_GE(target.findField(u"custno_Lookup"_s), 0)
        << h.view.messages().join(u'\n').toStdString();
    EXPECT_LT(target.findField(u"code_Lookup"_s), 0);
    const int column = target.fieldIndex(u"custno_Lookup"_s);
    EXPECT_EQ(column, target.fieldIndex(u"custno"_s) + 1);
    QStringList shown;
    for (int p = 0; p < target.recordCount(); ++p) {
        const Value v = target.valueAt(p, column);
        shown << (v.isNull() ? u"<null>"_s : QString::fromUtf8(v.asBytes()));
    }
    EXPECT_EQ(shown, (QStringList{u"Ann"_s, u"Bob  "_s, u"<null>"_s, u"<null>"_s, u"Zoë"_s}));
    ASSERT_EQ(h.view.errors.size(), 1);
    const QString sql = u"SELECT id, name FROM %1_missing"_s.arg(customers.table);
    EXPECT_TRUE(h.view.errors[0].startsWith(
        u"Unable to add lookup field \"Bad\". \r\n\r\nThere is probably a problem with some of "
        "the fields or the table. The lookup query \"%1\" could not be opened. (System "
        "message: "_s.arg(sql)))
        << h.view.errors[0].toStdString();
    EXPECT_TRUE(h.view.errors[0].contains(u"does not exist"_s)) << h.view.errors[0].toStdString();
}

}  // namespace
}  // namespace qm::test
