#include "engine/ScriptExecutor.h"

#include "common/Errors.h"
#include "engine/EngineView.h"
#include "engine/StatementCutter.h"
#include "engine/TDM.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace qm {

void appendLinesToFile(const QString& path, const QStringList& lines) {
    QByteArray content;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            throw Error(u"Cannot read log file \"%1\": %2"_s.arg(path, existing.errorString()));
        }
        content = existing.readAll();
        existing.close();
        if (!content.isEmpty() && !content.endsWith('\n')) {
            content += "\r\n";
        }
    }
    for (const QString& line : lines) {
        content += line.toUtf8() + "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw Error(u"Cannot write log file \"%1\": %2"_s.arg(path, reason));
    }
    if (!file.commit()) {
        throw Error(u"Cannot write log file \"%1\": %2"_s.arg(path, file.errorString()));
    }
}

ScriptExecutor::Outcome ScriptExecutor::run(ScriptEditor& editor, const ScriptRunOptions& options) {
    executed_ = 0;
    error_.clear();
    reopenPending_ = false;
    if (options.logFileName.isEmpty() &&
        !messages_.askYesNo(
            u"The \"Auto log sql file\" file name is empty in the preferences window (menu "
            "\"File\" -> \"Preferences\"). Proceed without logging committed statements?"_s)) {
        return Outcome::NotRun;
    }
    dm_.ConnectTarget();  // shows its own error and aborts silently

    QStringList log;
    if (dm_.AliasHeaderPending()) {
        if (dm_.SourceDatabase().isConnected()) {
            log << u"/* Merge from odbc alias \"%1\" */ "_s.arg(dm_.SourceDatabase().aliasName());
        }
        log << u"/* Target odbc alias \"%1\" */ "_s.arg(dm_.DestDatabase().aliasName());
        dm_.setAliasHeaderPending(false);
    }
    const int selStart = editor.selectionStart();
    const int selLength = editor.selectionLength();
    const bool hasSelection = selLength > 0;
    const QString all = editor.text();
    const QString text = hasSelection ? all.mid(selStart, selLength) : all;

    Connection& target = dm_.DestDatabase();
    target.startTransaction();
    try {
        log << QString();
        for (const QString& piece : cutStatements(text)) {
            target.execute(piece);
            if (++executed_ % 10000 == 0) {
                dm_.reportProgress(u"Executed %1 statements"_s.arg(executed_));
            }
            log << piece + u';' << QString();
        }
        target.commit();
        dm_.reportProgress(QString());
    } catch (const Error& e) {
        dm_.reportProgress(QString());
        error_ = e.message();
        try {
            target.rollback();
        } catch (const Error&) {
        }
        messages_.showError(error_);
        return Outcome::RolledBack;
    }
    // Committed: what follows can fail but no longer undo the statements.
    try {
        if (!options.logFileName.isEmpty() && !options.disableLogging) {
            appendLinesToFile(options.logFileName, log);
        }
    } catch (const Error& e) {
        error_ = e.message();
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
