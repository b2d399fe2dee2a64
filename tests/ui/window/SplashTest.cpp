// The start picture: how it goes away.

#include "ui/UiTestSupport.h"
#include "window/TSplashScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

TEST(SplashTest, ItClosesOnAClickOrAKeyAndEscapeAlsoEndsTheProgram) {
    struct Case {
        const char* what;
        std::function<void(QWidget&)> act;
        int endRequests;
    };
    const QList<Case> cases{
        {"a click", [](QWidget& w) { QTest::mouseClick(&w, Qt::LeftButton); }, 0},
        {"a key", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Space); }, 0},
        {"Escape", [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSplashScreen splash;
        QSignalSpy ended(&splash, &TSplashScreen::terminateRequested);
        splash.showNow();
        ASSERT_TRUE(splash.isVisible());
        EXPECT_EQ(splash.size(), QSize(320, 320));
        EXPECT_EQ(splash.geometry().center(),
                  QGuiApplication::primaryScreen()->geometry().center());
        c.act(splash);
        EXPECT_FALSE(splash.isVisible());
        EXPECT_EQ(ended.count(), c.endRequests);
    }
}

}  // namespace
