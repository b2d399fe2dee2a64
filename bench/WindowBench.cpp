// quillmere-window-bench: the desktop program with big tables. For each row
// count it makes a pair of SQLite files (integer key and five columns, about
// 5 % changed, 1 % only in source, 1 % only in target) and a project of one
// table setup over them, then measures in the same run:
//   - the command-line comparison (`quillmere-cli compare`), the baseline:
//     wall time and peak memory of the whole process;
//   - the main window (offscreen) opening both sides of that table setup
//     ("Open Source && Target" until the window has painted): the time of
//     the command, the whole process's time and its peak memory;
//   - scrolling the target grid: one screen of cells painted (colours
//     included) at 200 random positions, median and worst;
//   - "Copy, change and delete records to match source" run as the window's
//     command until the window has painted, against the same merge through
//     the engine alone (no window, no grids) on the same files;
//   - after the merge, sorting the target grid by its text column "name"
//     (a header click) until the window has painted;
//   - the event loop's longest stall while opening, sorting and merging: a
//     10 ms timer notes the largest gap between its ticks (the window
//     repaints and answers the user only between them);
//   - how long a stop takes: Escape pressed half a second into opening
//     again, until the command has ended and put the lists back.
// Goals from 1,000,000 rows on: the window's open at most 1.2 times the
// command-line comparison, its peak at most 1.2 times, a screen in under
// 10 ms, the merge from the window at most 1.2 times the engine's, no stall
// over 100 ms while opening and merging, sorting under 0.5 s and a stop
// within 0.5 s. Exits with 1 when a goal is missed or a step fails.
//   quillmere-window-bench [--dir DIR] [--rows N[,N...]] [--repeat R]
#include "DataGen.h"
#include "EngineChild.h"
#include "app/DesktopProgram.h"
#include "app/QuillmereApplication.h"
#include "app/TMainForm.h"
#include "commands/TActionsDM.h"
#include "config/Preferences.h"
#include "engine/TDM.h"
#include "models/MemDataModel.h"
#include "window/MergeGrids.h"
#include "window/StatusStrip.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double kGoalOpenRatio = 1.2;
constexpr double kGoalStallMs = 100.0;
constexpr double kGoalSortSeconds = 0.5;
constexpr double kGoalStopSeconds = 0.5;
constexpr double kGoalPeakRatio = 1.2;
constexpr double kGoalScreenMs = 10.0;
constexpr double kGoalMergeRatio = 1.2;
constexpr int kScreens = 200;
constexpr qint64 kGoalRows = 1000000;  // the goals hold from this many rows on

void out(const QString& text) {
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

// --- the child: the desktop program over one project --------------------------------

// The largest gap between the ticks of a 10 ms timer while it runs: how long
// the event loop went without a turn (no repaint, no answer to the user).
class StallWatch {
public:
    StallWatch() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        worstNs_ = 0;
        clock_.start();
        timer_.start();
    }
    /// Stops and returns the worst gap in milliseconds, the one up to now
    /// included.
    double stop() {
        tick();
        timer_.stop();
        return static_cast<double>(worstNs_) / 1e6;
    }

private:
    void tick() {
        worstNs_ = std::max(worstNs_, clock_.nsecsElapsed());
        clock_.start();
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 worstNs_ = 0;
};

int runWindowChild(const QString& project) {
    int argc = 1;
    char name[] = "quillmere-window-bench";
    char* argv[] = {name, nullptr};
    qm::QuillmereApplication app(argc, argv);
    qm::Preferences p = qm::Preferences::load();
    p.lastProject = project;
    p.loadLastProjectAtStartup = true;
    p.save();

    qm::DesktopProgram program;
    qm::TMainForm& form = program.form();
    int result = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
        if (!form.windowTitle().contains(QFileInfo(project).fileName())) {
            return;
        }
        poll.stop();
        StallWatch stalls;
        QElapsedTimer t;
        t.start();
        stalls.start();
        program.actions().execute(qm::CommandId::OpenBothSourceAndTarget);
        form.repaint();
        const double openSeconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
        std::printf("open_stall_ms %.3f\n", stalls.stop());
        QTableView& grid = form.grids().grid(qm::Side::Target);
        const int rows = grid.model() ? grid.model()->rowCount() : 0;
        std::printf("open_seconds %.6f\nrows %d\n", openSeconds, rows);

        std::vector<double> ms;
        QScrollBar* bar = grid.verticalScrollBar();
        auto* random = QRandomGenerator::global();
        for (int i = 0; i < kScreens && bar->maximum() > 0; ++i) {
            QElapsedTimer s;
            s.start();
            bar->setValue(static_cast<int>(random->bounded(bar->maximum() + 1)));
            grid.viewport()->repaint();
            ms.push_back(static_cast<double>(s.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        if (!ms.empty()) {
            std::printf("screen_median_ms %.3f\nscreen_worst_ms %.3f\nscreen_rows %d\n",
                        ms[ms.size() / 2], ms.back(),
                        grid.rowAt(grid.viewport()->height() - 1) - grid.rowAt(0) + 1);
        }
        // The peak compared with the command line's is the one of opening and
        // looking: the merge below makes copies the compare-only run never does.
        rusage self{};
        getrusage(RUSAGE_SELF, &self);
        std::printf("open_peak_mb %.3f\n", static_cast<double>(self.ru_maxrss) / 1024.0);
        QElapsedTimer m;
        m.start();
        stalls.start();
        program.actions().execute(qm::CommandId::ChangeDataToEqualSource);
        form.repaint();
        std::printf("merge_seconds %.6f\nmerge_stall_ms %.3f\n",
                    static_cast<double>(m.nsecsElapsed()) / 1e9, stalls.stop());
        // A click on the header of the text column "name", as the user's.
        const int nameColumn =
            form.grids()
                .model(qm::Side::Target)
                .columnOfField(program.engine().DestMemData().findField(u"name"_s));
        QElapsedTimer st;
        st.start();
        stalls.start();
        emit grid.horizontalHeader()->sectionClicked(nameColumn);
        form.repaint();
        std::printf("sort_seconds %.6f\nsort_stall_ms %.3f\n",
                    static_cast<double>(st.nsecsElapsed()) / 1e9, stalls.stop());
        // Escape half a second into opening again: how long until the
        // command has ended with the lists put back.
        QElapsedTimer pressed;
        QTimer::singleShot(500, &form, [&] {
            pressed.start();
            QCoreApplication::postEvent(
                &form, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        program.actions().execute(qm::CommandId::OpenBothSourceAndTarget);
        form.repaint();
        std::printf("stop_seconds %.6f\nstopped %d\n",
                    pressed.isValid() ? static_cast<double>(pressed.nsecsElapsed()) / 1e9 : -1.0,
                    form.statusStrip().statusText() == u"Stopped."_s ? 1 : 0);
        std::fflush(stdout);
        result = rows > 0 && !ms.empty() && nameColumn >= 0 ? 0 : 1;
        // The merged target is not saved: closing answers the save question No.
        form.close();
    });
    poll.start(20);
    const int rc = program.run();
    return rc != 0 ? rc : result;
}

// --- the parent ----------------------------------------------------------------------

struct Run {
    double seconds = -1;
    double peakMB = -1;
    int exitCode = -1;
    QString output;
};

// Runs a program to its end and takes its wall time and peak memory (the
// child's own rusage, so the parent's memory does not count).
Run runMeasured(const QString& program, const QStringList& args, const QStringList& env) {
    Run r;
    int pipeFd[2];
    if (pipe(pipeFd) != 0) {
        return r;
    }
    std::vector<QByteArray> argBytes{program.toLocal8Bit()};
    for (const QString& a : args) {
        argBytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& a : argBytes) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (const QString& e : env) {
        envBytes.push_back(e.toLocal8Bit());
    }
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        for (QByteArray& e : envBytes) {
            putenv(e.data());
        }
        dup2(pipeFd[1], STDOUT_FILENO);
        close(pipeFd[0]);
        close(pipeFd[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFd[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFd[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<qsizetype>(n));
    }
    close(pipeFd[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
        return r;
    }
    r.seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    r.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = QString::fromLocal8Bit(text);
    return r;
}

std::optional<double> valueOf(const QString& output, const QString& key) {
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(key + u' ')) {
            bool ok = false;
            const double v = line.mid(key.size() + 1).toDouble(&ok);
            if (ok) {
                return v;
            }
        }
    }
    return std::nullopt;
}

// The seconds of a phase the engine child reported ("QMBENCH\tphase\tNAME\tS\t...").
std::optional<double> phaseSeconds(const QString& output, const QString& name) {
    for (const QString& line : output.split(u'\n')) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() >= 4 && parts[0] == QLatin1String(qmbench::kChildTag) &&
            parts[1] == "phase"_L1 && parts[2] == name) {
            bool ok = false;
            const double v = parts[3].toDouble(&ok);
            if (ok) {
                return v;
            }
        }
    }
    return std::nullopt;
}

QString fixed(double v, int digits) {
    return QString::number(v, 'f', digits);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && qstrcmp(argv[1], "--child-window") == 0) {
        return runWindowChild(QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 5 && qstrcmp(argv[1], "--child-engine") == 0) {
        QCoreApplication app(argc, argv);
        return qmbench::runEngineChild(QString::fromLocal8Bit(argv[2]),
                                       QString::fromLocal8Bit(argv[3]), true,
                                       QString::fromLocal8Bit(argv[4]));
    }
    QCoreApplication app(argc, argv);
    QString dir = QDir::tempPath() + u"/quillmere-window-bench"_s;
    QList<qint64> rowCounts{100000, 1000000};
    int repeat = 3;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == "--dir"_L1 && i + 1 < args.size()) {
            dir = args[++i];
        } else if (args[i] == "--rows"_L1 && i + 1 < args.size()) {
            rowCounts.clear();
            for (const QString& n : args[++i].split(u','))
                rowCounts << n.toLongLong();
        } else if (args[i] == "--repeat"_L1 && i + 1 < args.size()) {
            repeat = std::max(1, args[++i].toInt());
        } else {
            std::fprintf(stderr,
                         "usage: quillmere-window-bench [--dir DIR] [--rows N[,N...]] "
                         "[--repeat R]\n");
            return 2;
        }
    }
    QDir().mkpath(dir);
    const QString cli = QStringLiteral(QUILLMERE_CLI_PATH);
    const QString self = QCoreApplication::applicationFilePath();
    bool allOk = true;
    out(u"quillmere-window-bench: %1 run(s) each, best taken; folder %2"_s.arg(repeat).arg(dir));
    for (const qint64 rows : rowCounts) {
        const QString source = u"%1/source-%2.db"_s.arg(dir).arg(rows);
        const QString target = u"%1/target-%2.db"_s.arg(dir).arg(rows);
        qmbench::Expected expected = qmbench::expectedFor(rows);
        if (!qmbench::pairIsUsable(source, target, expected)) {
            QString error;
            out(u"generating %1 rows ..."_s.arg(rows));
            if (!qmbench::generatePair(rows, source, target, expected, error)) {
                out(u"FAIL: %1"_s.arg(error));
                return 1;
            }
        }
        const QString aliases = u"%1/Aliases-%2.ini"_s.arg(dir).arg(rows);
        {
            QFile f(aliases);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                f.write(u"[BenchSource]\nDriver=SQLITE\nDatabase=%1\n\n[BenchTarget]\n"
                        u"Driver=SQLITE\nDatabase=%2\n"_s.arg(source, target)
                            .toUtf8()) < 0 ||
                !f.flush()) {
                out(u"FAIL: cannot write %1"_s.arg(aliases));
                return 1;
            }
        }
        const QString project = u"%1/bench-%2.qmp"_s.arg(dir).arg(rows);
        const QString sql = u"SELECT * FROM t"_s;
        const QStringList env{u"QT_QPA_PLATFORM=offscreen"_s, u"QUILLMERE_ALIASES="_s + aliases,
                              u"XDG_CONFIG_HOME="_s + dir + u"/config"_s};
        const Run made =
            runMeasured(cli,
                        {u"project"_s, u"create"_s, project, u"--force"_s, u"--source-alias"_s,
                         u"BenchSource"_s, u"--target-alias"_s, u"BenchTarget"_s},
                        env);
        const Run added = runMeasured(
            cli,
            {u"project"_s, u"add-table-setup"_s, project, u"--name"_s, u"t"_s, u"--key"_s, u"id"_s,
             u"--source-sql"_s, sql, u"--target-sql"_s, sql, u"--table"_s, u"t"_s},
            env);
        if (made.exitCode != 0 || added.exitCode != 0) {
            out(u"FAIL: cannot make the project %1"_s.arg(project));
            return 1;
        }

        std::optional<double> cliSeconds, cliPeak, winOpen, winSeconds, winPeak, median, worst,
            winMerge, engineMerge, sortSeconds, openStall, sortStall, mergeStall, stopSeconds;
        bool stoppedEveryTime = true;
        for (int i = 0; i < repeat; ++i) {
            const Run c = runMeasured(cli,
                                      {u"compare"_s, u"--source-alias"_s, u"BenchSource"_s,
                                       u"--target-alias"_s, u"BenchTarget"_s, u"--source-sql"_s,
                                       sql, u"--target-sql"_s, sql, u"--key"_s, u"id"_s},
                                      env);
            if (c.exitCode != 0) {
                out(u"FAIL: quillmere-cli compare ended with %1"_s.arg(c.exitCode));
                allOk = false;
                break;
            }
            out(u"  %1 rows, command line run %2: %3 s, peak %4 MB"_s.arg(rows).arg(i + 1).arg(
                fixed(c.seconds, 3), fixed(c.peakMB, 1)));
            cliSeconds = std::min(cliSeconds.value_or(c.seconds), c.seconds);
            cliPeak = std::max(cliPeak.value_or(c.peakMB), c.peakMB);

            const Run w = runMeasured(self, {u"--child-window"_s, project}, env);
            const auto open = valueOf(w.output, u"open_seconds"_s);
            if (w.exitCode != 0 || !open) {
                out(u"FAIL: the window child ended with %1:\n%2"_s.arg(w.exitCode).arg(w.output));
                allOk = false;
                break;
            }
            const double med = valueOf(w.output, u"screen_median_ms"_s).value_or(-1);
            const double wst = valueOf(w.output, u"screen_worst_ms"_s).value_or(-1);
            out(u"  %1 rows, window run %2: open %3 s (process %4 s), peak after opening %5 MB "
                u"(with the merge %6 MB), screen median %7 ms, worst %8 ms"_s.arg(rows)
                    .arg(i + 1)
                    .arg(fixed(*open, 3), fixed(w.seconds, 3),
                         fixed(valueOf(w.output, u"open_peak_mb"_s).value_or(-1), 1),
                         fixed(w.peakMB, 1), fixed(med, 2), fixed(wst, 2)));
            const double merge = valueOf(w.output, u"merge_seconds"_s).value_or(-1);
            const Run e = runMeasured(
                self, {u"--child-engine"_s, source, target, dir + u"/engine-script.sql"_s}, env);
            const std::optional<double> engine =
                phaseSeconds(e.output, u"ChangeDataToEqualSource"_s);
            if (e.exitCode != 0 || !engine || merge < 0) {
                out(u"FAIL: the merge was not measured (engine child %1):\n%2"_s.arg(e.exitCode)
                        .arg(e.output));
                allOk = false;
                break;
            }
            out(u"  %1 rows, run %2: merge from the window %3 s, through the engine alone %4 s"_s
                    .arg(rows)
                    .arg(i + 1)
                    .arg(fixed(merge, 3), fixed(*engine, 3)));
            const double sort = valueOf(w.output, u"sort_seconds"_s).value_or(-1);
            const double stop = valueOf(w.output, u"stop_seconds"_s).value_or(-1);
            const auto stall = [&](const QString& key) {
                return valueOf(w.output, key).value_or(-1);
            };
            out(u"  %1 rows, window run %2: sort by a text column %3 s; longest stall opening "
                u"%4 ms, sorting %5 ms, merging %6 ms; stop after Escape %7 s%8"_s.arg(rows)
                    .arg(i + 1)
                    .arg(fixed(sort, 3), fixed(stall(u"open_stall_ms"_s), 1),
                         fixed(stall(u"sort_stall_ms"_s), 1), fixed(stall(u"merge_stall_ms"_s), 1),
                         fixed(stop, 3),
                         valueOf(w.output, u"stopped"_s).value_or(0) == 1 ? QString()
                                                                          : u" (NOT stopped)"_s));
            stoppedEveryTime = stoppedEveryTime && valueOf(w.output, u"stopped"_s).value_or(0) == 1;
            // The best of the runs, as for the times above; a stall is a
            // worst case within one run.
            sortSeconds = std::min(sortSeconds.value_or(sort), sort);
            stopSeconds = std::min(stopSeconds.value_or(stop), stop);
            openStall =
                std::min(openStall.value_or(stall(u"open_stall_ms"_s)), stall(u"open_stall_ms"_s));
            sortStall =
                std::min(sortStall.value_or(stall(u"sort_stall_ms"_s)), stall(u"sort_stall_ms"_s));
            mergeStall = std::min(mergeStall.value_or(stall(u"merge_stall_ms"_s)),
                                  stall(u"merge_stall_ms"_s));
            winMerge = std::min(winMerge.value_or(merge), merge);
            engineMerge = std::min(engineMerge.value_or(*engine), *engine);
            winOpen = std::min(winOpen.value_or(*open), *open);
            winSeconds = std::min(winSeconds.value_or(w.seconds), w.seconds);
            const double openPeak = valueOf(w.output, u"open_peak_mb"_s).value_or(w.peakMB);
            winPeak = std::max(winPeak.value_or(openPeak), openPeak);
            median = std::min(median.value_or(med), med);
            worst = std::min(worst.value_or(wst), wst);
        }
        if (!cliSeconds || !winOpen || !winMerge) {
            allOk = false;
            continue;
        }
        const double openRatio = *winOpen / *cliSeconds;
        const double processRatio = *winSeconds / *cliSeconds;
        const double peakRatio = *winPeak / *cliPeak;
        out(u"%1 rows: window open / command line = %2 (goal <= %3); whole window process / "
            u"command line = %4; peak window / command line = %5 (%6 / %7 MB, goal <= %8); "
            u"screen median %9 ms"_s.arg(rows)
                .arg(fixed(openRatio, 2), fixed(kGoalOpenRatio, 1), fixed(processRatio, 2),
                     fixed(peakRatio, 2), fixed(*winPeak, 1), fixed(*cliPeak, 1),
                     fixed(kGoalPeakRatio, 1), fixed(*median, 2)) +
            u", worst %1 ms (goal < %2)"_s.arg(fixed(*worst, 2), fixed(kGoalScreenMs, 0)));
        const double mergeRatio = *winMerge / *engineMerge;
        out(u"%1 rows: merge from the window / through the engine = %2 (%3 / %4 s, goal <= %5)"_s
                .arg(rows)
                .arg(fixed(mergeRatio, 2), fixed(*winMerge, 3), fixed(*engineMerge, 3),
                     fixed(kGoalMergeRatio, 1)));
        out(u"%1 rows: sort %2 s (goal < %3); longest stall opening %4 ms, sorting %5 ms, "
            u"merging %6 ms (goal <= %7 opening and merging); stop %8 s (goal <= %9)"_s.arg(rows)
                .arg(fixed(*sortSeconds, 3), fixed(kGoalSortSeconds, 1), fixed(*openStall, 1),
                     fixed(*sortStall, 1), fixed(*mergeStall, 1), fixed(kGoalStallMs, 0),
                     fixed(*stopSeconds, 3), fixed(kGoalStopSeconds, 1)));
        // The goals are for big tables; below them the fixed cost of making
        // a window (Qt's libraries, the widgets) outweighs the data.
        if (rows >= kGoalRows) {
            allOk = allOk && openRatio <= kGoalOpenRatio && peakRatio <= kGoalPeakRatio &&
                    *worst < kGoalScreenMs && mergeRatio <= kGoalMergeRatio && *sortSeconds >= 0 &&
                    *sortSeconds < kGoalSortSeconds && *openStall <= kGoalStallMs &&
                    *mergeStall <= kGoalStallMs && stoppedEveryTime && *stopSeconds >= 0 &&
                    *stopSeconds <= kGoalStopSeconds;
        }
    }
    out(allOk ? u"all goals met"_s : u"FAIL: a goal was missed or a step failed"_s);
    return allOk ? 0 : 1;
}
