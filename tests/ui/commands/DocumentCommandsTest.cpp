// The file and edit commands as the window runs them: undo through its
// hidden menu's shortcut, and reopening a recent file.

#include "document/TUndoHandler.h"
#include "document/TkzMRUFileList.h"
#include "project/PrjDataSaved.h"
#include "ui/window/MainWindowHarness.h"

#include <QAction>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class DocumentCommandsTest : public MainWindowTest {};

TEST_F(DocumentCommandsTest, CtrlZUndoesTheLastProjectChangeOnce) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    QAction* undo = h.actions.action(CommandId::Undo);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), u"&Undo "_s);

    h.project()->PrjData().SetSourceDBAlias(u"before"_s);
    h.app.undo().RecordProjectChange(u"Add New Table Setup..."_s, h.project()->PrjData(), 0);
    h.project()->PrjData().SetSourceDBAlias(u"after"_s);
    h.form->UpdateUI();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), u"&Undo 'Project -> Add New Table Setup'"_s);

    h.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.form.get()));
    QTest::keyClick(h.form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(h.project()->PrjData().SourceDBAlias(), u"before"_s);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->text(), u"&Undo "_s);
}

TEST_F(DocumentCommandsTest, ARecentFileAsksToSaveThenOpens) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    const QString file = h.path(u"recent.QMP"_s);
    h.prompts.saveName = file;
    h.actions.execute(CommandId::PrjSaveAs);
    h.actions.execute(CommandId::PrjNew);
    h.project()->PrjData().SetSourceDBAlias(u"unsaved"_s);
    ASSERT_EQ(h.app.recentFiles().Items(), QStringList{file});

    struct Case {
        BoxButton answer;
        bool opened;
    };
    for (const Case& c : {Case{BoxButton::Cancel, false}, Case{BoxButton::No, true}}) {
        h.prompts.asked.clear();
        h.prompts.saveAnswers = {c.answer};
        h.app.recentFiles().AddItem(file);
        h.app.recentFiles().Click(0);
        EXPECT_EQ(h.prompts.asked, QStringList{u"Save changes to the current project?"_s});
        EXPECT_EQ(h.project()->FileName() == file, c.opened);
        EXPECT_EQ(h.form->windowTitle() == u"Quillmere - \"recent.QMP\""_s, c.opened);
    }
}

}  // namespace
