// The busy-cursor stack and the window's update locking.

#include "common/Assertion.h"
#include "shared/BusyCursor.h"
#include "ui/UiTestSupport.h"
#include "window/UpdateLocker.h"

#include <QGuiApplication>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

class BusyCursorTest : public test::UiTest {
protected:
    void TearDown() override {
        while (busyDepth() > 0) {
            EndBusy();
        }
        test::UiTest::TearDown();
    }
};

TEST_F(BusyCursorTest, TheStackHoldsTenCursorsAndRefusesAnEleventh) {
    for (int i = 0; i < kMaxBusyDepth; ++i) {
        MakeBusy();
    }
    EXPECT_EQ(busyDepth(), 10);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(shownBoxes().isEmpty());

    script({{BoxButton::Yes, false}});  // go on
    MakeBusy();
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_TRUE(shownBoxes()[0].text.contains(u"Precondition violated"_s));
    EXPECT_TRUE(shownBoxes()[0].text.contains(u"(It happened at MakeBusy)"_s));
    EXPECT_EQ(busyDepth(), 10) << "nothing pushed onto the full stack";

    script({{BoxButton::No, false}});  // stop
    EXPECT_THROW(MakeBusy(), Error);
    EXPECT_EQ(busyDepth(), 10);

    for (int i = 0; i < kMaxBusyDepth; ++i) {
        EndBusy();
    }
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "every saved cursor restored";
    EndBusy();  // on an empty stack: nothing
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(UpdateLockerTest, DrawingStopsAtTheFirstLockAndResumesAtTheLastUnlock) {
    QWidget window;
    UpdateLocker locker(window);
    locker.LockUpdates();
    locker.LockUpdates();
    EXPECT_FALSE(window.updatesEnabled());
    locker.UnlockUpdates();
    EXPECT_FALSE(window.updatesEnabled()) << "still locked once";
    locker.UnlockUpdates();
    EXPECT_TRUE(window.updatesEnabled());

    try {
        locker.UnlockUpdates();
        FAIL() << "an unpaired unlock must fail";
    } catch (const AssertionFailure& e) {
        EXPECT_TRUE(
            e.message().startsWith(u"Assertion failure (src/ui/window/UpdateLocker.cpp, line "_s))
            << e.message().toStdString();
    }
    // The count did not go below 0: the next pair works as before.
    EXPECT_EQ(locker.count(), 0);
    locker.LockUpdates();
    EXPECT_FALSE(window.updatesEnabled());
    locker.UnlockUpdates();
    EXPECT_TRUE(window.updatesEnabled());
}

}  // namespace
