#include "commands/CommandTable.h"

#include "commands/CommandHandlers.h"
#include "common/Assertion.h"
#include "config/Config.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

std::vector<CommandEntry> buildTable() {
    using C = CommandId;
    using M = MenuPlace;
    using E = Enabling;
    const QKeySequence none;
    // Columns: command, action name, caption, hint, shortcut, menu, where it
    // goes and how it shows, enabling rule, handler. Rows of one menu follow
    // each other in menu order; the rows without a menu come last.
    // clang-format off
    return {
        {C::PrjNew, "PrjNewAction", u"&Create New Project"_s, u"Create a new slide show project"_s, none, M::File, kToolBar, E::Always, &FileCommands::PrjNew},
        {C::PrjOpen, "PrjOpenAction", u"&Open..."_s, u"Open an existing slide show project"_s, none, M::File, kToolBar, E::Always, &FileCommands::PrjOpen},
        {C::PrjSave, "PrjSaveAction", u"&Save"_s, u"Save current slide show project"_s, QKeySequence(Qt::CTRL | Qt::Key_S), M::File, kToolBar, E::ProjectOpen, &FileCommands::PrjSave},
        {C::PrjSaveAs, "PrjSaveAsAction", u"Save &As..."_s, u"Save current slide show project under a new name"_s, none, M::File, kMenuOnly, E::ProjectOpen, &FileCommands::PrjSaveAs},
        {C::PrjClose, "PrjCloseAction", u"&Close"_s, u"Close the current slide show project"_s, none, M::File, kMenuOnly, E::ProjectOpen, &FileCommands::PrjClose},
        {C::EditGlobalDefaults, "EditGlobalDefaultsAction", u"Defaults..."_s, QString(), none, M::File, kSeparatorBefore | kHidden, E::Always, &FileCommands::EditGlobalDefaults},
        {C::Preferences, "PreferencesAction", u"&Preferences..."_s, u"Show the saved settings dialog"_s, none, M::File, kMenuOnly, E::Always, &FileCommands::Preferences},
        {C::Exit, "ExitAction", u"E&xit"_s, QString(), none, M::File, kSeparatorBefore, E::Always, &FileCommands::Exit},
        {C::Undo, "UndoAction", u"&Undo %1"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_Z), M::Edit, kMenuOnly, E::CanUndo, &EditCommands::Undo},
        {C::Cut, "CutAction", u"Cut"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_X), M::Edit, kSeparatorBefore, E::Never, &NoFunction},
        {C::Copy, "CopyAction", u"Copy"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_C), M::Edit, kMenuOnly, E::Never, &NoFunction},
        {C::Paste, "PasteAction", u"Paste"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_P), M::Edit, kMenuOnly, E::ClipboardHasNodes, &EditCommands::Paste},
        {C::PasteShortcut, "PasteShortcutAction", u"Paste Shortcut"_s, QString(), none, M::Edit, kHidden, E::Never, &NoFunction},
        {C::SelectAll, "SelectAllAction", u"Select &All"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_A), M::Edit, kSeparatorBefore, E::Always, &EditCommands::SelectAll},
        {C::Invert, "InvertAction", u"&Invert Selection"_s, QString(), none, M::Edit, kHidden, E::Never, &NoFunction},
        {C::ViewGroupingPanel, "ViewGroupingPanelAction", u"Grouping Panel"_s, QString(), none, M::View, kHidden | kCheckable, E::Always, &ViewCommands::GroupingPanel},
        {C::ViewBrowser, "ViewBrowserAction", u"Main Window"_s, QString(), none, M::View, kCheckable | kChecked, E::Always, &NoFunction},
        {C::ViewFolderTree, "ViewFolderTreeAction", u"Folder Tree"_s, QString(), QKeySequence(Qt::SHIFT | Qt::Key_F1), M::View, kHidden | kCheckable | kChecked, E::Always, &ViewCommands::FolderTree},
        {C::ViewProjectWindow, "ViewProjectWindowAction", u"Project"_s, u"Toggle project window visiblity"_s, QKeySequence(Qt::SHIFT | Qt::Key_F3), M::View, kCheckable | kChecked, E::ProjectOpen, &ViewCommands::ProjectWindow},
        {C::ViewExplorerFolder, "ViewExplorerFolderAction", u"Explorer Folder"_s, QString(), QKeySequence(Qt::SHIFT | Qt::Key_F2), M::View, kHidden | kCheckable, E::Always, &ViewCommands::ExplorerFolder},
        {C::ViewPreviewWindow, "ViewPreviewWindowAction", u"Preview"_s, QString(), QKeySequence(Qt::SHIFT | Qt::Key_F4), M::View, kHidden | kCheckable, E::Always, &ViewCommands::PreviewWindow},
        {C::ViewToolbar, "ViewToolbarAction", u"Tool Bar"_s, u"Toggle tool bar visiblity"_s, none, M::View, kSeparatorBefore | kCheckable | kChecked, E::Always, &ViewCommands::Toolbar},
        {C::ViewStatusbar, "ViewStatusbarAction", u"Status Bar"_s, u"Toggle status bar visiblity"_s, none, M::View, kCheckable | kChecked, E::Always, &ViewCommands::Statusbar},
        {C::Refresh, "RefreshAction", u"&Refresh"_s, QString(), QKeySequence(Qt::Key_F5), M::View, kSeparatorBefore | kHidden, E::Always, &NoFunction},
        {C::AddTableSetup, "AddTableSetupAction", u"Add New Table Setup..."_s, QString(), none, M::Table, kMenuOnly, E::ProjectOpen, &TableSetupCommands::AddTableSetup},
        {C::QuickFillTableSetup, "QuickFillTableSetupAction", u"Smart Fill Out Table Setup..."_s, QString(), none, M::Table, kMenuOnly, E::ProjectOpen, &TableSetupCommands::QuickFillTableSetup},
        {C::ComparisonRules, "ComparisonRulesAction", u"Comparison Rules..."_s, u"Choose what counts as a difference in the columns of the current table setup"_s, none, M::Table, kMenuOnly, E::CurrentTableSetup, &TableSetupCommands::EditComparisonRules},
        {C::OpenSource, "OpenSourceAction", u"Open Source"_s, QString(), none, M::Table, kSeparatorBefore, E::Always, &TableCommands::OpenSource},
        {C::OpenTarget, "OpenTargetAction", u"Open Target (Destination)"_s, QString(), none, M::Table, kMenuOnly, E::Always, &TableCommands::OpenTarget},
        {C::OpenBothSourceAndTarget, "OpenBothSourceAndTargetAction", u"Open Source && Target"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_O), M::Table, kMenuOnly, E::Always, &TableCommands::OpenBoth},
        {C::AddLookup, "AddLookupAction", u"Add Lookup..."_s, QString(), none, M::Table, kSeparatorBefore, E::ProjectOpen, LookupCommands::AddLookup},
        {C::EditLookup, "EditLookupAction", u"Edit Lookup..."_s, QString(), none, M::Table, kMenuOnly, E::Always, LookupCommands::EditLookup},
        {C::DeleteLookup, "DeleteLookupAction", u"Delete Lookup"_s, QString(), none, M::Table, kMenuOnly, E::Always, LookupCommands::DeleteLookup},
        {C::AutoCreateLookupDefsTable, "AutoCreateLookupDefsTableActionAction", u"Auto create lookup definitions for table setup.."_s, QString(), none, M::Table, kMenuOnly, E::ProjectOpen, LookupCommands::AutoCreateForTableSetup},
        {C::Rename, "RenameAction", u"&Rename"_s, u"Rename file."_s, none, M::Table, kSeparatorBefore | kHidden, E::Never, &NoFunction},
        {C::ScriptNew, "ScriptNewAction", u"&Create New Script"_s, u"Create a new script"_s, none, M::Script, kMenuOnly, E::Always, &ScriptCommands::ScriptNew},
        {C::ScriptOpen, "ScriptOpenAction", u"&Open..."_s, u"Open an existing script"_s, none, M::Script, kMenuOnly, E::Always, &ScriptCommands::ScriptOpen},
        {C::ScriptSave, "ScriptSaveAction", u"&Save"_s, u"Save current script"_s, QKeySequence(Qt::CTRL | Qt::Key_S), M::Script, kHidden, E::Always, &NoFunction},
        {C::ScriptSaveAs, "ScriptSaveAsAction", u"Save &As..."_s, u"Save current script under a new name"_s, none, M::Script, kMenuOnly, E::Always, &ScriptCommands::ScriptSaveAs},
        {C::MakeScript, "MakeScriptAction", u"Make script for current merge tab"_s, QString(), none, M::Script, kSeparatorBefore, E::Always, &ScriptCommands::MakeScript},
        {C::ExecuteScript, "ExecuteScriptjAction", u"&Execute Script"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_R), M::Script, kToolBar | kToolBarSeparator, E::ProjectOpen, &ScriptCommands::ExecuteScript},
        {C::CreateScript, "CreateScriptAction", u"Create Script Automatically"_s, u"Create Script To Update Target Database For Script Enabled Table Setups"_s, none, M::Project, kToolBar, E::ProjectOpen, &ProjectCommands::CreateScript},
        {C::DelSlide, "DelSlideAction", u"Delete Selected Table Setups"_s, QString(), none, M::Project, kSeparatorBefore, E::TableSetupsSelected, &TableSetupCommands::DeleteSelected},
        {C::MoveUp, "MoveUpAction", u"Move Current Table Setup Up In List"_s, QString(), none, M::Project, kMenuOnly, E::ProjectOpen, &TableSetupCommands::MoveUp},
        {C::MoveDown, "MoveDownAction", u"Move Current Table Setup Down In List"_s, QString(), none, M::Project, kMenuOnly, E::ProjectOpen, &TableSetupCommands::MoveDown},
        {C::EditPrjSettings, "EditPrjSettingsAction", u"Edit Settings..."_s, u"Edit the slide show projects settings"_s, none, M::Project, kSeparatorBefore | kHidden, E::ProjectOpen, &ProjectCommands::EditPrjSettings},
        {C::AutoCreateLookupDefsProject, "AutoCreateLookupDefsProjectAction", u"Auto create lookup definitions for project.."_s, QString(), none, M::Project, kSeparatorBefore, E::ProjectOpen, LookupCommands::AutoCreateForProject},
        {C::CopySourceOnlyRecordsToDest, "CopySourceOnlyRecordsToDestAction", u"Copy 'source only' records to target"_s, QString(), none, M::Actions, kMenuOnly, E::SourceAndTargetOpen, &MergeCommands::CopySourceOnlyRecordsToDest},
        {C::ChangeRecsWithDifferencesToEqualSource, "ChangeRecsWithDifferencesToEqualSourceAction", u"Change 'difference' records to match source"_s, QString(), none, M::Actions, kMenuOnly, E::SourceAndTargetOpen, &MergeCommands::ChangeRecsWithDifferencesToEqualSource},
        {C::DeleteDestOnlyRecords, "DeleteDestOnlyRecordsAction", u"Mark 'target only' records for deletion"_s, QString(), none, M::Actions, kMenuOnly, E::SourceAndTargetOpen, &MergeCommands::DeleteDestOnlyRecords},
        {C::ChangeDataToEqualSourceNoDelete, "ChangeDataToEqualSourceNoDeleteAction", u"Copy and change records to match source (No delete)"_s, QString(), none, M::Actions, kSeparatorBefore, E::SourceAndTargetOpen, &MergeCommands::ChangeDataToEqualSourceNoDelete},
        {C::ChangeDataToEqualSource, "ChangeDataToEqualSourceAction", u"Copy, change and delete records to match source"_s, QString(), none, M::Actions, kMenuOnly, E::SourceAndTargetOpen, &MergeCommands::ChangeDataToEqualSource},
        {C::CopySelectedSourceOnlyRecordsToDestination, "CopySelectedSourceOnlyRecordsToDestinationAction", u"Copy selected 'source only' records to target"_s, QString(), none, M::Actions, kSeparatorBefore, E::SourceAndTargetOpen, &MergeCommands::CopySelectedSourceOnlyRecordsToDestination},
        {C::DeleteAllRecordsFromDestination, "DeleteAllRecordsFromDestinationAction", u"Mark all target records for deletion"_s, QString(), none, M::Actions, kSeparatorAfter, E::TargetOpen, &MergeCommands::DeleteAllRecordsFromDestination},
        {C::HelpContents, "HelpContentsAction", u"Contents"_s, u"Display the help contents screen"_s, none, M::Help, kMenuOnly, E::Always, &HelpCommands::Contents},
        {C::WWWProduct, "WWWProductAction", u"Quillmere Home Page"_s, QString(), none, M::Help, kSeparatorBefore, E::Always, &HelpCommands::ProductHomePage},
        {C::WWWkazmo, "WWWkazmoAction", u"Kazmo Home Page"_s, QString(), none, M::Help, kMenuOnly, E::Always, &HelpCommands::MakerHomePage},
        {C::About, "AboutAction", u"About..."_s, u"Show program information"_s, none, M::Help, kSeparatorBefore, E::Always, &HelpCommands::About},
        {C::Mail, "MailAction", u"Mail to kazmo (%1)"_s.arg(TPrjConfig::instance().MakerMail), QString(), none, M::None, kMenuOnly, E::Always, &HelpCommands::Mail},
        {C::QueryOpen, "QueryOpenAction", u"&Open"_s, QString(), none, M::None, kMenuOnly, E::Always, &QueryCommands::QueryOpen},
        {C::ScriptClose, "ScriptCloseAction", u"&Close"_s, u"Close the current script"_s, none, M::None, kHidden, E::Always, &NoFunction},
        {C::AddAllThumbs, "AddAllThumbsAction", u"Add All Thumbnails"_s, QString(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A), M::None, kMenuOnly, E::ProjectOpen, &NoFunction},
        {C::OutputPrjQiz, "OutputPrjQizAction", u"Output Wizard..."_s, QString(), none, M::None, kHidden, E::ProjectOpen, &NoFunction},
        {C::NewFolder, "NewFolderAction", u"Create New &Folder"_s, QString(), none, M::None, kMenuOnly, E::Always, &NoFunction},
        {C::OrderNone, "OrderNoneAction", u"None"_s, QString(), none, M::None, kMenuOnly, E::Always, &NoFunction},
        {C::OrderName, "OrderNameAction", u"Name"_s, QString(), none, M::None, kMenuOnly, E::Always, &NoFunction},
        {C::OrderExtension, "OrderExtensionAction", u"Extension"_s, QString(), none, M::None, kMenuOnly, E::Always, &NoFunction},
        {C::OrderSize, "OrderSizeAction", u"Size"_s, QString(), none, M::None, kMenuOnly, E::Always, &NoFunction},
    };
    // clang-format on
}

bool enabledBy(Enabling rule, const ActionState& state) {
    switch (rule) {
        case Enabling::Always:
            return true;
        case Enabling::ProjectOpen:
            return state.projectOpen;
        case Enabling::TableSetupsSelected:
            return state.projectOpen && state.selectedTableSetups > 0;
        case Enabling::CurrentTableSetup:
            return state.currentTableSetup;
        case Enabling::CanUndo:
            return state.canUndo;
        case Enabling::ClipboardHasNodes:
            return state.clipboardHasNodes;
        case Enabling::TargetOpen:
            return state.targetOpen;
        case Enabling::SourceAndTargetOpen:
            return state.sourceOpen && state.targetOpen;
        case Enabling::Never:
            return false;
    }
    return false;
}

}  // namespace

const std::vector<CommandEntry>& CommandTable() {
    static const std::vector<CommandEntry> table = buildTable();
    return table;
}

const CommandEntry& commandEntry(CommandId id) {
    for (const CommandEntry& entry : CommandTable()) {
        if (entry.id == id) {
            return entry;
        }
    }
    QM_ASSERT(false);
    return CommandTable().front();
}

CommandStates UpdateActions(const ActionState& state) {
    CommandStates states;
    for (const CommandEntry& entry : CommandTable()) {
        // Any command would start a second operation inside the running
        // one, on the lists it is changing.
        CommandStatus status{!state.busy && enabledBy(entry.enabling, state), entry.caption};
        if (entry.id == CommandId::Undo) {
            // With nothing to undo the caption keeps its trailing blank.
            status.caption = entry.caption.arg(state.undoCaption);
        }
        states[entry.id] = status;
    }
    return states;
}

void NoFunction(CommandContext&) {}

}  // namespace qm
