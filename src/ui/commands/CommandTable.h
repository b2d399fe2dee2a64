#pragma once

#include <QKeySequence>
#include <QString>
#include <map>
#include <vector>

namespace qm {

class CommandContext;

/// Every command of the program. The order of CommandTable() is the order of
/// the menus; this enum only names the commands.
enum class CommandId {
    // File
    PrjNew,
    PrjOpen,
    PrjSave,
    PrjSaveAs,
    PrjClose,
    EditGlobalDefaults,
    Preferences,
    Exit,
    // Edit (hidden menu)
    Undo,
    Cut,
    Copy,
    Paste,
    PasteShortcut,
    SelectAll,
    Invert,
    // View
    ViewGroupingPanel,
    ViewBrowser,
    ViewFolderTree,
    ViewProjectWindow,
    ViewExplorerFolder,
    ViewPreviewWindow,
    ViewToolbar,
    ViewStatusbar,
    Refresh,
    // Table
    AddTableSetup,
    QuickFillTableSetup,
    ComparisonRules,
    OpenSource,
    OpenTarget,
    OpenBothSourceAndTarget,
    AddLookup,
    EditLookup,
    DeleteLookup,
    AutoCreateLookupDefsTable,
    Rename,
    // Script
    ScriptNew,
    ScriptOpen,
    ScriptSave,
    ScriptSaveAs,
    MakeScript,
    ExecuteScript,
    // Project
    CreateScript,
    DelSlide,
    MoveUp,
    MoveDown,
    EditPrjSettings,
    AutoCreateLookupDefsProject,
    // Actions
    CopySourceOnlyRecordsToDest,
    ChangeRecsWithDifferencesToEqualSource,
    DeleteDestOnlyRecords,
    ChangeDataToEqualSourceNoDelete,
    ChangeDataToEqualSource,
    CopySelectedSourceOnlyRecordsToDestination,
    DeleteAllRecordsFromDestination,
    // Help
    HelpContents,
    WWWProduct,
    WWWkazmo,
    About,
    // On no menu
    Mail,
    QueryOpen,
    ScriptClose,
    AddAllThumbs,
    OutputPrjQiz,
    NewFolder,
    OrderNone,
    OrderName,
    OrderExtension,
    OrderSize,
};

/// The menus of the main window, in menu bar order. The Edit and Test menus
/// are hidden.
enum class MenuPlace { None, File, Edit, View, Table, Script, Project, Actions, Help, Test };

/// When a command is enabled; UpdateActions evaluates it.
enum class Enabling {
    Always,
    ProjectOpen,
    /// A project is open and at least one of its table setups is selected.
    TableSetupsSelected,
    /// The table-setup list has a current row (with or without a project).
    CurrentTableSetup,
    CanUndo,
    /// The clipboard holds node data or a picture.
    ClipboardHasNodes,
    TargetOpen,
    SourceAndTargetOpen,
    Never,
};

/// Where a command goes besides its menu item, and how it shows; flags that
/// add up.
enum Placement : unsigned {
    kMenuOnly = 0,
    kSeparatorBefore = 1,   ///< a separator above it in its menu
    kToolBar = 2,           ///< a button on the main tool bar
    kToolBarSeparator = 4,  ///< a separator before its tool bar button
    kSeparatorAfter = 8,    ///< a separator below it in its menu
    kHidden = 16,           ///< not shown; its shortcut still runs it
    kCheckable = 32,        ///< carries a check mark
    kChecked = 64,          ///< checked at start
};

/// One command: what the menus, the tool bar and the shortcuts are built
/// from, and what runs when it is chosen.
struct CommandEntry {
    CommandId id;
    const char* name;  ///< object name of the action ("PrjNewAction")
    QString caption;   ///< "&" marks the access key, "&&" shows one "&"
    QString hint;
    QKeySequence shortcut;
    MenuPlace menu = MenuPlace::None;
    unsigned placement = kMenuOnly;  ///< Placement flags
    Enabling enabling = Enabling::Always;
    /// Runs the command; null for a command that is not built yet (choosing
    /// it says so).
    void (*handler)(CommandContext&) = nullptr;
};

/// The command table: one row per command, in menu order.
const std::vector<CommandEntry>& CommandTable();
/// The row of one command.
const CommandEntry& commandEntry(CommandId id);

/// What the enabling rules depend on.
struct ActionState {
    bool projectOpen = false;
    bool canUndo = false;
    /// The undo handler's caption of its last step ("'Project -> Add ...'"),
    /// empty with nothing to undo.
    QString undoCaption;
    bool sourceOpen = false;
    bool targetOpen = false;
    /// Table setups selected in the project panel's grid.
    int selectedTableSetups = 0;
    /// The table-setup list has a current row.
    bool currentTableSetup = false;
    bool clipboardHasNodes = false;
    /// Long work runs (opening, comparing, merging, writing or running a
    /// script): every command is disabled until it ends.
    bool busy = false;
};

/// The state of one command after UpdateActions.
struct CommandStatus {
    bool enabled = true;
    QString caption;
    friend bool operator==(const CommandStatus&, const CommandStatus&) = default;
};
using CommandStates = std::map<CommandId, CommandStatus>;

/// The enabled state and caption of every command for a state of the
/// program. Pure: the command module applies the result to its actions.
CommandStates UpdateActions(const ActionState& state);

}  // namespace qm
