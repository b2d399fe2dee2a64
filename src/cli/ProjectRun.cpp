#include "ProjectRun.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "ProjectFile.h"
#include "RuleOptions.h"
#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "list/MemData.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/TableSetup.h"

using namespace Qt::StringLiterals;

namespace qm::cli {

ProjectRunOptions::ProjectRunOptions()
    : tableSetup(u"table-setup"_s,
                 u"With a project: a table setup to work on, by its exact name. Repeat it for "
                 "more; they are taken in project order. Default: every table setup."_s,
                 u"NAME"_s) {}

void ProjectRunOptions::addTo(QCommandLineParser& parser) const {
    parser.addOption(tableSetup);
    parser.addPositionalArgument(u"project"_s,
                                 u"A project file: take the aliases and table setups from it."_s,
                                 u"[PROJECT.QMP]"_s);
}

namespace {

// Puts the rules the options give into the engine's rows of the chosen table
// setups, where the comparison reads them; -1 to go on, else kUsage.
int replaceRules(TDM& dm, TPrjDataSaved& project, const QCommandLineParser& parser,
                 const RuleOptions& ruleOptions, const std::vector<int>& positions) {
    MemData& tables = dm.TablesMemData();
    for (const int position : positions) {
        ComparisonRules rules;
        if (const QString problem =
                ruleOptions.read(parser, project.GetItem(position)->Name(), rules);
            !problem.isEmpty()) {
            print(stderr, problem);
            return kUsage;
        }
        tables.moveTo(position);
        tables.edit();
        TableSetup::setRulesInList(tables, rules);
        tables.post();
    }
    return -1;
}

}  // namespace

QString quotedNames(const QStringList& names) {
    if (names.isEmpty()) {
        return u"none"_s;
    }
    QStringList quoted;
    for (const QString& n : names) {
        quoted << u'"' + n + u'"';
    }
    return quoted.join(u", "_s);
}

int prepareProjectRun(TDM& dm, CliPorts& view, TPrjDataSaved& project,
                      const QCommandLineParser& parser, const ProjectRunOptions& options,
                      const RuleOptions& ruleOptions, const QString& aliasFile,
                      std::vector<int>& positions) {
    if (const QString problem = ruleOptions.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    const QString path = parser.positionalArguments().value(0);
    if (!loadProject(path, project) || !hasAlias(project, path, u"SourceDBAlias"_s) ||
        !hasAlias(project, path, u"DestDBAlias"_s)) {
        return kFailure;
    }
    try {
        QStringList unknown;
        positions =
            ProjectTableSetups::Positions(project, parser.values(options.tableSetup), unknown);
        if (!unknown.isEmpty()) {
            print(stderr,
                  u"Unknown table setup(s) %1 in project \"%2\"; it holds: %3."_s.arg(
                      quotedNames(unknown), path, quotedNames(ProjectTableSetups::Names(project))));
            return kUsage;
        }
        // As with an empty --key: without key fields no row can be matched.
        for (const int position : positions) {
            auto* setup = dynamic_cast<TFrameNodeData*>(project.GetItem(position));
            if (setup && setup->props().getString(u"PrimaryKeySpec"_s).isEmpty()) {
                print(stderr,
                      u"Cannot use table setup \"%1\" of project \"%2\": its key "
                      "(PrimaryKeySpec) is empty."_s.arg(setup->Name(), path));
                return kFailure;
            }
        }
        dm.session().setAliasFilePath(aliasFile);
        dm.session().setLoginPrompt(&view);
        dm.LoadTableSetups(project);
        if (ruleOptions.given(parser)) {
            if (const int code = replaceRules(dm, project, parser, ruleOptions, positions);
                code >= 0) {
                return code;
            }
        }
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    return -1;
}

}  // namespace qm::cli
