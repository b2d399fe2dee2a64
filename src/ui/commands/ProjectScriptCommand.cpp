#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::ProjectCommands {

void CreateScript(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("CreateScript"), QString());
}

}  // namespace qm::ProjectCommands
