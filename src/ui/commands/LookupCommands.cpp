#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandTable.h"
#include "dialogs/TAddLookupForm.h"
#include "dialogs/TAutoAddLookupsForm.h"
#include "dialogs/TEditLookupsForm.h"
#include "document/TMainDM.h"
#include "document/TPrjView.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "engine/TFindLookup.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "project/QMUtils.h"
#include "report/PrjMsgViewer.h"
#include "report/TextRules.h"
#include "shared/CommandPrompts.h"

#include <QApplication>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qm::LookupCommands {
namespace {

QString captionOf(CommandId id) {
    return StripMenuCaption(commandEntry(id).caption);
}

// The table setup the lookup commands work on; none (with a message when a
// project is open) when the project has no table setups.
TFrameNodeData* currentTableSetup(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    if (view == nullptr) {
        return nullptr;
    }
    TPrjData& project = view->PrjData();
    const int index = view->CurrentTableSetupIndex();
    if (project.NodeCount() == 0 || index < 0 || index >= project.NodeCount()) {
        TPrjMsgViewer::instance().ShowInfo(
            u"The project has no table setups. Add a table setup first."_s);
        return nullptr;
    }
    return dynamic_cast<TFrameNodeData*>(project.GetItem(index));
}

// Lets the user choose one definition of the current table setup by name;
// none when cancelled or when nothing was chosen.
TQMObject* PickLookupDefinition(CommandContext& ctx, const QString& caption) {
    TPrjView* view = ctx.app.project();
    TFrameNodeData* node = nullptr;
    if (view != nullptr && view->PrjData().NodeCount() > 0) {
        const int index = view->CurrentTableSetupIndex();
        if (index >= 0 && index < view->PrjData().NodeCount()) {
            node = dynamic_cast<TFrameNodeData*>(view->PrjData().GetItem(index));
        }
    }
    QStringList names;
    if (node != nullptr) {
        for (int i = 0; i < node->ObjectCount(); ++i) {
            names << node->Objects(i).props().getString(u"LookupName"_s);
        }
    }
    TEditLookupsForm dialog(caption, QApplication::activeWindow());
    dialog.setNames(names);
    if (ctx.prompts.execDialog(dialog) != QDialog::Accepted || node == nullptr) {
        return nullptr;
    }
    const int chosen = dialog.selectedIndex();
    return chosen >= 0 && chosen < node->ObjectCount() ? &node->Objects(chosen) : nullptr;
}

void autoCreate(CommandContext& ctx, CommandId id, std::vector<int> positions) {
    TPrjView* view = ctx.app.project();
    if (view == nullptr) {
        return;
    }
    ctx.engine.ConnectTarget();
    TFindLookup finder(view->PrjData(), ctx.engine.DestDatabase());
    TAutoAddLookupsForm dialog(captionOf(id), QApplication::activeWindow());
    dialog.setProposals(finder.Discover(positions));
    if (ctx.prompts.execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    TFindLookup::Apply(view->PrjData(), dialog.proposals());
}

}  // namespace

void AddLookup(CommandContext& ctx) {
    TFrameNodeData* node = currentTableSetup(ctx);
    if (node == nullptr) {
        return;
    }
    TAddLookupForm dialog(captionOf(CommandId::AddLookup), QApplication::activeWindow());
    dialog.startRow();
    dialog.setValue(u"LookupKeyFieldName"_s, u"ID"_s);
    dialog.setValue(u"LookupDisplayFieldName"_s, u"Name"_s);
    if (ctx.prompts.execDialog(dialog) == QDialog::Accepted) {
        ProjectTableSetups::AddLookupDefinition(*node, dialog.ParamsMemData());
        ctx.app.project()->PrjData().SetModified(true);
    }
}

void EditLookup(CommandContext& ctx) {
    const QString caption = captionOf(CommandId::EditLookup);
    TQMObject* definition = PickLookupDefinition(ctx, caption);
    if (definition == nullptr) {
        return;
    }
    TAddLookupForm dialog(caption, QApplication::activeWindow());
    dialog.startRow();
    TQMUtils::PropsToDataSet(definition->props(), dialog.ParamsMemData());
    dialog.loadEditors();
    if (ctx.prompts.execDialog(dialog) == QDialog::Accepted) {
        TQMUtils::DataSetToProps(definition->props(), dialog.ParamsMemData());
    }
}

void DeleteLookup(CommandContext& ctx) {
    TQMObject* definition = PickLookupDefinition(ctx, captionOf(CommandId::DeleteLookup));
    if (definition == nullptr) {
        return;
    }
    // Removing an object changes no property, so the project is marked
    // modified here; otherwise closing would drop the deletion unasked.
    definition->OwnerNode()->Objects().Remove(definition);
    ctx.app.project()->PrjData().SetModified(true);
}

void AutoCreateForTableSetup(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    if (view == nullptr || currentTableSetup(ctx) == nullptr) {
        return;
    }
    autoCreate(ctx, CommandId::AutoCreateLookupDefsTable, {view->CurrentTableSetupIndex()});
}

void AutoCreateForProject(CommandContext& ctx) {
    TPrjView* view = ctx.app.project();
    if (view == nullptr || currentTableSetup(ctx) == nullptr) {
        return;
    }
    std::vector<int> all(static_cast<std::size_t>(view->PrjData().NodeCount()));
    std::iota(all.begin(), all.end(), 0);
    autoCreate(ctx, CommandId::AutoCreateLookupDefsProject, std::move(all));
}

}  // namespace qm::LookupCommands
