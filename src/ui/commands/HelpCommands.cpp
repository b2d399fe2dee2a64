#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "config/Config.h"
#include "dialogs/TFormFactory.h"
#include "document/TMainDM.h"
#include "report/KzError.h"
#include "report/PrjMsgViewer.h"
#include "shared/CommandPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace qm::HelpCommands {
namespace {

void openWebAddress(CommandContext& ctx, const QString& address) {
    const QString url = u"http://"_s + address;
    if (!ctx.prompts.openUrl(QUrl(url))) {
        TkzError::instance().MyMsg(
            u"Unable to start your internet browser. \nThe address containing the information "
            u"is \"%1\"."_s.arg(url),
            QString());
    }
}

}  // namespace

void Contents(CommandContext& ctx) {
    // The help file is opened with whatever the desktop uses for its kind;
    // without a help file or a handler for it, its name is shown so the user
    // can open it by hand.
    QString file = ctx.app.helpFile();
    if (!QFileInfo(file).isFile()) {
        const QString older =
            QFileInfo(file).path() + u'/' + QFileInfo(file).completeBaseName() + u".hlp"_s;
        if (QFileInfo(older).isFile()) {
            file = older;
        }
    }
    if (!QFileInfo(file).isFile() || !ctx.prompts.openUrl(QUrl::fromLocalFile(file))) {
        TPrjMsgViewer::instance().ShowInfo(u"The help file is \"%1\"."_s.arg(file));
    }
}

void ProductHomePage(CommandContext& ctx) {
    openWebAddress(ctx, TPrjConfig::instance().ProductWebAddress);
}

void MakerHomePage(CommandContext& ctx) {
    openWebAddress(ctx, TPrjConfig::instance().MakerWebAddress);
}

void Mail(CommandContext& ctx) {
    const QUrl url(u"mailto:"_s + TPrjConfig::instance().MakerMail + u"?subject="_s +
                   QCoreApplication::applicationName());
    if (!ctx.prompts.openUrl(url)) {
        TPrjMsgViewer::instance().ShowInfo(u"Unable to start your mail program"_s);
    }
}

void About(CommandContext& ctx) {
    const std::unique_ptr<QDialog> about =
        TFormFactory::instance().CreateByClassName(u"TAboutForm"_s, QApplication::activeWindow());
    if (about) {
        ctx.prompts.execDialog(*about);
    }
}

}  // namespace qm::HelpCommands
