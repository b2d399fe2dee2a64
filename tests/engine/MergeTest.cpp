#include "SqliteEngineFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Source and target of a customer table: 1 equal, 2 differs in NAME only,
// 3 differs in NAME and CITY, 4 and 5 only in the source (5 with a null
// CITY), 6 only in the target. The target has a column NOTE the source lacks.
class MergeTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases({u"CREATE TABLE c (ID INTEGER, NAME TEXT, CITY TEXT)"_s,
                       u"INSERT INTO c VALUES (1,'A','X'), (2,'B','Y'), (3,'C','Z'), "
                       "(4,'D','W'), (5,'E',NULL)"_s},
                      {u"CREATE TABLE c (ID INTEGER, NAME TEXT, CITY TEXT, NOTE TEXT)"_s,
                       u"INSERT INTO c VALUES (1,'A','X','n'), (2,'b','Y','n'), "
                       "(3,'c','z','n'), (6,'F','V','n')"_s});
        configure({u"SELECT * FROM c"_s, u"SELECT * FROM c"_s, u"ID"_s});
        MemData& t = h.dm.TablesMemData();
        t.edit();
        t.setAsText(h.dm.tableFields().Name, u"Customers"_s);
        t.setAsText(h.dm.tableFields().DestTableName, u"C"_s);
        t.post();
        ASSERT_TRUE(h.openSource());
        ASSERT_TRUE(h.openTarget());
    }
    QStringList targetRows() {
        return EngineHarness::rows(target(), {u"ID"_s, u"NAME"_s, u"CITY"_s, u"NOTE"_s,
                                              u"NewField"_s, u"UpdateField"_s, u"Del"_s});
    }
    QStringList script() {
        h.dm.ScriptCurrentTableSetup(true);
        return h.view.script.mid(1);
    }
};

TEST_F(MergeTest, CopyChangeAndDeleteGivesTheStatementsThatMakeTheTargetEqual) {
    h.dm.ChangeDataToEqualSource();
    EXPECT_EQ(
        script(),
        (QStringList{
            u"UPDATE C SET NAME = 'B'/* Was: 'b' */ WHERE ID = 2;"_s,
            u"UPDATE C SET NAME = 'C'/* Was: 'c' */, CITY = 'Z'/* Was: 'z' */ WHERE ID = 3;"_s,
            u"INSERT INTO C (ID, NAME, CITY) VALUES (4, 'D', 'W');"_s,
            u"INSERT INTO C (ID, NAME, CITY) VALUES (5, 'E', NULL);"_s,
            u"DELETE FROM C WHERE ID = 6;"_s,
        }));
    EXPECT_EQ(h.view.statistics(),
              u"Inserts: 2 | Updates: 4 | Deletes: 1 | No dual records different | "
              "Local records: 1"_s);
    EXPECT_EQ(EngineHarness::column(source(), u"OnlyInSource"_s),
              (QStringList{u"False"_s, u"False"_s, u"False"_s, u"False"_s, u"False"_s}));
    EXPECT_EQ(h.dm.DestMemDataCopy().recordCount(), target().recordCount());
}

TEST_F(MergeTest, NoDeleteLeavesTargetOnlyRows) {
    h.dm.ChangeDataToEqualSourceNoDelete();
    // The target-only row stays as it was: still marked as found only in
    // the target, and not for deletion.
    EXPECT_EQ(EngineHarness::rows(target(), {u"ID"_s, u"NAME"_s, u"CITY"_s, u"NOTE"_s,
                                             u"OnlyInDest"_s, u"NewField"_s, u"Del"_s}),
              (QStringList{u"1|A|X|n|False|False|"_s, u"2|B|Y|n|False|False|"_s,
                           u"3|C|Z|n|False|False|"_s, u"6|F|V|n|True|False|"_s,
                           u"4|D|W||False|True|"_s, u"5|E|||False|True|"_s}));
    EXPECT_FALSE(script().join(u'\n').contains(u"DELETE"_s));
    EXPECT_EQ(
        script(),
        (QStringList{
            u"UPDATE C SET NAME = 'B'/* Was: 'b' */ WHERE ID = 2;"_s,
            u"UPDATE C SET NAME = 'C'/* Was: 'c' */, CITY = 'Z'/* Was: 'z' */ WHERE ID = 3;"_s,
            u"INSERT INTO C (ID, NAME, CITY) VALUES (4, 'D', 'W');"_s,
            u"INSERT INTO C (ID, NAME, CITY) VALUES (5, 'E', NULL);"_s,
        }));
}

TEST_F(MergeTest, CopyingSourceOnlyRowsTwiceAddsThemOnce) {
    h.dm.CopySourceOnlyRecordsToDest();
    h.dm.CopySourceOnlyRecordsToDest();
    EXPECT_EQ(target().recordCount(), 6);
    EXPECT_EQ(statisticTexts(h.dm.Counts()).inserts, u"Inserts: 2"_s);
    // A null source value stays null; a target column without source stays
    // null too, for the database's default to fill.
    EXPECT_EQ(targetRows().mid(4), (QStringList{u"4|D|W||True|False|"_s, u"5|E|||True|False|"_s}))
        << "Del stays null (reads false) until a row is marked";
    EXPECT_TRUE(target().valueAt(5, target().fieldIndex(u"CITY"_s)).isNull());
    EXPECT_TRUE(target().valueAt(5, target().fieldIndex(u"NOTE"_s)).isNull());
}

TEST_F(MergeTest, MarksAfterAMergeAreThoseOfAComparisonFromScratch) {
    // A merge marks only the rows it changed or added again when nothing else
    // changed since the comparison; whatever came before it, its marks must
    // be the ones a new comparison gives.
    struct Case {
        const char* name;
        std::function<void()> before;
        std::function<void()> merge;
    };
    const auto noDelete = [this] { h.dm.ChangeDataToEqualSourceNoDelete(); };
    const std::vector<Case> cases{
        {"straight after opening", [] {}, noDelete},
        {"a target row edited after comparing",
         [this] {
             target().moveTo(0);
             target().setAsText(target().fieldIndex(u"NAME"_s), u"Q"_s);
             target().post();
         },
         noDelete},
        {"a target key edited after comparing",
         [this] {
             target().moveTo(3);
             target().setAsText(target().fieldIndex(u"ID"_s), u"5"_s);
             target().post();
         },
         noDelete},
        {"a selected source row copied first",
         [this] {
             h.view.selection = {4};
             h.dm.CopySelectedSourceOnlyRecordsToDestination();
         },
         noDelete},
        {"the merge run twice", noDelete, noDelete},
        {"change and copy as two commands", [] {},
         [this] {
             h.dm.ChangeRecsWithDifferencesToEqualSource();
             h.dm.CopySourceOnlyRecordsToDest();
         }},
    };
    const auto marks = [this] {
        return EngineHarness::rows(target(), {u"ID"_s, u"NAME"_s, u"OnlyInDest"_s, u"Difference"_s,
                                              u"UpdateField"_s}) +
               EngineHarness::column(source(), u"OnlyInSource"_s);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(h.openTarget());
        c.before();
        c.merge();
        const QStringList merged = marks();
        const QString statistics = h.view.statistics();
        h.dm.CompareAll();
        h.dm.UpdateStatistics();
        EXPECT_EQ(merged, marks());
        EXPECT_EQ(statistics, h.view.statistics());
    }
}

TEST_F(MergeTest, MarkingForDeletion) {
    h.dm.MarkTargetForDeletion(true);
    EXPECT_EQ(EngineHarness::column(target(), u"Del"_s),
              (QStringList{QString(), QString(), QString(), u"True"_s}));
    // Rows already marked keep their other marks; a row marked for deletion
    // gets no update mark from the comparison after a copy (nor does a new
    // row), so it is deleted, not updated.
    h.dm.CopySourceOnlyRecordsToDest();
    EXPECT_EQ(EngineHarness::rows(target(), {u"ID"_s, u"UpdateField"_s, u"Del"_s}),
              (QStringList{u"1|True|"_s, u"2|True|"_s, u"3|True|"_s, u"6|False|True"_s,
                           u"4|False|"_s, u"5|False|"_s}));
    EXPECT_EQ(statisticTexts(h.dm.Counts()).updates, u"Updates: 3"_s);
    // New rows are marked too.
    h.dm.MarkTargetForDeletion(false);
    EXPECT_EQ(EngineHarness::column(target(), u"Del"_s), QStringList(6, u"True"_s));
    const QStringList lines = script();
    EXPECT_EQ(lines.filter(u"INSERT"_s).size(), 2);
    EXPECT_EQ(lines.filter(u"DELETE"_s).size(), 6);
}

TEST_F(MergeTest, MarkingTargetOnlyRowsWhenThereAreNonePostsNothing) {
    h.dm.ChangeDataToEqualSourceNoDelete();
    h.dm.MarkTargetForDeletion(true);  // marks row 6 only
    EXPECT_EQ(EngineHarness::column(target(), u"Del"_s),
              (QStringList{QString(), QString(), QString(), u"True"_s, QString(), QString()}));
    const QStringList before = targetRows();
    h.dm.MarkTargetForDeletion(true);
    EXPECT_EQ(targetRows(), before);
}

TEST_F(MergeTest, ChangeAssignsOnlyTheDifferingColumns) {
    h.dm.ChangeRecsWithDifferencesToEqualSource();
    EXPECT_EQ(targetRows().mid(0, 3),
              (QStringList{u"1|A|X|n|False|False|"_s, u"2|B|Y|n|False|True|"_s,
                           u"3|C|Z|n|False|True|"_s}));
    EXPECT_EQ(EngineHarness::column(target(), u"Difference"_s).mid(1, 2),
              (QStringList{u"True"_s, u"True"_s}))
        << "kept until the next comparison";
}

TEST_F(MergeTest, CopySelectedCopiesOnlySourceOnlyRowsOfTheSelection) {
    // RecIds 1..5 are the source rows in load order; 4 and 5 are source-only.
    struct Case {
        std::vector<int> selection;
        int added;
    };
    for (const Case& c : {Case{{1, 2, 3}, 0}, Case{{5, 1, 4}, 2}}) {
        ASSERT_TRUE(h.openTarget());
        h.view.selection = c.selection;
        h.dm.CopySelectedSourceOnlyRecordsToDestination();
        EXPECT_EQ(target().recordCount(), 4 + c.added);
        if (c.added == 2) {
            EXPECT_EQ(EngineHarness::column(target(), u"ID"_s).mid(4),
                      (QStringList{u"5"_s, u"4"_s}))
                << "in selection order";
            EXPECT_EQ(EngineHarness::column(source(), u"OnlyInSource"_s).mid(3),
                      (QStringList{u"False"_s, u"False"_s}))
                << "the copied rows have partners now";
            // Copying all source-only rows afterwards adds none of them again.
            h.dm.CopySourceOnlyRecordsToDest();
            EXPECT_EQ(target().recordCount(), 6);
        }
    }
}

}  // namespace
}  // namespace qm::test
