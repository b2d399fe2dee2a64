#include "commands/WindowProjectScript.h"

#include "commands/CommandContext.h"
#include "commands/TActionsDM.h"
#include "engine/ProjectScript.h"
#include "engine/TDM.h"
#include "report/MessageBoxes.h"
#include "window/ProjectPanel.h"
#include "window/ScriptTab.h"

#include <QAction>
#include <QPlainTextEdit>
#include <algorithm>

namespace qm {

void WindowProjectScript::runCommand(CommandId id) {
    ctx_.host.updateUI();
    // While the run's own work disables every command, each step still goes
    // by the rule that would enable it.
    if (!ctx_.commands.enabledForRun(id)) {
        return;
    }
    commandEntry(id).handler(ctx_);
    ctx_.host.updateUI();
}

void WindowProjectScript::report(const QString& status) {
    if (!visualize) {
        return;
    }
    MessageBoxes::current().show({BoxKind::Information, status});
    ctx_.host.repaintNow();
}

void WindowProjectScript::Run(std::vector<int> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    using Step = ProjectScript::Step;
    TDM& dm = ctx_.engine;
    // Through the tab, so that a stopped run leaves the editor as it was.
    ctx_.host.scriptTab().clearScript();
    MemData& tables = dm.TablesMemData();
    for (const int position : positions) {
        // A table-setup edit still pending in the window is kept, as
        // choosing another table setup by hand keeps it.
        if (tables.state() != ListState::Browse) {
            tables.post();
        }
        ProjectScript::SelectTableSetup(dm, position);
        ctx_.host.projectPanel().selectCurrentOnly();
        runCommand(CommandId::OpenSource);
        report(ProjectScript::statusText(Step::OpenedSource));
        runCommand(CommandId::OpenTarget);
        report(ProjectScript::statusText(Step::OpenedDest));
        runCommand(CommandId::ChangeDataToEqualSource);
        report(ProjectScript::statusText(Step::Analyzed));
        // Brought to the front by the program, the tab does not rewrite the
        // editor with the current table setup's statements.
        ctx_.host.bringTabToFront(WindowTab::Script);
        ProjectScript::AppendBlock(dm);
        report(ProjectScript::statusText(Step::Produced));
        ctx_.host.bringTabToFront(WindowTab::Merge);
    }
    ctx_.host.bringTabToFront(WindowTab::Script);
}

}  // namespace qm
