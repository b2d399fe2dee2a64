#include "FindLookupsCommand.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "ProjectFile.h"
#include "ProjectRun.h"
#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "engine/TFindLookup.h"
#include "project/PrjDataSaved.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

// The proposals as a table with a header line, each column as wide as its
// widest entry.
void printProposals(const std::vector<LookupProposal>& proposals) {
    if (proposals.empty()) {
        print(stdout, u"No lookups proposed."_s);
        return;
    }
    using Row = std::array<QString, 6>;
    std::vector<Row> rows{
        {u"Table setup"_s, u"Field"_s, u"Lookup name"_s, u"Table"_s, u"Key"_s, u"Display"_s}};
    for (const LookupProposal& p : proposals) {
        rows.push_back({p.tableSetupName, p.fieldName, p.lookupName, p.lookupTableName,
                        p.lookupKeyFieldName, p.lookupDisplayFieldName});
    }
    std::array<qsizetype, 6> widths{};
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths[c] = std::max(widths[c], row[c].size());
        }
    }
    for (const Row& row : rows) {
        QString line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
        }
        print(stdout, line);
    }
}

}  // namespace

int runFindLookups(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Proposes lookup definitions from the column names of the table setups' target\n"
        "queries: a column named after another table setup followed by ID, Key, Ref, No,\n"
        "Number, Nr or Nummer (CustomerID beside the table setup Customer) refers to that\n"
        "table setup's target table when that table has the columns CustomerID and\n"
        "CustomerName. Columns that already have a lookup definition are not proposed.\n"
        "Prints the proposals as a table; --apply adds them to the project file.\n"
        "Exit code 0 on success, 1 when the project or the target database cannot be read\n"
        "or the project cannot be written, 2 on a usage error."_s);
    const QCommandLineOption tableSetup(
        u"table-setup"_s,
        u"A table setup to examine, by its exact name. Repeat it for more. Default: every "
        "table setup."_s,
        u"NAME"_s);
    const QCommandLineOption apply(u"apply"_s,
                                   u"Add the proposals to the project as lookup definitions "
                                   "and save it."_s);
    const QCommandLineOption aliases(
        u"aliases"_s,
        u"Alias file to use. Default: $QUILLMERE_ALIASES, else Aliases.ini in the per-user "
        "configuration folder, else beside the program."_s,
        u"FILE"_s);
    parser.addOptions({tableSetup, apply, aliases});
    parser.addPositionalArgument(u"file"_s, u"The project file."_s, u"FILE"_s);
    const QString command = u"project find-lookups"_s;
    if (const int code = parseArguments(parser, arguments, command, {}, 1, {&tableSetup});
        code >= 0) {
        return code;
    }
    if (parser.positionalArguments().isEmpty()) {
        print(stderr, u"Missing the project file."_s);
        print(stderr, u"Run 'quillmere-cli %1 --help' for the options."_s.arg(command));
        return kUsage;
    }
    const QString path = parser.positionalArguments().first();
    TPrjDataSaved project;
    if (!loadProject(path, project) || !hasAlias(project, path, u"DestDBAlias"_s)) {
        return kFailure;
    }
    QStringList unknown;
    const std::vector<int> positions =
        ProjectTableSetups::Positions(project, parser.values(tableSetup), unknown);
    if (!unknown.isEmpty()) {
        print(stderr,
              u"Unknown table setup(s) %1 in project \"%2\"; it holds: %3."_s.arg(
                  quotedNames(unknown), path, quotedNames(ProjectTableSetups::Names(project))));
        return kUsage;
    }
    CliPorts view;
    TDM dm(view.ports(), view);
    std::vector<LookupProposal> proposals;
    try {
        dm.session().setAliasFilePath(parser.value(aliases));
        dm.session().setLoginPrompt(&view);
        dm.LoadTableSetups(project);
        dm.ConnectTarget();
        TFindLookup find(project, dm.DestDatabase());
        proposals = find.Discover(positions);
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    printProposals(proposals);
    if (!parser.isSet(apply)) {
        return kSuccess;
    }
    int created = 0;
    try {
        created = TFindLookup::Apply(project, proposals);
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    if (created > 0 && !saveProject(project, path)) {
        return kFailure;
    }
    print(stdout, created == 1 ? u"Added 1 lookup definition to \"%1\"."_s.arg(path)
                               : u"Added %1 lookup definitions to \"%2\"."_s.arg(
                                     QString::number(created), path));
    return kSuccess;
}

}  // namespace qm::cli
