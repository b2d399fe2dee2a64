#pragma once

#include <QString>
#include <vector>

namespace qm {

enum class Side { Source, Target };

/// The five statistics labels of the main window.
enum class StatLabel { Insert, Update, Delete, Diff, Local };

/// What the engine needs of the main window: the two "Connected" boxes,
/// the labels it writes, notices about the grids, the beep and the busy
/// cursor. Grid notices default to nothing so that headless users only
/// implement what they show.
class EngineView {
public:
    virtual ~EngineView() = default;

    virtual bool connectedBox(Side side) const = 0;
    /// Ticks or unticks the box without running its click handler.
    virtual void setConnectedBox(Side side, bool ticked) = 0;

    virtual void setRecordCountText(Side side, const QString& text) = 0;
    virtual void setStatisticText(StatLabel label, const QString& text) = 0;

    /// The grid's columns were made from the list's columns.
    virtual void gridColumnsCreated(Side) {}
    /// The grid's columns are to be removed.
    virtual void gridColumnsRemoved(Side) {}
    /// Fit the grid's column widths to their contents.
    virtual void gridRefit(Side) {}
    virtual void gridRepaint(Side) {}
    /// Refresh commands, caption and status texts.
    virtual void refreshCommands() {}

    virtual void beep() {}
    /// How far a long run has come ("Loading target: 200000 rows"); an empty
    /// text when it is done.
    virtual void progress(const QString&) {}
    virtual void beginBusy() {}
    virtual void endBusy() {}

    /// RecIds of the rows selected in the source grid, in the order the grid
    /// lists its selection (group rows left out).
    virtual std::vector<int> selectedSourceRecIds() const { return {}; }

    /// The script editor: emptied, and lines added at its end.
    virtual void scriptClear() {}
    virtual void scriptAppendLine(const QString&) {}
    /// Bring the script editor's tab to the front.
    virtual void showScriptTab() {}
};

}  // namespace qm
