// The script editor fed line by line, as the engine writes a script: the
// lines reach the editor together, after what it already holds.

#include "ui/UiTestSupport.h"
#include "window/ScriptTab.h"

#include <QAction>
#include <QCoreApplication>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class ScriptTabTest : public UiTest {
protected:
    /// The widget itself, without the tab's own accessor.
    QPlainTextEdit& widget() { return *tab_.findChild<QPlainTextEdit*>(u"ScriptMemo"_s); }

    QAction execute_;
    ScriptTab tab_{execute_};
};

TEST_F(ScriptTabTest, HandedLinesFollowTheTextOnceTheEventLoopRuns) {
    struct Case {
        QString before;
        QString after;
    };
    const Case cases[] = {
        {QString(), u"one\n\nthree"_s},
        {u"kept;"_s, u"kept;\none\n\nthree"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before.toStdString());
        widget().setPlainText(c.before);
        tab_.appendScriptLine(u"one"_s);
        tab_.appendScriptLine(QString());
        tab_.appendScriptLine(u"three"_s);
        QCoreApplication::processEvents();
        EXPECT_EQ(widget().toPlainText(), c.after);
    }

    // Asking for the editor brings it up to date at once; emptying it drops
    // lines not yet shown.
    tab_.clearScript();
    tab_.appendScriptLine(u"a"_s);
    EXPECT_EQ(tab_.ScriptMemo().toPlainText(), u"a"_s);
    tab_.appendScriptLine(u"lost"_s);
    tab_.clearScript();
    tab_.appendScriptLine(u"b"_s);
    QCoreApplication::processEvents();
    EXPECT_EQ(widget().toPlainText(), u"b"_s);
}

}  // namespace
