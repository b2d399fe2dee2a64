#pragma once

namespace qm {
class CancelFlag;
class TDM;
}  // namespace qm

namespace qm::cli {

/// Exit code of a command stopped by Ctrl+C or SIGTERM (128 + SIGINT, as
/// shells report a program that a Ctrl+C ended).
inline constexpr int kStopped = 130;

/// Makes Ctrl+C (SIGINT) and SIGTERM raise stopFlag() instead of ending the
/// program: long work asks the flag, puts back what it changed and ends
/// with Cancelled. A further signal ends the program at once (exit code
/// kStopped, one line on standard error), unless a StopHold lives: then
/// something is being written and the first stop is awaited.
void installStopHandlers();

/// Raised by the handlers; safe to read from any thread.
CancelFlag& stopFlag();

/// Lets a stop also end a statement or query that either connection of the
/// engine runs, not only the wait between two (Connection::setStopFlag).
void stopStatementsOnSignal(TDM& dm);

/// Raises Cancelled when a stop was asked for: called before results are
/// written, so that a stopped command writes none.
void stopPoint();

/// While one lives, a second signal does not end the program at once.
class StopHold {
public:
    StopHold();
    ~StopHold();
    StopHold(const StopHold&) = delete;
    StopHold& operator=(const StopHold&) = delete;
};

}  // namespace qm::cli
