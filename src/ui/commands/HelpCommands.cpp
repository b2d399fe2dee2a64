#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "report/KzError.h"

namespace qm::HelpCommands {

void Contents(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("Contents"), QString());
}

void ProductHomePage(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("ProductHomePage"), QString());
}

void MakerHomePage(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("MakerHomePage"), QString());
}

void Mail(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("Mail"), QString());
}

void About(CommandContext&) {
    TkzError::instance().NotImplemented(QStringLiteral("About"), QString());
}

}  // namespace qm::HelpCommands
