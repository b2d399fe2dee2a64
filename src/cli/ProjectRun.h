#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <vector>

namespace qm {
class TDM;
class TPrjDataSaved;
}  // namespace qm

namespace qm::cli {

class CliPorts;
struct RuleOptions;

/// What the project forms of compare and script share: the project file
/// (the one positional argument), the chosen table setups and the alias
/// file, and handing the project to the engine.
struct ProjectRunOptions {
    ProjectRunOptions();
    /// Adds --table-setup and describes the PROJECT.QMP argument.
    void addTo(QCommandLineParser& parser) const;

    QCommandLineOption tableSetup;
};

/// Loads the project named by the positional argument, checks that it
/// names both aliases, hands it to the engine (TDM::LoadTableSetups) and
/// resolves the --table-setup names to positions in project order (all
/// table setups without names). When rule options are given, the rules they
/// give replace those of the chosen table setups in the engine's list (the
/// project itself is left as it is). Returns -1 to go on, else an exit code:
/// kUsage for a name the project does not hold or rules that cannot be read,
/// kFailure for a project that cannot be used.
int prepareProjectRun(TDM& dm, CliPorts& view, TPrjDataSaved& project,
                      const QCommandLineParser& parser, const ProjectRunOptions& options,
                      const RuleOptions& ruleOptions, const QString& aliasFile,
                      std::vector<int>& positions);

/// The names as a list for messages: "A", "B" (or "none").
QString quotedNames(const QStringList& names);

}  // namespace qm::cli
