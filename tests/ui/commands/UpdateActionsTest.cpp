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
                          C::EditGlobalDefaults,
                          C::Preferences,
                          C::Exit,
                          C::SelectAll,
                          C::ViewGroupingPanel,
                          C::ViewBrowser,
                          C::ViewFolderTree,
                          C::ViewExplorerFolder,
                          C::ViewPreviewWindow,
                          C::ViewToolbar,
                          C::ViewStatusbar,
                          C::Refresh,
                          C::OpenSource,
                          C::OpenTarget,
                          C::OpenBothSourceAndTarget,
                          C::EditLookup,
                          C::DeleteLookup,
                          C::ScriptNew,
                          C::ScriptOpen,
                          C::ScriptSave,
                          C::ScriptSaveAs,
                          C::MakeScript,
                          C::HelpContents,
                          C::WWWProduct,
                          C::WWWkazmo,
                          C::About,
                          C::Mail,
                          C::QueryOpen,
                          C::ScriptClose,
                          C::NewFolder,
                          C::OrderNone,
                          C::OrderName,
                          C::OrderExtension,
                          C::OrderSize};
    // The table-setup commands need a project: without one they would have
    // nothing to work on.
    const QList<C> withProject{C::PrjSave,         C::PrjSaveAs,
                               C::PrjClose,        C::ViewProjectWindow,
                               C::AddTableSetup,   C::QuickFillTableSetup,
                               C::AddLookup,       C::AutoCreateLookupDefsTable,
                               C::ExecuteScript,   C::CreateScript,
                               C::MoveUp,          C::MoveDown,
                               C::EditPrjSettings, C::AutoCreateLookupDefsProject,
                               C::AddAllThumbs,    C::OutputPrjQiz};
    const QList<C> withBothSides{
        C::CopySourceOnlyRecordsToDest, C::ChangeRecsWithDifferencesToEqualSource,
        C::DeleteDestOnlyRecords,       C::ChangeDataToEqualSourceNoDelete,
        C::ChangeDataToEqualSource,     C::CopySelectedSourceOnlyRecordsToDestination};
    struct Case {
        const char* what;
        ActionState state;
        QList<C> enabled;
    };
    ActionState selected = stateOf(true, false, false, false);
    selected.selectedTableSetups = 2;
    ActionState selectedNoProject = stateOf(false, false, false, false);
    selectedNoProject.selectedTableSetups = 1;
    ActionState clipboard = stateOf(false, false, false, false);
    clipboard.clipboardHasNodes = true;
    // The rules belong to the current table setup, also one of the default
    // files while no project is open.
    ActionState current = stateOf(false, false, false, false);
    current.currentTableSetup = true;
    // While long work runs no command starts, whatever else would enable it.
    const auto busy = [](ActionState state) {
        state.busy = true;
        return state;
    };
    ActionState everything = stateOf(true, true, true, true);
    everything.selectedTableSetups = 1;
    everything.currentTableSetup = true;
    everything.clipboardHasNodes = true;
    const QList<Case> cases{
        {"nothing open", stateOf(false, false, false, false), always},
        {"a project open", stateOf(true, false, false, false), always + withProject},
        {"an undo step", stateOf(true, true, false, false),
         always + withProject + QList<C>{C::Undo}},
        {"table setups selected", selected, always + withProject + QList<C>{C::DelSlide}},
        {"a selection left without a project", selectedNoProject, always},
        {"node data on the clipboard", clipboard, always + QList<C>{C::Paste}},
        {"a current table setup", current, always + QList<C>{C::ComparisonRules}},
        {"both sides open, no project", stateOf(false, false, true, true),
         always + withBothSides + QList<C>{C::DeleteAllRecordsFromDestination}},
        {"only the target open", stateOf(false, false, false, true),
         always + QList<C>{C::DeleteAllRecordsFromDestination}},
        {"only the source open", stateOf(false, false, true, false), always},
        {"busy with nothing open", busy(stateOf(false, false, false, false)), {}},
        {"busy with everything that enables", busy(everything), {}},
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

QStringList itemsOf(const QMenu* menu) {
    QStringList items;
    for (QAction* item : menu->actions()) {
        items << (item->isSeparator() ? u"-"_s
                  : item->isVisible() ? item->text()
                                      : item->text() + u" (hidden)"_s);
    }
    return items;
}

TEST_F(CommandMenusTest, EveryMenuHoldsItsCommandsInOrder) {
    QMainWindow window;
    TActionsDM actions;
    actions.buildMenus(*window.menuBar(), window);
    actions.apply(UpdateActions({}));

    QStringList titles;
    for (QAction* menu : window.menuBar()->actions()) {
        titles << (menu->isVisible() ? menu->text() : menu->text() + u" (hidden)"_s);
    }
    EXPECT_EQ(titles,
              (QStringList{u"&File"_s, u"&Edit (hidden)"_s, u"&View"_s, u"Table"_s, u"&Script"_s,
                           u"&Project"_s, u"&Actions"_s, u"&Help"_s, u"&Test (hidden)"_s}));
    const QList<std::pair<MenuPlace, QStringList>> menus{
        {MenuPlace::File,
         {u"&Create New Project"_s, u"&Open..."_s, u"&Save"_s, u"Save &As..."_s, u"&Close"_s,
          u"-"_s, u"Defaults... (hidden)"_s, u"&Preferences..."_s, u"-"_s, u"E&xit"_s}},
        {MenuPlace::Edit,
         {u"&Undo "_s, u"-"_s, u"Cut"_s, u"Copy"_s, u"Paste"_s, u"Paste Shortcut (hidden)"_s,
          u"-"_s, u"Select &All"_s, u"&Invert Selection (hidden)"_s}},
        {MenuPlace::View,
         {u"Grouping Panel (hidden)"_s, u"Main Window"_s, u"Folder Tree (hidden)"_s, u"Project"_s,
          u"Explorer Folder (hidden)"_s, u"Preview (hidden)"_s, u"-"_s, u"Tool Bar"_s,
          u"Status Bar"_s, u"-"_s, u"&Refresh (hidden)"_s}},
        {MenuPlace::Table,
         {u"Add New Table Setup..."_s, u"Smart Fill Out Table Setup..."_s, u"Comparison Rules..."_s,
          u"-"_s, u"Open Source"_s, u"Open Target (Destination)"_s, u"Open Source && Target"_s,
          u"-"_s, u"Add Lookup..."_s, u"Edit Lookup..."_s, u"Delete Lookup"_s,
          u"Auto create lookup definitions for table setup.."_s, u"-"_s, u"&Rename (hidden)"_s}},
        {MenuPlace::Script,
         {u"&Create New Script"_s, u"&Open..."_s, u"&Save (hidden)"_s, u"Save &As..."_s, u"-"_s,
          u"Make script for current merge tab"_s, u"&Execute Script"_s}},
        {MenuPlace::Project,
         {u"Create Script Automatically"_s, u"-"_s, u"Delete Selected Table Setups"_s,
          u"Move Current Table Setup Up In List"_s, u"Move Current Table Setup Down In List"_s,
          u"-"_s, u"Edit Settings... (hidden)"_s, u"-"_s,
          u"Auto create lookup definitions for project.."_s}},
        {MenuPlace::Actions,
         {u"Copy 'source only' records to target"_s,
          u"Change 'difference' records to match source"_s,
          u"Mark 'target only' records for deletion"_s, u"-"_s,
          u"Copy and change records to match source (No delete)"_s,
          u"Copy, change and delete records to match source"_s, u"-"_s,
          u"Copy selected 'source only' records to target"_s,
          u"Mark all target records for deletion"_s, u"-"_s}},
        {MenuPlace::Help,
         {u"Contents"_s, u"-"_s, u"Quillmere Home Page"_s, u"Kazmo Home Page"_s, u"-"_s,
          u"About..."_s}},
        {MenuPlace::Test, {}},
    };
    for (const auto& [place, items] : menus) {
        SCOPED_TRACE(actions.menu(place)->title().toStdString());
        EXPECT_EQ(itemsOf(actions.menu(place)), items);
    }
    // The recent files go in before the separator after "&Close".
    EXPECT_EQ(actions.reopenAnchor(), actions.menu(MenuPlace::File)->actions().at(5));
}

TEST_F(CommandMenusTest, ShortcutsHintsAndCheckMarksComeFromTheCommandTable) {
    QMainWindow window;
    TActionsDM actions;
    actions.buildMenus(*window.menuBar(), window);

    struct Shortcut {
        CommandId id;
        QKeySequence keys;
    };
    for (const Shortcut& s : QList<Shortcut>{
             {CommandId::OpenBothSourceAndTarget, QKeySequence(u"Ctrl+O"_s)},
             {CommandId::PrjSave, QKeySequence(u"Ctrl+S"_s)},
             {CommandId::Undo, QKeySequence(u"Ctrl+Z"_s)},
             {CommandId::Paste, QKeySequence(u"Ctrl+P"_s)},
             {CommandId::SelectAll, QKeySequence(u"Ctrl+A"_s)},
             {CommandId::ExecuteScript, QKeySequence(u"Ctrl+R"_s)},
             {CommandId::ViewFolderTree, QKeySequence(u"Shift+F1"_s)},
             {CommandId::ViewExplorerFolder, QKeySequence(u"Shift+F2"_s)},
             {CommandId::ViewProjectWindow, QKeySequence(u"Shift+F3"_s)},
             {CommandId::ViewPreviewWindow, QKeySequence(u"Shift+F4"_s)},
             {CommandId::Refresh, QKeySequence(u"F5"_s)},
             {CommandId::AddAllThumbs, QKeySequence(u"Ctrl+Alt+A"_s)},
             // Ctrl+S belongs to the File menu's "&Save", met first.
             {CommandId::ScriptSave, QKeySequence()},
         }) {
        EXPECT_EQ(actions.action(s.id)->shortcut(), s.keys)
            << actions.action(s.id)->objectName().toStdString();
        // Every command is the window's, so hidden ones answer their keys.
        EXPECT_TRUE(window.actions().contains(actions.action(s.id)));
        EXPECT_TRUE(actions.action(s.id)->isVisible());
    }
    EXPECT_EQ(actions.action(CommandId::PrjSave)->statusTip(),
              u"Save current slide show project"_s);
    EXPECT_EQ(actions.action(CommandId::CreateScript)->toolTip(),
              u"Create Script To Update Target Database For Script Enabled Table Setups"_s);
    for (CommandId checked :
         {CommandId::ViewBrowser, CommandId::ViewFolderTree, CommandId::ViewProjectWindow,
          CommandId::ViewToolbar, CommandId::ViewStatusbar}) {
        EXPECT_TRUE(actions.action(checked)->isChecked());
    }
    EXPECT_FALSE(actions.action(CommandId::ViewGroupingPanel)->isChecked());
    EXPECT_TRUE(actions.action(CommandId::Mail)->text().startsWith(u"Mail to kazmo ("_s));

    actions.apply(UpdateActions({}));
    EXPECT_FALSE(actions.action(CommandId::PrjSave)->isEnabled());
    EXPECT_TRUE(actions.action(CommandId::PrjOpen)->isEnabled());
}

}  // namespace
