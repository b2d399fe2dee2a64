#include "CompareCommand.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "ProjectRun.h"
#include "RuleOptions.h"
#include "StopSignals.h"
#include "common/Errors.h"
#include "engine/EngineTexts.h"
#include "engine/InDatabaseCompare.h"
#include "engine/ProjectScript.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

// The seven lines of one comparison: both record counts, five statistics.
void printComparison(const TDM& dm, const QString& indent,
                     const std::optional<std::pair<qint64, qint64>>& totals = std::nullopt) {
    for (const Side side : {Side::Source, Side::Target}) {
        // Rows a comparison inside the databases found equal are counted
        // there, not loaded.
        const std::optional<qsizetype> records =
            totals ? (side == Side::Source ? totals->first : totals->second) : dm.RecordCount(side);
        print(stdout, indent + recordCountText(side, records));
    }
    for (const QString& text : statisticTexts(dm.Counts()).all()) {
        print(stdout, indent + text);
    }
}

int compareProject(const QCommandLineParser& parser, const ProjectRunOptions& projectOptions,
                   const RuleOptions& ruleOptions, const QString& aliasFile, bool inDatabase) {
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
    if (positions.empty()) {
        print(stderr, u"The project has no table setups."_s);
    }
    bool first = true;
    for (const int position : positions) {
        std::optional<std::pair<qint64, qint64>> totals;
        stopPoint();
        try {
            ProjectScript::SelectTableSetup(dm, position);
            if (inDatabase) {
                const InDatabaseCompare::Outcome outcome =
                    InDatabaseCompare(dm).restrictCurrentTableSetup();
                if (outcome.restricted) {
                    totals = {outcome.sourceRows, outcome.targetRows};
                }
            }
            dm.OpenBoth();
        } catch (const SilentAbort&) {
            // A connection failed; the next table setup uses the same one.
            return kFailure;
        } catch (const Error& e) {
            view.showError(e.message());
            return kFailure;
        }
        stopPoint();
        if (!first) {
            print(stdout, QString());
        }
        first = false;
        print(stdout, u"Table setup \"%1\":"_s.arg(project.GetItem(position)->Name()));
        if (dm.SourceMemData().isOpen() && dm.DestMemData().isOpen()) {
            printComparison(dm, u"  "_s, totals);
        } else {
            print(stdout, u"  Not compared: see the message on standard error."_s);
        }
    }
    return view.messageShown() ? kFailure : kSuccess;
}

}  // namespace

int runCompare(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Compares the rows of a source query with the rows of a target query by primary key.\n"
        "Prints the source record count, the target record count and five statistics lines:\n"
        "inserts, updates, deletes, records with differences and records unique to the target.\n"
        "\n"
        "Either give the table setup with --source-alias, --target-alias, --source-sql,\n"
        "--target-sql and --key, or give a project file: then every table setup of the project\n"
        "(or each one named with --table-setup) is compared in project order with the\n"
        "project's aliases, each under a line 'Table setup \"NAME\":' with its seven lines\n"
        "indented, and an empty line between table setups.\n"
        "\n"
        "Comparison rules (--rules and its shorthands) decide which differences count; with a\n"
        "project file they replace the rules of the chosen table setups for this run.\n"
        "\n"
        "Exit code 0 on success, 1 when opening or comparing failed, 2 on a usage error\n"
        "(including a --table-setup name the project does not hold, and --in-database for\n"
        "databases on other or different engines)."_s);
    const TableSetupOptions options;
    options.addTo(parser);
    const QCommandLineOption inDatabase = inDatabaseOption();
    parser.addOption(inDatabase);
    const RuleOptions ruleOptions;
    ruleOptions.addTo(parser);
    const ProjectRunOptions projectOptions;
    projectOptions.addTo(parser);
    if (const int code = parseArguments(parser, arguments, u"compare"_s, {}, 1,
                                        {&projectOptions.tableSetup, &ruleOptions.ignore});
        code >= 0) {
        return code;
    }
    if (!parser.positionalArguments().isEmpty()) {
        if (const int code = refuseOptions(parser, options.required(),
                                           u"cannot be used with the project file \"%1\": the "
                                           "project holds the aliases and table setups."_s.arg(
                                               parser.positionalArguments().first()));
            code >= 0) {
            return code;
        }
        return compareProject(parser, projectOptions, ruleOptions, parser.value(options.aliases),
                              parser.isSet(inDatabase));
    }
    if (const int code =
            refuseOptions(parser, {&projectOptions.tableSetup}, u"needs a project file."_s);
        code >= 0) {
        return code;
    }
    if (const int code = requireOptions(parser, options.required(), u"compare"_s); code >= 0) {
        return code;
    }
    if (const QString problem = options.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    ComparisonRules rules;
    if (const QString problem = ruleOptions.read(parser, u"compare"_s, rules); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    if (const int code = refuseInDatabase(parser, options, u"compare"_s, rules); code >= 0) {
        return code;
    }
    CliPorts view;
    TDM dm(view.ports(), view);
    stopStatementsOnSignal(dm);
    // Lookup columns only show values; nothing here shows rows.
    dm.setLookupColumnsWanted(false);
    if (parser.isSet(inDatabase)) {
        std::pair<qint64, qint64> totals;
        if (openTableSetupInDatabase(dm, view, parser, options, u"compare"_s, QString(), rules,
                                     &totals) != kSuccess) {
            return kFailure;
        }
        stopPoint();
        printComparison(dm, QString(), totals);
        return kSuccess;
    }
    if (openTableSetup(dm, view, parser, options, u"compare"_s, QString(), rules) != kSuccess) {
        return kFailure;
    }
    stopPoint();
    printComparison(dm, QString());
    return kSuccess;
}

}  // namespace qm::cli
