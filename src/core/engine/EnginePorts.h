#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace qm {

enum class Side { Source, Target };

/// Counts of the current comparison, as the statistics strip shows them.
struct ComparisonCounts {
    int inserts = 0, updates = 0, deletes = 0, differences = 0, targetOnly = 0;
    friend bool operator==(const ComparisonCounts&, const ComparisonCounts&) = default;
};

/// Rows of each side that the databases counted but that were not loaded,
/// as a comparison inside the databases found them equal on both sides.
struct UnloadedRows {
    qint64 source = 0, target = 0;
    friend bool operator==(const UnloadedRows&, const UnloadedRows&) = default;
};

/// What the engine reports about its own state; a window redraws from it.
/// The engine owns the state (TDM::Connected, RecordCount, Counts); these
/// notices only say that it changed.
class EngineStateListener {
public:
    virtual ~EngineStateListener() = default;
    /// After every attempt to connect or disconnect a side, also one that
    /// left the state as it was (a failed connect reports false).
    virtual void connectedChanged(Side, bool /*connected*/) {}
    /// The side was opened with that many records, or closed (nullopt: "Not open").
    virtual void recordCountChanged(Side, std::optional<qsizetype> /*records*/) {}
    /// New counts after comparing or merging; nullopt when cleared.
    virtual void statisticsChanged(const std::optional<ComparisonCounts>&) {}
    /// Commands, caption and status texts may need a refresh.
    virtual void stateChanged() {}
    /// The open lists hold only the rows a comparison inside the databases
    /// found different, the others being counted; nullopt once a side is
    /// opened or closed otherwise.
    virtual void unloadedRowsChanged(const std::optional<UnloadedRows>&) {}
};

/// The two grids that show the source and target lists.
class GridPort {
public:
    virtual ~GridPort() = default;
    /// The grid's columns were made from the list's columns.
    virtual void columnsCreated(Side) {}
    /// The grid's columns are to be removed.
    virtual void columnsRemoved(Side) {}
    /// Fit the grid's column widths to their contents.
    virtual void refit(Side) {}
    virtual void repaint(Side) {}
    /// RecIds of the rows selected in the source grid, in selection order
    /// (group rows left out).
    virtual std::vector<int> selectedSourceRecIds() const { return {}; }
};

/// Feedback while the engine works.
class BusyPort {
public:
    virtual ~BusyPort() = default;
    virtual void beginBusy() {}
    virtual void endBusy() {}
    /// "Loading target: 200000 rows"; empty when done.
    virtual void progress(const QString&) {}
    /// Asked often by long work on the engine's thread (about every thousand
    /// rows, or between statements), so an answer must be cheap: a window
    /// lets its events through here at most every few tens of milliseconds
    /// (repaints, its Cancel button), the command-line tool reads its
    /// signal flag. True stops the work: it puts back what it changed and
    /// throws Cancelled.
    virtual bool cancelRequested() { return false; }
    virtual void beep() {}
};

/// The script editor.
class ScriptPort {
public:
    virtual ~ScriptPort() = default;
    virtual void clear() {}
    virtual void appendLine(const QString&) {}
    /// Bring the script editor's tab to the front.
    virtual void show() {}
};

/// The ports the engine talks through; a null one does nothing. None is
/// owned by the engine: each must outlive it or be replaced first.
struct EnginePorts {
    EngineStateListener* state = nullptr;
    GridPort* grids = nullptr;
    BusyPort* busy = nullptr;
    ScriptPort* script = nullptr;
};

}  // namespace qm
