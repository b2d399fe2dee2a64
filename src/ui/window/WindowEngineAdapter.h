#pragma once

#include "engine/EnginePorts.h"

#include <functional>

namespace qm {

class DatabaseTab;
class MergeGrids;
class MergeTab;
class ScriptTab;
class StatusStrip;

/// The engine's ports as the main window answers them: it forwards each
/// notice to the region that shows it. It exists before the engine (whose
/// constructor takes the ports) and before the window; the window attaches
/// its regions once it has built them, and notices before that are dropped,
/// since the regions read the engine's state when they are attached.
class WindowEngineAdapter : public EngineStateListener,
                            public GridPort,
                            public BusyPort,
                            public ScriptPort {
public:
    /// The window's regions; any may be null.
    struct Regions {
        MergeTab* merge = nullptr;
        DatabaseTab* database = nullptr;
        ScriptTab* script = nullptr;
        StatusStrip* status = nullptr;
        MergeGrids* grids = nullptr;
        /// Brings the script tab to the front.
        std::function<void()> showScriptTab;
        /// Refreshes caption, status texts and commands.
        std::function<void()> updateUI;
    };

    EnginePorts ports() { return {this, this, this, this}; }
    void attach(Regions regions) { regions_ = std::move(regions); }
    void detach() { regions_ = {}; }

    // EngineStateListener
    void connectedChanged(Side side, bool connected) override;
    void recordCountChanged(Side side, std::optional<qsizetype> records) override;
    void statisticsChanged(const std::optional<ComparisonCounts>& counts) override;
    void unloadedRowsChanged(const std::optional<UnloadedRows>& rows) override;
    void stateChanged() override;
    // GridPort
    void columnsCreated(Side side) override;
    void columnsRemoved(Side side) override;
    void refit(Side side) override;
    void repaint(Side side) override;
    std::vector<int> selectedSourceRecIds() const override;
    // BusyPort
    void beginBusy() override;
    void endBusy() override;
    void progress(const QString& text) override;
    void beep() override;
    // ScriptPort
    void clear() override;
    void appendLine(const QString& line) override;
    void show() override;

private:
    Regions regions_;
};

}  // namespace qm
