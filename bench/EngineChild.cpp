#include "EngineChild.h"

#include "common/Errors.h"
#include "engine/EngineTexts.h"
#include "engine/TDM.h"
#include "report/MessageViewer.h"

#include <sqlite3.h>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

// The engine's window for the benchmark: keeps the texts the command-line
// tool prints and remembers messages instead of showing them.
class BenchView final : public qm::EngineStateListener,
                        public qm::ScriptPort,
                        public qm::MessageViewer {
public:
    qm::EnginePorts ports() { return {this, nullptr, nullptr, this}; }

    void recordCountChanged(qm::Side side, std::optional<qsizetype> records) override {
        counts_[side] = qm::recordCountText(side, records);
    }
    void statisticsChanged(const std::optional<qm::ComparisonCounts>& counts) override {
        stats_ = qm::statisticTexts(counts);
    }
    void showInfo(const QString& text) override { messages_ << text; }
    void showError(const QString& text) override { messages_ << u"Error: "_s + text; }
    bool askYesNo(const QString& text) override {
        messages_ << text + u" [answered No]"_s;
        return false;
    }

    QString recordCountText(qm::Side side) const { return counts_.value(side); }
    const qm::StatisticTexts& statistics() const { return stats_; }
    const QStringList& messages() const { return messages_; }

    void clear() override { script_.clear(); }
    void appendLine(const QString& line) override { script_ << line; }
    const QStringList& script() const { return script_; }

private:
    QMap<qm::Side, QString> counts_;
    qm::StatisticTexts stats_;
    QStringList messages_;
    QStringList script_;
};

void report(const QString& key, const QString& value) {
    const QByteArray line =
        QByteArray(kChildTag) + '\t' + key.toUtf8() + '\t' + value.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
}

void emitSeconds(const QString& key, qint64 nanoseconds) {
    report(key, QString::number(static_cast<double>(nanoseconds) / 1e9, 'f', 6));
}

std::int64_t statusKiB(const QByteArray& field) {
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// Reads every column of every row of t with plain sqlite3 calls: the least
// any loader has to pay for the rows.
qint64 rawScanNs(const QString& path, std::int64_t& rows) {
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    rows = 0;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT * FROM t", -1, &st, nullptr) == SQLITE_OK) {
            volatile std::int64_t sink = 0;
            while (sqlite3_step(st) == SQLITE_ROW) {
                sink = sink + sqlite3_column_int64(st, 0) + sqlite3_column_bytes(st, 1) +
                       sqlite3_column_int64(st, 2) +
                       static_cast<std::int64_t>(sqlite3_column_double(st, 3)) +
                       sqlite3_column_bytes(st, 4) + sqlite3_column_bytes(st, 5);
                ++rows;
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return timer.nsecsElapsed();
}

// Runs the target query again and loads its rows into a fresh list the way
// the engine's loader does, without comparing anything.
qint64 loadAloneNs(qm::TDM& dm, const QString& table) {
    QElapsedTimer timer;
    timer.start();
    qm::Query query(dm.DestDatabase());
    query.setSql(u"SELECT * FROM "_s + table);
    query.open();
    qm::MemData list(u"LoadAlone"_s);
    dm.CopyColumns(list, query);
    list.open();
    std::vector<int> storeCols;
    for (int i = 0; i < query.fieldCount(); ++i) {
        storeCols.push_back(list.storeColumn(list.fieldIndex(query.field(i).name)));
    }
    while (!query.eof()) {
        const std::uint32_t row = list.beginRawRow();
        query.readRow(list.rawStore(), row, storeCols);
        list.commitRawRow(row);
        query.next();
    }
    return timer.nsecsElapsed();
}

}  // namespace

std::int64_t residentKiB() {
    return statusKiB("VmRSS:");
}

std::int64_t peakResidentKiB() {
    return statusKiB("VmHWM:");
}

ChildTables sqliteTables(const QString& sourcePath, const QString& targetPath) {
    return {
        u"[BenchSource]\nDriver=SQLITE\nDatabase=%1\n\n"
        "[BenchTarget]\nDriver=SQLITE\nDatabase=%2\n"_s.arg(sourcePath, targetPath),
        u"t"_s,
        u"id"_s,
        sourcePath,
        targetPath,
        QString()};
}

ChildTables pgAccountTables(const QString& host, int port, const QString& user,
                            const QString& sourceDb, const QString& targetDb) {
    const QString entry = u"Driver=PSQL\nHost=%1\nPort=%2\nUser=%3\nDatabase=%4\n"_s;
    return {u"[BenchSource]\n"_s + entry.arg(host).arg(port).arg(user, sourceDb) +
                u"\n[BenchTarget]\n"_s + entry.arg(host).arg(port).arg(user, targetDb),
            u"pgbench_accounts"_s,
            u"aid"_s,
            QString(),
            QString(),
            QString()};
}

int runEngineChild(const QString& sourcePath, const QString& targetPath, bool profile,
                   const QString& scriptPath, const QString& rules) {
    ChildTables tables = sqliteTables(sourcePath, targetPath);
    tables.rules = rules;
    return runEngineChild(tables, profile, scriptPath);
}

int runEngineChild(const ChildTables& tables, bool profile, const QString& scriptPath) {
    const bool job = !scriptPath.isEmpty();
    QTemporaryDir aliasDir;
    const QString aliasPath = aliasDir.filePath(u"Aliases.ini"_s);
    {
        QFile aliases(aliasPath);
        if (!aliasDir.isValid() || !aliases.open(QIODevice::WriteOnly)) {
            report(u"error"_s, u"cannot write the alias file %1"_s.arg(aliasPath));
            return 1;
        }
        aliases.write(tables.aliasText.toUtf8());
    }

    struct Phase {
        QString name;
        qint64 ns;
        std::int64_t rssKiB;
    };
    std::vector<Phase> phases;
    QElapsedTimer timer;
    const auto endPhase = [&](const QString& name) {
        phases.push_back({name, timer.nsecsElapsed(), profile ? residentKiB() : 0});
        timer.start();
    };

    BenchView view;
    std::optional<qm::TDM> dm;
    bool ok = true;
    std::int64_t sourceOnly = -1;
    timer.start();
    try {
        // As `quillmere-cli compare` does it.
        dm.emplace(view.ports(), view);
        dm->session().setAliasFilePath(aliasPath);
        qm::MemData& setups = dm->TablesMemData();
        const qm::TDM::TableFields& tf = dm->tableFields();
        setups.open();
        setups.append();
        setups.setAsText(tf.Name, u"bench"_s);
        setups.setAsText(tf.SourceQuerySQL, u"SELECT * FROM "_s + tables.table);
        setups.setAsText(tf.DestQuerySQL, u"SELECT * FROM "_s + tables.table);
        setups.setAsText(tf.PrimaryKeySpec, tables.key);
        if (!tables.rules.isEmpty()) {
            setups.setAsText(tf.CompareRules, tables.rules);
        }
        if (job) {
            setups.setAsText(tf.DestTableName, tables.table);
        }
        setups.post();
        qm::MemData& setup = dm->DBSetupMemData();
        setup.open();
        setup.append();
        setup.setAsText(dm->sourceDBAliasField(), u"BenchSource"_s);
        setup.setAsText(dm->destDBAliasField(), u"BenchTarget"_s);
        setup.post();
        endPhase(u"setup"_s);

        if (profile) {
            // OpenBoth connects first itself; connecting here only moves
            // that time into phases of their own.
            dm->ConnectSource();
            endPhase(u"connect source"_s);
            dm->ConnectTarget();
            endPhase(u"connect target"_s);
        }
        ok = dm->OpenBoth().opened();
        endPhase(u"OpenBoth (load both sides at once, compare)"_s);
        if (ok) {
            sourceOnly = dm->SourceMemData().countTrue(dm->fieldOnlyInSource());
        }
        if (ok && job) {
            // As `quillmere-cli script` does it.
            dm->ChangeDataToEqualSource();
            endPhase(u"ChangeDataToEqualSource"_s);
            dm->ScriptCurrentTableSetup(true);
            endPhase(u"ScriptCurrentTableSetup"_s);
            QByteArray bytes;
            for (const QString& line : view.script()) {
                bytes += line.toUtf8() + "\r\n";
            }
            QSaveFile file(scriptPath);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
                !file.commit()) {
                view.showError(
                    u"cannot write the script %1: %2"_s.arg(scriptPath, file.errorString()));
                ok = false;
            }
            endPhase(u"script file written"_s);
        }
    } catch (const qm::SilentAbort&) {
        ok = false;
    } catch (const qm::Error& e) {
        view.showError(e.message());
        ok = false;
    }
    qint64 engineNs = 0;
    for (const Phase& p : phases) {
        engineNs += p.ns;
    }
    // The whole job ends when its script is written; the engine's end is left out.
    const qint64 jobNs = engineNs;

    // Extra passes for the profile, timed on their own and left out of the run's time.
    // The extra passes below could raise the high-water mark; the run's own
    // peak is taken first (the end of the engine only frees memory).
    const std::int64_t peakKiB = peakResidentKiB();
    std::vector<Phase> extras;
    if (profile && ok && !job) {
        try {
            // MarkSourceOnly leaves the same marks when run again; the source
            // list has no post handler, so this is the work it did in OpenTarget.
            timer.start();
            dm->MarkSourceOnly();
            const qint64 markNs = timer.nsecsElapsed();
            extras.push_back({u"MarkSourceOnly, once more"_s, markNs, residentKiB()});
            // CompareTarget cannot be run again on its own: outside loading, the
            // target's post handler would mark every row as updated. Its share
            // is what OpenTarget spent beyond loading and MarkSourceOnly.
            const qint64 loadNs = loadAloneNs(*dm, tables.table);
            extras.push_back(
                {u"loading the target alone, as loadRows does"_s, loadNs, residentKiB()});
            qint64 openBothNs = 0;
            for (const Phase& p : phases) {
                if (p.name.startsWith(u"OpenBoth"_s)) {
                    openBothNs = p.ns;
                }
            }
            // The source is read while the target is, so the rest is what
            // OpenBoth spent beyond the longer load and MarkSourceOnly.
            extras.push_back(
                {u"so CompareTarget and the rest of OpenBoth"_s, openBothNs - markNs - loadNs, -1});
        } catch (const std::exception& e) {
            report(u"message"_s, u"profile pass failed: %1"_s.arg(QString::fromUtf8(e.what())));
        }
    }

    // The texts are read before the engine goes away, its end is timed too.
    const QString sourceCount = view.recordCountText(qm::Side::Source);
    const QString targetCount = view.recordCountText(qm::Side::Target);
    timer.start();
    dm.reset();
    const qint64 teardownNs = timer.nsecsElapsed();
    engineNs += teardownNs;
    phases.push_back({u"teardown (engine destroyed)"_s, teardownNs, profile ? residentKiB() : 0});

    if (profile && ok && !job && !tables.sourceFile.isEmpty()) {
        std::int64_t rows = 0;
        extras.push_back(
            {u"raw sqlite3 scan of the source"_s, rawScanNs(tables.sourceFile, rows), -1});
        extras.push_back(
            {u"raw sqlite3 scan of the target"_s, rawScanNs(tables.targetFile, rows), -1});
    }

    emitSeconds(u"engine_seconds"_s, engineNs);
    if (job) {
        emitSeconds(u"job_seconds"_s, jobNs);
        report(u"script_lines"_s, QString::number(view.script().size()));
    }
    report(u"peak_kib"_s, QString::number(std::max(peakKiB, profile ? 0 : peakResidentKiB())));
    report(u"ok"_s, ok ? u"1"_s : u"0"_s);
    report(u"source_count"_s, sourceCount);
    report(u"target_count"_s, targetCount);
    const qm::StatisticTexts& stats = view.statistics();
    const std::pair<const char*, const QString*> labels[] = {{"stat_insert", &stats.inserts},
                                                             {"stat_update", &stats.updates},
                                                             {"stat_delete", &stats.deletes},
                                                             {"stat_diff", &stats.differences},
                                                             {"stat_local", &stats.targetOnly}};
    for (const auto& [key, text] : labels) {
        report(QString::fromLatin1(key), *text);
    }
    report(u"source_only"_s, QString::number(sourceOnly));
    for (const QString& m : view.messages()) {
        report(u"message"_s, m);
    }
    if (profile) {
        for (const Phase& p : phases) {
            report(u"phase"_s,
                   u"%1\t%2\t%3"_s.arg(p.name)
                       .arg(static_cast<double>(p.ns) / 1e9, 0, 'f', 3)
                       .arg(p.rssKiB >= 0
                                ? QString::number(static_cast<double>(p.rssKiB) / 1024.0, 'f', 1)
                                : QString()));
        }
        for (const Phase& p : extras) {
            report(u"extra"_s,
                   u"%1\t%2\t%3"_s.arg(p.name)
                       .arg(static_cast<double>(p.ns) / 1e9, 0, 'f', 3)
                       .arg(p.rssKiB >= 0
                                ? QString::number(static_cast<double>(p.rssKiB) / 1024.0, 'f', 1)
                                : QString()));
        }
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace qmbench
