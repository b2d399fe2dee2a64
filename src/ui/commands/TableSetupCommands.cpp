#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::TableSetupCommands {

void AddTableSetup(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("AddTableSetup"), QString());
}

void QuickFillTableSetup(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("QuickFillTableSetup"), QString());
}

void MoveUp(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("MoveUp"), QString());
}

void MoveDown(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("MoveDown"), QString());
}

void DeleteSelected(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("DeleteSelected"), QString());
}

}  // namespace qm::TableSetupCommands
