#include "CliCommon.h"

#include "CliPorts.h"
#include "StopSignals.h"
#include "common/Errors.h"
#include "common/TextFile.h"
#include "db/Session.h"
#include "engine/InDatabaseCompare.h"
#include "engine/TDM.h"
#include "project/TableSetup.h"

#include <cerrno>

using namespace Qt::StringLiterals;

namespace qm::cli {

namespace {

// The error number of the first write to standard output that failed (0:
// none), and whether a command already said so.
int stdoutError = 0;
bool stdoutErrorShown = false;

}  // namespace

bool printBytes(FILE* to, const QByteArray& bytes) {
    const auto size = static_cast<std::size_t>(bytes.size());
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size, to) == size && std::fflush(to) == 0) {
        return true;
    }
    if (to == stdout && stdoutError == 0) {
        stdoutError = errno != 0 ? errno : EIO;
    }
    return false;
}

void print(FILE* to, const QString& text) {
    printBytes(to, (text + u'\n').toLocal8Bit());
}

int finishOutput(int exitCode) {
    errno = 0;
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && stdoutError == 0) {
        stdoutError = errno != 0 ? errno : EIO;
    }
    if (stdoutError == 0 || stdoutErrorShown) {
        return exitCode;
    }
    // Results that did not arrive are a failure, even when the command's
    // work (a project file saved, say) is done.
    print(stderr,
          u"Error: cannot write to standard output: %1"_s.arg(qt_error_string(stdoutError)));
    return exitCode == kSuccess ? kFailure : exitCode;
}

namespace {

// The first option given more than once, as the user wrote its name, or ""
// when there is none. Only the last value of such an option would count,
// which hides a mistake in a command that may change a database.
QString repeatedOption(const QCommandLineParser& parser,
                       const QList<const QCommandLineOption*>& repeatable) {
    QStringList allowed;
    for (const QCommandLineOption* o : repeatable) {
        allowed << o->names();
    }
    const QStringList found = parser.optionNames();
    for (const QString& name : found) {
        if (allowed.contains(name)) {
            continue;
        }
        if (found.count(name) > 1 || parser.values(name).size() > 1) {
            return (name.size() == 1 ? u"-"_s : u"--"_s) + name;
        }
    }
    return {};
}

}  // namespace

int parseArguments(QCommandLineParser& parser, const QStringList& arguments, const QString& command,
                   const QList<const QCommandLineOption*>& required, int maxPositional,
                   const QList<const QCommandLineOption*>& repeatable) {
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Shows this help."_s);
    parser.addOption(help);
    const QString hint = u"Run 'quillmere-cli %1 --help' for the options."_s.arg(command);
    if (!parser.parse(arguments)) {
        print(stderr, parser.errorText());
        print(stderr, hint);
        return kUsage;
    }
    if (parser.isSet(help)) {
        print(stdout, parser.helpText().replace(u"[options]"_s, command + u" [options]"_s));
        return kSuccess;
    }
    if (const QString repeated = repeatedOption(parser, repeatable); !repeated.isEmpty()) {
        print(stderr, u"Option %1 is given more than once."_s.arg(repeated));
        print(stderr, hint);
        return kUsage;
    }
    if (const QStringList extra = parser.positionalArguments().mid(maxPositional);
        !extra.isEmpty()) {
        print(stderr, u"Unexpected argument: %1"_s.arg(extra.first()));
        return kUsage;
    }
    return requireOptions(parser, required, command);
}

int requireOptions(const QCommandLineParser& parser,
                   const QList<const QCommandLineOption*>& required, const QString& command) {
    QStringList missing;
    for (const QCommandLineOption* o : required) {
        if (!parser.isSet(*o)) {
            missing << u"--"_s + o->names().first();
        }
    }
    if (!missing.isEmpty()) {
        print(stderr, u"Missing option(s): %1"_s.arg(missing.join(u", "_s)));
        print(stderr, u"Run 'quillmere-cli %1 --help' for the options."_s.arg(command));
        return kUsage;
    }
    return -1;
}

int refuseOptions(const QCommandLineParser& parser, const QList<const QCommandLineOption*>& options,
                  const QString& reason) {
    for (const QCommandLineOption* o : options) {
        if (parser.isSet(*o)) {
            print(stderr, u"--%1 %2"_s.arg(o->names().first(), reason));
            return kUsage;
        }
    }
    return -1;
}

int writeScript(const QStringList& lines, const QString& outputFile) {
    // A stop asked for before this point leaves the output as it was; once
    // writing starts, it ends whole (a file is replaced in one rename).
    stopPoint();
    const StopHold writing;
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + "\r\n";
    }
    if (outputFile.isEmpty()) {
        if (!printBytes(stdout, bytes)) {
            print(stderr, u"Error: cannot write the script to standard output: %1"_s.arg(
                              qt_error_string(stdoutError)));
            stdoutErrorShown = true;
            return kFailure;
        }
        return kSuccess;
    }
    try {
        // A device or FIFO (such as /dev/null) is written to, never replaced.
        TextFile::writeAtomically(outputFile, bytes);
    } catch (const Error& e) {
        print(stderr, u"Error: %1"_s.arg(e.message()));
        return kFailure;
    }
    return kSuccess;
}

TableSetupOptions::TableSetupOptions()
    : sourceAlias(u"source-alias"_s, u"Database alias of the source (see --aliases)."_s, u"A"_s),
      targetAlias(u"target-alias"_s, u"Database alias of the target (see --aliases)."_s, u"B"_s),
      sourceSql(u"source-sql"_s, u"SQL query of the source rows."_s, u"SQL"_s),
      targetSql(u"target-sql"_s, u"SQL query of the target rows."_s, u"SQL"_s),
      key(u"key"_s,
          u"Primary key field, or several names separated by ';' (taken as written, blanks "
          "included)."_s,
          u"SPEC"_s),
      aliases(u"aliases"_s,
              u"Alias file to use. Default: $QUILLMERE_ALIASES, else Aliases.ini in the "
              "per-user configuration folder, else beside the program. A password an alias "
              "needs but does not hold is taken from $QUILLMERE_PASSWORD."_s,
              u"FILE"_s) {}

void TableSetupOptions::addTo(QCommandLineParser& parser) const {
    parser.addOptions({sourceAlias, targetAlias, sourceSql, targetSql, key, aliases});
}

QList<const QCommandLineOption*> TableSetupOptions::required() const {
    return {&sourceAlias, &targetAlias, &sourceSql, &targetSql, &key};
}

QString TableSetupOptions::problem(const QCommandLineParser& parser) const {
    if (parser.value(key).isEmpty()) {
        // Without key fields no row can be matched: every row would count
        // as local, which is never what a comparison is for.
        return u"Missing option(s): --key (it is empty)"_s;
    }
    return {};
}

namespace {

// Fills the table-setup and database-setup lists from the options; with
// `totals`, lets the databases compare first and restrict the queries.
int openWith(TDM& dm, CliPorts& view, const QCommandLineParser& parser,
             const TableSetupOptions& options, const QString& name, const QString& table,
             const ComparisonRules& rules, std::pair<qint64, qint64>* totals) {
    bool restricted = false;
    dm.session().setAliasFilePath(parser.value(options.aliases));
    dm.session().setLoginPrompt(&view);
    try {
        MemData& tables = dm.TablesMemData();
        const TDM::TableFields& tf = dm.tableFields();
        tables.open();
        tables.append();
        tables.setAsText(tf.Name, name);
        tables.setAsText(tf.SourceQuerySQL, parser.value(options.sourceSql));
        tables.setAsText(tf.DestQuerySQL, parser.value(options.targetSql));
        tables.setAsText(tf.PrimaryKeySpec, parser.value(options.key));
        tables.setAsText(tf.DestTableName, table);
        TableSetup::setRulesInList(tables, rules);
        tables.post();
        MemData& setup = dm.DBSetupMemData();
        setup.open();
        setup.append();
        setup.setAsText(dm.sourceDBAliasField(), parser.value(options.sourceAlias));
        setup.setAsText(dm.destDBAliasField(), parser.value(options.targetAlias));
        setup.post();

        if (totals != nullptr) {
            const InDatabaseCompare::Outcome outcome =
                InDatabaseCompare(dm).restrictCurrentTableSetup();
            *totals = {outcome.sourceRows, outcome.targetRows};
            restricted = outcome.restricted;
        }
        if (!dm.OpenBoth().opened()) {
            return kFailure;
        }
        if (totals != nullptr && !restricted) {
            *totals = {dm.RecordCount(Side::Source).value_or(0),
                       dm.RecordCount(Side::Target).value_or(0)};
        }
    } catch (const SilentAbort&) {
        return kFailure;
    } catch (const Error& e) {
        view.showError(e.message());
        return kFailure;
    }
    return view.messageShown() ? kFailure : kSuccess;
}

}  // namespace

int openTableSetup(TDM& dm, CliPorts& view, const QCommandLineParser& parser,
                   const TableSetupOptions& options, const QString& name, const QString& table,
                   const ComparisonRules& rules) {
    return openWith(dm, view, parser, options, name, table, rules, nullptr);
}

int openTableSetupInDatabase(TDM& dm, CliPorts& view, const QCommandLineParser& parser,
                             const TableSetupOptions& options, const QString& name,
                             const QString& table, const ComparisonRules& rules,
                             std::pair<qint64, qint64>* totals) {
    return openWith(dm, view, parser, options, name, table, rules, totals);
}

QCommandLineOption inDatabaseOption() {
    return QCommandLineOption(
        u"in-database"_s,
        u"Let the databases compare first (source and target both SQLite or both PostgreSQL): "
        "each sums its rows per segment of the keys, and only rows of segments that differ are "
        "loaded; equal rows are counted, not loaded. The output is the same as without it."_s);
}

namespace {

// kUsage after saying why the aliases' drivers refuse --in-database; -1
// when they allow it or an alias cannot be resolved (opening names it).
int refuseDrivers(const Session& session, const QString& sourceAlias, const QString& targetAlias) {
    QString sourceDriver;
    QString targetDriver;
    try {
        sourceDriver = session.resolve(sourceAlias).driver;
        targetDriver = session.resolve(targetAlias).driver;
    } catch (const Error&) {
        return -1;
    }
    if (const QString why = InDatabaseCompare::refusal(sourceDriver, targetDriver);
        !why.isEmpty()) {
        print(stderr, u"--in-database cannot be used here: %1"_s.arg(why));
        return kUsage;
    }
    return -1;
}

// kUsage after saying why the table setup's comparison rules refuse
// --in-database; -1 when they allow it.
int refuseRules(const TableSetup& setup) {
    if (const QString why = InDatabaseCompare::rulesRefusal(setup); !why.isEmpty()) {
        print(stderr, u"--in-database cannot be used here: %1"_s.arg(why));
        return kUsage;
    }
    return -1;
}

}  // namespace

int refuseInDatabase(const QCommandLineParser& parser, const TableSetupOptions& options,
                     const QString& name, const ComparisonRules& rules) {
    if (!parser.isSet(u"in-database"_s)) {
        return -1;
    }
    TableSetup setup;
    setup.name = name;
    setup.rules = rules;
    if (const int code = refuseRules(setup); code >= 0) {
        return code;
    }
    Session session;
    session.setAliasFilePath(parser.value(options.aliases));
    return refuseDrivers(session, parser.value(options.sourceAlias),
                         parser.value(options.targetAlias));
}

int refuseInDatabase(TDM& dm, const std::vector<int>& positions) {
    MemData& tables = dm.TablesMemData();
    for (const int position : positions) {
        tables.moveTo(position);
        TableSetup tableSetup;
        try {
            tableSetup = dm.CurrentTableSetup();
        } catch (const Error&) {
            continue;  // rules that cannot be read: opening names them
        }
        if (const int code = refuseRules(tableSetup); code >= 0) {
            return code;
        }
    }
    MemData& setup = dm.DBSetupMemData();
    return refuseDrivers(dm.session(), setup.asText(dm.sourceDBAliasField()),
                         setup.asText(dm.destDBAliasField()));
}

}  // namespace qm::cli
