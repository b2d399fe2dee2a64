// quillmere-bench: times the engine's comparison of a source and a target
// SQLite table against sqldiff, and checks the engine's counts.

#include "DataGen.h"
#include "EngineChild.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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

namespace {

constexpr double kGoalRatio = 4.0;      // engine/sqldiff at 1,000,000 rows, at most
constexpr double kGoalPeakMB = 1024.0;  // engine peak memory, below
constexpr double kGoalGrowth = 12.0;    // engine time 100,000 -> 1,000,000 rows, at most
constexpr std::int64_t kGoalRatioRows = 1000000;
constexpr std::int64_t kGoalGrowthFrom = 100000;

void out(const QString& text) {
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

QString count(std::int64_t n) {
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n));
}

QString fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

// The text the engine writes for a count: "Some: n" or the text for none.
QString countText(std::int64_t n, const QString& some, const QString& none) {
    return n > 0 ? some.arg(n) : none;
}

struct Options {
    QString dir;
    QList<std::int64_t> sizes;
    int repeat = 3;
    bool regenerate = false;
    bool profile = false;
    QString sqldiff;
    int timeoutSeconds = 3600;
};

struct Result {
    std::int64_t rows = 0;
    double sqldiffSeconds = -1;
    double engineSeconds = -1;
    double peakMB = -1;
    bool ok = false;
};

class Runner {
public:
    explicit Runner(Options options) : o_(std::move(options)) {}

    bool run();

private:
    bool prepareFiles(std::int64_t rows, qmbench::Expected& expected);
    std::optional<double> timeSqldiff(const QString& source, const QString& target);
    // One engine run in a fresh child; the child's tagged lines by key.
    std::optional<QMultiMap<QString, QString>> runChild(const QString& source,
                                                        const QString& target, bool profile,
                                                        double& processSeconds);
    bool check(const QMultiMap<QString, QString>& got, const qmbench::Expected& expected,
               std::int64_t rows);
    void printProfile(const QMultiMap<QString, QString>& got, double processSeconds);
    void printSummary(const QList<Result>& results);

    Options o_;
};

bool Runner::run() {
    out(u"quillmere-bench: table t (id INTEGER PRIMARY KEY, name, qty, price, day, note), "
        "key id; best of %1 run(s)"_s.arg(o_.repeat));
    out(u"data folder: %1"_s.arg(QDir::toNativeSeparators(o_.dir)));
    out(u"sqldiff: %1"_s.arg(o_.sqldiff));
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
        const QString source = QDir(o_.dir).filePath(u"src_%1.db"_s.arg(rows));
        const QString target = QDir(o_.dir).filePath(u"dst_%1.db"_s.arg(rows));

        for (int i = 0; i < o_.repeat; ++i) {
            const std::optional<double> s = timeSqldiff(source, target);
            if (!s) {
                break;
            }
            out(u"  sqldiff run %1: %2 s"_s.arg(i + 1).arg(fixed(*s, 3)));
            r.sqldiffSeconds = r.sqldiffSeconds < 0 ? *s : std::min(r.sqldiffSeconds, *s);
        }

        r.ok = true;
        for (int i = 0; i < o_.repeat && r.ok; ++i) {
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
        if (r.ok && o_.profile) {
            double processSeconds = 0;
            const auto got = runChild(source, target, true, processSeconds);
            if (got) {
                printProfile(*got, processSeconds);
            }
        }
        allOk = allOk && r.ok && r.sqldiffSeconds >= 0;
        results << r;
    }
    printSummary(results);
    if (!allOk) {
        out(u"\nFAIL: see the messages above."_s);
    }
    return allOk;
}

bool Runner::prepareFiles(std::int64_t rows, qmbench::Expected& expected) {
    const QString source = QDir(o_.dir).filePath(u"src_%1.db"_s.arg(rows));
    const QString target = QDir(o_.dir).filePath(u"dst_%1.db"_s.arg(rows));
    QElapsedTimer timer;
    timer.start();
    expected = qmbench::expectedFor(rows);
    if (!o_.regenerate && qmbench::pairIsUsable(source, target, expected)) {
        out(u"  reusing %1 and %2"_s.arg(QFileInfo(source).fileName(),
                                         QFileInfo(target).fileName()));
    } else {
        QString error;
        timer.start();
        if (!qmbench::generatePair(rows, source, target, expected, error)) {
            out(u"  FAIL: cannot generate the files: %1"_s.arg(error));
            return false;
        }
        out(u"  generated %1 and %2 in %3 s"_s.arg(
            QFileInfo(source).fileName(), QFileInfo(target).fileName(),
            fixed(static_cast<double>(timer.nsecsElapsed()) / 1e9, 1)));
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
                                                            double& processSeconds) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{u"--child"_s, u"--source"_s, source, u"--target"_s, target};
    if (profile) {
        args << u"--profile"_s;
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
    out(QString());
    out(u"%1  %2  %3  %4  %5  %6"_s.arg(u"rows"_s, 10)
            .arg(u"sqldiff s"_s, 10)
            .arg(u"engine s"_s, 10)
            .arg(u"engine/sqldiff"_s, 14)
            .arg(u"engine peak MB"_s, 14)
            .arg(u"check"_s));
    for (const Result& r : results) {
        const bool timed = r.sqldiffSeconds > 0 && r.engineSeconds >= 0;
        out(u"%1  %2  %3  %4  %5  %6"_s.arg(count(r.rows), 10)
                .arg(r.sqldiffSeconds >= 0 ? fixed(r.sqldiffSeconds, 3) : u"-"_s, 10)
                .arg(r.engineSeconds >= 0 ? fixed(r.engineSeconds, 3) : u"-"_s, 10)
                .arg(timed ? fixed(r.engineSeconds / r.sqldiffSeconds, 2) : u"-"_s, 14)
                .arg(r.peakMB >= 0 ? fixed(r.peakMB, 1) : u"-"_s, 14)
                .arg(r.ok ? u"ok"_s : u"FAIL"_s));
    }

    const auto find = [&](std::int64_t rows) -> const Result* {
        for (const Result& r : results) {
            if (r.rows == rows && r.ok && r.engineSeconds > 0) {
                return &r;
            }
        }
        return nullptr;
    };
    const auto verdict = [](bool met) { return met ? u"met"_s : u"MISSED"_s; };
    const auto line = [](const QString& goal, const QString& value, const QString& v) {
        out(u"  %1 %2  %3"_s.arg(goal, -48).arg(value, 8).arg(v));
    };

    std::optional<Result> smallest, largest;
    for (const Result& r : results) {
        if (r.ok && r.engineSeconds > 0) {
            if (!smallest || r.rows < smallest->rows) {
                smallest = r;
            }
            if (!largest || r.rows > largest->rows) {
                largest = r;
            }
        }
    }
    if (smallest && largest && smallest->rows < largest->rows) {
        out(u"\nengine time growth %1 -> %2 rows (x%3 rows): x%4 (sqldiff: x%5)"_s
                .arg(count(smallest->rows), count(largest->rows))
                .arg(fixed(static_cast<double>(largest->rows) / static_cast<double>(smallest->rows),
                           1))
                .arg(fixed(largest->engineSeconds / smallest->engineSeconds, 2))
                .arg(smallest->sqldiffSeconds > 0 && largest->sqldiffSeconds > 0
                         ? fixed(largest->sqldiffSeconds / smallest->sqldiffSeconds, 2)
                         : u"-"_s));
    }

    out(u"\ngoals:"_s);
    if (const Result* r = find(kGoalRatioRows); r && r->sqldiffSeconds > 0) {
        const double ratio = r->engineSeconds / r->sqldiffSeconds;
        line(u"engine/sqldiff at %1 rows <= %2"_s.arg(count(kGoalRatioRows), fixed(kGoalRatio, 1)),
             fixed(ratio, 2), verdict(ratio <= kGoalRatio));
    } else {
        line(u"engine/sqldiff at %1 rows <= %2"_s.arg(count(kGoalRatioRows), fixed(kGoalRatio, 1)),
             u"-"_s, u"not measured"_s);
    }
    double peak = -1;
    for (const Result& r : results) {
        peak = std::max(peak, r.peakMB);
    }
    line(u"engine peak memory < %1 MB"_s.arg(kGoalPeakMB, 0, 'f', 0),
         peak >= 0 ? fixed(peak, 1) : u"-"_s,
         peak >= 0 ? verdict(peak < kGoalPeakMB) : u"not measured"_s);
    const Result* from = find(kGoalGrowthFrom);
    const Result* to = find(kGoalRatioRows);
    const QString growthGoal = u"engine time growth %1 -> %2 rows <= %3"_s.arg(
        count(kGoalGrowthFrom), count(kGoalRatioRows), fixed(kGoalGrowth, 0));
    if (from && to) {
        const double growth = to->engineSeconds / from->engineSeconds;
        line(growthGoal, fixed(growth, 2), verdict(growth <= kGoalGrowth));
    } else {
        line(growthGoal, u"-"_s, u"not measured"_s);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"quillmere-bench"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Generates pairs of SQLite files (src_N.db, dst_N.db) with known differences, times\n"
        "`sqldiff --table t` on them, times the engine's open-and-compare of the same files\n"
        "in a fresh child process (wall time and peak memory), checks the engine's counts\n"
        "and prints a table with the goals. Exit code 0 when every check passed, 1 on a\n"
        "failed check or run, 2 on a usage error."_s);
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
    const QCommandLineOption timeout(u"timeout"_s,
                                     u"Longest a single run may take, in seconds (default 3600)."_s,
                                     u"S"_s, u"3600"_s);
    QCommandLineOption child(u"child"_s);
    child.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption source(u"source"_s, QString(), u"FILE"_s);
    source.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption target(u"target"_s, QString(), u"FILE"_s);
    target.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions(
        {dir, rows, repeat, regenerate, profile, sqldiff, timeout, child, source, target});
    parser.process(app);

    if (parser.isSet(child)) {
        return qmbench::runEngineChild(parser.value(source), parser.value(target),
                                       parser.isSet(profile));
    }

    const auto usage = [](const QString& text) {
        std::fprintf(stderr, "quillmere-bench: %s\n", qPrintable(text));
        return 2;
    };
    Options o;
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
    o.regenerate = parser.isSet(regenerate);
    o.profile = parser.isSet(profile);
    o.sqldiff = parser.isSet(sqldiff) ? parser.value(sqldiff)
                                      : QStandardPaths::findExecutable(u"sqldiff"_s);
    if (o.sqldiff.isEmpty()) {
        return usage(
            u"sqldiff not found on PATH (Debian: apt-get install sqlite3-tools), "
            "or give --sqldiff"_s);
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
    return Runner(o).run() ? 0 : 1;
}
