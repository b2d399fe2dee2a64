#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "window/QueryTab.h"

namespace qm::QueryCommands {

void QueryOpen(CommandContext& ctx) {
    ctx.host.queryTab().Run(ctx.engine);
}

}  // namespace qm::QueryCommands
