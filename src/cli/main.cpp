#include "CliCommon.h"
#include "CompareCommand.h"
#include "ProjectCommand.h"
#include "ScriptCommand.h"
#include "StopSignals.h"

#include "common/Cancellation.h"
#include "common/Errors.h"

#include <QCoreApplication>
#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;

namespace {

const char kUsage[] =
    "Usage: quillmere-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  compare   Open a source and a target query, match their rows by primary key\n"
    "            and print the record counts and the statistics of the comparison.\n"
    "  script    Write the UPDATE, INSERT and DELETE statements that make the target\n"
    "            table equal the source.\n"
    "  execute   Execute a script file on the target in one transaction.\n"
    "  project   Create a project file, add table setups and lookup definitions to it,\n"
    "            or show it (create, add-table-setup, add-lookup, show).\n"
    "\n"
    "compare, script and execute take either the table setup as options or a project\n"
    "file (PROJECT.QMP): 'quillmere-cli script PROJECT.QMP' writes the script of every\n"
    "table setup of the project.\n"
    "\n"
    "Run 'quillmere-cli COMMAND --help' for the options of a command.\n"
    "Exit codes: 0 success, 1 failure (also when standard output cannot be written),\n"
    "2 usage error, 130 stopped by Ctrl+C or SIGTERM.\n";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillmere-cli"_s);
    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs(kUsage, stderr);
        return qm::cli::kUsage;
    }
    const QString command = args[1];
    if (command == u"--help"_s || command == u"-h"_s || command == u"help"_s) {
        std::fputs(kUsage, stdout);
        return qm::cli::finishOutput(qm::cli::kSuccess);
    }
    args.removeAt(1);
    struct Command {
        int (*run)(const QStringList&);
        // The line a stop by Ctrl+C or SIGTERM ends with; empty: the
        // command is short and a signal ends it as usual.
        QString stopped;
    };
    const std::map<QString, Command> commands = {
        {u"compare"_s, {&qm::cli::runCompare, u"Stopped: the comparison was not finished."_s}},
        {u"script"_s, {&qm::cli::runScript, u"Stopped: no script was written."_s}},
        {u"execute"_s,
         {&qm::cli::runExecute,
          u"Stopped: the script run was rolled back; the target is unchanged."_s}},
        {u"project"_s, {&qm::cli::runProject, QString()}},
    };
    if (const auto it = commands.find(command); it != commands.end()) {
        if (!it->second.stopped.isEmpty()) {
            qm::cli::installStopHandlers();
        }
        // Commands report the failures they expect; anything else still
        // ends with its message and exit code 1 rather than an abort.
        int code = qm::cli::kFailure;
        try {
            code = it->second.run(args);
        } catch (const qm::Cancelled&) {
            // What the work changed is put back; the stop is no failure to
            // explain, only to name.
            qm::cli::print(stderr, it->second.stopped);
            code = qm::cli::kStopped;
        } catch (const qm::Error& e) {
            qm::cli::print(stderr, u"Error: "_s + e.message());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "Error: %s\n", e.what());
        }
        // A stop that made the work fail (an interrupted query) is reported
        // as the stop; the work changed nothing that stays.
        if (code == qm::cli::kFailure && !it->second.stopped.isEmpty() &&
            qm::cli::stopFlag().requested()) {
            qm::cli::print(stderr, it->second.stopped);
            code = qm::cli::kStopped;
        }
        return qm::cli::finishOutput(code);
    }
    std::fprintf(stderr, "Unknown command: %s\n\n%s", qPrintable(command), kUsage);
    return qm::cli::kUsage;
}
