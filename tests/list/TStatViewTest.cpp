// The five statistics labels.

#include "ListTestSupport.h"
#include "engine/TStatView.h"
#include "support/FakeEngineView.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

TEST(TStatViewTest, ShowWritesCountsOrNoneTexts) {
    FakeEngineView view;
    TStatView stats(view);

    stats.Show(3, 0, 12, 0, 1);
    EXPECT_EQ(view.statistics(),
              u"Inserts: 3 | No updates | Deletes: 12 | "
              u"No dual records different | Local records: 1"_s);

    stats.Show(0, 7, 0, 2, 0);
    EXPECT_EQ(view.statistics(),
              u"No inserts | Updates: 7 | No deletes | "
              u"Records with differences: 2 | No records unique to target"_s);

    stats.Clear();
    ASSERT_EQ(view.stats.size(), 5);
    for (const QString& s : view.stats) {
        EXPECT_TRUE(s.isEmpty()) << s.toStdString();
    }
}

}  // namespace
}  // namespace qm::test
