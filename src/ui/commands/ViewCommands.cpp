#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/TActionsDM.h"
#include "report/KzError.h"

#include <QAction>

namespace qm::ViewCommands {

void GroupingPanel(CommandContext& ctx) {
    QAction* action = ctx.commands.action(CommandId::ViewGroupingPanel);
    const bool checked = !action->isChecked();
    action->setChecked(checked);
    ctx.host.setRegionVisible(WindowRegion::GroupingPanel, checked);
}

void FolderTree(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("FolderTree"), QString());
}

void ProjectWindow(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ProjectWindow"), QString());
}

void ExplorerFolder(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ExplorerFolder"), QString());
}

void PreviewWindow(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("PreviewWindow"), QString());
}

void Toolbar(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("Toolbar"), QString());
}

void Statusbar(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("Statusbar"), QString());
}

}  // namespace qm::ViewCommands
