// The statistics counts and the shared texts the window and the
// command-line tool make of them.

#include "engine/EngineTexts.h"
#include "engine/TStatView.h"
#include "list/ListTestSupport.h"
#include "support/FakeEngineView.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

TEST(TStatViewTest, KeepsTheCountsAndTellsItsListener) {
    FakeEngineView view;
    TStatView stats;
    stats.setListener(&view);
    EXPECT_FALSE(stats.Counts());

    stats.Show(3, 0, 12, 0, 1);
    const ComparisonCounts shown{3, 0, 12, 0, 1};
    EXPECT_EQ(stats.Counts(), shown);
    EXPECT_EQ(view.statCounts, shown);

    stats.Clear();
    EXPECT_FALSE(stats.Counts());
    EXPECT_FALSE(view.statCounts);
    EXPECT_EQ(view.statisticsNotices, 2);
}

TEST(EngineTextsTest, StatisticTextsShowCountsOrNoneTexts) {
    struct Case {
        std::optional<ComparisonCounts> counts;
        QString texts;
    };
    const Case cases[] = {
        {ComparisonCounts{3, 0, 12, 0, 1},
         u"Inserts: 3 | No updates | Deletes: 12 | No dual records different | "
         u"Local records: 1"_s},
        {ComparisonCounts{0, 7, 0, 2, 0},
         u"No inserts | Updates: 7 | No deletes | Records with differences: 2 | "
         u"No records unique to target"_s},
        {std::nullopt, u" |  |  |  | "_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statisticTexts(c.counts).all().join(u" | "_s), c.texts);
    }
}

TEST(EngineTextsTest, RecordCountTextNamesTheSide) {
    struct Case {
        Side side;
        std::optional<qsizetype> records;
        QString text;
    };
    const Case cases[] = {
        {Side::Source, 0, u"0 records"_s},           {Side::Source, 1234567, u"1234567 records"_s},
        {Side::Target, 4, u"4 records initially"_s}, {Side::Source, std::nullopt, u"Not open"_s},
        {Side::Target, std::nullopt, u"Not open"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(recordCountText(c.side, c.records), c.text);
    }
}

}  // namespace
}  // namespace qm::test
