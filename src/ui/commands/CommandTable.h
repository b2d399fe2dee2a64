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
    PrjNew,
    PrjOpen,
    PrjSave,
    PrjSaveAs,
    PrjClose,
    Preferences,
    Exit,
    Undo,
    OpenSource,
    OpenTarget,
    OpenBothSourceAndTarget,
    MakeScript,
    ExecuteScript,
    CreateScript,
    CopySourceOnlyRecordsToDest,
    ChangeRecsWithDifferencesToEqualSource,
    DeleteDestOnlyRecords,
    ChangeDataToEqualSourceNoDelete,
    ChangeDataToEqualSource,
    CopySelectedSourceOnlyRecordsToDestination,
    DeleteAllRecordsFromDestination,
};

/// The menus of the main window, in menu bar order.
enum class MenuPlace { None, File, Edit, View, Table, Script, Project, Actions, Help };

/// When a command is enabled; UpdateActions evaluates it.
enum class Enabling { Always, ProjectOpen, CanUndo, TargetOpen, SourceAndTargetOpen, Never };

/// Where a command goes besides its menu item; flags that add up.
enum Placement : unsigned {
    kMenuOnly = 0,
    kSeparatorBefore = 1,   ///< a separator above it in its menu
    kToolBar = 2,           ///< a button on the main tool bar
    kToolBarSeparator = 4,  ///< a separator before its tool bar button
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
    /// Runs the command; null for a command that has no function yet.
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
