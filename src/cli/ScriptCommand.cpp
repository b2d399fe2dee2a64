#include "ScriptCommand.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "ProjectFile.h"
#include "ProjectRun.h"
#include "RuleOptions.h"
#include "StopSignals.h"
#include "common/Errors.h"
#include "common/TextFile.h"
#include "engine/InDatabaseCompare.h"
#include "engine/ProjectScript.h"
#include "engine/ScriptExecutor.h"
#include "engine/TDM.h"
#include "engine/TextScriptEditor.h"
#include "project/PrjDataSaved.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

// execute: every statement took effect, but the run is missing from the log.
constexpr int kCommittedWithoutLog = 3;

// The block of every chosen table setup, in project order, one after the
// other: the script the desktop program writes for a whole project.
int scriptProject(const QCommandLineParser& parser, const ProjectRunOptions& projectOptions,
                  const RuleOptions& ruleOptions, const QString& aliasFile,
                  const QString& outputFile, bool inDatabase) {
    CliPorts view;
    TDM dm(view.ports(), view);
    stopStatementsOnSignal(dm);
    // Lookup columns only show values; nothing here shows rows.
    dm.setLookupColumnsWanted(false);
    TPrjDataSaved project;
    std::vector<int> positions;
    if (const int code = prepareProjectRun(dm, view, project, parser, projectOptions, ruleOptions,
                                           aliasFile, positions);
        code >= 0) {
        return code;
    }
    if (inDatabase) {
        if (const int code = refuseInDatabase(dm, positions); code >= 0) {
            return code;
        }
    }
    view.clear();
    ProjectScript run(dm);
    if (inDatabase) {
        run.beforeOpen = [&dm](int) {
            stopPoint();
            InDatabaseCompare(dm).restrictCurrentTableSetup();
        };
    }
    run.onStep = [&](int position, ProjectScript::Step step) {
        // Nothing is written before every table setup is done, so a stop
        // between their steps leaves nothing behind.
        stopPoint();
        view.progress(
            u"%1: %2"_s.arg(project.GetItem(position)->Name(), ProjectScript::statusText(step)));
    };
    try {
        run.Run(positions);
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    view.progress(QString());
    // A query that failed leaves its table setup without statements; a
    // script that silently lacks them must not be written.
    if (view.messageShown()) {
        return kFailure;
    }
    return writeScript(view.script(), outputFile);
}

}  // namespace

int runScript(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares table setups, brings the target rows in line with the source (copy, change\n"
        "and delete records to match source) and writes the UPDATE, INSERT and DELETE\n"
        "statements that make the target tables equal the source, lines ending in CR LF.\n"
        "\n"
        "Either give one table setup with --source-alias, --target-alias, --source-sql,\n"
        "--target-sql, --key and --table, or give a project file: then the script holds, for\n"
        "every table setup of the project (or each one named with --table-setup) in project\n"
        "order, its header line and its statements, with nothing in between.\n"
        "\n"
        "Comparison rules (--rules and its shorthands) decide which differences count: rows\n"
        "equal under them get no statement, an UPDATE sets only the columns that differ under\n"
        "them, and an ignored column is never updated. With a project file they replace the\n"
        "rules of the chosen table setups for this run.\n"
        "\n"
        "Exit code 0 on success, 1 on a failure (nothing is written), 2 on a usage error\n"
        "(including a --table-setup name the project does not hold, and --in-database for\n"
        "databases on other or different engines)."_s);
    const TableSetupOptions options;
    options.addTo(parser);
    const QCommandLineOption table(u"table"_s, u"Target table the statements change."_s, u"NAME"_s);
    const QCommandLineOption name(
        u"name"_s, u"Table setup name for the header line (default: the table)."_s, u"NAME"_s);
    const QCommandLineOption output(
        u"output"_s, u"File to write (replaced whole; default: standard output)."_s, u"FILE"_s);
    const QCommandLineOption inDatabase = inDatabaseOption();
    parser.addOptions({table, name, output, inDatabase});
    const RuleOptions ruleOptions;
    ruleOptions.addTo(parser);
    const ProjectRunOptions projectOptions;
    projectOptions.addTo(parser);
    if (const int code = parseArguments(parser, arguments, u"script"_s, {}, 1,
                                        {&projectOptions.tableSetup, &ruleOptions.ignore});
        code >= 0) {
        return code;
    }
    if (!parser.positionalArguments().isEmpty()) {
        QList<const QCommandLineOption*> refused = options.required();
        refused << &table << &name;
        if (const int code = refuseOptions(parser, refused,
                                           u"cannot be used with the project file \"%1\": the "
                                           "project holds the aliases and table setups."_s.arg(
                                               parser.positionalArguments().first()));
            code >= 0) {
            return code;
        }
        return scriptProject(parser, projectOptions, ruleOptions, parser.value(options.aliases),
                             parser.value(output), parser.isSet(inDatabase));
    }
    if (const int code =
            refuseOptions(parser, {&projectOptions.tableSetup}, u"needs a project file."_s);
        code >= 0) {
        return code;
    }
    QList<const QCommandLineOption*> required = options.required();
    required << &table;
    if (const int code = requireOptions(parser, required, u"script"_s); code >= 0) {
        return code;
    }
    if (const QString problem = options.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    const QString setupName = parser.isSet(name) ? parser.value(name) : parser.value(table);
    ComparisonRules rules;
    if (const QString problem = ruleOptions.read(parser, setupName, rules); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    if (const int code = refuseInDatabase(parser, options, setupName, rules); code >= 0) {
        return code;
    }
    CliPorts view;
    TDM dm(view.ports(), view);
    stopStatementsOnSignal(dm);
    // Lookup columns only show values; nothing here shows rows.
    dm.setLookupColumnsWanted(false);
    std::pair<qint64, qint64> totals;
    if ((parser.isSet(inDatabase) ? openTableSetupInDatabase(dm, view, parser, options, setupName,
                                                             parser.value(table), rules, &totals)
                                  : openTableSetup(dm, view, parser, options, setupName,
                                                   parser.value(table), rules)) != kSuccess) {
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
    return writeScript(view.script(), parser.value(output));
}

int runExecute(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Executes a script file statement by statement on the target in one transaction:\n"
        "all statements take effect, or none. A ';' inside quoted text, a quoted name or a\n"
        "comment does not end a statement. The target is --target-alias, or the target alias\n"
        "of a project file given instead; with a project, the log starts with a comment line\n"
        "naming that alias, as when the desktop program runs its first script after opening\n"
        "the project. A script holding COMMIT, END, ROLLBACK, ABORT, BEGIN, START\n"
        "TRANSACTION or PREPARE TRANSACTION (ROLLBACK TO SAVEPOINT is allowed), or a --log\n"
        "file that cannot be written (another run holds its lock for more than 10 seconds,\n"
        "no room for its lock file, it is the script file or the target's SQLite database\n"
        "file), is refused before anything is executed; the log stays locked until the run\n"
        "is logged. A trigger's BEGIN ... END body is one statement. Pieces holding only\n"
        "comments are logged but not sent. A script file that is not UTF-8 is read as\n"
        "Windows-1252.\n"
        "Exit code 0 after the commit, 1 after a rollback (the database's message on\n"
        "standard error), when the script is refused or when the project cannot be used,\n"
        "2 on a usage error, 3 when the statements are committed but the log could not be\n"
        "written."_s);
    const QCommandLineOption targetAlias(u"target-alias"_s, u"Database alias of the target."_s,
                                         u"B"_s);
    const QCommandLineOption script(u"script"_s, u"Script file to execute."_s, u"FILE"_s);
    const QCommandLineOption log(
        u"log"_s, u"Log file the executed statements are appended to (default: no log)."_s,
        u"FILE"_s);
    const QCommandLineOption aliases(u"aliases"_s, u"Alias file to use (as for compare)."_s,
                                     u"FILE"_s);
    parser.addOptions({targetAlias, script, log, aliases});
    parser.addPositionalArgument(u"project"_s,
                                 u"A project file whose target alias to use instead of "
                                 "--target-alias."_s,
                                 u"[PROJECT.QMP]"_s);
    if (const int code = parseArguments(parser, arguments, u"execute"_s, {&script}, 1); code >= 0) {
        return code;
    }
    const QString projectFile = parser.positionalArguments().value(0);
    if (projectFile.isEmpty()) {
        if (const int code = requireOptions(parser, {&targetAlias}, u"execute"_s); code >= 0) {
            return code;
        }
    } else if (const int code = refuseOptions(parser, {&targetAlias},
                                              u"cannot be used with the project file \"%1\": the "
                                              "project names the target alias."_s.arg(projectFile));
               code >= 0) {
        return code;
    }
    TPrjDataSaved project;
    if (!projectFile.isEmpty() &&
        (!loadProject(projectFile, project) || !hasAlias(project, projectFile, u"DestDBAlias"_s))) {
        return kFailure;
    }
    // The log replaces its file whole: a log on the script itself would
    // leave the script lost in its own log.
    if (const QString logPath = QFileInfo(parser.value(log)).canonicalFilePath();
        !logPath.isEmpty() && logPath == QFileInfo(parser.value(script)).canonicalFilePath()) {
        print(stderr,
              u"Error: The script is not run: the log file \"%1\" is the script file "
              "itself; name another log file."_s.arg(parser.value(log)));
        return kFailure;
    }
    QString text;
    try {
        text = TextFile::read(parser.value(script));
    } catch (const Error& e) {
        print(stderr, u"Error: %1"_s.arg(e.message()));
        return kFailure;
    }

    CliPorts view;
    view.setYesNoAnswer(true);  // no --log means no log
    TDM dm(view.ports(), view);
    stopStatementsOnSignal(dm);
    // Lookup columns only show values; nothing here shows rows.
    dm.setLookupColumnsWanted(false);
    dm.session().setAliasFilePath(parser.value(aliases));
    dm.session().setLoginPrompt(&view);
    TextScriptEditor editor(text);
    ScriptRunOptions runOptions;
    runOptions.logFileName = parser.value(log);
    ScriptExecutor executor(dm, view);
    // The run writes the target and then its log: a second Ctrl+C waits
    // for the rollback (or the log) instead of ending the program.
    const StopHold running;
    try {
        if (projectFile.isEmpty()) {
            dm.DBSetupMemData().open();
            dm.DBSetupMemData().append();
            dm.DBSetupMemData().setAsText(dm.destDBAliasField(), parser.value(targetAlias));
            dm.DBSetupMemData().post();
        } else {
            dm.LoadTableSetups(project);
            // A project just loaded from its file puts its aliases in front of
            // the first run's log.
            dm.setAliasHeaderPending(true);
        }
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
    if (executor.logFailed()) {
        return kCommittedWithoutLog;
    }
    return view.messageShown() ? kFailure : kSuccess;
}

}  // namespace qm::cli
