#include "SqliteEngineFixture.h"

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

const QStringList kRows = {
    u"CREATE TABLE t (id INTEGER, name TEXT, active BOOLEAN, qty INTEGER)"_s,
    u"INSERT INTO t VALUES (1, 'a', 1, 10), (2, 'b', 0, 20), (3, 'c', 1, 30)"_s,
};

class TargetEditingTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(kRows, kRows);
        configure({u"SELECT * FROM t ORDER BY id"_s, u"SELECT * FROM t ORDER BY id"_s, u"id"_s});
        ASSERT_TRUE(h.openSource());
        ASSERT_TRUE(h.openTarget());
        name = target().fieldIndex(u"name"_s);
        active = target().fieldIndex(u"active"_s);
        qty = target().fieldIndex(u"qty"_s);
    }
    // id and the three edit flags as Booleans (an unset flag reads false).
    QStringList flags() {
        QStringList out;
        MemData& d = target();
        const int id = d.fieldIndex(u"id"_s);
        for (int p = 0; p < d.recordCount(); ++p) {
            QString row = QString::number(d.valueAt(p, id).asInt());
            for (const int f : {h.dm.fieldNewField(), h.dm.fieldUpdateField(), h.dm.fieldDel()}) {
                row += d.valueAt(p, f).asBool() ? u"|True"_s : u"|False"_s;
            }
            out << row;
        }
        return out;
    }
    int name = -1, active = -1, qty = -1;
};

TEST_F(TargetEditingTest, LoadedRowsStartUnflagged) {
    EXPECT_EQ(flags(), (QStringList{u"1|False|False|False"_s, u"2|False|False|False"_s,
                                    u"3|False|False|False"_s}));
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | No dual records different | "
              "No records unique to target"_s);
}

TEST_F(TargetEditingTest, PostingAnEditMarksTheRowUpdated) {
    target().moveTo(1);
    target().edit();
    target().setAsText(name, u"changed"_s);
    target().post();
    EXPECT_EQ(flags(), (QStringList{u"1|False|False|False"_s, u"2|False|True|False"_s,
                                    u"3|False|False|False"_s}));
    EXPECT_EQ(statisticTexts(h.dm.Counts()).updates, u"Updates: 1"_s);

    // Posting without a change counts as an update too.
    target().moveTo(2);
    target().edit();
    target().post();
    EXPECT_EQ(statisticTexts(h.dm.Counts()).updates, u"Updates: 2"_s);
}

TEST_F(TargetEditingTest, DeletedRowsAreNotMarkedUpdated) {
    target().moveTo(0);
    target().edit();
    target().setAsBool(h.dm.fieldDel(), true);
    target().post();
    target().edit();
    target().setAsText(name, u"still deleted"_s);
    target().post();
    EXPECT_EQ(flags().first(), u"1|False|False|True"_s);
    EXPECT_EQ(statisticTexts(h.dm.Counts()).deletes, u"Deletes: 1"_s);
    EXPECT_EQ(statisticTexts(h.dm.Counts()).updates, u"No updates"_s);
}

TEST_F(TargetEditingTest, AddedRowsAreNewWithEmptyTextAndFalseBooleans) {
    target().append();
    target().setAsInt(target().fieldIndex(u"id"_s), 4);
    target().post();
    ASSERT_EQ(target().recordCount(), 4);
    target().last();
    EXPECT_TRUE(target().asBool(h.dm.fieldNewField()));
    EXPECT_FALSE(target().asBool(h.dm.fieldUpdateField()));
    EXPECT_FALSE(target().isNull(name)) << "text columns start as empty text, not null";
    EXPECT_EQ(target().asText(name), QString());
    EXPECT_FALSE(target().isNull(active));
    EXPECT_FALSE(target().asBool(active));
    EXPECT_TRUE(target().isNull(qty)) << "other columns stay null";
    EXPECT_EQ(statisticTexts(h.dm.Counts()).inserts, u"Inserts: 1"_s);

    // Editing the new row again keeps it an insert, not an update.
    target().edit();
    target().setAsText(name, u"d"_s);
    target().post();
    EXPECT_EQ(flags().last(), u"4|True|False|False"_s);
    EXPECT_EQ(statisticTexts(h.dm.Counts()).updates, u"No updates"_s);
}

TEST_F(TargetEditingTest, CopyFollowsPostsAndOriginalKeepsLoadedValues) {
    target().moveTo(1);
    target().edit();
    target().setAsInt(qty, 99);
    target().post();
    target().append();
    target().setAsInt(target().fieldIndex(u"id"_s), 4);
    target().post();

    MemData& copy = h.dm.DestMemDataCopy();
    ASSERT_TRUE(copy.isOpen());
    EXPECT_EQ(EngineHarness::columnNames(copy), EngineHarness::columnNames(target()));
    const QStringList all = EngineHarness::columnNames(target()).mid(1);
    EXPECT_EQ(EngineHarness::rows(copy, all), EngineHarness::rows(target(), all));
    EXPECT_EQ(EngineHarness::column(copy, u"RecId"_s),
              (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));

    MemData& orig = h.dm.OrigMemData();
    ASSERT_TRUE(orig.isOpen());
    EXPECT_EQ(EngineHarness::rows(orig, {u"id"_s, u"qty"_s, u"UpdateField"_s}),
              (QStringList{u"1|10|False"_s, u"2|20|False"_s, u"3|30|False"_s}));

    // A pending edit is not part of the copy until it is posted.
    target().moveTo(0);
    target().edit();
    target().setAsInt(qty, 11);
    EXPECT_EQ(EngineHarness::column(h.dm.DestMemDataCopy(), u"qty"_s).first(), u"10"_s);
    target().post();
    EXPECT_EQ(EngineHarness::column(h.dm.DestMemDataCopy(), u"qty"_s).first(), u"11"_s);
    EXPECT_EQ(EngineHarness::column(orig, u"qty"_s).first(), u"10"_s);
}

TEST_F(TargetEditingTest, DeletingARowRenewsTheCopyAndTheCounts) {
    // Row 3 becomes target-only: a second target row the source lacks.
    target().append();
    target().setAsInt(target().fieldIndex(u"id"_s), 4);
    target().post();
    h.dm.CompareAll();
    ASSERT_EQ(h.dm.Counts()->targetOnly, 1);
    ASSERT_EQ(h.dm.DestMemDataCopy().recordCount(), 4);

    target().moveTo(3);
    target().deleteRow();
    EXPECT_EQ(h.dm.Counts()->targetOnly, 0);
    EXPECT_EQ(h.view.statCounts->targetOnly, 0) << "the window is told the new counts";
    const QStringList all = EngineHarness::columnNames(target()).mid(1);
    EXPECT_EQ(EngineHarness::rows(h.dm.DestMemDataCopy(), all), EngineHarness::rows(target(), all));
}

TEST_F(TargetEditingTest, ReopeningTheSourceResetsUpdateMarks) {
    target().moveTo(1);
    target().edit();
    target().setAsText(name, u"changed"_s);
    target().post();
    ASSERT_EQ(statisticTexts(h.dm.Counts()).updates, u"Updates: 1"_s);
    ASSERT_TRUE(h.openSource());
    EXPECT_EQ(EngineHarness::rows(target(), {u"id"_s, u"UpdateField"_s, u"Difference"_s}),
              (QStringList{u"1|False|False"_s, u"2|False|True"_s, u"3|False|False"_s}));
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | Records with differences: 1 | "
              "No records unique to target"_s);
}

}  // namespace
}  // namespace qm::test
