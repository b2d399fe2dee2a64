#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandTable.h"
#include "commands/WindowProjectScript.h"
#include "dialogs/TMergeDBForm.h"
#include "document/TMainDM.h"
#include "document/TPrjView.h"
#include "project/PrjDataSaved.h"
#include "report/TextRules.h"
#include "shared/CommandPrompts.h"

#include <QApplication>

namespace qm::ProjectCommands {

void CreateScript(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    if (view == nullptr) {
        return;
    }
    TMergeDBForm dialog(StripMenuCaption(commandEntry(CommandId::CreateScript).caption),
                        QApplication::activeWindow());
    dialog.FormShow(view->PrjData());
    if (ctx.prompts.execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    WindowProjectScript run(ctx);
    run.visualize = dialog.visualize();
    run.Run(dialog.selectedPositions());
}

}  // namespace qm::ProjectCommands
