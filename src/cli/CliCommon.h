#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <utility>
#include <vector>

namespace qm {
class ComparisonRules;
class TDM;
}  // namespace qm

namespace qm::cli {

class CliPorts;

/// Exit codes of the command-line tool.
enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

/// Writes a line. A write to standard output that fails is remembered for
/// finishOutput.
void print(FILE* to, const QString& text);

/// Writes bytes as they are and flushes them; false when that failed (a
/// failure on standard output is remembered for finishOutput).
bool printBytes(FILE* to, const QByteArray& bytes);

/// The exit code of a command once its standard output is flushed: when any
/// of it could not be written (a full disk, a closed pipe), says so on
/// standard error and turns success into kFailure.
int finishOutput(int exitCode);

/// Parses a command's arguments; handles --help and unexpected arguments and
/// reports missing required options. Up to `maxPositional` arguments that
/// are no options are accepted (parser.positionalArguments()). An option
/// given more than once is a usage error, except those in `repeatable`.
/// Returns -1 to go on, else an exit code.
int parseArguments(QCommandLineParser& parser, const QStringList& arguments, const QString& command,
                   const QList<const QCommandLineOption*>& required, int maxPositional = 0,
                   const QList<const QCommandLineOption*>& repeatable = {});

/// Reports the required options that are missing as a usage error; -1
/// when all are set.
int requireOptions(const QCommandLineParser& parser,
                   const QList<const QCommandLineOption*>& required, const QString& command);

/// Reports options that a command's other form takes ("--key cannot be used
/// with a project file") as a usage error; -1 when none of them is set.
int refuseOptions(const QCommandLineParser& parser, const QList<const QCommandLineOption*>& options,
                  const QString& reason);

/// Writes script lines with CR LF line ends to standard output, or to a file
/// that is replaced whole. Returns an exit code.
int writeScript(const QStringList& lines, const QString& outputFile);

/// The options that name one table setup: aliases, queries, key, alias file.
struct TableSetupOptions {
    TableSetupOptions();
    void addTo(QCommandLineParser& parser) const;
    QList<const QCommandLineOption*> required() const;
    /// A usage problem beyond missing options ("" when none).
    QString problem(const QCommandLineParser& parser) const;

    QCommandLineOption sourceAlias;
    QCommandLineOption targetAlias;
    QCommandLineOption sourceSql;
    QCommandLineOption targetSql;
    QCommandLineOption key;
    QCommandLineOption aliases;
};

/// Fills the engine's table-setup and database-setup lists from the options
/// and the comparison rules, and opens the source, then the target. Returns
/// kSuccess when both lists are open, kFailure after the engine showed its
/// message.
int openTableSetup(TDM& dm, CliPorts& view, const QCommandLineParser& parser,
                   const TableSetupOptions& options, const QString& name, const QString& table,
                   const ComparisonRules& rules);

/// --in-database of compare and script.
QCommandLineOption inDatabaseOption();

/// With --in-database: why the table setup's comparison rules (a relative
/// tolerance) or the aliases' drivers refuse it (as a usage error, kUsage),
/// -1 when they allow it or the option is not set. An alias that cannot be
/// resolved is left to the opening, which reports it.
int refuseInDatabase(const QCommandLineParser& parser, const TableSetupOptions& options,
                     const QString& name, const ComparisonRules& rules);

/// The same for the aliases of the engine's database setup (a project's)
/// and the rules of the table setups at `positions`, which --in-database
/// was given for.
int refuseInDatabase(TDM& dm, const std::vector<int>& positions);

/// Like openTableSetup, after the databases compared the table setup
/// themselves: only rows of differing segments are loaded. `totals` gets
/// every row of each side, as the databases counted them.
int openTableSetupInDatabase(TDM& dm, CliPorts& view, const QCommandLineParser& parser,
                             const TableSetupOptions& options, const QString& name,
                             const QString& table, const ComparisonRules& rules,
                             std::pair<qint64, qint64>* totals);

}  // namespace qm::cli
