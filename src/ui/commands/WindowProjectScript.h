#pragma once

#include "commands/CommandTable.h"

#include <vector>

namespace qm {

class CommandContext;

/// Writes the script of several table setups of the open project into the
/// main window's script editor, driving the window's own commands as the
/// user would: for each chosen table setup it makes that table setup
/// current (the chooser and the project panel follow), runs "Open Source",
/// "Open Target (Destination)" and, while it is enabled, "Copy, change and
/// delete records to match source", then appends the table setup's block
/// with the "Script" tab in front. The editor is emptied first; at the end
/// the "Script" tab is in front.
///
/// The commands run without the reporting of TActionsDM::execute, so that
/// what they raise ends the run: a failed connection (SilentAbort, its
/// message already shown) ends it silently, and a closed target ends it
/// with an Error after the table setup's header line. A query that fails
/// reports itself and leaves its list closed without raising; the run goes
/// on. Blocks already appended stay, and the table setup reached stays
/// current.
class WindowProjectScript {
public:
    explicit WindowProjectScript(CommandContext& ctx) : ctx_(ctx) {}

    /// Shows each step's status text in a message box and repaints the
    /// window after it.
    bool visualize = false;

    /// Runs the table setups at these positions of the project, in
    /// ascending order.
    void Run(std::vector<int> positions);

private:
    /// Runs a command's handler when the command is enabled, then refreshes
    /// the window; what the handler raises is left to the caller.
    void runCommand(CommandId id);
    void report(const QString& status);

    CommandContext& ctx_;
};

}  // namespace qm
