#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace qm {

class TDM;

/// Writes one script for several table setups of a project in a single run.
/// For each chosen table setup, in project order, it makes the table setup
/// current, opens the source and the target, runs "Copy, change and delete
/// records to match source" and appends the table setup's block (its header
/// line, then the UPDATE, INSERT and DELETE statements) to the engine's
/// script editor. Nothing is written between the blocks; the caller empties
/// the editor before the run.
///
/// The project must have been handed to the engine (TDM::LoadTableSetups),
/// so that position i of the table-setup list is node i of the project.
class ProjectScript {
public:
    /// The steps of one table setup, in the order they are reported.
    enum class Step { OpenedSource, OpenedDest, Analyzed, Produced };

    explicit ProjectScript(TDM& dm) : dm_(dm) {}

    /// Called after each step with the table setup's position (default:
    /// nothing).
    std::function<void(int position, Step step)> onStep;
    /// Called once a table setup is current and before its sides open, with
    /// its position (default: nothing); it may change the table setup's
    /// queries, as comparing inside the databases does.
    std::function<void(int position)> beforeOpen;

    /// Runs the table setups at these positions of the table-setup list, in
    /// ascending order whatever order they are given in. A connection that
    /// fails shows its message and ends the run (SilentAbort). A query that
    /// fails shows its message and leaves its list closed; the merge then
    /// does nothing, and a closed target ends the run with an Error after the
    /// table setup's header line, since it has no statements to write.
    void Run(std::vector<int> positions);

    /// Makes the table setup at a position of the table-setup list current,
    /// which closes both compared lists.
    static void SelectTableSetup(TDM& dm, int position);

    /// Appends the current table setup's block to the script editor. A
    /// closed target gives the header line alone and then raises an Error,
    /// since the table setup has no statements to write.
    static void AppendBlock(TDM& dm);

    /// "Opened Source", "Opened Dest", "Analyzed",
    /// "Produced script to update table".
    static QString statusText(Step step);

private:
    TDM& dm_;
};

}  // namespace qm
