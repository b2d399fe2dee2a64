#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace qm {

class TDM;
class MessageViewer;

/// The script editor as script execution needs it: its text, the selection
/// and the edits made after a successful run.
class ScriptEditor {
public:
    virtual ~ScriptEditor() = default;
    virtual QString text() const = 0;
    virtual int selectionStart() const = 0;
    virtual int selectionLength() const = 0;
    /// Selects `length` characters from `start` (0: only places the caret).
    virtual void setSelection(int start, int length) = 0;
    virtual void removeSelection() = 0;
    virtual void clear() = 0;
    virtual void setFocus() {}
};

/// How long a run waits for another run that is writing the same log.
inline constexpr int kLogLockWaitMs = 10000;

/// Options of one run, as the "Script" tab and the preferences set them.
struct ScriptRunOptions {
    QString logFileName;           // "Auto log sql file"; empty: no log
    bool selectNext = false;       // "Select next statement automatically, ..."
    bool deleteCommitted = false;  // "Delete statements after it is executed successfully"
    bool disableLogging = false;   // "Disable logging"
    int logLockWaitMs = kLogLockWaitMs;
};

/// Executes the script editor's text, or its selection, statement by
/// statement in one transaction on the target connection, and appends the
/// run to the log file. A failure rolls everything back, logs nothing and
/// leaves the editor as it was. A script that would end or start a
/// transaction itself, or a log file that cannot be written (held by another
/// run, no room for its lock, the target's SQLite database file), is refused
/// before anything is executed; the log's lock is held from then until the
/// log is written. The busy port is asked between statements whether to
/// stop; a stop (also one that interrupted a statement through the target
/// connection's stop flag) rolls the run back, shows nothing and raises
/// Cancelled.
class ScriptExecutor {
public:
    ScriptExecutor(TDM& dm, MessageViewer& messages) : dm_(dm), messages_(messages) {}

    /// Refused: nothing was executed (the reason is errorText()).
    enum class Outcome { Committed, RolledBack, NotRun, Refused };
    /// Runs the editor's script. Statements sent to the database in the last
    /// run (pieces holding only comments are not sent) are counted in
    /// executedCount(); the message of a failure is errorText().
    Outcome run(ScriptEditor& editor, const ScriptRunOptions& options);

    int executedCount() const { return executed_; }
    /// Set when the run committed but its log could not be written.
    bool logFailed() const { return logFailed_; }
    const QString& errorText() const { return error_; }
    /// Set after a commit while a target list is loaded: it no longer shows
    /// the database and should be loaded again.
    bool targetReopenPending() const { return reopenPending_; }

private:
    TDM& dm_;
    MessageViewer& messages_;
    int executed_ = 0;
    QString error_;
    bool reopenPending_ = false;
    bool logFailed_ = false;
};

/// Takes the lock file "<path>.lock" of a log, waiting up to lockWaitMs for
/// another run that holds it; the lock is held until the returned object
/// goes. Raises Error when the lock stays taken or cannot be created.
std::unique_ptr<QLockFile> lockLogFile(const QString& path, int lockWaitMs = kLogLockWaitMs);

/// Appends lines to a text file by writing it whole to a new file that then
/// replaces it, so a failure leaves the previous file intact. Lines end in
/// CR LF. The caller holds the file's lock (lockLogFile) from reading to
/// replacing, so that runs sharing a log keep each other's lines. Raises
/// Error when the file cannot be read or written.
void appendLinesToLockedFile(const QString& path, const QStringList& lines);

/// lockLogFile, then appendLinesToLockedFile.
void appendLinesToFile(const QString& path, const QStringList& lines,
                       int lockWaitMs = kLogLockWaitMs);

/// Raises Error when a log file could not be extended: a path that is not a
/// regular file, an existing file that cannot be read, or a folder that
/// takes no new file. Nothing is changed.
void checkLogFile(const QString& path);

}  // namespace qm
