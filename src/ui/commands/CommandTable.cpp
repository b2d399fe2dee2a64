#include "commands/CommandTable.h"

#include "commands/CommandHandlers.h"
#include "common/Assertion.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

std::vector<CommandEntry> buildTable() {
    using M = MenuPlace;
    using E = Enabling;
    const QKeySequence none;
    // Columns: command, action name, caption, hint, shortcut, menu, where it
    // goes beside its menu item, enabling rule, handler. Rows of one menu
    // follow each other in menu order.
    return {
        {CommandId::PrjNew, "PrjNewAction", u"&Create New Project"_s,
         u"Create a new slide show project"_s, none, M::File, kToolBar, E::Always,
         &FileCommands::PrjNew},
        {CommandId::PrjOpen, "PrjOpenAction", u"&Open..."_s,
         u"Open an existing slide show project"_s, none, M::File, kToolBar, E::Always,
         &FileCommands::PrjOpen},
        {CommandId::PrjSave, "PrjSaveAction", u"&Save"_s, u"Save current slide show project"_s,
         QKeySequence(Qt::CTRL | Qt::Key_S), M::File, kToolBar, E::ProjectOpen,
         &FileCommands::PrjSave},
        {CommandId::PrjSaveAs, "PrjSaveAsAction", u"Save &As..."_s,
         u"Save current slide show project under a new name"_s, none, M::File, kMenuOnly,
         E::ProjectOpen, &FileCommands::PrjSaveAs},
        {CommandId::PrjClose, "PrjCloseAction", u"&Close"_s,
         u"Close the current slide show project"_s, none, M::File, kMenuOnly, E::ProjectOpen,
         &FileCommands::PrjClose},
        // The "Reopen" submenu goes in before the separator above this row.
        {CommandId::Preferences, "PreferencesAction", u"&Preferences..."_s,
         u"Show the saved settings dialog"_s, none, M::File, kSeparatorBefore, E::Always,
         &FileCommands::Preferences},
        {CommandId::Exit, "ExitAction", u"E&xit"_s, QString(), none, M::File, kSeparatorBefore,
         E::Always, &FileCommands::Exit},
        {CommandId::Undo, "UndoAction", u"&Undo %1"_s, QString(),
         QKeySequence(Qt::CTRL | Qt::Key_Z), M::Edit, kMenuOnly, E::CanUndo, &EditCommands::Undo},
        {CommandId::OpenSource, "OpenSourceAction", u"Open Source"_s, QString(), none, M::Table,
         kMenuOnly, E::Always, &TableCommands::OpenSource},
        {CommandId::OpenTarget, "OpenTargetAction", u"Open Target (Destination)"_s, QString(), none,
         M::Table, kMenuOnly, E::Always, &TableCommands::OpenTarget},
        {CommandId::OpenBothSourceAndTarget, "OpenBothSourceAndTargetAction",
         u"Open Source && Target"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_O), M::Table,
         kMenuOnly, E::Always, &TableCommands::OpenBoth},
        {CommandId::MakeScript, "MakeScriptAction", u"Make script for current merge tab"_s,
         QString(), none, M::Script, kMenuOnly, E::Always, &ScriptCommands::MakeScript},
        {CommandId::ExecuteScript, "ExecuteScriptjAction", u"&Execute Script"_s, QString(),
         QKeySequence(Qt::CTRL | Qt::Key_R), M::Script, kToolBar | kToolBarSeparator,
         E::ProjectOpen, nullptr},
        {CommandId::CreateScript, "CreateScriptAction", u"Create Script Automatically"_s,
         u"Create Script To Update Target Database For Script Enabled Table Setups"_s, none,
         M::Project, kToolBar, E::ProjectOpen, nullptr},
        {CommandId::CopySourceOnlyRecordsToDest, "CopySourceOnlyRecordsToDestAction",
         u"Copy 'source only' records to target"_s, QString(), none, M::Actions, kMenuOnly,
         E::SourceAndTargetOpen, &MergeCommands::CopySourceOnlyRecordsToDest},
        {CommandId::ChangeRecsWithDifferencesToEqualSource,
         "ChangeRecsWithDifferencesToEqualSourceAction",
         u"Change 'difference' records to match source"_s, QString(), none, M::Actions, kMenuOnly,
         E::SourceAndTargetOpen, &MergeCommands::ChangeRecsWithDifferencesToEqualSource},
        {CommandId::DeleteDestOnlyRecords, "DeleteDestOnlyRecordsAction",
         u"Mark 'target only' records for deletion"_s, QString(), none, M::Actions, kMenuOnly,
         E::SourceAndTargetOpen, &MergeCommands::DeleteDestOnlyRecords},
        {CommandId::ChangeDataToEqualSourceNoDelete, "ChangeDataToEqualSourceNoDeleteAction",
         u"Copy and change records to match source (No delete)"_s, QString(), none, M::Actions,
         kSeparatorBefore, E::SourceAndTargetOpen, &MergeCommands::ChangeDataToEqualSourceNoDelete},
        {CommandId::ChangeDataToEqualSource, "ChangeDataToEqualSourceAction",
         u"Copy, change and delete records to match source"_s, QString(), none, M::Actions,
         kMenuOnly, E::SourceAndTargetOpen, &MergeCommands::ChangeDataToEqualSource},
        {CommandId::CopySelectedSourceOnlyRecordsToDestination,
         "CopySelectedSourceOnlyRecordsToDestinationAction",
         u"Copy selected 'source only' records to target"_s, QString(), none, M::Actions,
         kSeparatorBefore, E::SourceAndTargetOpen,
         &MergeCommands::CopySelectedSourceOnlyRecordsToDestination},
        {CommandId::DeleteAllRecordsFromDestination, "DeleteAllRecordsFromDestinationAction",
         u"Mark all target records for deletion"_s, QString(), none, M::Actions, kMenuOnly,
         E::TargetOpen, &MergeCommands::DeleteAllRecordsFromDestination},
    };
}

bool enabledBy(Enabling rule, const ActionState& state) {
    switch (rule) {
        case Enabling::Always:
            return true;
        case Enabling::ProjectOpen:
            return state.projectOpen;
        case Enabling::CanUndo:
            return state.canUndo;
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
        CommandStatus status{enabledBy(entry.enabling, state), entry.caption};
        if (entry.id == CommandId::Undo) {
            // With nothing to undo the caption keeps its trailing blank.
            status.caption = entry.caption.arg(state.undoCaption);
        }
        states[entry.id] = status;
    }
    return states;
}

}  // namespace qm
