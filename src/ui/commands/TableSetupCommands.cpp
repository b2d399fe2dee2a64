#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandTable.h"
#include "document/TMainDM.h"
#include "document/TableSetupEditor.h"
#include "engine/TDM.h"
#include "window/ProjectPanel.h"

namespace qm::TableSetupCommands {
namespace {

TableSetupEditor editorOf(CommandContext& ctx) {
    return TableSetupEditor(
        ctx.engine, [&ctx] { return ctx.app.project(); }, ctx.app.undo());
}

void move(CommandContext& ctx, int step) {
    if (editorOf(ctx).MoveCurrent(step, ctx.prompts)) {
        ctx.host.projectPanel().selectCurrentOnly();
    }
}

}  // namespace

void AddTableSetup(CommandContext& ctx) {
    editorOf(ctx).AddTableSetup(ctx.prompts, commandEntry(CommandId::AddTableSetup).caption);
}

void QuickFillTableSetup(CommandContext& ctx) {
    editorOf(ctx).QuickFillTableSetup(ctx.prompts);
}

void MoveUp(CommandContext& ctx) {
    move(ctx, -1);
}

void MoveDown(CommandContext& ctx) {
    move(ctx, +1);
}

void DeleteSelected(CommandContext& ctx) {
    editorOf(ctx).DeleteTableSetups(ctx.host.projectPanel().selectedRecIds(),
                                    commandEntry(CommandId::DelSlide).caption);
}

}  // namespace qm::TableSetupCommands
