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
void EditGlobalDefaults(CommandContext& ctx);
void Preferences(CommandContext& ctx);
void Exit(CommandContext& ctx);
/// A click on an entry of the "Reopen" submenu.
void Reopen(CommandContext& ctx, const QString& path);
}  // namespace FileCommands

namespace EditCommands {
void Undo(CommandContext& ctx);
void Paste(CommandContext& ctx);
void SelectAll(CommandContext& ctx);
}  // namespace EditCommands

/// The view toggles invert their check mark and show or hide their region.
namespace ViewCommands {
void GroupingPanel(CommandContext& ctx);
void FolderTree(CommandContext& ctx);
void ProjectWindow(CommandContext& ctx);
void ExplorerFolder(CommandContext& ctx);
void PreviewWindow(CommandContext& ctx);
void Toolbar(CommandContext& ctx);
void Statusbar(CommandContext& ctx);
}  // namespace ViewCommands

namespace TableCommands {
void OpenSource(CommandContext& ctx);
void OpenTarget(CommandContext& ctx);
void OpenBoth(CommandContext& ctx);
}  // namespace TableCommands

/// Adding, filling, moving and deleting the project's table setups.
namespace TableSetupCommands {
void AddTableSetup(CommandContext& ctx);
void QuickFillTableSetup(CommandContext& ctx);
void MoveUp(CommandContext& ctx);
void MoveDown(CommandContext& ctx);
void DeleteSelected(CommandContext& ctx);
/// "Comparison Rules...": the rules of the current table setup in a dialog;
/// OK stores them (one undo step) and compares the open lists again.
void EditComparisonRules(CommandContext& ctx);
}  // namespace TableSetupCommands

/// The lookup definitions of the current table setup, and their discovery.
namespace LookupCommands {
void AddLookup(CommandContext& ctx);
void EditLookup(CommandContext& ctx);
void DeleteLookup(CommandContext& ctx);
void AutoCreateForTableSetup(CommandContext& ctx);
void AutoCreateForProject(CommandContext& ctx);
}  // namespace LookupCommands

namespace ScriptCommands {
void MakeScript(CommandContext& ctx);
void ExecuteScript(CommandContext& ctx);
void ScriptNew(CommandContext& ctx);
void ScriptOpen(CommandContext& ctx);
void ScriptSaveAs(CommandContext& ctx);
}  // namespace ScriptCommands

namespace ProjectCommands {
/// "Create Script Automatically".
void CreateScript(CommandContext& ctx);
void EditPrjSettings(CommandContext& ctx);
}  // namespace ProjectCommands

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

namespace HelpCommands {
void Contents(CommandContext& ctx);
void ProductHomePage(CommandContext& ctx);
void MakerHomePage(CommandContext& ctx);
void Mail(CommandContext& ctx);
void About(CommandContext& ctx);
}  // namespace HelpCommands

namespace QueryCommands {
/// Runs the Query tab's query.
void QueryOpen(CommandContext& ctx);
}  // namespace QueryCommands

/// Commands that exist with their captions and do nothing when chosen.
void NoFunction(CommandContext& ctx);

}  // namespace qm
