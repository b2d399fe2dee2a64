// The engine keeps its state as numbers and tells the window through its
// ports; a port that was not given does nothing.

#include "SqliteEngineFixture.h"

#include "common/Errors.h"

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// id 1 equal, 2 differs, 3 only in the source, 4 only in the target.
const QStringList kSourceRows = {u"CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)"_s,
                                 u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s};
const QStringList kTargetRows = {u"CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)"_s,
                                 u"INSERT INTO t VALUES (1, 'a'), (2, 'B'), (4, 'd')"_s};
const TableSetup kSetup{u"SELECT * FROM t ORDER BY id"_s, u"SELECT * FROM t ORDER BY id"_s,
                        u"id"_s};

class EnginePortsTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(kSourceRows, kTargetRows);
        configure(kSetup);
    }
};

TEST_F(EnginePortsTest, OpeningComparingAndMergingReportNumbers) {
    EXPECT_FALSE(h.dm.RecordCount(Side::Source));
    EXPECT_FALSE(h.dm.Counts());

    const OpenOutcome source = h.dm.OpenSource();
    EXPECT_TRUE(source.opened);
    EXPECT_EQ(source.records, 3);
    EXPECT_FALSE(h.dm.Counts()) << "no target list, nothing counted";

    const int stateNotices = h.view.stateNotices;
    const OpenOutcome target = h.dm.OpenTarget();
    EXPECT_TRUE(target.opened);
    EXPECT_EQ(target.records, 3);
    EXPECT_GT(h.view.stateNotices, stateNotices) << "commands and caption are refreshed";

    const ComparisonCounts compared{0, 0, 0, 1, 1};
    EXPECT_EQ(h.dm.Counts(), compared);
    EXPECT_EQ(h.view.statCounts, compared);

    // A merge changes the counts; the target's record count stays the one
    // it was opened with.
    h.dm.ChangeDataToEqualSource();
    const ComparisonCounts merged{1, 3, 1, 0, 1};
    EXPECT_EQ(h.dm.Counts(), merged);
    EXPECT_EQ(h.view.statCounts, merged);
    EXPECT_EQ(h.dm.DestMemData().recordCount(), 4);
    EXPECT_EQ(h.dm.RecordCount(Side::Target), 3);
    EXPECT_EQ(h.view.counts[Side::Target], u"3 records initially"_s);

    // Closing the target alone keeps the last counts; closing both clears them.
    h.dm.CloseTarget();
    EXPECT_FALSE(h.dm.RecordCount(Side::Target));
    EXPECT_FALSE(h.dm.CompareAll());
    EXPECT_EQ(h.dm.Counts(), merged);
    h.dm.CloseBoth();
    EXPECT_FALSE(h.dm.RecordCount(Side::Source));
    EXPECT_FALSE(h.dm.Counts());
    EXPECT_FALSE(h.view.statCounts);
}

TEST_F(EnginePortsTest, AFailedLoadIsAnOutcomeWithoutRecords) {
    h.setTable({u"SELECT * FROM no_such_table"_s, kSetup.targetSql, kSetup.key});
    const OpenOutcome outcome = h.dm.OpenSource();
    EXPECT_FALSE(outcome.opened);
    EXPECT_FALSE(outcome.records);
    EXPECT_EQ(h.view.errors.size(), 1);
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
}

TEST_F(EnginePortsTest, ConnectionStateComesFromTheConnection) {
    h.dm.ConnectSource();
    EXPECT_TRUE(h.dm.Connected(Side::Source));
    EXPECT_TRUE(h.view.boxes[Side::Source]);
    EXPECT_FALSE(h.dm.Connected(Side::Target));

    // A window whose box was ticked by hand is told that connecting failed.
    h.setAliases(u"Src"_s, u"NoSuchAlias"_s);
    h.view.boxes[Side::Target] = true;
    EXPECT_THROW(h.dm.ConnectTarget(), SilentAbort);
    EXPECT_FALSE(h.dm.Connected(Side::Target));
    EXPECT_FALSE(h.view.boxes[Side::Target]);

    // Changing the alias disconnects, and says so.
    h.setAliases(u"Other"_s, u"Dst"_s);
    EXPECT_FALSE(h.dm.Connected(Side::Source));
    EXPECT_FALSE(h.view.boxes[Side::Source]);

    h.setAliases(u"Src"_s, u"Dst"_s);
    h.dm.ConnectSource();
    h.dm.DisconnectSource();
    EXPECT_FALSE(h.dm.Connected(Side::Source));
    EXPECT_FALSE(h.view.boxes[Side::Source]);
}

TEST_F(EnginePortsTest, AnEngineWithoutPortsWorksAndTakesPortsLater) {
    TDM dm(EnginePorts{}, h.view);
    dm.session().setAliasFilePath(folder.aliasFile());
    MemData& tables = dm.TablesMemData();
    tables.open();
    tables.append();
    tables.setAsText(dm.tableFields().Name, u"t"_s);
    tables.setAsText(dm.tableFields().SourceQuerySQL, kSetup.sourceSql);
    tables.setAsText(dm.tableFields().DestQuerySQL, kSetup.targetSql);
    tables.setAsText(dm.tableFields().PrimaryKeySpec, kSetup.key);
    tables.setAsText(dm.tableFields().DestTableName, u"t"_s);
    tables.post();
    MemData& setup = dm.DBSetupMemData();
    setup.open();
    setup.append();
    setup.setAsText(dm.sourceDBAliasField(), u"Src"_s);
    setup.setAsText(dm.destDBAliasField(), u"Dst"_s);
    setup.post();

    EXPECT_TRUE(dm.OpenSource().opened);
    EXPECT_TRUE(dm.OpenTarget().opened);
    dm.ChangeDataToEqualSource();
    dm.MakeScript();
    dm.SyncSourceToTarget();
    EXPECT_EQ(dm.Counts(), (ComparisonCounts{1, 3, 1, 0, 1}));
    EXPECT_EQ(h.view.messages(), QStringList());
    EXPECT_EQ(h.view.script, QStringList()) << "the script went nowhere";

    dm.setPorts(h.view.ports());
    dm.MakeScript();
    EXPECT_FALSE(h.view.script.isEmpty());
    EXPECT_EQ(h.view.scriptTabShown, 1);
    dm.CloseBoth();
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
    EXPECT_FALSE(h.view.statCounts);
}

}  // namespace
}  // namespace qm::test
