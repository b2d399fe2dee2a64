#include "commands/CommandContext.h"
#include "commands/CommandHandlers.h"
#include "commands/ScriptFiles.h"
#include "common/Errors.h"
#include "report/PrjMsgViewer.h"
#include "shared/CommandPrompts.h"
#include "window/ScriptMemoEditor.h"
#include "window/ScriptTab.h"

#include <QPlainTextEdit>

namespace qm::ScriptCommands {

void ScriptNew(CommandContext& ctx) {
    ctx.host.scriptTab().clearScript();
}

// A file that cannot be read leaves the editor's text as it was.
void ScriptOpen(CommandContext& ctx) {
    QString name;
    if (!ctx.prompts.openScriptFileName(name) || name.isEmpty()) {
        return;
    }
    try {
        const QString text = ScriptFiles::read(name);
        ScriptTab& tab = ctx.host.scriptTab();
        tab.clearScript();
        tab.ScriptMemo().setPlainText(text);
    } catch (const Error& e) {
        TPrjMsgViewer::instance().ShowError(e.message());
    }
}

void ScriptSaveAs(CommandContext& ctx) {
    const QString name = ScriptFiles::askSaveName(ctx.prompts, TPrjMsgViewer::instance());
    if (name.isEmpty()) {
        return;
    }
    try {
        ScriptFiles::write(name, ScriptMemoEditor::plainText(ctx.host.scriptTab().ScriptMemo()));
    } catch (const Error& e) {
        TPrjMsgViewer::instance().ShowError(e.message());
    }
}

}  // namespace qm::ScriptCommands
