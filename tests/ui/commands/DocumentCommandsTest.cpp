// The file and edit commands as the window runs them: undo through its
// hidden menu's shortcut, and reopening a recent file.

#include "document/TUndoHandler.h"
#include "document/TkzMRUFileList.h"
#include "project/PrjDataSaved.h"
#include "ui/window/MainWindowHarness.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/StatusStrip.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
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

// With the Edit menu hidden, Ctrl+Z is the only way to the project's undo:
// a text field with nothing of its own to undo passes it on; one with an
// edit undoes that first.
TEST_F(DocumentCommandsTest, CtrlZInATextFieldUndoesTheProjectOnceTheFieldHasNothingToUndo) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    h.form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.form.get()));
    QLineEdit& lineField = h.form->mergeTab().keyEdit();
    QPlainTextEdit& textField = h.form->mergeTab().side(Side::Source).queryEditor();

    const struct {
        const char* name;
        QWidget* field;
        QString typed;  ///< the field's own edit before Ctrl+Z
    } cases[] = {
        {"line field, nothing typed", &lineField, QString()},
        {"line field, typed", &lineField, u"a"_s},
        {"text field, nothing typed", &textField, QString()},
        {"text field, typed", &textField, u"a"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.project()->PrjData().SetSourceDBAlias(u"before"_s);
        h.app.undo().RecordProjectChange(u"Add New Table Setup..."_s, h.project()->PrjData(), 0);
        h.project()->PrjData().SetSourceDBAlias(u"after"_s);
        h.form->UpdateUI();
        c.field->setFocus();
        ASSERT_TRUE(c.field->hasFocus());
        if (!c.typed.isEmpty()) {
            QTest::keyClicks(c.field, c.typed);
            QTest::keyClick(c.field, Qt::Key_Z, Qt::ControlModifier);
            EXPECT_EQ(h.project()->PrjData().SourceDBAlias(), u"after"_s)
                << "the field's own edit goes first";
        }
        QTest::keyClick(c.field, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(h.project()->PrjData().SourceDBAlias(), u"before"_s);
        EXPECT_FALSE(h.actions.action(CommandId::Undo)->isEnabled());
    }
}

// Undo after a save brings back a state that is not on disk: the project
// counts as modified, the window says so, and closing asks to save it.
TEST_F(DocumentCommandsTest, UndoAfterASaveLeavesTheProjectModifiedInTheWindow) {
    MainWindowHarness h;
    h.show();
    h.actions.execute(CommandId::PrjNew);
    h.app.undo().RecordProjectChange(u"Add New Table Setup..."_s, h.project()->PrjData(), 0);
    h.project()->PrjData().SetSourceDBAlias(u"after"_s);
    h.prompts.saveName = h.path(u"saved.QMP"_s);
    h.actions.execute(CommandId::PrjSaveAs);
    h.settle();
    ASSERT_FALSE(h.project()->GetModified());
    ASSERT_EQ(h.form->statusStrip().modifiedText(), QString());

    h.actions.execute(CommandId::Undo);
    h.settle();
    EXPECT_TRUE(h.project()->GetModified());
    EXPECT_EQ(h.form->statusStrip().modifiedText(), u"Modified"_s);
    h.prompts.saveAnswers = {BoxButton::Cancel};
    h.actions.execute(CommandId::PrjClose);
    EXPECT_EQ(h.prompts.asked, QStringList{u"Save changes to the current project?"_s});
    EXPECT_NE(h.project(), nullptr) << "cancelled: the project stays open";
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
