// The enabling rules of the commands, and the menus built from the command
// table.

#include "commands/CommandTable.h"
#include "commands/TActionsDM.h"
#include "ui/UiTestSupport.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

QList<CommandId> enabledOf(const CommandStates& states) {
    QList<CommandId> enabled;
    for (const auto& [id, status] : states) {
        if (status.enabled) {
            enabled << id;
        }
    }
    return enabled;
}

ActionState stateOf(bool projectOpen, bool canUndo, bool sourceOpen, bool targetOpen) {
    ActionState state;
    state.projectOpen = projectOpen;
    state.canUndo = canUndo;
    state.undoCaption = canUndo ? u"'x'"_s : QString();
    state.sourceOpen = sourceOpen;
    state.targetOpen = targetOpen;
    return state;
}

TEST(UpdateActionsTest, CommandsAreEnabledByTheStateOfProjectUndoAndData) {
    using C = CommandId;
    const QList<C> always{C::PrjNew,
                          C::PrjOpen,
                          C::Preferences,
                          C::Exit,
                          C::OpenSource,
                          C::OpenTarget,
                          C::OpenBothSourceAndTarget,
                          C::MakeScript};
    const QList<C> withProject{C::PrjSave, C::PrjSaveAs, C::PrjClose, C::ExecuteScript,
                               C::CreateScript};
    const QList<C> withBothSides{
        C::CopySourceOnlyRecordsToDest, C::ChangeRecsWithDifferencesToEqualSource,
        C::DeleteDestOnlyRecords,       C::ChangeDataToEqualSourceNoDelete,
        C::ChangeDataToEqualSource,     C::CopySelectedSourceOnlyRecordsToDestination};
    struct Case {
        const char* what;
        ActionState state;
        QList<C> enabled;
    };
    const QList<Case> cases{
        {"nothing open", stateOf(false, false, false, false), always},
        {"a project open", stateOf(true, false, false, false), always + withProject},
        {"an undo step", stateOf(true, true, false, false),
         always + withProject + QList<C>{C::Undo}},
        {"both sides open, no project", stateOf(false, false, true, true),
         always + withBothSides + QList<C>{C::DeleteAllRecordsFromDestination}},
        {"only the target open", stateOf(false, false, false, true),
         always + QList<C>{C::DeleteAllRecordsFromDestination}},
        {"only the source open", stateOf(false, false, true, false), always},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QList<C> expected = c.enabled;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(enabledOf(UpdateActions(c.state)), expected);
    }
}

TEST(UpdateActionsTest, TheUndoCaptionNamesTheStepOrKeepsItsTrailingBlank) {
    EXPECT_EQ(UpdateActions({}).at(CommandId::Undo).caption, u"&Undo "_s);
    ActionState state = stateOf(true, true, false, false);
    state.undoCaption = u"'Project -> Add New Table Setup'"_s;
    EXPECT_EQ(UpdateActions(state).at(CommandId::Undo).caption,
              u"&Undo 'Project -> Add New Table Setup'"_s);
}

class CommandMenusTest : public test::UiTest {};

TEST_F(CommandMenusTest, MenusToolBarAndShortcutsComeFromTheCommandTable) {
    QMainWindow window;
    TActionsDM actions;
    actions.buildMenus(*window.menuBar(), window);

    QStringList file;
    for (QAction* item : actions.menu(MenuPlace::File)->actions()) {
        file << (item->isSeparator() ? u"-"_s : item->text());
    }
    EXPECT_EQ(file,
              (QStringList{u"&Create New Project"_s, u"&Open..."_s, u"&Save"_s, u"Save &As..."_s,
                           u"&Close"_s, u"-"_s, u"&Preferences..."_s, u"-"_s, u"E&xit"_s}));
    // The recent files go in before the separator after "&Close".
    EXPECT_EQ(actions.reopenAnchor(), actions.menu(MenuPlace::File)->actions().at(5));
    // The Edit menu is hidden, but its commands are the window's, so their
    // shortcuts work.
    EXPECT_FALSE(actions.menu(MenuPlace::Edit)->menuAction()->isVisible());
    EXPECT_TRUE(window.actions().contains(actions.action(CommandId::Undo)));

    struct Shortcut {
        CommandId id;
        QKeySequence keys;
    };
    for (const Shortcut& s :
         QList<Shortcut>{{CommandId::OpenBothSourceAndTarget, QKeySequence(u"Ctrl+O"_s)},
                         {CommandId::PrjSave, QKeySequence(u"Ctrl+S"_s)},
                         {CommandId::Undo, QKeySequence(u"Ctrl+Z"_s)},
                         {CommandId::ExecuteScript, QKeySequence(u"Ctrl+R"_s)}}) {
        EXPECT_EQ(actions.action(s.id)->shortcut(), s.keys)
            << actions.action(s.id)->text().toStdString();
    }
    EXPECT_EQ(actions.action(CommandId::PrjSave)->statusTip(),
              u"Save current slide show project"_s);

    actions.apply(UpdateActions({}));
    EXPECT_FALSE(actions.action(CommandId::PrjSave)->isEnabled());
    EXPECT_TRUE(actions.action(CommandId::PrjOpen)->isEnabled());
}

}  // namespace
