#include "ScriptedBoxes.h"
#include "report/KzError.h"
#include "report/TextRules.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::ScriptedBoxes;

namespace {

const QString kTitle = u"Quillmere\r\n\r\n"_s;

QString raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    } catch (const SilentAbort&) {
        return u"<silent abort>"_s;
    }
    return u"<nothing raised>"_s;
}

TEST(TkzError, ReportTextsAndOutcomes) {
    TkzError& r = TkzError::instance();
    {
        ScriptedBoxes boxes({{BoxButton::Yes, false}});
        r.Precondition(false, QString(), u"PrjOpen"_s);  // Yes: goes on
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].text,
                  kTitle +
                      u"Precondition violated. An unexpected condition has been found."
                      u"\r\n\r\n\r\n\r\n(It happened at PrjOpen)\r\n\r\nContinue?"_s);
        EXPECT_EQ(boxes.shown[0].buttons, (QList<BoxButton>{BoxButton::Yes, BoxButton::No}));
        r.Precondition(true, u"never shown"_s, u"X"_s);
        EXPECT_EQ(boxes.shown.size(), 1);
    }
    {
        ScriptedBoxes boxes({{BoxButton::No, false}});
        EXPECT_EQ(raised([&] { r.Check(false, u"bad"_s, u"TPrjData.GetItem"_s); }),
                  u"Terminating program in TPrjData.GetItem. Message was: bad - check violated."_s);
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_TRUE(boxes.shown[0].text.startsWith(
            kTitle +
            u"Check violated. An unexpected condition has been found.\r\n\r\n"
            u"Message: bad\r\n\r\n"_s));
    }
    EXPECT_EQ(raised([&] { r.ProgError(u"Can't find item"_s, u"TPrjData.GetItemIndex"_s); }),
              kTitle +
                  u"Possible program error detected!\r\n\r\nMessage: Can't find item\r\n\r\n"
                  u"(It happened at TPrjData.GetItemIndex)"_s);
    EXPECT_EQ(raised([&] { r.RuntimeError(u"Illegal nodekind"_s, QString()); }),
              kTitle +
                  u"Error during execution - invalid state found in runtime data!\r\n\r\n"
                  u"Message: Illegal nodekind\r\n\r\n\r\n\r\nTerminating program.\r\n"_s);
    EXPECT_THROW(r.ProgError(u"x"_s, u"y"_s), EProgError);
    EXPECT_THROW(r.RuntimeError(u"x"_s, u"y"_s), ERuntimeError);
    {
        ScriptedBoxes boxes({{BoxButton::Yes, false}, {BoxButton::No, false}});
        EXPECT_EQ(raised([&] { r.Warning(u"careful"_s, u"W"_s); }), u"<silent abort>"_s);
        ASSERT_EQ(boxes.shown.size(), 1);
        EXPECT_EQ(boxes.shown[0].kind, BoxKind::Warning);
        EXPECT_EQ(boxes.shown[0].text, kTitle +
                                           u"Warning!\r\n\r\nMessage: careful\r\n\r\n"
                                           u"(It happened at W)\r\n\r\nContinue?"_s);
        EXPECT_TRUE(
            raised([&] { r.Warning(u"careful"_s, u"W"_s); }).contains(u"Error during execution"_s));
    }
    {
        ScriptedBoxes boxes;
        r.MyMsg(u"Saved"_s, QString());
        r.NotImplemented(QString(), u"Export"_s);
        ASSERT_EQ(boxes.shown.size(), 2);
        EXPECT_EQ(boxes.shown[0].text, u"Saved\r\n"_s);
        EXPECT_EQ(boxes.shown[0].buttons, QList<BoxButton>{BoxButton::Ok});
        EXPECT_EQ(boxes.shown[1].text, u"Export is not implemented!\r\n(It happened at Export)"_s);
    }
    EXPECT_EQ(r.MethodName(u"TPrjData"_s, u"GetItemIndex"_s), u"TPrjData.GetItemIndex"_s);
}

TEST(TextRules, PunctuationCaptionsAndUnhandledErrors) {
    const std::pair<QString, QString> punctuation[] = {
        {u"Done!"_s, u"Done!"_s},
        {u"Unable to start your mail program"_s, u"Unable to start your mail program."_s},
        {u"Really?"_s, u"Really?"_s},
        {u"(see log)"_s, u"(see log)"_s},
    };
    for (const auto& [in, out] : punctuation) {
        EXPECT_EQ(EnsurePunctuation(in), out);
    }
    const std::pair<QString, QString> captions[] = {
        {u"&Open..."_s, u"Open"_s},
        {u"&Preferences..."_s, u"Preferences"_s},
        {u"Copy && paste"_s, u"Copy & paste"_s},
        {u"Open Source &&& Target"_s, u"Open Source && Target"_s},
    };
    for (const auto& [in, out] : captions) {
        EXPECT_EQ(StripMenuCaption(in), out);
    }
    const std::pair<QString, QString> unhandled[] = {
        {u"Failed!"_s, u"Failed!"_s}, {u"Failed (disk)"_s, u"Failed (disk)"_s},
        {u"Failed."_s, u"Failed."_s}, {u"Really?"_s, u"Really?."_s},
        {u"Failed"_s, u"Failed."_s},  {u"Code 7"_s, u"Code 7."_s},
    };
    for (const auto& [in, out] : unhandled) {
        EXPECT_EQ(unhandledErrorText(in), out);
    }
}

}  // namespace
