#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::ViewCommands {

void GroupingPanel(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("GroupingPanel"), QString());
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
