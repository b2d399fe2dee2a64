#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "common/Cancellation.h"
#include "engine/TDM.h"

namespace qm::TableCommands {

void OpenSource(CommandContext& ctx) {
    ctx.host.showMergeTab();
    ctx.engine.OpenSource();
}

void OpenTarget(CommandContext& ctx) {
    ctx.host.showMergeTab();
    ctx.engine.OpenTarget();
}

void OpenBoth(CommandContext& ctx) {
    ctx.host.showMergeTab();
    const bool sourceWasOpen = ctx.engine.SourceMemData().isOpen();
    ctx.engine.OpenSource();
    try {
        ctx.engine.OpenTarget();
    } catch (const Cancelled&) {
        // Stopped while reading the target: a source that was closed
        // before the command is closed again.
        if (!sourceWasOpen) {
            ctx.engine.CloseSource();
            ctx.engine.UpdateStatistics();
        }
        throw;
    }
}

}  // namespace qm::TableCommands
