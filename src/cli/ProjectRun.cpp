#include "ProjectRun.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "ProjectFile.h"
#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"

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
                      const QString& aliasFile, std::vector<int>& positions) {
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
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    return -1;
}

}  // namespace qm::cli
