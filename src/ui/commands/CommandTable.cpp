#include "commands/CommandTable.h"

#include "commands/CommandHandlers.h"
#include "common/Assertion.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

std::vector<CommandSpec> buildTable() {
    using M = MenuPlace;
    using E = Enabling;
    const QKeySequence none;
    // Menu order: rows of one menu follow each other in the order shown.
    return {
        {CommandId::PrjNew, "PrjNewAction", u"&Create New Project"_s,
         u"Create a new slide show project"_s, none, M::File, false, true, false, E::Always,
         &FileCommands::PrjNew},
        {CommandId::PrjOpen, "PrjOpenAction", u"&Open..."_s,
         u"Open an existing slide show project"_s, none, M::File, false, true, false, E::Always,
         &FileCommands::PrjOpen},
        {CommandId::PrjSave, "PrjSaveAction", u"&Save"_s, u"Save current slide show project"_s,
         QKeySequence(Qt::CTRL | Qt::Key_S), M::File, false, true, false, E::ProjectOpen,
         &FileCommands::PrjSave},
        {CommandId::PrjSaveAs, "PrjSaveAsAction", u"Save &As..."_s,
         u"Save current slide show project under a new name"_s, none, M::File, false, false, false,
         E::ProjectOpen, &FileCommands::PrjSaveAs},
        {CommandId::PrjClose, "PrjCloseAction", u"&Close"_s,
         u"Close the current slide show project"_s, none, M::File, false, false, false,
         E::ProjectOpen, &FileCommands::PrjClose},
        // The "Reopen" submenu goes in before the separator above this row.
        {CommandId::Preferences, "PreferencesAction", u"&Preferences..."_s,
         u"Show the saved settings dialog"_s, none, M::File, true, false, false, E::Always,
         &FileCommands::Preferences},
        {CommandId::Exit, "ExitAction", u"E&xit"_s, QString(), none, M::File, true, false, false,
         E::Always, &FileCommands::Exit},
        {CommandId::Undo, "UndoAction", u"&Undo %1"_s, QString(),
         QKeySequence(Qt::CTRL | Qt::Key_Z), M::Edit, false, false, false, E::CanUndo,
         &EditCommands::Undo},
        {CommandId::OpenSource, "OpenSourceAction", u"Open Source"_s, QString(), none, M::Table,
         false, false, false, E::Always, &TableCommands::OpenSource},
        {CommandId::OpenTarget, "OpenTargetAction", u"Open Target (Destination)"_s, QString(), none,
         M::Table, false, false, false, E::Always, &TableCommands::OpenTarget},
        {CommandId::OpenBothSourceAndTarget, "OpenBothSourceAndTargetAction",
         u"Open Source && Target"_s, QString(), QKeySequence(Qt::CTRL | Qt::Key_O), M::Table, false,
         false, false, E::Always, &TableCommands::OpenBoth},
        {CommandId::ExecuteScript, "ExecuteScriptjAction", u"&Execute Script"_s, QString(),
         QKeySequence(Qt::CTRL | Qt::Key_R), M::Script, false, true, true, E::ProjectOpen, nullptr},
        {CommandId::CreateScript, "CreateScriptAction", u"Create Script Automatically"_s,
         u"Create Script To Update Target Database For Script Enabled Table Setups"_s, none,
         M::Project, false, true, false, E::ProjectOpen, nullptr},
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

const std::vector<CommandSpec>& CommandTable() {
    static const std::vector<CommandSpec> table = buildTable();
    return table;
}

const CommandSpec& commandSpec(CommandId id) {
    for (const CommandSpec& spec : CommandTable()) {
        if (spec.id == id) {
            return spec;
        }
    }
    QM_ASSERT(false);
    return CommandTable().front();
}

CommandStates UpdateActions(const ActionState& state) {
    CommandStates states;
    for (const CommandSpec& spec : CommandTable()) {
        CommandStatus status{enabledBy(spec.enabling, state), spec.caption};
        if (spec.id == CommandId::Undo) {
            // With nothing to undo the caption keeps its trailing blank.
            status.caption = spec.caption.arg(state.undoCaption);
        }
        states[spec.id] = status;
    }
    return states;
}

}  // namespace qm
