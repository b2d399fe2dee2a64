#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "engine/ScriptExecutor.h"
#include "prefs/OptionsForm.h"
#include "report/PrjMsgViewer.h"
#include "shared/BusyCursor.h"
#include "window/ScriptMemoEditor.h"
#include "window/ScriptTab.h"

namespace qm::ScriptCommands {

// The executor asks about a missing log name, shows every failure and
// leaves the editor alone unless the run committed.
void ExecuteScript(CommandContext& ctx) {
    const BusyScope busy;
    ScriptTab& tab = ctx.host.scriptTab();
    ScriptMemoEditor editor(tab.ScriptMemo());
    ScriptRunOptions options;
    options.logFileName = TOptionsForm::instance().preferences().autoLogSqlFileName;
    options.selectNext = tab.selectNextStatement();
    options.deleteCommitted = tab.deleteExecutedStatements();
    options.disableLogging = tab.disableLogging();
    ScriptExecutor executor(ctx.engine, TPrjMsgViewer::instance());
    executor.run(editor, options);
    if (executor.targetReopenPending()) {
        ctx.host.setPendingTargetReopen(true);
    }
}

}  // namespace qm::ScriptCommands
