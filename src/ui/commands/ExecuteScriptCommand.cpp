#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::ScriptCommands {

void ExecuteScript(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ExecuteScript"), QString());
}

}  // namespace qm::ScriptCommands
