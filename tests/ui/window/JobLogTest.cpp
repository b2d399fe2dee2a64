// The milestones of the main window's showing and closing in the job log.

#include "common/ProgramFolder.h"
#include "config/JobLog.h"
#include "ui/window/MainWindowHarness.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class JobLogTest : public MainWindowTest {
protected:
    void TearDown() override {
        TPrjJobLog::instance().Level = 0;
        MainWindowTest::TearDown();
    }
};

TEST_F(JobLogTest, ShowingAndClosingTheWindowAreLoggedInOrderAtLevelTwo) {
    MainWindowHarness h;
    TPrjJobLog& log = TPrjJobLog::instance();
    ASSERT_EQ(log.FileName, programFile(u"JobLog.txt"_s));
    log.Level = 2;
    h.show();
    ASSERT_TRUE(h.form->close());

    QFile file(log.FileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
    QStringList entries;
    static const QRegularExpression time(u"^Current time is: \\d\\d:\\d\\d:\\d\\d$"_s);
    for (qsizetype i = 0; i + 2 < lines.size(); i += 3) {
        EXPECT_EQ(lines[i], QString()) << "an empty line before each entry";
        entries << lines[i + 1];
        EXPECT_TRUE(time.match(lines[i + 2]).hasMatch()) << lines[i + 2].toStdString();
    }
    // A run started earlier in this process may have left its own entries
    // before these.
    const QStringList expected{
        u"Proc entry: TMainForm.FormShow"_s, u"Action: Restoring old layout"_s,
        u"Action: Use old location"_s,       u"Action: Auto open or new"_s,
        u"Proc exit: TMainForm.FormShow"_s,  u"Proc entry: TMainForm.FormClose"_s,
        u"Proc exit: TMainForm.FormClose"_s};
    ASSERT_GE(entries.size(), expected.size());
    EXPECT_EQ(entries.mid(entries.size() - expected.size()), expected);
}

}  // namespace
