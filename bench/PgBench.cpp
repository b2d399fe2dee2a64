#include "PgBench.h"

#include "BenchText.h"

#include "EngineChild.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

constexpr double kGoalPgRatio = 1.5;  // engine compare/COPY of both tables, at most
constexpr int kScale = 10;            // pgbench -s: 100,000 accounts each
constexpr int kTransactions = 3000;   // pgbench -t on the target
const QString kSourceDb = u"qm_bench_source"_s;
const QString kTargetDb = u"qm_bench_target"_s;

class PgRunner {
public:
    explicit PgRunner(PgBenchOptions o) : o_(std::move(o)) {}

    bool run();

private:
    QStringList server() const {
        return {u"-h"_s, o_.host, u"-p"_s, QString::number(o_.port), u"-U"_s, o_.user};
    }
    // Runs a program to its end; its standard output, or nothing on failure.
    std::optional<QByteArray> call(const QString& program, const QStringList& args,
                                   double* seconds = nullptr, bool keepOutput = true);
    std::optional<QByteArray> sql(const QString& db, const QString& statement) {
        return call(o_.psql,
                    server() + QStringList{u"-X"_s, u"-q"_s, u"-tA"_s, u"-v"_s,
                                           u"ON_ERROR_STOP=1"_s, u"-d"_s, db, u"-c"_s, statement});
    }
    bool prepare();
    bool initialise(const QString& db, bool change);
    std::optional<double> timeCopies();
    std::optional<QMap<QString, QString>> runChild(double& processSeconds);

    PgBenchOptions o_;
    std::int64_t accounts_ = 0;
    std::int64_t changed_ = 0;
};

std::optional<QByteArray> PgRunner::call(const QString& program, const QStringList& args,
                                         double* seconds, bool keepOutput) {
    QProcess p;
    if (!keepOutput) {
        p.setStandardOutputFile(QProcess::nullDevice());
    }
    p.setProcessChannelMode(keepOutput ? QProcess::SeparateChannels
                                       : QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    const bool finished = p.waitForFinished(o_.timeoutSeconds * 1000);
    if (seconds) {
        *seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        out(u"  FAIL: %1 %2: %3 %4"_s.arg(
            program, args.join(u' '),
            finished ? u"exit code %1"_s.arg(p.exitCode()) : p.errorString(),
            QString::fromLocal8Bit(p.readAllStandardError())));
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    return p.readAllStandardOutput();
}

bool PgRunner::initialise(const QString& db, bool change) {
    QElapsedTimer timer;
    timer.start();
    if (!sql(u"postgres"_s, u"DROP DATABASE IF EXISTS %1"_s.arg(db)) ||
        !sql(u"postgres"_s, u"CREATE DATABASE %1"_s.arg(db)) ||
        !call(o_.pgbench,
              server() + QStringList{u"-i"_s, u"-q"_s, u"-s"_s, QString::number(kScale), db})) {
        return false;
    }
    if (change && !call(o_.pgbench, server() + QStringList{u"-n"_s, u"-t"_s,
                                                           QString::number(kTransactions), db})) {
        return false;
    }
    out(u"  made %1 with pgbench -i -s %2%3 in %4 s"_s.arg(db).arg(kScale).arg(
        change ? u" and pgbench -n -t %1"_s.arg(kTransactions) : QString(),
        fixed(static_cast<double>(timer.nsecsElapsed()) / 1e9, 1)));
    return true;
}

bool PgRunner::prepare() {
    const auto count = [&](const QString& db, const QString& where) -> std::int64_t {
        const auto text = sql(db, u"SELECT count(*) FROM pgbench_accounts"_s + where);
        return text ? text->trimmed().toLongLong() : -1;
    };
    const auto exists = [&](const QString& db) {
        const auto text =
            sql(u"postgres"_s, u"SELECT count(*) FROM pg_database WHERE datname = '%1'"_s.arg(db));
        return text && text->trimmed() == "1";
    };
    const std::int64_t wanted = std::int64_t{100000} * kScale;
    for (const auto& [db, change] : {std::pair{kSourceDb, false}, std::pair{kTargetDb, true}}) {
        if (!o_.regenerate && exists(db) && count(db, QString()) == wanted) {
            out(u"  reusing database %1"_s.arg(db));
        } else if (!initialise(db, change)) {
            return false;
        }
    }
    // The source's balances are all 0 as pgbench made them; the target's
    // changed ones are the rows that differ.
    accounts_ = wanted;
    changed_ = count(kTargetDb, u" WHERE abalance <> 0"_s);
    if (count(kSourceDb, u" WHERE abalance <> 0"_s) != 0 || changed_ < 0) {
        out(u"  FAIL: %1 holds changed balances; run again with --regenerate"_s.arg(kSourceDb));
        return false;
    }
    out(u"  source and target %1 accounts each, %2 with another balance in the target"_s
            .arg(accounts_)
            .arg(changed_));
    return true;
}

std::optional<double> PgRunner::timeCopies() {
    double total = 0;
    for (const QString& db : {kSourceDb, kTargetDb}) {
        double seconds = 0;
        if (!call(o_.psql,
                  server() + QStringList{u"-X"_s, u"-q"_s, u"-d"_s, db, u"-c"_s,
                                         u"COPY pgbench_accounts TO STDOUT"_s},
                  &seconds, false)) {
            return std::nullopt;
        }
        total += seconds;
    }
    return total;
}

std::optional<QMap<QString, QString>> PgRunner::runChild(double& processSeconds) {
    const auto output =
        call(QCoreApplication::applicationFilePath(),
             {u"--child"_s, u"--pg-host"_s, o_.host, u"--pg-port"_s, QString::number(o_.port),
              u"--pg-user"_s, o_.user, u"--source"_s, kSourceDb, u"--target"_s, kTargetDb},
             &processSeconds);
    if (!output) {
        return std::nullopt;
    }
    QMap<QString, QString> got;
    const QByteArray tag = QByteArray(kChildTag) + '\t';
    for (const QByteArray& line : output->split('\n')) {
        if (line.startsWith(tag)) {
            const QString rest = QString::fromUtf8(line.mid(tag.size()));
            const qsizetype tab = rest.indexOf(u'\t');
            got.insert(rest.left(tab), tab < 0 ? QString() : rest.mid(tab + 1));
        }
    }
    return got;
}

bool PgRunner::run() {
    out(QString());
    out(u"== PostgreSQL %1:%2: pgbench_accounts, key aid"_s.arg(o_.host).arg(o_.port));
    if (o_.pgbench.isEmpty() || o_.psql.isEmpty()) {
        out(u"  skipped: %1 not found on PATH (Debian: apt-get install postgresql "
            "postgresql-client)"_s.arg(o_.pgbench.isEmpty() ? u"pgbench"_s : u"psql"_s));
        return true;
    }
    if (!prepare()) {
        return false;
    }
    double baseline = -1;
    double engine = -1;
    double peakMB = -1;
    bool ok = true;
    for (int i = 0; i < o_.repeat && ok; ++i) {
        const std::optional<double> copies = timeCopies();
        if (!copies) {
            return false;
        }
        out(u"  COPY of both tables run %1: %2 s"_s.arg(i + 1).arg(fixed(*copies, 3)));
        baseline = baseline < 0 ? *copies : std::min(baseline, *copies);
    }
    for (int i = 0; i < o_.repeat && ok; ++i) {
        double processSeconds = 0;
        const auto got = runChild(processSeconds);
        if (!got) {
            return false;
        }
        const std::pair<QString, QString> wanted[] = {
            {u"ok"_s, u"1"_s},
            {u"source_count"_s, u"%1 records"_s.arg(accounts_)},
            {u"target_count"_s, u"%1 records initially"_s.arg(accounts_)},
            {u"stat_diff"_s, changed_ > 0 ? u"Records with differences: %1"_s.arg(changed_)
                                          : u"No dual records different"_s},
            {u"stat_local"_s, u"No records unique to target"_s},
            {u"source_only"_s, u"0"_s},
        };
        for (const auto& [key, text] : wanted) {
            if (got->value(key) != text) {
                out(u"  FAIL: %1 is \"%2\", expected \"%3\""_s.arg(key, got->value(key), text));
                ok = false;
            }
        }
        const double seconds = got->value(u"engine_seconds"_s).toDouble();
        const double peak = got->value(u"peak_kib"_s).toDouble() / 1024.0;
        out(u"  engine run %1: %2 s, peak %3 MB (child process %4 s)"_s.arg(i + 1).arg(
            fixed(seconds, 3), fixed(peak, 1), fixed(processSeconds, 3)));
        engine = engine < 0 ? seconds : std::min(engine, seconds);
        peakMB = std::max(peakMB, peak);
    }
    out(u"\nPostgreSQL compare (open and compare against COPY ... TO STDOUT of both tables):"_s);
    out(u"%1  %2  %3  %4  %5  %6"_s.arg(u"rows"_s, 10)
            .arg(u"COPY s"_s, 10)
            .arg(u"engine s"_s, 10)
            .arg(u"engine/COPY"_s, 14)
            .arg(u"engine peak MB"_s, 14)
            .arg(u"check"_s));
    const double ratio = baseline > 0 && engine >= 0 ? engine / baseline : -1;
    out(u"%1  %2  %3  %4  %5  %6"_s.arg(accounts_, 10)
            .arg(fixed(baseline, 3), 10)
            .arg(fixed(engine, 3), 10)
            .arg(ratio >= 0 ? fixed(ratio, 2) : u"-"_s, 14)
            .arg(fixed(peakMB, 1), 14)
            .arg(ok ? u"ok"_s : u"FAIL"_s));
    out(u"  %1 %2  %3"_s.arg(u"PostgreSQL engine/COPY <= %1"_s.arg(fixed(kGoalPgRatio, 1)), -56)
            .arg(ratio >= 0 ? fixed(ratio, 2) : u"-"_s, 8)
            .arg(ok && ratio >= 0 ? (ratio <= kGoalPgRatio ? u"met"_s : u"MISSED"_s)
                                  : u"not measured"_s));
    return ok;
}

}  // namespace

bool runPgBench(const PgBenchOptions& options) {
    return PgRunner(options).run();
}

}  // namespace qmbench
