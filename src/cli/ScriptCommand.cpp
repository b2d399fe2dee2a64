#include "ScriptCommand.h"

#include "CliCommon.h"
#include "CliEngineView.h"
#include "common/Errors.h"
#include "engine/ScriptExecutor.h"
#include "engine/TDM.h"
#include "engine/TextScriptEditor.h"

#include <QFile>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace qm::cli {
int runScript(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares one table setup, brings the target rows in line with the source (copy, "
        "change\nand delete records to match source) and writes the UPDATE, INSERT and DELETE "
        "statements\nthat make the target table equal the source, lines ending in CR LF.\n"
        "Exit code 0 on success, 1 on a failure, 2 on a usage error."_s);
    const TableSetupOptions options;
    options.addTo(parser);
    const QCommandLineOption table(u"table"_s, u"Target table the statements change."_s, u"NAME"_s);
    const QCommandLineOption name(
        u"name"_s, u"Table setup name for the header line (default: the table)."_s, u"NAME"_s);
    const QCommandLineOption output(
        u"output"_s, u"File to write (replaced whole; default: standard output)."_s, u"FILE"_s);
    parser.addOptions({table, name, output});
    QList<const QCommandLineOption*> required = options.required();
    required << &table;
    if (const int code = parseArguments(parser, arguments, u"script"_s, required); code >= 0) {
        return code;
    }
    if (const QString problem = options.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    CliEngineView view;
    TDM dm(view, view);
    const QString setupName = parser.isSet(name) ? parser.value(name) : parser.value(table);
    if (openTableSetup(dm, view, parser, options, setupName, parser.value(table)) != kSuccess) {
        return kFailure;
    }
    try {
        dm.ChangeDataToEqualSource();
        dm.ScriptCurrentTableSetup(true);
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    if (view.messageShown()) {
        return kFailure;
    }
    QByteArray bytes;
    for (const QString& line : view.script()) {
        bytes += line.toUtf8() + "\r\n";
    }
    if (!parser.isSet(output)) {
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return kSuccess;
    }
    QSaveFile file(parser.value(output));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        print(stderr,
              u"Error: cannot write \"%1\": %2"_s.arg(parser.value(output), file.errorString()));
        return kFailure;
    }
    return kSuccess;
}

int runExecute(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Executes a script file statement by statement on the target in one transaction:\n"
        "all statements take effect, or none. A ';' inside quoted text, a quoted name or a\n"
        "comment does not end a statement. Exit code 0 after the commit, 1 after a rollback\n"
        "(the database's message on standard error), 2 on a usage error."_s);
    const QCommandLineOption targetAlias(u"target-alias"_s, u"Database alias of the target."_s,
                                         u"B"_s);
    const QCommandLineOption script(u"script"_s, u"Script file to execute."_s, u"FILE"_s);
    const QCommandLineOption log(
        u"log"_s, u"Log file the executed statements are appended to (default: no log)."_s,
        u"FILE"_s);
    const QCommandLineOption aliases(u"aliases"_s, u"Alias file to use (as for compare)."_s,
                                     u"FILE"_s);
    parser.addOptions({targetAlias, script, log, aliases});
    if (const int code = parseArguments(parser, arguments, u"execute"_s, {&targetAlias, &script});
        code >= 0) {
        return code;
    }
    QFile file(parser.value(script));
    if (!file.open(QIODevice::ReadOnly)) {
        print(stderr,
              u"Error: cannot read \"%1\": %2"_s.arg(parser.value(script), file.errorString()));
        return kFailure;
    }
    const QString text = QString::fromUtf8(file.readAll());

    CliEngineView view;
    view.setYesNoAnswer(true);  // no --log means no log
    TDM dm(view, view);
    dm.session().setAliasFilePath(parser.value(aliases));
    dm.session().setLoginPrompt(&view);
    TextScriptEditor editor(text);
    ScriptRunOptions runOptions;
    runOptions.logFileName = parser.value(log);
    ScriptExecutor executor(dm, view);
    try {
        dm.DBSetupMemData().open();
        dm.DBSetupMemData().append();
        dm.DBSetupMemData().setAsText(dm.destDBAliasField(), parser.value(targetAlias));
        dm.DBSetupMemData().post();
        if (executor.run(editor, runOptions) != ScriptExecutor::Outcome::Committed) {
            return kFailure;
        }
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    print(stderr, u"%1 statements executed and committed"_s.arg(executor.executedCount()));
    return view.messageShown() ? kFailure : kSuccess;
}

}  // namespace qm::cli
