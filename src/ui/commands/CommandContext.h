#pragma once

namespace qm {

class TDM;
class TMainDM;

/// What the main window does for the commands.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    /// Refreshes the caption, the status texts and the commands.
    virtual void updateUI() = 0;
    /// Closes the main window (which asks to save changes first).
    virtual void closeMainWindow() = 0;
    /// Brings the "Merge" tab to the front.
    virtual void showMergeTab() = 0;
};

/// What a command handler works on: the application module (documents,
/// undo, preferences), the engine and the main window.
class CommandContext {
public:
    CommandContext(TMainDM& module, TDM& dm, CommandHost& window)
        : app(module), engine(dm), host(window) {}
    TMainDM& app;
    TDM& engine;
    CommandHost& host;
};

}  // namespace qm
