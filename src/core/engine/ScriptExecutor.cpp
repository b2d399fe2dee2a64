#include "engine/ScriptExecutor.h"

#include "common/Cancellation.h"
#include "common/Errors.h"
#include "common/TextFile.h"
#include "db/StatementCutter.h"
#include "engine/TDM.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace qm {

namespace {

QString notRegularFile(const QString& path) {
    return u"Cannot write log file \"%1\": it is not a regular file"_s.arg(path);
}

// "a COMMIT", "an END": the article of a statement's first word.
QString withArticle(const QString& words) {
    const bool vowel = !words.isEmpty() && QStringView(u"AEIOU").contains(words.front());
    return (vowel ? u"an "_s : u"a "_s) + words;
}

// Why the log cannot be written at `path` for a run on `target`, or "" when
// it can: replacing the target's own database file with a log would destroy
// the database the statements were just committed to.
QString logClash(const QString& path, const Connection& target) {
    if (!target.isConnected() || target.driverKind() != u"SQLITE"_s ||
        target.definition().database == u":memory:"_s) {
        return {};
    }
    const QString log = QFileInfo(path).canonicalFilePath();
    const QString database = QFileInfo(target.definition().database).canonicalFilePath();
    if (log.isEmpty() || log != database) {
        return {};
    }
    return u"the log file \"%1\" is the target's database file (alias \"%2\"); name another "
           "log file"_s.arg(path, target.aliasName());
}

// Rolls a stopped run back. A cancel request the server took late may still
// fail the first attempt, so one more is made; a connection that ends
// without either rolls back on the server all the same.
void rollBackStopped(Connection& target) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            target.rollback();
            return;
        } catch (const Error&) {
        }
    }
}

}  // namespace

void checkLogFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists()) {
        if (!info.isFile()) {
            throw Error(notRegularFile(path));
        }
        QFile existing(path);
        if (!existing.open(QIODevice::ReadOnly)) {
            throw Error(u"Cannot read log file \"%1\": %2"_s.arg(path, existing.errorString()));
        }
    }
    // Opening the new file that would replace the log shows whether the
    // folder takes it; nothing is written and the new file goes again.
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        throw Error(u"Cannot write log file \"%1\": %2"_s.arg(path, probe.errorString()));
    }
    probe.cancelWriting();
}

std::unique_ptr<QLockFile> lockLogFile(const QString& path, int lockWaitMs) {
    auto lock = std::make_unique<QLockFile>(path + u".lock"_s);
    if (!lock->tryLock(lockWaitMs)) {
        const QString reason =
            lock->error() == QLockFile::LockFailedError
                ? u"another run still writes it (lock file \"%1.lock\")"_s.arg(path)
                : u"cannot create the lock file \"%1.lock\""_s.arg(path);
        throw Error(u"Cannot write log file \"%1\": %2"_s.arg(path, reason));
    }
    return lock;
}

void appendLinesToFile(const QString& path, const QStringList& lines, int lockWaitMs) {
    const std::unique_ptr<QLockFile> lock = lockLogFile(path, lockWaitMs);
    appendLinesToLockedFile(path, lines);
}

void appendLinesToLockedFile(const QString& path, const QStringList& lines) {
    // The log is replaced whole, so it must be a file: a device or FIFO in
    // its place is refused rather than written to.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        throw Error(notRegularFile(path));
    }
    QByteArray content;
    if (info.exists()) {
        content = TextFile::readBytes(path);
        if (!content.isEmpty() && !content.endsWith('\n')) {
            content += "\r\n";
        }
    }
    for (const QString& line : lines) {
        content += line.toUtf8() + "\r\n";
    }
    TextFile::writeAtomically(path, content);
}

ScriptExecutor::Outcome ScriptExecutor::run(ScriptEditor& editor, const ScriptRunOptions& options) {
    executed_ = 0;
    error_.clear();
    reopenPending_ = false;
    logFailed_ = false;
    if (options.logFileName.isEmpty() &&
        !messages_.askYesNo(
            u"The \"Auto log sql file\" file name is empty in the preferences window (menu "
            "\"File\" -> \"Preferences\"). Proceed without logging committed statements?"_s)) {
        return Outcome::NotRun;
    }
    const int selStart = editor.selectionStart();
    const int selLength = editor.selectionLength();
    const bool hasSelection = selLength > 0;
    const QString all = editor.text();
    const QString text = hasSelection ? all.mid(selStart, selLength) : all;
    const bool logging = !options.logFileName.isEmpty() && !options.disableLogging;
    if (logging) {
        try {
            checkLogFile(options.logFileName);
        } catch (const Error& e) {
            error_ = u"The script is not run: %1"_s.arg(e.message());
            messages_.showError(error_);
            return Outcome::Refused;
        }
    }
    dm_.ConnectTarget();  // shows its own error and aborts silently
    // Cut as the target's database reads the text: where quotes and
    // comments are read otherwise, a ";" the cut passes over would run a
    // statement nobody checked.
    const SqlDialect dialect = dialectOfDriver(dm_.DestDatabase().driverKind());
    const QStringList pieces = cutStatements(text, dialect);

    // The run is one transaction: a statement that ends it would commit part
    // of the script (or roll it back) behind the run's back.
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const QString words = transactionControlWords(pieces[k], dialect);
        if (!words.isEmpty()) {
            error_ =
                u"The script is not run: statement %1 (\"%2\") is %3 statement, which "
                "ends or starts a transaction. The script runs in one transaction of its "
                "own, so that all of its statements take effect or none; take the statement "
                "out of the script."_s.arg(k + 1)
                    .arg(statementHead(pieces[k], dialect), withArticle(words));
            messages_.showError(error_);
            return Outcome::Refused;
        }
    }
    // The log's lock is held from before the transaction starts until the
    // log is written: a log that another run holds, or whose lock cannot
    // even be created (a full disk), refuses the run while nothing is
    // committed yet. It is taken only once connected, so that a login does
    // not keep other runs waiting.
    std::unique_ptr<QLockFile> logLock;
    if (logging) {
        QString problem = logClash(options.logFileName, dm_.DestDatabase());
        if (problem.isEmpty()) {
            try {
                logLock = lockLogFile(options.logFileName, options.logLockWaitMs);
            } catch (const Error& e) {
                problem = e.message();
            }
        }
        if (!problem.isEmpty()) {
            error_ = u"The script is not run: %1"_s.arg(problem);
            messages_.showError(error_);
            return Outcome::Refused;
        }
    }

    BusyPort* const busy = dm_.ports().busy;
    const auto stopRequested = [busy] { return busy && busy->cancelRequested(); };
    if (stopRequested()) {
        throw Cancelled();  // nothing has started yet
    }

    QStringList log;
    // A stopped run logs nothing, so the next one still owes the header.
    const bool headerPending = dm_.AliasHeaderPending();
    if (headerPending) {
        if (dm_.SourceDatabase().isConnected()) {
            log << u"/* Merge from odbc alias \"%1\" */ "_s.arg(dm_.SourceDatabase().aliasName());
        }
        log << u"/* Target odbc alias \"%1\" */ "_s.arg(dm_.DestDatabase().aliasName());
        dm_.setAliasHeaderPending(false);
    }

    // Comments alone are no statement: some servers refuse them. Known
    // before the run, so that progress can say how many are left.
    std::vector<bool> sent(static_cast<std::size_t>(pieces.size()));
    int toSend = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        sent[static_cast<std::size_t>(k)] = !statementBody(pieces[k], dialect).isEmpty();
        toSend += sent[static_cast<std::size_t>(k)] ? 1 : 0;
    }
    Connection& target = dm_.DestDatabase();
    target.startTransaction();
    bool stopped = false;
    try {
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        log << QString();
        for (qsizetype k = 0; k < pieces.size(); ++k) {
            const QString& piece = pieces[k];
            if (sent[static_cast<std::size_t>(k)]) {
                if (stopRequested()) {
                    stopped = true;
                    break;
                }
                // Runs exactly one statement as the database parses it.
                target.execute(piece);
                if (target.transactionEndedOnServer()) {
                    throw Error(
                        u"Statement %1 (\"%2\") ended the run's transaction: what it and the "
                        "statements before it changed may have been committed. No further "
                        "statement was executed."_s.arg(k + 1)
                            .arg(statementHead(piece, dialect)));
                }
                ++executed_;
                if (sinceProgress.hasExpired(30)) {
                    sinceProgress.restart();
                    dm_.reportProgress(
                        u"Executing: statement %1 of %2"_s.arg(executed_).arg(toSend));
                }
            }
            log << piece + u';' << QString();
        }
        // A stop that came with the last statement still prevents the commit.
        stopped = stopped || stopRequested();
        if (!stopped) {
            target.commit();
            dm_.reportProgress(QString());
        }
    } catch (const Error& e) {
        // An interrupted statement fails with the database's words; the stop
        // is what the user asked for, so no failure is shown.
        stopped = stopRequested();
        if (!stopped) {
            dm_.reportProgress(QString());
            error_ = e.message();
            try {
                target.rollback();
            } catch (const Error&) {
            }
            messages_.showError(error_);
            return Outcome::RolledBack;
        }
    }
    if (stopped) {
        rollBackStopped(target);
        dm_.setAliasHeaderPending(headerPending);
        dm_.reportProgress(QString());
        throw Cancelled();
    }
    // Committed: what follows can fail but no longer undo the statements.
    try {
        if (logging) {
            appendLinesToLockedFile(options.logFileName, log);
        }
    } catch (const Error& e) {
        logFailed_ = true;
        error_ =
            u"The statements are committed, but the log was not written: %1"_s.arg(e.message());
        messages_.showError(error_);
    }
    if (options.deleteCommitted) {
        if (hasSelection) {
            editor.removeSelection();
        } else {
            editor.clear();
        }
    }
    if (options.selectNext && hasSelection) {
        editor.setFocus();
        const int caret = options.deleteCommitted ? selStart : selStart + selLength;
        const QString rest = editor.text().mid(caret);
        const qsizetype semicolon = rest.indexOf(u';');
        editor.setSelection(caret, semicolon < 0 ? 0 : static_cast<int>(semicolon) + 1);
    }
    reopenPending_ = dm_.DestMemData().isOpen();
    return Outcome::Committed;
}

}  // namespace qm
