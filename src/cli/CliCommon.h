#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>

namespace qm {
class TDM;
}

namespace qm::cli {

class CliEngineView;

/// Exit codes of the command-line tool.
enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

void print(FILE* to, const QString& text);

/// Parses a command's arguments; handles --help and unexpected arguments and
/// reports missing required options. Returns -1 to go on, else an exit code.
int parseArguments(QCommandLineParser& parser, const QStringList& arguments, const QString& command,
                   const QList<const QCommandLineOption*>& required);

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
/// and opens the source, then the target. Returns kSuccess when both lists
/// are open, kFailure after the engine showed its message.
int openTableSetup(TDM& dm, CliEngineView& view, const QCommandLineParser& parser,
                   const TableSetupOptions& options, const QString& name, const QString& table);

}  // namespace qm::cli
