#include "ScriptedBoxes.h"
#include "common/Errors.h"
#include "report/DontShowAgain.h"
#include "report/PrjMsgViewer.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::ScriptedBoxes;

namespace {

TEST(PrjMsgViewer, BoxesEndInPunctuation) {
    ScriptedBoxes boxes({{BoxButton::Ok, false}, {BoxButton::Ok, false}, {BoxButton::No, false}});
    TPrjMsgViewer& v = TPrjMsgViewer::instance();
    v.ShowInfo(u"Done!"_s);
    v.ShowError(u"Unable to start your mail program"_s);
    EXPECT_FALSE(v.AskYesNo(u"Save changes"_s));
    ASSERT_EQ(boxes.shown.size(), 3);
    EXPECT_EQ(boxes.shown[0].text, u"Done!"_s);
    EXPECT_EQ(boxes.shown[1].text, u"Unable to start your mail program."_s);
    EXPECT_EQ(boxes.shown[1].kind, BoxKind::Error);
    EXPECT_EQ(boxes.shown[2].text, u"Save changes."_s);
    EXPECT_EQ(boxes.shown[2].kind, BoxKind::Confirmation);
}

TEST(PrjMsgViewer, RemembersDontShowAgainAnswers) {
    TPrjMsgViewer& v = TPrjMsgViewer::instance();
    {
        ScriptedBoxes boxes({{BoxButton::Yes, true}});
        EXPECT_TRUE(v.AskYesNo(u"Overwrite the log file?"_s, true));
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_TRUE(boxes.shown[0].dontShowAgainBox);
    }
    {
        ScriptedBoxes boxes;
        // Suppressed: Yes without a box, also for the text with other
        // punctuation and blanks.
        EXPECT_TRUE(v.AskYesNo(u"Overwrite the log file?"_s, true));
        EXPECT_TRUE(v.AskYesNo(u"Overwrite  the log-file!"_s, true));
        EXPECT_TRUE(boxes.shown.isEmpty());
    }
    {
        // With forgetNo, a No ticked is not remembered.
        ScriptedBoxes boxes({{BoxButton::No, true}, {BoxButton::No, false}});
        EXPECT_FALSE(v.AskYesNo(u"Delete the rows?"_s, true, true));
        EXPECT_FALSE(v.AskYesNo(u"Delete the rows?"_s, true, true));
        EXPECT_EQ(boxes.shown.size(), 2);
    }
    {
        ScriptedBoxes boxes({{BoxButton::Ok, true}});
        v.ShowInfo(u"Script written"_s, true);
        v.ShowInfo(u"Script written"_s, true);
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].text, u"Script written."_s);
    }
}

TEST(DontShowAgain, StoreKeysAndBlankSpecifiers) {
    EXPECT_EQ(DontShowAgain::reduce(u"C:\\a b-7?"_s), u"Cab7"_s);
    EXPECT_TRUE(DontShowAgain::defaultLocation().startsWith(u"Software\\"_s));
    EXPECT_TRUE(DontShowAgain::defaultLocation().endsWith(u"\\DSADialogs"_s));
    try {
        DontShowAgain::suppressed(u"?!"_s);
        FAIL() << "blank identifier accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), u"DSAIdentsGetState storage specifier blank"_s);
    }
    try {
        DontShowAgain::setSuppressed(u"x"_s, true, u"\\\\"_s);
        FAIL() << "blank location accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), u"DSAIdentsSetState storage specifier blank"_s);
    }
}

}  // namespace
