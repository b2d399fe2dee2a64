#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "common/Assertion.h"
#include "document/TMainDM.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "engine/TDM.h"
#include "project/NodeClipboard.h"
#include "project/PrjDataSaved.h"
#include "shared/CommandPrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

using namespace Qt::StringLiterals;

namespace qm::EditCommands {

void Undo(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    // Undo steps are recorded only on an open project and cleared with it.
    QM_ASSERT(view != nullptr);
    ctx.app.undo().Undo(*view);
}

void Paste(CommandContext& ctx) {
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const QString format = QString::fromLatin1(kNodesMimeType);
    TPrjView* view = ctx.app.project();
    // A picture alone pastes nothing; node data needs a project to go into.
    if (!clipboard || !clipboard->hasFormat(format) || !view) {
        return;
    }
    ctx.app.undo().RecordProjectChange(u"Paste"_s, view->PrjData(), view->CurrentTableSetupIndex());
    pasteNodes(view->PrjData(), clipboard->data(format));
    // The table-setup list shows the project's nodes, the pasted ones too.
    const int current = view->CurrentTableSetupIndex();
    ctx.engine.LoadTableSetups(view->PrjData());
    view->SelectTableSetup(std::max(0, current));
}

void SelectAll(CommandContext& ctx) {
    ctx.prompts.beep();
}

}  // namespace qm::EditCommands
