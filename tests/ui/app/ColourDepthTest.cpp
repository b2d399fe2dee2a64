// The true-colour message at start-up.

#include "app/DesktopProgram.h"
#include "ui/UiTestSupport.h"

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

class ColourDepthTest : public test::UiTest {};

TEST_F(ColourDepthTest, AFewColoursDisplayShowsTheMessageUntilItsBoxIsTicked) {
    const QString message = QString::fromLatin1(DesktopProgram::trueColourMessage());
    DesktopProgram::checkColourDepth(24);
    DesktopProgram::checkColourDepth(16);
    EXPECT_TRUE(shownBoxes().isEmpty()) << "more than 256 colours: no message";

    script({{BoxButton::Ok, false}, {BoxButton::Ok, true}});
    DesktopProgram::checkColourDepth(8);  // shown, box left clear
    DesktopProgram::checkColourDepth(8);  // shown again, box ticked
    DesktopProgram::checkColourDepth(4);  // suppressed from now on
    ASSERT_EQ(shownBoxes().size(), 2);
    for (const BoxRequest& box : shownBoxes()) {
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.kind, BoxKind::Information);
        EXPECT_TRUE(box.dontShowAgainBox);
    }
}

}  // namespace
