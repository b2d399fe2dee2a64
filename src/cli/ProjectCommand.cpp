#include "ProjectCommand.h"

#include "CliCommon.h"
#include "CliPorts.h"
#include "FindLookupsCommand.h"
#include "ProjectFile.h"
#include "ProjectRun.h"
#include "RuleOptions.h"
#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "list/MemData.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectDescription.h"
#include "project/ProjectFiles.h"
#include "project/TableSetup.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm::cli {
namespace {

const char kProjectUsage[] =
    "Usage: quillmere-cli project SUBCOMMAND FILE [options]\n"
    "\n"
    "Subcommands:\n"
    "  create           Write a new project file with a source and a target alias.\n"
    "  add-table-setup  Append a table setup to a project file.\n"
    "  add-lookup       Append a lookup definition to a table setup of a project file.\n"
    "  find-lookups     Propose lookup definitions from column names; --apply adds them.\n"
    "  set-rules        Set or clear the comparison rules of a table setup.\n"
    "  show             Print the aliases, the table setups and their lookup definitions.\n"
    "\n"
    "The compare, script and execute commands take a project file instead of their\n"
    "table-setup options. Run 'quillmere-cli project SUBCOMMAND --help' for the options\n"
    "of a subcommand.\n";

// An option's value as the project file will hold it.
QString valueOf(const QCommandLineParser& parser, const QCommandLineOption& option) {
    return storedForm(parser.value(option));
}

// Parses a subcommand's arguments, which name exactly one project file.
// Returns -1 to go on, else an exit code.
int parseProjectArguments(QCommandLineParser& parser, const QStringList& arguments,
                          const QString& subcommand,
                          const QList<const QCommandLineOption*>& required,
                          const QList<const QCommandLineOption*>& repeatable = {}) {
    parser.addPositionalArgument(u"file"_s, u"The project file."_s, u"FILE"_s);
    const QString command = u"project "_s + subcommand;
    if (const int code = parseArguments(parser, arguments, command, required, 1, repeatable);
        code >= 0) {
        return code;
    }
    if (parser.positionalArguments().isEmpty()) {
        print(stderr, u"Missing the project file."_s);
        print(stderr, u"Run 'quillmere-cli %1 --help' for the options."_s.arg(command));
        return kUsage;
    }
    // Values that would make a table setup or lookup that cannot work.
    for (const QCommandLineOption* o : required) {
        if (checkStoredValue(parser.value(*o)) == StoredValue::Empty) {
            print(stderr, u"--%1 is empty."_s.arg(o->names().first()));
            return kUsage;
        }
    }
    return -1;
}

int runCreate(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Writes a new project file holding the source and the target alias and no table\n"
        "setups. An existing file is replaced only with --force.\n"
        "Exit code 0 on success, 1 when the file cannot be written, 2 on a usage error\n"
        "(including an existing file without --force)."_s);
    const QCommandLineOption sourceAlias(u"source-alias"_s,
                                         u"Database alias of the source (see --aliases of "
                                         "compare)."_s,
                                         u"A"_s);
    const QCommandLineOption targetAlias(u"target-alias"_s, u"Database alias of the target."_s,
                                         u"B"_s);
    const QCommandLineOption force(u"force"_s, u"Replace the file when it exists."_s);
    parser.addOptions({sourceAlias, targetAlias, force});
    if (const int code =
            parseProjectArguments(parser, arguments, u"create"_s, {&sourceAlias, &targetAlias});
        code >= 0) {
        return code;
    }
    const QString path = parser.positionalArguments().first();
    // A symbolic link counts as existing even when it leads nowhere:
    // following it would create a file wherever it points.
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !parser.isSet(force)) {
        print(stderr, u"\"%1\" already exists; give --force to replace it."_s.arg(path));
        return kUsage;
    }
    TPrjDataSaved project;
    project.SetSourceDBAlias(valueOf(parser, sourceAlias));
    project.SetDestDBAlias(valueOf(parser, targetAlias));
    if (!saveProject(project, path)) {
        return kFailure;
    }
    print(stdout, u"Created project \"%1\"."_s.arg(path));
    return kSuccess;
}

int runAddTableSetup(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Appends a table setup to a project file. Its name must not be taken yet: table\n"
        "setups are found by name.\n"
        "Exit code 0 on success, 1 when the project cannot be read or written, 2 on a usage\n"
        "error (including a name the project already holds)."_s);
    const QCommandLineOption name(u"name"_s, u"Name of the table setup."_s, u"NAME"_s);
    const QCommandLineOption sourceSql(u"source-sql"_s, u"SQL query of the source rows."_s,
                                       u"SQL"_s);
    const QCommandLineOption targetSql(u"target-sql"_s, u"SQL query of the target rows."_s,
                                       u"SQL"_s);
    const QCommandLineOption key(
        u"key"_s, u"Primary key field, or several names separated by ';'."_s, u"SPEC"_s);
    const QCommandLineOption table(u"table"_s, u"Target table the statements change."_s, u"NAME"_s);
    const QCommandLineOption scriptOn(u"script-on"_s,
                                      u"Mark the table setup as script enabled (default: "
                                      "off)."_s);
    parser.addOptions({name, sourceSql, targetSql, key, table, scriptOn});
    if (const int code = parseProjectArguments(parser, arguments, u"add-table-setup"_s,
                                               {&name, &sourceSql, &targetSql, &key, &table});
        code >= 0) {
        return code;
    }
    // A query, key or name of blanks only would fail only when the table
    // setup is used.
    for (const QCommandLineOption* option : {&sourceSql, &targetSql, &key, &name}) {
        if (checkStoredValue(parser.value(*option)) == StoredValue::OnlyBlanks) {
            print(stderr, u"--%1 holds only blanks."_s.arg(option->names().first()));
            return kUsage;
        }
    }
    const QString path = parser.positionalArguments().first();
    TPrjDataSaved project;
    if (!loadProject(path, project)) {
        return kFailure;
    }
    if (project.nodeNamed(valueOf(parser, name))) {
        print(stderr,
              u"Project \"%1\" already has a table setup named \"%2\"; table setups are "
              "found by name, so each name must be new."_s.arg(path, valueOf(parser, name)));
        return kUsage;
    }
    CliPorts view;
    TDM dm(view.ports(), view);
    try {
        // The row of the engine's table-setup list is what the desktop
        // program copies into a new table setup, so every column is set.
        dm.LoadTableSetups(project);
        MemData& tables = dm.TablesMemData();
        const TDM::TableFields& tf = dm.tableFields();
        tables.append();
        tables.setAsText(tf.Name, valueOf(parser, name));
        tables.setAsText(tf.SourceQuerySQL, valueOf(parser, sourceSql));
        tables.setAsText(tf.DestQuerySQL, valueOf(parser, targetSql));
        tables.setAsText(tf.PrimaryKeySpec, valueOf(parser, key));
        tables.setAsText(tf.DestTableName, valueOf(parser, table));
        tables.setAsInt(tf.DisplayOrder, project.NodeCount() + 1);
        tables.setAsBool(tf.ScriptOn, parser.isSet(scriptOn));
        tables.setAsBool(tf.ScriptTableChanged, false);
        tables.post();
        ProjectTableSetups::AddTableSetup(project, tables);
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    if (!saveProject(project, path)) {
        return kFailure;
    }
    print(stdout, u"Added table setup \"%1\" as number %2."_s.arg(
                      valueOf(parser, name), QString::number(project.NodeCount())));
    return kSuccess;
}

int runAddLookup(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Appends a lookup definition to a table setup of a project file: beside the target\n"
        "column FIELD the target list shows the display field of the lookup table's row whose\n"
        "key field equals FIELD's value.\n"
        "Exit code 0 on success, 1 when the project cannot be read or written, 2 on a usage\n"
        "error (including a table setup the project does not hold)."_s);
    const QCommandLineOption tableSetup(
        u"table-setup"_s, u"Name of the table setup the lookup belongs to."_s, u"NAME"_s);
    const QCommandLineOption lookupName(u"lookup-name"_s, u"Name of the lookup definition."_s,
                                        u"NAME"_s);
    const QCommandLineOption field(u"field"_s, u"Target column whose value is looked up."_s,
                                   u"FIELD"_s);
    const QCommandLineOption lookupTable(u"lookup-table"_s,
                                         u"Table that holds the readable values (default: "
                                         "FIELD)."_s,
                                         u"TABLE"_s);
    const QCommandLineOption keyField(u"key-field"_s,
                                      u"Column of the lookup table matched against FIELD "
                                      "(default: ID)."_s,
                                      u"NAME"_s);
    const QCommandLineOption displayField(u"display-field"_s,
                                          u"Column of the lookup table that is shown (default: "
                                          "Name)."_s,
                                          u"NAME"_s);
    parser.addOptions({tableSetup, lookupName, field, lookupTable, keyField, displayField});
    if (const int code = parseProjectArguments(parser, arguments, u"add-lookup"_s,
                                               {&tableSetup, &lookupName, &field});
        code >= 0) {
        return code;
    }
    const QString path = parser.positionalArguments().first();
    TPrjDataSaved project;
    if (!loadProject(path, project)) {
        return kFailure;
    }
    auto* node = dynamic_cast<TFrameNodeData*>(project.nodeNamed(valueOf(parser, tableSetup)));
    if (!node) {
        print(stderr, u"Project \"%1\" has no table setup named \"%2\"; it holds: %3."_s.arg(
                          path, valueOf(parser, tableSetup),
                          quotedNames(ProjectTableSetups::Names(project))));
        return kUsage;
    }
    const auto valueOr = [&parser](const QCommandLineOption& o, const QString& def) {
        return parser.isSet(o) ? valueOf(parser, o) : def;
    };
    try {
        MemData values(u"ParamsMemData"_s);
        ProjectTableSetups::CreateLookupDefinitionFields(values);
        values.open();
        values.append();
        values.setAsText(values.fieldIndex(u"LookupName"), valueOf(parser, lookupName));
        values.setAsText(values.fieldIndex(u"FieldName"), valueOf(parser, field));
        values.setAsText(values.fieldIndex(u"LookupTableName"),
                         valueOr(lookupTable, valueOf(parser, field)));
        values.setAsText(values.fieldIndex(u"LookupKeyFieldName"), valueOr(keyField, u"ID"_s));
        values.setAsText(values.fieldIndex(u"LookupDisplayFieldName"),
                         valueOr(displayField, u"Name"_s));
        values.setAsText(values.fieldIndex(u"CustomLookupSQLQuery"), QString());
        values.post();
        ProjectTableSetups::AddLookupDefinition(*node, values);
    } catch (const Error& e) {
        print(stderr, u"Error: "_s + e.message());
        return kFailure;
    }
    if (!saveProject(project, path)) {
        return kFailure;
    }
    print(stdout, u"Added lookup definition \"%1\" to table setup \"%2\"."_s.arg(
                      valueOf(parser, lookupName), valueOf(parser, tableSetup)));
    return kSuccess;
}

int runSetRules(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Sets the comparison rules of a table setup of a project file and saves the project.\n"
        "The rules given replace the table setup's rules; '--rules \"\"' clears them. The rules\n"
        "are a list of 'COLUMN: WORDS' separated by ';', COLUMN '*' for all columns, with the\n"
        "words ignore, nocase, trim, nullempty, abs=N, rel=N, time=second|minute|day and\n"
        "exact, for example '*: nocase trim; updated_at: ignore; price: abs=0.005'; the\n"
        "shorthands --ignore, --nocase, ... add to them as for compare. They are stored as\n"
        "'project show' prints them.\n"
        "Exit code 0 on success, 1 when the project cannot be read or written, 2 on a usage\n"
        "error (including a table setup the project does not hold and rules that cannot be\n"
        "read)."_s);
    const QCommandLineOption tableSetup(
        u"table-setup"_s, u"Name of the table setup whose rules to set."_s, u"NAME"_s);
    const RuleOptions ruleOptions;
    parser.addOption(tableSetup);
    ruleOptions.addTo(parser);
    if (const int code = parseProjectArguments(parser, arguments, u"set-rules"_s, {&tableSetup},
                                               ruleOptions.repeatable());
        code >= 0) {
        return code;
    }
    // An empty --rules is given all the same: it clears the rules.
    if (!ruleOptions.given(parser)) {
        print(stderr, u"Missing option(s): --rules (or one of its shorthands)"_s);
        print(stderr, u"Run 'quillmere-cli project set-rules --help' for the options."_s);
        return kUsage;
    }
    if (const QString problem = ruleOptions.problem(parser); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    const QString path = parser.positionalArguments().first();
    TPrjDataSaved project;
    if (!loadProject(path, project)) {
        return kFailure;
    }
    const QString name = valueOf(parser, tableSetup);
    auto* node = dynamic_cast<TFrameNodeData*>(project.nodeNamed(name));
    if (!node) {
        print(stderr, u"Project \"%1\" has no table setup named \"%2\"; it holds: %3."_s.arg(
                          path, name, quotedNames(ProjectTableSetups::Names(project))));
        return kUsage;
    }
    ComparisonRules rules;
    if (const QString problem = ruleOptions.read(parser, node->Name(), rules); !problem.isEmpty()) {
        print(stderr, problem);
        return kUsage;
    }
    // Stored in the text form the rules write themselves, so that the file
    // holds them the same way whoever set them.
    const QString text = rules.toText();
    node->props().setString(TableSetup::rulesProperty(), text);
    if (!saveProject(project, path)) {
        return kFailure;
    }
    if (text.isEmpty()) {
        print(stdout, u"Cleared the comparison rules of table setup \"%1\"."_s.arg(name));
    } else {
        print(stdout, u"Set the comparison rules of table setup \"%1\": %2"_s.arg(name, text));
    }
    return kSuccess;
}

int runShow(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Prints the project's aliases, then each table setup in project order with its key,\n"
        "target table, script flag, both queries and its lookup definitions.\n"
        "A table setup with comparison rules has a line 'Rules:' after its script flag.\n"
        "Exit code 0 on success, 1 when the project cannot be read, 2 on a usage error."_s);
    if (const int code = parseProjectArguments(parser, arguments, u"show"_s, {}); code >= 0) {
        return code;
    }
    const QString path = parser.positionalArguments().first();
    TPrjDataSaved project;
    if (!loadProject(path, project)) {
        return kFailure;
    }
    QString text;
    try {
        text = describeProject(project);
    } catch (const Error& e) {
        print(stderr, u"Cannot show project \"%1\":"_s.arg(path));
        print(stderr, e.message());
        return kFailure;
    }
    printBytes(stdout, text.toLocal8Bit());
    return kSuccess;
}

}  // namespace

int runProject(const QStringList& arguments) {
    const QString subcommand = arguments.value(1);
    if (subcommand.isEmpty()) {
        std::fputs(kProjectUsage, stderr);
        return kUsage;
    }
    if (subcommand == u"--help"_s || subcommand == u"-h"_s || subcommand == u"help"_s) {
        std::fputs(kProjectUsage, stdout);
        return kSuccess;
    }
    QStringList rest = arguments;
    rest.removeAt(1);
    if (subcommand == u"create"_s) {
        return runCreate(rest);
    }
    if (subcommand == u"add-table-setup"_s) {
        return runAddTableSetup(rest);
    }
    if (subcommand == u"add-lookup"_s) {
        return runAddLookup(rest);
    }
    if (subcommand == u"find-lookups"_s) {
        return runFindLookups(rest);
    }
    if (subcommand == u"show"_s) {
        return runShow(rest);
    }
    if (subcommand == u"set-rules"_s) {
        return runSetRules(rest);
    }
    std::fprintf(stderr, "Unknown project subcommand: %s\n\n%s", qPrintable(subcommand),
                 kProjectUsage);
    return kUsage;
}

}  // namespace qm::cli
