#include "document/QueuedProjectNotices.h"
#include "project/PrjDataSaved.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

// The notices delivered so far, in order: "modified" or "clean".
QStringList delivered(const QSignalSpy& spy) {
    QStringList out;
    for (const QList<QVariant>& args : spy) {
        out << (args.at(0).toBool() ? u"modified"_s : u"clean"_s);
    }
    return out;
}

void runEventLoop() {
    QCoreApplication::sendPostedEvents();
}

class QueuedProjectNoticesTest : public ::testing::Test {
protected:
    QueuedProjectNoticesTest() { project.SetNotifyChanges(true); }

    QueuedProjectNotices notices;
    QSignalSpy spy{&notices, &QueuedProjectNotices::modifiedChanged};
    TPrjDataSaved project;
};

TEST_F(QueuedProjectNoticesTest, NoticesArriveInOrderOnceTheEventLoopRuns) {
    project.SetSourceDBAlias(u"A"_s);
    EXPECT_TRUE(delivered(spy).isEmpty());
    runEventLoop();
    EXPECT_EQ(delivered(spy), QStringList{u"modified"_s});
    EXPECT_FALSE(ChangeNotices::pending());

    project.SetModified(false);
    EXPECT_EQ(delivered(spy), QStringList{u"modified"_s});
    runEventLoop();
    EXPECT_EQ(delivered(spy).last(), u"clean"_s);

    // Delivered and shown: the next change is announced again.
    spy.clear();
    project.SetSourceDBAlias(u"B"_s);
    runEventLoop();
    EXPECT_EQ(delivered(spy), QStringList{u"modified"_s});
}

TEST_F(QueuedProjectNoticesTest, ABurstOfChangesGivesOneModifiedNotice) {
    project.SetSourceDBAlias(u"A"_s);
    project.SetDestDBAlias(u"B"_s);
    project.SetModified(true);
    runEventLoop();
    EXPECT_EQ(delivered(spy), QStringList{u"modified"_s});
}

// A change right after a clean, before the window has seen either, must
// still leave the window showing "modified".
TEST_F(QueuedProjectNoticesTest, AChangeAfterACleanInTheSameTurnEndsModified) {
    project.SetSourceDBAlias(u"A"_s);
    project.SetModified(false);
    project.SetSourceDBAlias(u"B"_s);
    runEventLoop();
    const QStringList got = delivered(spy);
    ASSERT_FALSE(got.isEmpty());
    EXPECT_EQ(got.first(), u"modified"_s);
    EXPECT_TRUE(got.contains(u"clean"_s));
    EXPECT_EQ(got.last(), u"modified"_s);
    EXPECT_FALSE(ChangeNotices::pending());
}

TEST(QueuedProjectNotices, ReleasesTheReceiverWhenDestroyed) {
    {
        QueuedProjectNotices notices;
        EXPECT_EQ(ChangeNotices::receiver(), &notices);
    }
    EXPECT_EQ(ChangeNotices::receiver(), nullptr);
}

}  // namespace
