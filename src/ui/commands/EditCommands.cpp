#include "app/TMainDM.h"
#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "common/Assertion.h"
#include "document/TUndoHandler.h"

namespace qm::EditCommands {

void Undo(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    // Undo steps are recorded only on an open project and cleared with it.
    QM_ASSERT(view != nullptr);
    ctx.app.undo().Undo(*view);
}

}  // namespace qm::EditCommands
