#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::ScriptCommands {

void ScriptNew(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ScriptNew"), QString());
}

void ScriptOpen(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ScriptOpen"), QString());
}

void ScriptSaveAs(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ScriptSaveAs"), QString());
}

}  // namespace qm::ScriptCommands
