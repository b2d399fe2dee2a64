#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandTable.h"
#include "common/Assertion.h"
#include "dialogs/TPropListForm.h"
#include "document/TMainDM.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "engine/TDM.h"
#include "project/DefaultPrjProperties.h"
#include "project/PrjDataSaved.h"
#include "report/TextRules.h"
#include "shared/CommandPrompts.h"

#include <QApplication>

namespace qm::ProjectCommands {

void EditPrjSettings(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    QM_ASSERT(view != nullptr);
    const QString caption = StripMenuCaption(commandEntry(CommandId::EditPrjSettings).caption);
    ctx.app.undo().RecordProjectChange(caption, view->PrjData(), view->CurrentTableSetupIndex());
    TPropListForm form(caption, view->PrjData().settings(), QApplication::activeWindow());
    if (ctx.prompts.execDialog(form) != QDialog::Accepted) {
        ctx.app.undo().DropLast();
        return;
    }
    // The database-setup list shows the project's settings: reload it, and
    // the table setups with it, keeping the current one.
    const int current = view->CurrentTableSetupIndex();
    ctx.engine.LoadTableSetups(view->PrjData());
    view->SelectTableSetup(std::max(0, current));
}

}  // namespace qm::ProjectCommands

namespace qm::FileCommands {

void EditGlobalDefaults(CommandContext& ctx) {
    TPropListForm form(StripMenuCaption(commandEntry(CommandId::EditGlobalDefaults).caption),
                       TGlobalPrjProperties::instance(), QApplication::activeWindow());
    ctx.prompts.execDialog(form);
}

}  // namespace qm::FileCommands
