#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/TActionsDM.h"
#include "report/KzError.h"

#include <QAction>

namespace qm::ViewCommands {
namespace {

/// Inverts the command's check mark and shows the region exactly when it
/// is checked.
void toggle(CommandContext& ctx, CommandId id, WindowRegion region) {
    QAction* action = ctx.commands.action(id);
    action->setChecked(!action->isChecked());
    ctx.host.setRegionVisible(region, action->isChecked());
}

}  // namespace

void GroupingPanel(CommandContext& ctx) {
    QAction* action = ctx.commands.action(CommandId::ViewGroupingPanel);
    const bool checked = !action->isChecked();
    action->setChecked(checked);
    ctx.host.setRegionVisible(WindowRegion::GroupingPanel, checked);
}

void FolderTree(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewFolderTree, WindowRegion::FolderTree);
}

void ProjectWindow(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewProjectWindow, WindowRegion::ProjectPanel);
}

void ExplorerFolder(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewExplorerFolder, WindowRegion::ExplorerFolder);
}

void PreviewWindow(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewPreviewWindow, WindowRegion::Preview);
}

void Toolbar(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewToolbar, WindowRegion::ToolBar);
}

void Statusbar(CommandContext& ctx) {
    toggle(ctx, CommandId::ViewStatusbar, WindowRegion::StatusBar);
}

}  // namespace qm::ViewCommands
