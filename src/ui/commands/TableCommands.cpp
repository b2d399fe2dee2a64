#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
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
    ctx.engine.OpenBoth();
}

}  // namespace qm::TableCommands
