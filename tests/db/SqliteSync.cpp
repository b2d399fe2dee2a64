#include "SqliteSync.h"

#include "common/Errors.h"
#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace qm::test {

QStringList sqliteCells(const QString& databaseFile, const QString& table) {
    QStringList rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << databaseFile.toStdString();
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = u"SELECT * FROM %1"_s.arg(table).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db);
        sqlite3_close(db);
        return rows;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_NULL:
                    cells << u"null"_s;
                    break;
                case SQLITE_INTEGER:
                    cells << u"integer:"_s + QString::number(sqlite3_column_int64(stmt, i));
                    break;
                case SQLITE_FLOAT: {
                    const double d = sqlite3_column_double(stmt, i);
                    std::uint64_t bits = 0;
                    std::memcpy(&bits, &d, sizeof bits);
                    cells << u"real:%1 (%2)"_s.arg(bits, 16, 16, QChar(u'0'))
                                 .arg(QString::number(d, 'g', 17));
                    break;
                }
                case SQLITE_TEXT:
                case SQLITE_BLOB: {
                    const bool blob = sqlite3_column_type(stmt, i) == SQLITE_BLOB;
                    const void* p = blob ? sqlite3_column_blob(stmt, i)
                                         : static_cast<const void*>(sqlite3_column_text(stmt, i));
                    const QByteArray bytes(static_cast<const char*>(p),
                                           sqlite3_column_bytes(stmt, i));
                    cells << (blob ? u"blob:"_s : u"text:"_s) + QString::fromLatin1(bytes.toHex());
                    break;
                }
            }
        }
        rows << cells.join(u" | "_s);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    std::sort(rows.begin(), rows.end());
    return rows;
}

SyncRun syncTables(const QString& aliasFile, const QString& sourceAlias, const QString& targetAlias,
                   const QString& sourceTable, const QString& targetTable, const QString& key) {
    SyncRun run;
    const auto messages = [](const EngineHarness& h) { return h.view.messages().join(u'\n'); };
    {
        EngineHarness h(aliasFile);
        h.configure(
            sourceAlias, targetAlias,
            {u"SELECT * FROM %1"_s.arg(sourceTable), u"SELECT * FROM %1"_s.arg(targetTable), key});
        MemData& t = h.dm.TablesMemData();
        t.edit();
        t.setAsText(h.dm.tableFields().DestTableName, targetTable);
        t.post();
        if (!h.openSource() || !h.openTarget() || !h.view.errors.isEmpty()) {
            run.failure = u"open: "_s + messages(h);
            return run;
        }
        try {
            h.dm.ChangeDataToEqualSource();
            h.dm.ScriptCurrentTableSetup(true);
        } catch (const Error& e) {
            run.failure = u"script: "_s + e.message();
            return run;
        } catch (const SilentAbort&) {
            run.failure = u"script: "_s + messages(h);
            return run;
        }
        run.script = h.view.script;
        if (!h.view.errors.isEmpty()) {
            run.failure = u"script: "_s + messages(h);
            return run;
        }
        QTemporaryDir logDir;
        ScriptRunOptions options;
        options.logFileName = logDir.filePath(u"run.log"_s);
        TextScriptEditor editor(run.script.join(u"\r\n"_s) + u"\r\n"_s);
        ScriptExecutor executor(h.dm, h.view);
        if (executor.run(editor, options) != ScriptExecutor::Outcome::Committed) {
            run.failure = u"execute: "_s + executor.errorText();
            return run;
        }
    }
    EngineHarness again(aliasFile);
    again.configure(
        sourceAlias, targetAlias,
        {u"SELECT * FROM %1"_s.arg(sourceTable), u"SELECT * FROM %1"_s.arg(targetTable), key});
    if (!again.openSource() || !again.openTarget()) {
        run.failure = u"open again: "_s + messages(again);
        return run;
    }
    try {
        again.dm.ChangeDataToEqualSource();
        again.dm.ScriptCurrentTableSetup(true);
    } catch (const Error& e) {
        run.failure = u"script again: "_s + e.message();
        return run;
    }
    run.secondScript = again.view.script;
    return run;
}

}  // namespace qm::test
