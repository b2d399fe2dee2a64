// A failure while the main window is first shown ends the program with a
// runtime-error report.

#include "ui/window/MainWindowHarness.h"

#include <QFile>
#include <QSignalSpy>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class ShowFailureTest : public MainWindowTest {};

TEST_F(ShowFailureTest, ABrokenDefaultFileIsReportedAndEndsTheProgram) {
    MainWindowHarness h;
    QFile broken(h.path(u"DefaultTables.txt"_s));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("Name\r\nOne\ttoo\tmany\r\n");
    broken.close();
    setStartupPreferences(false, QString(), true);  // would create a new project
    QSignalSpy ended(h.form.get(), &TMainForm::terminationRequested);
    h.show();

    ASSERT_EQ(shownBoxes().size(), 1);
    const QString report = shownBoxes()[0].text;
    EXPECT_EQ(shownBoxes()[0].kind, BoxKind::Error);
    EXPECT_TRUE(
        report.contains(u"Error during execution - invalid state found in runtime data!"_s));
    EXPECT_TRUE(
        report.contains(u"Message: Failed during init (File \"DefaultTables.txt\", line 2"_s))
        << report.toStdString();
    EXPECT_TRUE(report.contains(u"(It happened at TMainForm.FormShow)"_s));
    EXPECT_TRUE(report.endsWith(u"Terminating program.\n"_s) ||
                report.endsWith(u"Terminating program.\r\n"_s));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(h.form->terminating());
    EXPECT_EQ(h.project(), nullptr) << "the new project asked for before the failure";
}

}  // namespace
