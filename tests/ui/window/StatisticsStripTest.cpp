// The Merge tab's statistics strip: every count shows in full, also at a
// million rows, and the labels keep their places while their texts fit.

#include "engine/EngineTexts.h"
#include "ui/UiTestSupport.h"
#include "window/MergeTab.h"

#include <QAction>
#include <QLabel>
#include <climits>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class StatisticsStripTest : public UiTest {
protected:
    QList<QLabel*> labels() const {
        QList<QLabel*> out;
        for (const char* name : {"InsertLabelStat", "UpdateLabelStat", "DeleteLabelStat",
                                 "DiffLabelStat", "LocalLabelStat"}) {
            out << tab_.findChild<QLabel*>(QString::fromLatin1(name));
        }
        return out;
    }

    QAction openSource_;
    QAction openTarget_;
    MergeTab tab_{openSource_, openTarget_};
};

TEST_F(StatisticsStripTest, EveryCountShowsInFullWithoutOverlapping) {
    tab_.resize(1400, 600);
    tab_.show();
    // Each label's designed left edge; it reaches to 4 pixels before the next.
    const QList<int> designedLefts{8, 112, 232, 352, 552, 752};
    const struct {
        const char* name;
        ComparisonCounts counts;
    } cases[] = {
        {"none", {}},
        {"small", {1, 2, 3, 4, 5}},
        {"a million rows", {1000000, 1000100, 999999, 500000, 1000000}},
        {"the largest counts", {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tab_.setStatistics(statisticTexts(c.counts).all());
        EXPECT_EQ(tab_.statistics(), statisticTexts(c.counts).all());
        const QList<QLabel*> shown = labels();
        int previousRight = 0;
        bool earlierFit = true;  // every label before this one fits its place
        for (int i = 0; i < shown.size(); ++i) {
            QLabel* label = shown[i];
            ASSERT_NE(label, nullptr);
            SCOPED_TRACE(label->text().toStdString());
            const int needed = label->fontMetrics().horizontalAdvance(label->text());
            EXPECT_GE(label->contentsRect().width(), needed) << "the text is cut";
            EXPECT_GT(label->x(), previousRight) << "the labels overlap";
            if (earlierFit) {
                EXPECT_EQ(label->x(), designedLefts[i]) << "moved though nothing before it grew";
            }
            earlierFit = earlierFit && needed <= designedLefts[i + 1] - designedLefts[i] - 4;
            previousRight = label->geometry().right();
        }
    }
}

}  // namespace
