#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::ProjectCommands {

void EditPrjSettings(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("EditPrjSettings"), QString());
}

}  // namespace qm::ProjectCommands
