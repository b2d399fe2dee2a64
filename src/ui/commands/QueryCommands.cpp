#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::QueryCommands {

void QueryOpen(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("QueryOpen"), QString());
}

}  // namespace qm::QueryCommands
