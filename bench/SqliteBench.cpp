// The SQLite parts of quillmere-bench: the engine's comparison of a source
// and a target table against sqldiff, the whole job up to the written
// script, and the script's execution against the sqlite3 shell.

#include "SqliteBench.h"

#include "BenchText.h"
#include "DataGen.h"
#include "EngineChild.h"
#include "InDatabaseBench.h"
#include "LookupBench.h"
#include "PgBench.h"
#include "SqlDataGen.h"

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

namespace qmbench {
namespace {

constexpr double kGoalRatio = 2.0;     // engine/sqldiff at 1,000,000 rows, at most
constexpr double kGoalPeakMB = 300.0;  // engine peak memory at 1,000,000 rows, below
constexpr double kGoalGrowth = 12.0;   // engine time 100,000 -> 1,000,000 rows, at most
constexpr std::int64_t kGoalRatioRows = 1000000;
constexpr std::int64_t kGoalGrowthFrom = 100000;
constexpr double kGoalJobRatio = 3.0;     // whole job/sqldiff at 1,000,000 rows, at most
constexpr double kGoalJobPeakMB = 400.0;  // whole job peak memory at 1,000,000 rows, below
constexpr double kGoalJobGrowth = 12.0;   // whole job time 100,000 -> 1,000,000 rows, at most
constexpr std::int64_t kGoalBigRows = 10000000;
constexpr double kGoalBigGrowth = 11.0;    // engine time 1,000,000 -> 10,000,000 rows, at most
constexpr double kGoalBigPeakMB = 3072.0;  // engine peak memory at 10,000,000 rows (3 GB), below
constexpr std::int64_t kSqlDataFrom = 2000000;  // sizes from here are generated with SQL
constexpr double kGoalExecRatio = 2.0;          // engine execution/sqlite3 shell at 1,000,000 rows

// The text the engine writes for a count: "Some: n" or the text for none.
QString countText(std::int64_t n, const QString& some, const QString& none) {
    return n > 0 ? some.arg(n) : none;
}

struct Result {
    std::int64_t rows = 0;
    double sqldiffSeconds = -1;
    double engineSeconds = -1;
    double peakMB = -1;
    bool ok = false;
    double jobSeconds = -1;
    double jobPeakMB = -1;
    bool jobOk = false;
    double execEngineSeconds = -1;
    double execShellSeconds = -1;
    bool execOk = false;
};

// A finished process: its wall time, or nothing when it failed.
struct ProcessRun {
    bool ok = false;
    double seconds = 0;
    QString errorText;
};

class Runner {
public:
    explicit Runner(SqliteBenchOptions options) : o_(std::move(options)) {}

    bool run();

private:
    bool prepareFiles(std::int64_t rows, qmbench::Expected& expected);
    bool usesSqlData(std::int64_t rows) const { return o_.sqlData || rows >= kSqlDataFrom; }
    // The source ("src") or target ("dst") file of a size; the SQL-made pairs apart.
    QString pairPath(const QString& side, std::int64_t rows) const {
        return QDir(o_.dir).filePath(
            u"%1_%2%3.db"_s.arg(side, usesSqlData(rows) ? u"sql_"_s : QString()).arg(rows));
    }
    std::optional<double> timeSqldiff(const QString& source, const QString& target);
    // One engine run in a fresh child; the child's tagged lines by key. With
    // a `scriptPath`, the child runs the whole job and writes the script there.
    std::optional<QMultiMap<QString, QString>> runChild(const QString& source,
                                                        const QString& target, bool profile,
                                                        double& processSeconds,
                                                        const QString& scriptPath = QString());
    bool check(const QMultiMap<QString, QString>& got, const qmbench::Expected& expected,
               std::int64_t rows);
    bool checkJob(const QMultiMap<QString, QString>& got, const QString& scriptPath,
                  const qmbench::Expected& expected, std::int64_t rows);
    void measureJob(Result& r, const QString& source, const QString& target,
                    const QString& scriptPath, const qmbench::Expected& expected);
    void measureExecute(Result& r, const QString& source, const QString& target,
                        const QString& scriptPath, const qmbench::Expected& expected,
                        bool haveScript);
    ProcessRun timeProcess(const QString& program, const QStringList& args,
                           const QString& inputFile = QString());
    // True when sqldiff finds no difference in t between `source` and `copy`.
    bool sameAsSource(const QString& source, const QString& copy, const QString& what,
                      std::int64_t rows);
    void printProfile(const QMultiMap<QString, QString>& got, double processSeconds);
    void printSummary(const QList<Result>& results);

    SqliteBenchOptions o_;
};

bool Runner::run() {
    out(u"quillmere-bench: table t (id INTEGER PRIMARY KEY, name, qty, price, day, note), "
        "key id; best of %1 run(s)"_s.arg(o_.repeat));
    out(u"data folder: %1"_s.arg(QDir::toNativeSeparators(o_.dir)));
    out(u"sqldiff: %1"_s.arg(o_.sqldiff));
    if (!o_.rules.isEmpty()) {
        out(u"comparison rules of the engine runs: %1"_s.arg(o_.rules));
    }
    if (o_.jobs & kExecute) {
        out(u"quillmere-cli: %1"_s.arg(o_.cli));
        out(u"sqlite3: %1"_s.arg(o_.sqlite3));
    }
    QList<Result> results;
    bool allOk = true;
    for (const std::int64_t rows : o_.sizes) {
        Result r;
        r.rows = rows;
        out(QString());
        out(u"== %1 rows"_s.arg(count(rows)));
        qmbench::Expected expected;
        if (!prepareFiles(rows, expected)) {
            results << r;
            allOk = false;
            continue;
        }
        const QString source = pairPath(u"src"_s, rows);
        const QString target = pairPath(u"dst"_s, rows);
        const QString scriptPath = QDir(o_.dir).filePath(u"script_%1.sql"_s.arg(rows));

        for (int i = 0; i < o_.repeat && (o_.jobs & (kCompare | kFull)); ++i) {
            const std::optional<double> s = timeSqldiff(source, target);
            if (!s) {
                break;
            }
            out(u"  sqldiff run %1: %2 s"_s.arg(i + 1).arg(fixed(*s, 3)));
            r.sqldiffSeconds = r.sqldiffSeconds < 0 ? *s : std::min(r.sqldiffSeconds, *s);
        }

        r.ok = true;
        for (int i = 0; i < o_.repeat && r.ok && (o_.jobs & kCompare); ++i) {
            double processSeconds = 0;
            const auto got = runChild(source, target, false, processSeconds);
            if (!got) {
                r.ok = false;
                break;
            }
            r.ok = check(*got, expected, rows);
            const double seconds = got->value(u"engine_seconds"_s).toDouble();
            const double peak = got->value(u"peak_kib"_s).toDouble() / 1024.0;
            out(u"  engine run %1: %2 s, peak %3 MB (child process %4 s)"_s.arg(i + 1).arg(
                fixed(seconds, 3), fixed(peak, 1), fixed(processSeconds, 3)));
            r.engineSeconds = r.engineSeconds < 0 ? seconds : std::min(r.engineSeconds, seconds);
            r.peakMB = std::max(r.peakMB, peak);
        }
        if (r.ok && o_.profile && (o_.jobs & kCompare)) {
            double processSeconds = 0;
            const auto got = runChild(source, target, true, processSeconds);
            if (got) {
                printProfile(*got, processSeconds);
            }
        }
        if (o_.jobs & kFull) {
            measureJob(r, source, target, scriptPath, expected);
        }
        if (o_.jobs & kExecute) {
            measureExecute(r, source, target, scriptPath, expected, (o_.jobs & kFull) && r.jobOk);
        }
        allOk = allOk && r.ok && ((o_.jobs & (kCompare | kFull)) == 0 || r.sqldiffSeconds >= 0) &&
                (!(o_.jobs & kFull) || r.jobOk) && (!(o_.jobs & kExecute) || r.execOk);
        results << r;
    }
    printSummary(results);
    if (!allOk) {
        out(u"\nFAIL: see the messages above."_s);
    }
    return allOk;
}

bool Runner::prepareFiles(std::int64_t rows, qmbench::Expected& expected) {
    const QString source = pairPath(u"src"_s, rows);
    const QString target = pairPath(u"dst"_s, rows);
    QElapsedTimer timer;
    timer.start();
    const bool sql = usesSqlData(rows);
    if (!sql) {
        expected = qmbench::expectedFor(rows);
    }
    if (!o_.regenerate && (sql ? qmbench::sqlPairIsUsable(rows, source, target, expected)
                               : qmbench::pairIsUsable(source, target, expected))) {
        out(u"  reusing %1 and %2"_s.arg(QFileInfo(source).fileName(),
                                         QFileInfo(target).fileName()));
    } else {
        QString error;
        timer.start();
        if (!(sql ? qmbench::generatePairSql(rows, source, target, expected, error)
                  : qmbench::generatePair(rows, source, target, expected, error))) {
            out(u"  FAIL: cannot generate the files: %1"_s.arg(error));
            return false;
        }
        out(u"  generated %1 and %2 in %3 s%4"_s.arg(
            QFileInfo(source).fileName(), QFileInfo(target).fileName(),
            fixed(static_cast<double>(timer.nsecsElapsed()) / 1e9, 1),
            sql ? u" (with SQL inside SQLite)"_s : QString()));
    }
    out(u"  source %1 rows, target %2 rows: %3 changed, %4 only in source, %5 only in target"_s.arg(
        count(expected.sourceRows), count(expected.targetRows), count(expected.changed),
        count(expected.sourceOnly), count(expected.targetOnly)));
    return true;
}

std::optional<double> Runner::timeSqldiff(const QString& source, const QString& target) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    p.start(o_.sqldiff, {u"--table"_s, u"t"_s, source, target});
    const bool finished = p.waitForFinished(o_.timeoutSeconds * 1000);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        out(u"  FAIL: sqldiff did not finish normally: %1"_s.arg(
            finished ? u"exit code %1"_s.arg(p.exitCode()) : p.errorString()));
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    return seconds;
}

std::optional<QMultiMap<QString, QString>> Runner::runChild(const QString& source,
                                                            const QString& target, bool profile,
                                                            double& processSeconds,
                                                            const QString& scriptPath) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{u"--child"_s, u"--source"_s, source, u"--target"_s, target};
    if (profile) {
        args << u"--profile"_s;
    }
    if (!scriptPath.isEmpty()) {
        args << u"--script"_s << scriptPath;
    }
    if (!o_.rules.isEmpty()) {
        args << u"--rules"_s << o_.rules;
    }
    QElapsedTimer timer;
    timer.start();
    p.start(QCoreApplication::applicationFilePath(), args);
    const bool finished = p.waitForFinished(o_.timeoutSeconds * 1000);
    processSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (!finished) {
        out(u"  FAIL: the engine run did not finish within %1 s: %2"_s.arg(o_.timeoutSeconds)
                .arg(p.errorString()));
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    QMultiMap<QString, QString> got;
    const QByteArray tag = QByteArray(qmbench::kChildTag) + '\t';
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (!line.startsWith(tag)) {
            continue;
        }
        const QString rest = QString::fromUtf8(line.mid(tag.size()));
        const qsizetype tab = rest.indexOf(u'\t');
        got.insert(rest.left(tab), tab < 0 ? QString() : rest.mid(tab + 1));
    }
    if (p.exitStatus() != QProcess::NormalExit || !got.contains(u"engine_seconds"_s)) {
        out(u"  FAIL: the engine run ended abnormally (%1, exit code %2)"_s
                .arg(p.exitStatus() == QProcess::CrashExit ? u"crashed"_s : u"exited"_s)
                .arg(p.exitCode()));
        return std::nullopt;
    }
    return got;
}

bool Runner::check(const QMultiMap<QString, QString>& got, const qmbench::Expected& e,
                   std::int64_t rows) {
    const std::pair<QString, QString> wanted[] = {
        {u"ok"_s, u"1"_s},
        {u"source_count"_s, u"%1 records"_s.arg(e.sourceRows)},
        {u"target_count"_s, u"%1 records initially"_s.arg(e.targetRows)},
        {u"stat_insert"_s, u"No inserts"_s},
        {u"stat_update"_s, u"No updates"_s},
        {u"stat_delete"_s, u"No deletes"_s},
        {u"stat_diff"_s,
         countText(e.changed, u"Records with differences: %1"_s, u"No dual records different"_s)},
        {u"stat_local"_s,
         countText(e.targetOnly, u"Local records: %1"_s, u"No records unique to target"_s)},
        {u"source_only"_s, QString::number(e.sourceOnly)},
    };
    bool ok = true;
    for (const auto& [key, text] : wanted) {
        const QString value = got.value(key);
        if (value != text) {
            out(u"  FAIL (%1 rows): %2 is \"%3\", expected \"%4\""_s.arg(count(rows), key, value,
                                                                         text));
            ok = false;
        }
    }
    for (const QString& m : got.values(u"message"_s)) {
        out(u"  FAIL (%1 rows): the engine showed a message: %2"_s.arg(count(rows), m));
        ok = false;
    }
    return ok;
}

bool Runner::checkJob(const QMultiMap<QString, QString>& got, const QString& scriptPath,
                      const qmbench::Expected& e, std::int64_t rows) {
    bool ok = true;
    const auto fail = [&](const QString& text) {
        out(u"  FAIL (%1 rows, whole job): %2"_s.arg(count(rows), text));
        ok = false;
    };
    if (got.value(u"ok"_s) != u"1"_s) {
        fail(u"the engine did not finish the job"_s);
    }
    for (const QString& m : got.values(u"message"_s)) {
        fail(u"the engine showed a message: %1"_s.arg(m));
    }
    QFile file(scriptPath);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(u"cannot read the script %1: %2"_s.arg(scriptPath, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (!bytes.isEmpty() && !bytes.endsWith("\r\n")) {
        fail(u"the script's last line does not end in CR LF"_s);
    }
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    std::int64_t updates = 0, inserts = 0, deletes = 0;
    for (const QByteArray& line : lines) {
        if (!line.endsWith('\r')) {
            fail(u"a script line does not end in CR LF"_s);
            break;
        }
        updates += line.startsWith("UPDATE ") ? 1 : 0;
        inserts += line.startsWith("INSERT ") ? 1 : 0;
        deletes += line.startsWith("DELETE ") ? 1 : 0;
    }
    if (QString::number(lines.size()) != got.value(u"script_lines"_s)) {
        fail(u"the script file has %1 lines, the engine wrote %2"_s.arg(lines.size())
                 .arg(got.value(u"script_lines"_s)));
    }
    const std::tuple<const char16_t*, std::int64_t, std::int64_t> wanted[] = {
        {u"UPDATE", updates, e.changed},
        {u"INSERT", inserts, e.sourceOnly},
        {u"DELETE", deletes, e.targetOnly}};
    for (const auto& [what, n, expected] : wanted) {
        if (n != expected) {
            fail(u"%1 lines: %2, expected %3"_s.arg(QString::fromUtf16(what)).arg(n).arg(expected));
        }
    }
    return ok;
}

void Runner::measureJob(Result& r, const QString& source, const QString& target,
                        const QString& scriptPath, const qmbench::Expected& expected) {
    r.jobOk = true;
    for (int i = 0; i < o_.repeat && r.jobOk; ++i) {
        double processSeconds = 0;
        QFile::remove(scriptPath);
        const auto got = runChild(source, target, false, processSeconds, scriptPath);
        if (!got) {
            r.jobOk = false;
            break;
        }
        r.jobOk = checkJob(*got, scriptPath, expected, r.rows);
        const double seconds = got->value(u"job_seconds"_s).toDouble();
        const double peak = got->value(u"peak_kib"_s).toDouble() / 1024.0;
        out(u"  whole job run %1: %2 s, peak %3 MB, %4 script lines (child process %5 s)"_s
                .arg(i + 1)
                .arg(fixed(seconds, 3), fixed(peak, 1),
                     count(got->value(u"script_lines"_s).toLongLong()), fixed(processSeconds, 3)));
        r.jobSeconds = r.jobSeconds < 0 ? seconds : std::min(r.jobSeconds, seconds);
        r.jobPeakMB = std::max(r.jobPeakMB, peak);
    }
}

ProcessRun Runner::timeProcess(const QString& program, const QStringList& args,
                               const QString& inputFile) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    if (!inputFile.isEmpty()) {
        p.setStandardInputFile(inputFile);
    }
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    const bool finished = p.waitForFinished(o_.timeoutSeconds * 1000);
    ProcessRun run;
    run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const QString errors = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        run.errorText = finished ? u"exit code %1"_s.arg(p.exitCode()) : p.errorString();
        if (!errors.isEmpty()) {
            run.errorText += u": "_s + errors.left(2000);
        }
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.ok = true;
    return run;
}

bool Runner::sameAsSource(const QString& source, const QString& copy, const QString& what,
                          std::int64_t rows) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(o_.sqldiff, {u"--table"_s, u"t"_s, source, copy});
    const bool finished = p.waitForFinished(o_.timeoutSeconds * 1000);
    const QByteArray printed = p.readAllStandardOutput();
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        out(u"  FAIL (%1 rows): sqldiff on the %2 copy did not finish normally"_s.arg(count(rows),
                                                                                      what));
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (!printed.isEmpty()) {
        const QList<QByteArray> lines = printed.split('\n');
        out(u"  FAIL (%1 rows): after the %2 run, sqldiff still finds %3 difference line(s) in "
            "t, the first: %4"_s.arg(count(rows), what)
                .arg(lines.size() - (printed.endsWith('\n') ? 1 : 0))
                .arg(QString::fromUtf8(lines.first().left(300))));
        return false;
    }
    return true;
}

void Runner::measureExecute(Result& r, const QString& source, const QString& target,
                            const QString& scriptPath, const qmbench::Expected& expected,
                            bool haveScript) {
    const QDir dir(o_.dir);
    if (!haveScript) {
        if (o_.jobs & kFull) {
            out(u"  execution skipped: the whole job did not write a usable script"_s);
            return;
        }
        double processSeconds = 0;
        QFile::remove(scriptPath);
        const auto got = runChild(source, target, false, processSeconds, scriptPath);
        if (!got || !checkJob(*got, scriptPath, expected, r.rows)) {
            out(u"  execution skipped: no usable script"_s);
            return;
        }
        out(u"  script for the execution written (not timed)"_s);
    }
    QFile script(scriptPath);
    if (!script.open(QIODevice::ReadOnly)) {
        out(u"  FAIL: cannot read the script %1: %2"_s.arg(scriptPath, script.errorString()));
        return;
    }
    const QString transaction = dir.filePath(u"script_%1_transaction.sql"_s.arg(r.rows));
    const QString aliasPath = dir.filePath(u"exec_aliases_%1.ini"_s.arg(r.rows));
    const QString engineCopy = dir.filePath(u"exec_engine_%1.db"_s.arg(r.rows));
    const QString shellCopy = dir.filePath(u"exec_shell_%1.db"_s.arg(r.rows));
    const auto removeAll = [&] {
        for (const QString& f : {transaction, aliasPath, engineCopy, shellCopy}) {
            QFile::remove(f);
            QFile::remove(f + u"-journal"_s);
        }
    };
    removeAll();
    {
        QFile tx(transaction);
        QFile aliases(aliasPath);
        if (!tx.open(QIODevice::WriteOnly) ||
            tx.write("BEGIN;\n" + script.readAll() + "COMMIT;\n") < 0 || !tx.flush() ||
            !aliases.open(QIODevice::WriteOnly) ||
            aliases.write(u"[BenchExec]\nDriver=SQLITE\nDatabase=%1\n"_s.arg(engineCopy).toUtf8()) <
                0) {
            out(u"  FAIL: cannot write %1 or %2"_s.arg(transaction, aliasPath));
            removeAll();
            return;
        }
    }

    r.execOk = true;
    for (int i = 0; i < o_.repeat && r.execOk; ++i) {
        for (const QString& copy : {engineCopy, shellCopy}) {
            QFile::remove(copy);
            QFile::remove(copy + u"-journal"_s);
            if (!QFile::copy(target, copy)) {
                out(u"  FAIL: cannot copy %1 to %2"_s.arg(target, copy));
                r.execOk = false;
            }
        }
        if (!r.execOk) {
            break;
        }
        const ProcessRun engine =
            timeProcess(o_.cli, {u"execute"_s, u"--target-alias"_s, u"BenchExec"_s, u"--script"_s,
                                 scriptPath, u"--aliases"_s, aliasPath});
        const ProcessRun shell = timeProcess(o_.sqlite3, {shellCopy}, transaction);
        if (!engine.ok) {
            out(u"  FAIL: quillmere-cli execute: %1"_s.arg(engine.errorText));
            r.execOk = false;
        }
        if (!shell.ok) {
            out(u"  FAIL: sqlite3 shell: %1"_s.arg(shell.errorText));
            r.execOk = false;
        }
        if (!r.execOk) {
            break;
        }
        out(u"  execution run %1: engine %2 s, sqlite3 shell %3 s"_s.arg(i + 1).arg(
            fixed(engine.seconds, 3), fixed(shell.seconds, 3)));
        r.execEngineSeconds = r.execEngineSeconds < 0
                                  ? engine.seconds
                                  : std::min(r.execEngineSeconds, engine.seconds);
        r.execShellSeconds =
            r.execShellSeconds < 0 ? shell.seconds : std::min(r.execShellSeconds, shell.seconds);
        if (i == 0) {
            // Both copies must now hold the source's rows.
            r.execOk = sameAsSource(source, engineCopy, u"engine"_s, r.rows);
            r.execOk = sameAsSource(source, shellCopy, u"sqlite3 shell"_s, r.rows) && r.execOk;
            if (r.execOk) {
                out(u"  sqldiff finds no difference between the source and either copy"_s);
            }
        }
    }
    removeAll();
}

void Runner::printProfile(const QMultiMap<QString, QString>& got, double processSeconds) {
    const auto table = [](const QStringList& lines) {
        // QMultiMap::values lists the most recently inserted first.
        for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
            const QStringList f = it->split(u'\t');
            const bool rss = !f.value(2).isEmpty();
            out(u"    %1 %2 s%3"_s.arg(f.value(0), -42)
                    .arg(f.value(1), 8)
                    .arg(rss ? u"   RSS after %1 MB"_s.arg(f.value(2), 7) : QString()));
        }
    };
    out(u"  profile (one more run; connecting moved into phases of its own):"_s);
    table(got.values(u"phase"_s));
    out(u"    %1 %2 s   peak %3 MB"_s.arg(u"= engine total"_s, -42)
            .arg(fixed(got.value(u"engine_seconds"_s).toDouble(), 3), 8)
            .arg(fixed(got.value(u"peak_kib"_s).toDouble() / 1024.0, 1), 7));
    out(u"    %1 %2 s"_s.arg(u"child process, start to exit"_s, -42)
            .arg(fixed(processSeconds, 3), 8));
    out(u"  extra passes after the run (not part of the engine total):"_s);
    table(got.values(u"extra"_s));
}

void Runner::printSummary(const QList<Result>& results) {
    const auto opt = [](double v, int decimals) { return v >= 0 ? fixed(v, decimals) : u"-"_s; };
    const auto ratio = [](double a, double b) {
        return a >= 0 && b > 0 ? fixed(a / b, 2) : u"-"_s;
    };
    const auto verdict = [](bool met) { return met ? u"met"_s : u"MISSED"_s; };
    const auto line = [](const QString& goal, const QString& value, const QString& v) {
        out(u"  %1 %2  %3"_s.arg(goal, -56).arg(value, 8).arg(v));
    };
    // The result of `rows` rows, when `seconds` of it was measured and checked.
    const auto find = [&](std::int64_t rows, auto seconds, auto good) -> const Result* {
        for (const Result& r : results) {
            if (r.rows == rows && good(r) && seconds(r) > 0) {
                return &r;
            }
        }
        return nullptr;
    };
    const auto engineOf = [](const Result& r) { return r.engineSeconds; };
    const auto jobOf = [](const Result& r) { return r.jobSeconds; };
    const auto execOf = [](const Result& r) { return r.execEngineSeconds; };
    const auto sqldiffOf = [](const Result& r) { return r.sqldiffSeconds; };
    const auto shellOf = [](const Result& r) { return r.execShellSeconds; };
    const auto compareGood = [](const Result& r) { return r.ok; };
    const auto jobGood = [](const Result& r) { return r.jobOk; };
    const auto execGood = [](const Result& r) { return r.execOk && r.execShellSeconds > 0; };

    // Growth from the smallest to the largest size measured, for the log.
    bool growthShown = false;
    const auto growth = [&](const QString& what, auto seconds, auto good, const QString& baseName,
                            auto base) {
        const Result* smallest = nullptr;
        const Result* largest = nullptr;
        for (const Result& r : results) {
            if (good(r) && seconds(r) > 0) {
                smallest = !smallest || r.rows < smallest->rows ? &r : smallest;
                largest = !largest || r.rows > largest->rows ? &r : largest;
            }
        }
        if (smallest && largest && smallest->rows < largest->rows) {
            if (!growthShown) {
                out(QString());
                growthShown = true;
            }
            out(u"%1 time growth %2 -> %3 rows (x%4 rows): x%5 (%6: x%7)"_s.arg(what)
                    .arg(count(smallest->rows), count(largest->rows))
                    .arg(fixed(
                        static_cast<double>(largest->rows) / static_cast<double>(smallest->rows),
                        1))
                    .arg(fixed(seconds(*largest) / seconds(*smallest), 2))
                    .arg(baseName, ratio(base(*largest), base(*smallest))));
        }
    };
    const auto ratioGoal = [&](const QString& goal, double limit, auto seconds, auto base,
                               auto good) {
        if (const Result* r = find(kGoalRatioRows, seconds, good); r && base(*r) > 0) {
            const double value = seconds(*r) / base(*r);
            line(goal, fixed(value, 2), verdict(value <= limit));
        } else {
            line(goal, u"-"_s, u"not measured"_s);
        }
    };
    const auto peakGoal = [&](const QString& goal, double limit, auto peakOf,
                              std::int64_t rows = kGoalRatioRows) {
        double peak = -1;
        for (const Result& r : results) {
            if (r.rows == rows) {
                peak = std::max(peak, peakOf(r));
            }
        }
        line(goal, opt(peak, 1), peak >= 0 ? verdict(peak < limit) : u"not measured"_s);
    };
    const auto growthGoal = [&](const QString& goal, double limit, auto seconds, auto good,
                                std::int64_t fromRows = kGoalGrowthFrom,
                                std::int64_t toRows = kGoalRatioRows) {
        const Result* from = find(fromRows, seconds, good);
        const Result* to = find(toRows, seconds, good);
        if (from && to) {
            const double value = seconds(*to) / seconds(*from);
            line(goal, fixed(value, 2), verdict(value <= limit));
        } else {
            line(goal, u"-"_s, u"not measured"_s);
        }
    };
    const QString at = count(kGoalRatioRows);
    const QString growthRange = u"%1 -> %2 rows"_s.arg(count(kGoalGrowthFrom), at);

    // One table per timed part against sqldiff: time, ratio, peak and check.
    const auto timesTable = [&](const QString& title, const QString& what, double Result::*seconds,
                                double Result::*peak, bool Result::*ok) {
        out(title);
        out(u"%1  %2  %3  %4  %5  %6"_s.arg(u"rows"_s, 10)
                .arg(u"sqldiff s"_s, 10)
                .arg(what + u" s"_s, 10)
                .arg(what + u"/sqldiff"_s, 14)
                .arg(what + u" peak MB"_s, 14)
                .arg(u"check"_s));
        for (const Result& r : results) {
            out(u"%1  %2  %3  %4  %5  %6"_s.arg(count(r.rows), 10)
                    .arg(opt(r.sqldiffSeconds, 3), 10)
                    .arg(opt(r.*seconds, 3), 10)
                    .arg(ratio(r.*seconds, r.sqldiffSeconds), 14)
                    .arg(opt(r.*peak, 1), 14)
                    .arg(r.*ok ? u"ok"_s : u"FAIL"_s));
        }
    };
    if (o_.jobs & kCompare) {
        timesTable(u"\ncompare (open and compare):"_s, u"engine"_s, &Result::engineSeconds,
                   &Result::peakMB, &Result::ok);
    }
    if (o_.jobs & kFull) {
        timesTable(
            u"\nwhole job (compare, change the target to equal the source, write the script):"_s,
            u"job"_s, &Result::jobSeconds, &Result::jobPeakMB, &Result::jobOk);
    }
    if (o_.jobs & kExecute) {
        out(u"\nscript execution (one transaction on a fresh copy of the target):"_s);
        out(u"%1  %2  %3  %4  %5"_s.arg(u"rows"_s, 10)
                .arg(u"engine s"_s, 10)
                .arg(u"sqlite3 s"_s, 10)
                .arg(u"engine/sqlite3"_s, 14)
                .arg(u"check"_s));
        for (const Result& r : results) {
            out(u"%1  %2  %3  %4  %5"_s.arg(count(r.rows), 10)
                    .arg(opt(r.execEngineSeconds, 3), 10)
                    .arg(opt(r.execShellSeconds, 3), 10)
                    .arg(ratio(r.execEngineSeconds, r.execShellSeconds), 14)
                    .arg(r.execOk ? u"ok"_s : u"FAIL"_s));
        }
    }

    if (o_.jobs & kCompare) {
        growth(u"engine"_s, engineOf, compareGood, u"sqldiff"_s, sqldiffOf);
    }
    if (o_.jobs & kFull) {
        growth(u"whole job"_s, jobOf, jobGood, u"sqldiff"_s, sqldiffOf);
    }
    if (o_.jobs & kExecute) {
        growth(u"engine execution"_s, execOf, execGood, u"sqlite3 shell"_s, shellOf);
    }

    out(u"\ngoals:"_s);
    if (o_.jobs & kCompare) {
        ratioGoal(u"engine/sqldiff at %1 rows <= %2"_s.arg(at, fixed(kGoalRatio, 1)), kGoalRatio,
                  engineOf, sqldiffOf, compareGood);
        peakGoal(u"engine peak memory at %1 rows < %2 MB"_s.arg(at).arg(kGoalPeakMB, 0, 'f', 0),
                 kGoalPeakMB, [](const Result& r) { return r.peakMB; });
        growthGoal(u"engine time growth %1 <= %2"_s.arg(growthRange, fixed(kGoalGrowth, 0)),
                   kGoalGrowth, engineOf, compareGood);
        growthGoal(u"engine time growth %1 -> %2 rows <= %3"_s.arg(at, count(kGoalBigRows),
                                                                   fixed(kGoalBigGrowth, 0)),
                   kGoalBigGrowth, engineOf, compareGood, kGoalRatioRows, kGoalBigRows);
        peakGoal(
            u"engine peak memory at %1 rows < %2 MB (3 GB)"_s.arg(count(kGoalBigRows))
                .arg(kGoalBigPeakMB, 0, 'f', 0),
            kGoalBigPeakMB, [](const Result& r) { return r.peakMB; }, kGoalBigRows);
    }
    if (o_.jobs & kFull) {
        ratioGoal(u"whole job/sqldiff at %1 rows <= %2"_s.arg(at, fixed(kGoalJobRatio, 1)),
                  kGoalJobRatio, jobOf, sqldiffOf, jobGood);
        peakGoal(u"whole job peak memory at %1 rows < %2 MB"_s.arg(at, fixed(kGoalJobPeakMB, 0)),
                 kGoalJobPeakMB, [](const Result& r) { return r.jobPeakMB; });
        growthGoal(u"whole job time growth %1 <= %2"_s.arg(growthRange, fixed(kGoalJobGrowth, 0)),
                   kGoalJobGrowth, jobOf, jobGood);
    }
    if (o_.jobs & kExecute) {
        ratioGoal(u"execution engine/sqlite3 at %1 rows <= %2"_s.arg(at, fixed(kGoalExecRatio, 1)),
                  kGoalExecRatio, execOf, shellOf, execGood);
    }
}

}  // namespace

bool runSqliteBench(const SqliteBenchOptions& options) {
    return Runner(options).run();
}

}  // namespace qmbench
