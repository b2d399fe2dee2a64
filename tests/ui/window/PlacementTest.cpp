// The main window's placement kept in the per-user store between runs.

#include "ui/UiTestSupport.h"
#include "window/TkzFormViewController.h"

#include <QWidget>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

class PlacementTest : public test::UiTest {
protected:
    static std::unique_ptr<QWidget> window() {
        auto w = std::make_unique<QWidget>();
        w->setObjectName(u"MainForm"_s);
        w->resize(966, 607);
        return w;
    }
};

TEST_F(PlacementTest, ANormalWindowReopensWhereItWas) {
    auto first = window();
    first->setGeometry(40, 60, 800, 500);
    TkzFormViewController(*first, u"kazmo"_s, u"Quillmere"_s).Snapshot();
    const QString section = u"Software/kazmo/Quillmere/Form state for MainForm/"_s;
    EXPECT_EQ(stored(section + u"WindowState"_s).toString(), u"0"_s);
    EXPECT_EQ(stored(section + u"Width"_s).toString(), u"800"_s);

    auto next = window();
    TkzFormViewController(*next, u"kazmo"_s, u"Quillmere"_s).Restore();
    EXPECT_FALSE(next->isMaximized());
    EXPECT_EQ(next->pos(), first->pos());
    EXPECT_EQ(next->size(), QSize(800, 500));
}

TEST_F(PlacementTest, AWindowClosedMaximizedReopensMaximizedWithTheLastNormalBounds) {
    auto first = window();
    first->setGeometry(40, 60, 800, 500);
    TkzFormViewController keeper(*first, u"kazmo"_s, u"Quillmere"_s);
    keeper.Snapshot();  // normal: bounds stored
    first->setWindowState(Qt::WindowMaximized);
    keeper.Snapshot();  // maximized: only the state
    const QString section = u"Software/kazmo/Quillmere/Form state for MainForm/"_s;
    EXPECT_EQ(stored(section + u"WindowState"_s).toString(), u"2"_s);
    EXPECT_EQ(stored(section + u"Width"_s).toString(), u"800"_s);
    EXPECT_EQ(stored(section + u"Left"_s).toString(), u"40"_s);

    auto next = window();
    TkzFormViewController(*next, u"kazmo"_s, u"Quillmere"_s).Restore();
    EXPECT_TRUE(next->windowState() & Qt::WindowMaximized);

    // Back to normal and closed: the stored state follows.
    next->setWindowState(Qt::WindowNoState);
    next->setGeometry(10, 20, 700, 400);
    TkzFormViewController(*next, u"kazmo"_s, u"Quillmere"_s).Snapshot();
    auto third = window();
    TkzFormViewController(*third, u"kazmo"_s, u"Quillmere"_s).Restore();
    EXPECT_FALSE(third->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(third->size(), QSize(700, 400));
}

TEST_F(PlacementTest, NothingStoredKeepsTheCurrentPlacement) {
    auto w = window();
    w->setGeometry(30, 30, 640, 480);
    TkzFormViewController(*w, u"kazmo"_s, u"Quillmere"_s).Restore();
    EXPECT_EQ(w->size(), QSize(640, 480));
    EXPECT_FALSE(w->isMaximized());
}

}  // namespace
