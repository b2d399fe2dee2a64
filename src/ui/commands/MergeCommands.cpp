#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "engine/TDM.h"
#include "window/ScriptTab.h"

// The engine shows the busy cursor, freezes the lists it walks and repaints
// the grids; the window refreshes its commands after each one.
namespace qm::MergeCommands {

void CopySourceOnlyRecordsToDest(CommandContext& ctx) {
    ctx.engine.CopySourceOnlyRecordsToDest();
}

void ChangeRecsWithDifferencesToEqualSource(CommandContext& ctx) {
    ctx.engine.ChangeRecsWithDifferencesToEqualSource();
}

void DeleteDestOnlyRecords(CommandContext& ctx) {
    ctx.engine.MarkTargetForDeletion(true);
}

void ChangeDataToEqualSourceNoDelete(CommandContext& ctx) {
    ctx.engine.ChangeDataToEqualSourceNoDelete();
}

void ChangeDataToEqualSource(CommandContext& ctx) {
    ctx.engine.ChangeDataToEqualSource();
}

void CopySelectedSourceOnlyRecordsToDestination(CommandContext& ctx) {
    ctx.engine.CopySelectedSourceOnlyRecordsToDestination();
}

void DeleteAllRecordsFromDestination(CommandContext& ctx) {
    ctx.engine.MarkTargetForDeletion(false);
}

}  // namespace qm::MergeCommands

namespace qm::ScriptCommands {

void MakeScript(CommandContext& ctx) {
    ctx.engine.MakeScript();
    if (ctx.engine.DestMemData().isOpen()) {
        ctx.host.scriptTab().markTableSetupScript();
    }
}

}  // namespace qm::ScriptCommands
