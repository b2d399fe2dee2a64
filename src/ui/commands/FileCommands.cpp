#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "document/TMainDM.h"
#include "document/TkzEditorDocHandler.h"
#include "prefs/OptionsForm.h"

namespace qm::FileCommands {

void PrjNew(CommandContext& ctx) {
    ctx.app.docHandler().New();
}

void PrjOpen(CommandContext& ctx) {
    ctx.app.docHandler().Open();
}

void PrjSave(CommandContext& ctx) {
    ctx.app.docHandler().Save();
}

void PrjSaveAs(CommandContext& ctx) {
    ctx.app.docHandler().SaveAs();
}

void PrjClose(CommandContext& ctx) {
    ctx.app.docHandler().Close();
}

void Preferences(CommandContext&) {
    TOptionsForm::instance().exec();
}

void Exit(CommandContext& ctx) {
    ctx.host.closeMainWindow();
}

void Reopen(CommandContext& ctx, const QString& path) {
    if (ctx.app.docHandler().CloseQuery()) {
        ctx.app.docHandler().PrjOpen(path);
    }
    ctx.host.updateUI();
}

}  // namespace qm::FileCommands
