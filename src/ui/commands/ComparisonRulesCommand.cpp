#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandTable.h"
#include "common/Errors.h"
#include "dialogs/TComparisonRulesForm.h"
#include "dialogs/TFormFactory.h"
#include "document/TMainDM.h"
#include "document/TableSetupEditor.h"
#include "engine/TDM.h"
#include "engine/TableSetupColumns.h"
#include "project/TableSetup.h"
#include "report/PrjMsgViewer.h"
#include "report/TextRules.h"
#include "shared/CommandPrompts.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace qm::TableSetupCommands {

void EditComparisonRules(CommandContext& ctx) {
    MemData& tables = ctx.engine.TablesMemData();
    if (!tables.isOpen() || (tables.recordCount() == 0 && tables.state() != ListState::Insert)) {
        ctx.prompts.beep();  // no table setup to set rules for
        return;
    }
    const TDM::TableFields& f = ctx.engine.tableFields();
    const QString name = tables.asText(f.Name);
    ComparisonRules before;
    try {
        before = TableSetup::fromList(tables).rules;
    } catch (const Error& e) {
        // Rules this program cannot read (a hand-edited file) are shown as
        // none: the dialog's OK replaces them.
        TPrjMsgViewer::instance().ShowError(e.message());
    }
    const TableSetupColumns columns = TableSetupColumns::of(ctx.engine);
    if (!columns.failure.isEmpty()) {
        // The dialog still opens: the rule for all columns can be set.
        TPrjMsgViewer::instance().ShowError(columns.failure);
    }

    const QString caption = StripMenuCaption(commandEntry(CommandId::ComparisonRules).caption);
    std::unique_ptr<QDialog> dialog = TFormFactory::instance().CreateByClassName(
        u"TComparisonRulesForm"_s, QApplication::activeWindow());
    auto* form = qobject_cast<TComparisonRulesForm*>(dialog.get());
    if (form == nullptr) {
        throw InternalError(u"The comparison rules dialog is not registered"_s);
    }
    form->setRules(name, before, columns.names, columns.keys);
    QObject::connect(form, &TComparisonRulesForm::helpRequested, form,
                     [&ctx] { HelpCommands::Contents(ctx); });
    if (ctx.prompts.execDialog(*form) != QDialog::Accepted) {
        return;
    }
    const ComparisonRules after = form->rules();
    if (after == before) {
        return;  // no undo step and no change for an unchanged OK
    }
    TableSetupEditor(
        ctx.engine, [&ctx] { return ctx.app.project(); }, ctx.app.undo())
        .SetRules(after, caption);
}

}  // namespace qm::TableSetupCommands
