#include "InDatabaseBench.h"

#include "BenchText.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

constexpr double kGoalChangedRatio = 1.0 / 3.0;  // in-database / full load, at most
constexpr double kGoalPeakMB = 200.0;            // in-database peak, below
constexpr double kGoalEqualRatio = 1.0;          // in-database / scanning twice, at most

bool runSql(const QString& path, const QString& sql, QString& error) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK;
    if (!ok) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    ok = ok && exec(db, sql, error);
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        error = u"cannot close %1"_s.arg(path);
        ok = false;
    }
    return ok;
}

// The rows of the source table, all made by SQLite itself.
QString sourceSql(std::int64_t rows) {
    return uR"(PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;
CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL, day TEXT, note TEXT);
WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < %1)
INSERT INTO t SELECT i, 'name ' || (i * 7919 % 100003), i % 1000, (i % 100000) / 7.0,
  printf('2024-%02d-%02d', i % 12 + 1, i % 28 + 1),
  CASE WHEN i % 10 = 0 THEN NULL ELSE 'note ''' || (i % 5000) || '''' END FROM c;)"_s.arg(rows);
}

// 0.08 % renamed, 0.01 % deleted, 0.01 % added.
QString changeSql(std::int64_t rows) {
    return uR"(PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;
UPDATE t SET name = name || ' changed' WHERE id % 1250 = 1;
DELETE FROM t WHERE id % 10000 = 2;
INSERT INTO t SELECT id + %1, name, qty, price, day, note FROM t WHERE id % 10000 = 3;)"_s.arg(
        rows);
}

std::int64_t rowCount(const QString& path) {
    sqlite3* db = nullptr;
    std::int64_t n = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM t", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return n;
}

struct Files {
    QString source, changed, equal, aliases;
};

bool prepare(const QString& dir, std::int64_t rows, bool regenerate, Files& f, QString& error) {
    const QString stem = QDir(dir).filePath(u"indb_%1_"_s.arg(rows));
    f.source = stem + u"src.db"_s;
    f.changed = stem + u"changed.db"_s;
    f.equal = stem + u"equal.db"_s;
    f.aliases = stem + u"aliases.ini"_s;
    if (!regenerate && rowCount(f.source) == rows && rowCount(f.equal) == rows &&
        rowCount(f.changed) > 0) {
        out(u"  reusing the files of %1 rows"_s.arg(count(rows)));
    } else {
        out(u"  generating %1 rows with SQL inside SQLite ..."_s.arg(count(rows)));
        for (const QString& path : {f.source, f.changed, f.equal}) {
            QFile::remove(path);
        }
        if (!runSql(f.source, sourceSql(rows), error) || !QFile::copy(f.source, f.changed) ||
            !QFile::copy(f.source, f.equal) || !runSql(f.changed, changeSql(rows), error)) {
            if (error.isEmpty()) {
                error = u"cannot copy %1"_s.arg(f.source);
            }
            return false;
        }
    }
    QFile ini(f.aliases);
    const QByteArray text =
        u"[Src]\nDriver=SQLITE\nDatabase=%1\n[Changed]\nDriver=SQLITE\n"
        "Database=%2\n[Equal]\nDriver=SQLITE\nDatabase=%3\n"_s.arg(f.source, f.changed, f.equal)
            .toUtf8();
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate) || ini.write(text) != text.size() ||
        !ini.flush()) {
        error = u"cannot write %1"_s.arg(f.aliases);
        return false;
    }
    return true;
}

// A finished child process: wall time, peak resident memory, exit status.
struct Measured {
    bool ok = false;
    double seconds = 0;
    double peakMB = 0;
    QString error;
};

// Runs a program with its standard output into `outputPath`, and measures
// it with wait4, which gives this child's own peak memory.
Measured measure(const QString& program, const QStringList& args, const QString& outputPath,
                 int timeoutSeconds) {
    Measured m;
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args) {
        storage.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    const QByteArray outPath = outputPath.toLocal8Bit();
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid < 0) {
        m.error = u"fork failed"_s;
        return m;
    }
    if (pid == 0) {
        std::FILE* f = std::freopen(outPath.constData(), "wb", stdout);
        if (f == nullptr) {
            _exit(126);
        }
        alarm(static_cast<unsigned>(timeoutSeconds));
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        m.error = u"wait failed"_s;
        return m;
    }
    m.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    m.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!m.ok) {
        m.error = WIFEXITED(status) ? u"exit code %1"_s.arg(WEXITSTATUS(status))
                                    : u"killed by signal %1"_s.arg(WTERMSIG(status));
    }
    return m;
}

// Best of `repeat` runs.
Measured best(int repeat, const QString& program, const QStringList& args,
              const QString& outputPath, int timeoutSeconds) {
    Measured b;
    for (int i = 0; i < repeat; ++i) {
        const Measured m = measure(program, args, outputPath, timeoutSeconds);
        if (!m.ok) {
            return m;
        }
        if (i == 0 || m.seconds < b.seconds) {
            b = m;
        }
    }
    return b;
}

// SQLite reading every value of both tables twice, in this process.
std::optional<double> scanTwice(const QStringList& paths) {
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : paths) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(db);
            return std::nullopt;
        }
        for (int pass = 0; pass < 2; ++pass) {
            sqlite3_stmt* st = nullptr;
            const bool ok =
                sqlite3_prepare_v2(db,
                                   "SELECT count(*), sum(id), sum(length(name)), sum(qty), "
                                   "sum(price), sum(length(day)), sum(length(note)) FROM t",
                                   -1, &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW;
            sqlite3_finalize(st);
            if (!ok) {
                sqlite3_close(db);
                return std::nullopt;
            }
        }
        sqlite3_close(db);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString row(std::int64_t rows, const QString& pair, const QString& mode, double seconds,
            const QString& baseline, double baseSeconds, double peakMB, const QString& goal) {
    const bool hasBase = baseSeconds > 0;
    return u"  %1 | %2 | %3 | %4 s | %5 | %6 | %7 MB | %8"_s.arg(count(rows), pair, mode)
        .arg(seconds, 0, 'f', 2)
        .arg(hasBase ? u"%1 %2 s"_s.arg(baseline).arg(baseSeconds, 0, 'f', 2) : u"-"_s)
        .arg(hasBase ? QString::number(seconds / baseSeconds, 'f', 3) : u"-"_s)
        .arg(peakMB, 0, 'f', 0)
        .arg(goal);
}

}  // namespace

bool runInDatabaseBench(const QString& dir, const QList<std::int64_t>& sizes, int repeat,
                        int timeoutSeconds, bool regenerate, const QString& cli) {
    out(u"In-database comparison (quillmere-cli --in-database), best of %1:"_s.arg(repeat));
    bool passed = true;
    for (const std::int64_t rows : sizes) {
        Files f;
        QString error;
        if (!prepare(dir, rows, regenerate, f, error)) {
            out(u"  FAIL %1 rows: %2"_s.arg(count(rows)).arg(error));
            passed = false;
            continue;
        }
        const auto args = [&](const QString& command, const QString& target, bool inDatabase) {
            QStringList a{command,
                          u"--aliases"_s,
                          f.aliases,
                          u"--source-alias"_s,
                          u"Src"_s,
                          u"--target-alias"_s,
                          target,
                          u"--source-sql"_s,
                          u"SELECT * FROM t"_s,
                          u"--target-sql"_s,
                          u"SELECT * FROM t"_s,
                          u"--key"_s,
                          u"id"_s};
            if (command == u"script"_s) {
                a << u"--table"_s << u"t"_s;
            }
            if (inDatabase) {
                a << u"--in-database"_s;
            }
            return a;
        };
        const QString stem = QDir(dir).filePath(u"indb_%1_"_s.arg(rows));
        const QString fullScript = stem + u"full.sql"_s;
        const QString inDbScript = stem + u"indb.sql"_s;
        const QString equalOut = stem + u"equal.txt"_s;
        out(u"  rows | pair | mode | time | baseline | ratio | peak | goal"_s);

        const Measured inDb =
            best(repeat, cli, args(u"script"_s, u"Changed"_s, true), inDbScript, timeoutSeconds);
        const Measured full =
            best(repeat, cli, args(u"script"_s, u"Changed"_s, false), fullScript, timeoutSeconds);
        if (!full.ok || !inDb.ok) {
            out(u"  FAIL script: %1"_s.arg(!full.ok ? full.error : inDb.error));
            passed = false;
        } else {
            const QByteArray a = readAll(fullScript);
            const QByteArray b = readAll(inDbScript);
            const bool same = !a.isEmpty() && a == b;
            const double ratio = inDb.seconds / full.seconds;
            const bool met = ratio <= kGoalChangedRatio && inDb.peakMB < kGoalPeakMB;
            out(row(rows, u"0.1 % changed"_s, u"script, full load"_s, full.seconds, u"-"_s, 0,
                    full.peakMB, u"baseline"_s));
            out(row(rows, u"0.1 % changed"_s, u"script --in-database"_s, inDb.seconds,
                    u"full load"_s, full.seconds, inDb.peakMB,
                    u"<= 0.333, < 200 MB: %1"_s.arg(met ? u"met"_s : u"MISSED"_s)));
            out(u"  scripts %1 (%2 lines)"_s
                    .arg(same ? u"equal byte for byte"_s : u"DIFFER: FAIL"_s)
                    .arg(a.count('\n')));
            passed = passed && same;
        }

        const Measured equal =
            best(repeat, cli, args(u"compare"_s, u"Equal"_s, true), equalOut, timeoutSeconds);
        std::optional<double> scan;
        for (int i = 0; i < repeat; ++i) {
            const std::optional<double> s = scanTwice({f.source, f.equal});
            if (s && (!scan || *s < *scan)) {
                scan = s;
            }
        }
        if (!equal.ok || !scan) {
            out(u"  FAIL equal: %1"_s.arg(!equal.ok ? equal.error : u"scan failed"_s));
            passed = false;
        } else {
            const QByteArray text = readAll(equalOut);
            const bool right = text.contains("No updates") && text.contains("No inserts") &&
                               text.contains("No deletes") &&
                               text.startsWith(count(rows).remove(u',').toUtf8() + " records");
            const double ratio = equal.seconds / *scan;
            const bool met = ratio <= kGoalEqualRatio && equal.peakMB < kGoalPeakMB;
            out(row(rows, u"equal"_s, u"compare --in-database"_s, equal.seconds,
                    u"scan both twice"_s, *scan, equal.peakMB,
                    u"<= 1, < 200 MB: %1"_s.arg(met ? u"met"_s : u"MISSED"_s)));
            if (!right) {
                out(u"  FAIL equal: unexpected output %1"_s.arg(QString::fromUtf8(text)));
            }
            passed = passed && right;
        }
    }
    return passed;
}

}  // namespace qmbench
