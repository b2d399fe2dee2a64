#include "app/TMainDM.h"
#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandPrompts.h"
#include "common/Assertion.h"
#include "document/TUndoHandler.h"
#include "report/KzError.h"

namespace qm::EditCommands {

void Undo(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    // Undo steps are recorded only on an open project and cleared with it.
    QM_ASSERT(view != nullptr);
    ctx.app.undo().Undo(*view);
}

}  // namespace qm::EditCommands

namespace qm::EditCommands {

void Paste(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("Paste"), QString());
}

void SelectAll(CommandContext& ctx) {
    ctx.prompts.beep();
}

}  // namespace qm::EditCommands
