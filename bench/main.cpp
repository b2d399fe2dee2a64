// quillmere-bench: times the engine's comparison of a source and a target
// SQLite table against sqldiff, the whole job up to the written script, and
// the script's execution against the sqlite3 shell, and checks the results.

#include "BenchText.h"
#include "EngineChild.h"
#include "InDatabaseBench.h"
#include "LookupBench.h"
#include "MachineInfo.h"
#include "PgBench.h"
#include "SqlDataGen.h"
#include "SqliteBench.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

using namespace qmbench;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillmere-bench"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Generates pairs of SQLite files (src_N.db, dst_N.db) with known differences, times\n"
        "`sqldiff --table t` on them, times the engine's open-and-compare of the same files\n"
        "in a fresh child process (wall time and peak memory), checks the engine's counts,\n"
        "times the whole job up to the written script the same way, times executing that\n"
        "script with `quillmere-cli execute` against the sqlite3 shell on copies of the target,\n"
        "checks the copies with sqldiff and prints tables with the goals. The lookups part\n"
        "times opening the target with two lookup columns against opening it without. Exit\n"
        "code 0 when every check passed, 1 on a failed check or run, 2 on a usage error."_s);
    parser.addHelpOption();
    const QCommandLineOption dir(
        u"dir"_s, u"Folder for the generated files (default: a temporary folder)."_s, u"DIR"_s);
    const QCommandLineOption rows(u"rows"_s,
                                  u"Comma-separated source row counts (default 100000,1000000)."_s,
                                  u"LIST"_s, u"100000,1000000"_s);
    const QCommandLineOption repeat(
        u"repeat"_s, u"Runs per measurement; the best counts (default 3)."_s, u"N"_s, u"3"_s);
    const QCommandLineOption regenerate(u"regenerate"_s,
                                        u"Write the files anew even when usable ones exist."_s);
    const QCommandLineOption profile(
        u"profile"_s, u"After the timed runs, one more engine run that prints its phases."_s);
    const QCommandLineOption sqldiff(u"sqldiff"_s, u"The sqldiff program (default: from PATH)."_s,
                                     u"PATH"_s);
    const QCommandLineOption jobs(
        u"jobs"_s,
        u"Comma-separated parts to run: compare, full (the whole job), execute, lookups, pg "
        "(PostgreSQL, when a server is given), indb (--in-database at the --indb-rows sizes; "
        "default: all but indb)."_s,
        u"LIST"_s, u"compare,full,execute,lookups,pg"_s);
    const QCommandLineOption cli(
        u"cli"_s, u"The quillmere-cli program (default: the one built beside this program)."_s,
        u"PATH"_s);
    const QCommandLineOption sqlite3Shell(u"sqlite3"_s,
                                          u"The sqlite3 shell (default: from PATH)."_s, u"PATH"_s);
    const QCommandLineOption timeout(u"timeout"_s,
                                     u"Longest a single run may take, in seconds (default 3600)."_s,
                                     u"S"_s, u"3600"_s);
    QCommandLineOption child(u"child"_s);
    child.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption source(u"source"_s, QString(), u"FILE"_s);
    source.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption target(u"target"_s, QString(), u"FILE"_s);
    target.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption script(u"script"_s, QString(), u"FILE"_s);
    script.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption lookupChild(u"lookup-child"_s);
    lookupChild.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption withLookups(u"with-lookups"_s);
    withLookups.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption sqlData(
        u"sql-data"_s,
        u"Generate every size with SQL inside SQLite (sizes from 2,000,000 rows always are), so "
        "that growth to 10,000,000 rows compares like with like."_s);
    const QCommandLineOption pgHost(
        u"pg-host"_s,
        u"PostgreSQL server for the pg part (default: $QUILLMERE_TEST_PG_HOST, else 127.0.0.1)."_s,
        u"HOST"_s);
    const QCommandLineOption pgPort(
        u"pg-port"_s,
        u"Its port (default: $QUILLMERE_TEST_PG_PORT); without one the pg part is skipped."_s,
        u"PORT"_s);
    const QCommandLineOption pgUser(
        u"pg-user"_s, u"Its user (default: $QUILLMERE_TEST_PG_USER, else postgres)."_s, u"USER"_s);
    const QCommandLineOption rules(
        u"rules"_s,
        u"Comparison rules for the engine runs of the SQLite parts, in the project file's text "
        "form, e.g. \"name: nocase trim; price: abs=0.001; note: nullempty trim\" (rules that "
        "leave the generated differences as they are, so the counts still check)."_s,
        u"TEXT"_s);
    const QCommandLineOption indbRows(u"indb-rows"_s,
                                      u"Row counts of the indb part (default 10000000)."_s,
                                      u"LIST"_s, u"10000000"_s);
    parser.addOptions({dir,         rows,        repeat,       regenerate, profile, sqldiff,
                       jobs,        cli,         sqlite3Shell, timeout,    sqlData, pgHost,
                       pgPort,      pgUser,      child,        source,     target,  script,
                       lookupChild, withLookups, indbRows,     rules});
    parser.process(app);

    if (parser.isSet(lookupChild)) {
        return qmbench::runLookupChild(parser.value(target), parser.isSet(withLookups));
    }

    const QString host = parser.isSet(pgHost)
                             ? parser.value(pgHost)
                             : qEnvironmentVariable("QUILLMERE_TEST_PG_HOST", u"127.0.0.1"_s);
    const QString port = parser.isSet(pgPort) ? parser.value(pgPort)
                                              : qEnvironmentVariable("QUILLMERE_TEST_PG_PORT");
    const QString user = parser.isSet(pgUser)
                             ? parser.value(pgUser)
                             : qEnvironmentVariable("QUILLMERE_TEST_PG_USER", u"postgres"_s);
    if (parser.isSet(child) && parser.isSet(pgHost)) {
        return qmbench::runEngineChild(
            qmbench::pgAccountTables(host, port.toInt(), user, parser.value(source),
                                     parser.value(target)),
            parser.isSet(profile), parser.value(script));
    }
    if (parser.isSet(child)) {
        return qmbench::runEngineChild(parser.value(source), parser.value(target),
                                       parser.isSet(profile), parser.value(script),
                                       parser.value(rules));
    }

    const auto usage = [](const QString& text) {
        std::fprintf(stderr, "quillmere-bench: %s\n", qPrintable(text));
        return 2;
    };
    SqliteBenchOptions o;
    for (const QString& part : parser.value(rows).split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qlonglong n = part.trimmed().toLongLong(&ok);
        if (!ok || n < 100 || n > std::numeric_limits<int>::max() / 2) {
            return usage(u"--rows: \"%1\" is not a row count from 100 up"_s.arg(part));
        }
        if (!o.sizes.contains(n)) {
            o.sizes << n;
        }
    }
    std::sort(o.sizes.begin(), o.sizes.end());
    if (o.sizes.isEmpty()) {
        return usage(u"--rows: no row counts given"_s);
    }
    bool ok = false;
    o.repeat = parser.value(repeat).toInt(&ok);
    if (!ok || o.repeat < 1) {
        return usage(u"--repeat: a number from 1 up is needed"_s);
    }
    o.timeoutSeconds = parser.value(timeout).toInt(&ok);
    if (!ok || o.timeoutSeconds < 1 || o.timeoutSeconds > 2000000) {
        return usage(u"--timeout: a number of seconds from 1 up is needed"_s);
    }
    o.jobs = 0;
    for (const QString& part : parser.value(jobs).split(u',', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (name == u"compare"_s) {
            o.jobs |= kCompare;
        } else if (name == u"full"_s) {
            o.jobs |= kFull;
        } else if (name == u"execute"_s) {
            o.jobs |= kExecute;
        } else if (name == u"lookups"_s) {
            o.jobs |= kLookups;
        } else if (name == u"pg"_s) {
            o.jobs |= kPg;
        } else if (name == u"indb"_s) {
            o.jobs |= kInDatabase;
        } else {
            return usage(
                u"--jobs: \"%1\" is none of compare, full, execute, lookups, pg, indb"_s.arg(part));
        }
    }
    if (o.jobs == 0) {
        return usage(u"--jobs: no part given"_s);
    }
    o.regenerate = parser.isSet(regenerate);
    o.sqlData = parser.isSet(sqlData);
    o.profile = parser.isSet(profile);
    o.rules = parser.value(rules);
    o.sqldiff = parser.isSet(sqldiff) ? parser.value(sqldiff)
                                      : QStandardPaths::findExecutable(u"sqldiff"_s);
    if (o.sqldiff.isEmpty() && (o.jobs & kSqliteJobs)) {
        return usage(
            u"sqldiff not found on PATH (Debian: apt-get install sqlite3-tools), "
            "or give --sqldiff"_s);
    }
    if (o.jobs & (kExecute | kInDatabase)) {
        const QString built =
            QDir(QCoreApplication::applicationDirPath()).filePath(u"../src/cli/quillmere-cli"_s);
        o.cli = parser.isSet(cli) ? parser.value(cli)
                : QFileInfo(built).isExecutable()
                    ? QDir::cleanPath(built)
                    : QStandardPaths::findExecutable(u"quillmere-cli"_s);
        if (o.cli.isEmpty()) {
            return usage(u"quillmere-cli not found beside this program or on PATH; give --cli"_s);
        }
        o.sqlite3 = parser.isSet(sqlite3Shell) ? parser.value(sqlite3Shell)
                                               : QStandardPaths::findExecutable(u"sqlite3"_s);
        if (o.sqlite3.isEmpty()) {
            return usage(
                u"sqlite3 not found on PATH (Debian: apt-get install sqlite3), "
                "or give --sqlite3"_s);
        }
    }

    std::unique_ptr<QTemporaryDir> temporary;
    if (parser.isSet(dir)) {
        o.dir = QDir(parser.value(dir)).absolutePath();
        if (!QDir().mkpath(o.dir)) {
            return usage(u"--dir: cannot create %1"_s.arg(o.dir));
        }
    } else {
        temporary = std::make_unique<QTemporaryDir>();
        if (!temporary->isValid()) {
            return usage(u"cannot create a temporary folder: %1"_s.arg(temporary->errorString()));
        }
        o.dir = temporary->path();
    }
    for (const QString& line : qmbench::machineLines()) {
        out(line);
    }
    bool passed = (o.jobs & kSqliteJobs) == 0 || runSqliteBench(o);
    if (o.jobs & kLookups) {
        passed =
            qmbench::runLookupBench(o.dir, o.sizes, o.repeat, o.timeoutSeconds, o.regenerate) &&
            passed;
    }
    if (o.jobs & kPg) {
        if (port.toInt() <= 0) {
            out(u"\n== PostgreSQL: skipped, no server given (--pg-port or "
                "QUILLMERE_TEST_PG_PORT; scripts/pg-test-server.sh starts one)"_s);
        } else {
            qmbench::PgBenchOptions pg;
            pg.host = host;
            pg.port = port.toInt();
            pg.user = user;
            pg.pgbench = QStandardPaths::findExecutable(u"pgbench"_s);
            pg.psql = QStandardPaths::findExecutable(u"psql"_s);
            pg.repeat = o.repeat;
            pg.regenerate = o.regenerate;
            pg.timeoutSeconds = o.timeoutSeconds;
            passed = qmbench::runPgBench(pg) && passed;
        }
    }
    if (o.jobs & kInDatabase) {
        QList<std::int64_t> sizes;
        for (const QString& part : parser.value(indbRows).split(u',', Qt::SkipEmptyParts)) {
            sizes << part.trimmed().toLongLong();
        }
        passed = qmbench::runInDatabaseBench(o.dir, sizes, o.repeat, o.timeoutSeconds, o.regenerate,
                                             o.cli) &&
                 passed;
    }
    return passed ? 0 : 1;
}
