#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMUtils.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

TEST(LoadTableSetups, EngineListsFollowTheProjectInNodeOrder) {
    test::EngineHarness h{QString()};
    h.setTable({u"SELECT 1"_s, u"SELECT 2"_s, u"id"_s});
    h.setAliases(u"old-src"_s, u"old-dst"_s);

    TPrjDataSaved p;
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(u"DST"_s);
    const struct {
        const char16_t* name;
        const char16_t* key;
        bool scriptOn;
    } setups[] = {{u"Zeta", u"id", true}, {u"Alpha", u"a;b", false}, {u"Mid", u"k", true}};
    for (const auto& s : setups) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
        node->SetName(QString::fromUtf16(s.name));
        node->props().setString(u"SourceQuerySQL"_s, u"SELECT *\r\nFROM "_s + node->Name());
        node->props().setString(u"PrimaryKeySpec"_s, QString::fromUtf16(s.key));
        node->props().setBoolean(u"ScriptOn"_s, s.scriptOn);
        node->props().setInteger(u"DisplayOrder"_s, 99);  // replaced by the position
        p.InsertNode(p.NodeCount(), std::move(node));
    }

    h.dm.LoadTableSetups(p);
    MemData& t = h.dm.TablesMemData();
    EXPECT_EQ(test::EngineHarness::rows(
                  t, {u"DisplayOrder"_s, u"Name"_s, u"PrimaryKeySpec"_s, u"ScriptOn"_s}),
              (QStringList{u"1|Zeta|id|True"_s, u"2|Alpha|a;b|False"_s, u"3|Mid|k|True"_s}));
    EXPECT_EQ(t.position(), 0);
    EXPECT_EQ(t.asText(h.dm.tableFields().SourceQuerySQL), u"SELECT *\r\nFROM Zeta"_s);
    EXPECT_FALSE(h.dm.SourceMemData().isOpen());
    EXPECT_FALSE(h.dm.DestMemData().isOpen());
    EXPECT_FALSE(h.dm.LoadingTableSetups());
    MemData& d = h.dm.DBSetupMemData();
    EXPECT_EQ(d.recordCount(), 1);
    EXPECT_EQ(d.asText(h.dm.sourceDBAliasField()), u"SRC"_s);
    EXPECT_EQ(d.asText(h.dm.destDBAliasField()), u"DST"_s);

    // Edits go back into the node through the same column names.
    t.moveTo(1);
    t.edit();
    t.setAsText(h.dm.tableFields().DestTableName, u"ALPHA_T"_s);
    t.post();
    p.SetModified(false);
    TQMUtils::DataSetToProps(p.GetItem(1)->props(), t);
    EXPECT_EQ(p.GetItem(1)->DestTableName(), u"ALPHA_T"_s);
    EXPECT_TRUE(p.IsModified());
}

}  // namespace
