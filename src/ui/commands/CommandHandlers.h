#pragma once

class QString;

namespace qm {

class CommandContext;

/// The handlers of the command table, grouped by menu. Each is a few lines
/// that call the document handler, the engine or a dialog; what they do is
/// described where the called operation is.
namespace FileCommands {
void PrjNew(CommandContext& ctx);
void PrjOpen(CommandContext& ctx);
void PrjSave(CommandContext& ctx);
void PrjSaveAs(CommandContext& ctx);
void PrjClose(CommandContext& ctx);
void Preferences(CommandContext& ctx);
void Exit(CommandContext& ctx);
/// A click on an entry of the "Reopen" submenu.
void Reopen(CommandContext& ctx, const QString& path);
}  // namespace FileCommands

namespace EditCommands {
void Undo(CommandContext& ctx);
}  // namespace EditCommands

namespace TableCommands {
void OpenSource(CommandContext& ctx);
void OpenTarget(CommandContext& ctx);
void OpenBoth(CommandContext& ctx);
}  // namespace TableCommands

namespace ScriptCommands {
void MakeScript(CommandContext& ctx);
}  // namespace ScriptCommands

/// The merge commands change the target list only; the script makes the
/// database follow.
namespace MergeCommands {
void CopySourceOnlyRecordsToDest(CommandContext& ctx);
void ChangeRecsWithDifferencesToEqualSource(CommandContext& ctx);
void DeleteDestOnlyRecords(CommandContext& ctx);
void ChangeDataToEqualSourceNoDelete(CommandContext& ctx);
void ChangeDataToEqualSource(CommandContext& ctx);
void CopySelectedSourceOnlyRecordsToDestination(CommandContext& ctx);
void DeleteAllRecordsFromDestination(CommandContext& ctx);
}  // namespace MergeCommands

}  // namespace qm
