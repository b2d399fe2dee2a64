#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "engine/TDM.h"

namespace qm::TableCommands {

void OpenSource(CommandContext& ctx) {
    ctx.host.showMergeTab();
    if (!ctx.engine.OpenSideRestricted(Side::Source)) {
        ctx.engine.OpenSource();
    }
}

void OpenTarget(CommandContext& ctx) {
    ctx.host.showMergeTab();
    if (!ctx.engine.OpenSideRestricted(Side::Target)) {
        ctx.engine.OpenTarget();
    }
}

void OpenBoth(CommandContext& ctx) {
    ctx.host.showMergeTab();
    if (ctx.engine.InDatabaseWanted()) {
        ctx.engine.OpenBothInDatabase();
        return;
    }
    ctx.engine.OpenBoth();
}

}  // namespace qm::TableCommands
