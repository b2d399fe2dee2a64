#pragma once

#include <functional>

namespace qm {

class CommandPrompts;
class MergeGrids;
class ProjectPanel;
class QueryTab;
class ScriptTab;
class TActionsDM;
class TDM;
class TMainDM;

/// The tabs of the main window.
enum class WindowTab { Merge, Script, Database, Query };

/// The regions the view commands show and hide.
enum class WindowRegion {
    ToolBar,
    StatusBar,
    ProjectPanel,
    /// The grouping strips of the source and target grids.
    GroupingPanel,
    /// Panes kept for their commands; they have no content.
    FolderTree,
    ExplorerFolder,
    Preview,
};

/// What the main window does for the commands.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    /// Refreshes the caption, the status texts and the commands.
    virtual void updateUI() = 0;
    /// Closes the main window (which asks to save changes first).
    virtual void closeMainWindow() = 0;
    /// Brings a tab to the front. Only the user's own change of tab runs
    /// the window's tab-change handling; this does not.
    virtual void bringTabToFront(WindowTab tab) = 0;
    void showMergeTab() { bringTabToFront(WindowTab::Merge); }
    /// Repaints the main window at once, so a pause shows the latest state.
    virtual void repaintNow() = 0;
    virtual void setRegionVisible(WindowRegion region, bool visible) = 0;
    /// Script execution sets it when it ran statements while the target was
    /// open; the user's next change to the "Merge" tab reloads the target.
    virtual void setPendingTargetReopen(bool pending) = 0;
    /// Runs a command's work so that it shows progress and can be stopped;
    /// false when the user stopped it (nothing is reported further).
    virtual bool runWork(const std::function<void()>& work) {
        work();
        return true;
    }

    virtual ScriptTab& scriptTab() const = 0;
    virtual QueryTab& queryTab() const = 0;
    virtual ProjectPanel& projectPanel() const = 0;
    virtual MergeGrids& grids() const = 0;
};

/// What a command handler works on: the application module (documents,
/// undo, preferences), the engine, the main window, the command module
/// itself (to run other commands) and the prompts.
class CommandContext {
public:
    CommandContext(TMainDM& module, TDM& dm, CommandHost& window, TActionsDM& commandModule,
                   CommandPrompts& commandPrompts)
        : app(module), engine(dm), host(window), commands(commandModule), prompts(commandPrompts) {}
    TMainDM& app;
    TDM& engine;
    CommandHost& host;
    TActionsDM& commands;
    CommandPrompts& prompts;
};

}  // namespace qm
