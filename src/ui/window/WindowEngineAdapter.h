#pragma once

#include "common/Cancellation.h"
#include "engine/EnginePorts.h"

#include <QElapsedTimer>
#include <functional>
#include <memory>

namespace qm {

class BusyInputFilter;
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

    WindowEngineAdapter();
    ~WindowEngineAdapter() override;
    WindowEngineAdapter(const WindowEngineAdapter&) = delete;
    WindowEngineAdapter& operator=(const WindowEngineAdapter&) = delete;

    EnginePorts ports() { return {this, this, this, this}; }
    void attach(Regions regions) { regions_ = std::move(regions); }
    void detach() { regions_ = {}; }

    // --- long work -------------------------------------------------------------
    /// Runs a command's work on this (the engine's) thread. While it runs,
    /// each cancelRequested lets the window's events through, at most every
    /// pumpInterval ms: the window repaints and can be moved and resized, the
    /// user's input is held back but for the Cancel button and Escape, which
    /// stop the work. After showAfter ms the status strip shows the Cancel
    /// button, the cursor is busy and working() disables the commands. Lines
    /// for the script editor are held until the work ends, so a stopped
    /// script leaves the editor as it was. Returns false when the work was
    /// stopped (it raised Cancelled, having put back what it changed): the
    /// status then says "Stopped.". A run inside another passes a stop on.
    bool runWork(const std::function<void()>& work);
    /// Whether long work shows its Cancel button.
    bool working() const { return shown_; }
    /// Whether long work runs (shown or not).
    bool inWork() const { return depth_ > 0; }
    /// The Cancel button and Escape: the work stops at its next question.
    void requestCancel() { cancel_.request(); }
    int pumpInterval = 30;
    int showAfter = 300;
    /// Called each time events are let through, before them (tests stop the
    /// work from here at a chosen point).
    std::function<void()> onPump;

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
    bool cancelRequested() override;
    void beep() override;
    // ScriptPort
    void clear() override;
    void appendLine(const QString& line) override;
    void show() override;

private:
    void showWork();
    void endWork(bool stopped);

    Regions regions_;
    int depth_ = 0;
    bool shown_ = false;
    bool progressShown_ = false;
    CancelFlag cancel_;
    QElapsedTimer workClock_;
    QElapsedTimer pumpClock_;
    std::unique_ptr<BusyInputFilter> filter_;
};

}  // namespace qm
