#include "LookupBench.h"

#include "BenchText.h"

#include "DataGen.h"
#include "EngineChild.h"
#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "report/MessageViewer.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

constexpr double kGoalLookupRatio = 1.5;  // open with two lookups / without, at most
constexpr std::int64_t kLookupRows = 100000;

void report(const QString& key, const QString& value) {
    const QByteArray line =
        QByteArray(kChildTag) + '\t' + key.toUtf8() + '\t' + value.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
}

class Messages final : public qm::MessageViewer {
public:
    void showInfo(const QString& text) override { texts << text; }
    void showError(const QString& text) override { texts << u"Error: "_s + text; }
    bool askYesNo(const QString& text) override {
        texts << text;
        return false;
    }
    QStringList texts;
};

// A copy of the target with the two lookup tables, made once per size.
bool prepareLookupTarget(const QString& target, const QString& path, bool regenerate,
                         QString& error) {
    if (!regenerate && QFile::exists(path)) {
        return true;
    }
    const QString tmp = path + u".tmp"_s;
    QFile::remove(tmp);
    if (!QFile::copy(target, tmp)) {
        error = u"cannot copy %1"_s.arg(target);
        return false;
    }
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(tmp.toUtf8().constData(), &db) == SQLITE_OK;
    const QString rows = QString::number(kLookupRows);
    // Every qty (0 to 999) has a code; of the many names, the first
    // 100,000 distinct ones have a label, and rows without a label show none.
    ok = ok &&
         exec(db,
              u"BEGIN;"
              "CREATE TABLE lk_qty (code INTEGER PRIMARY KEY, label TEXT);"
              "WITH RECURSIVE c(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM c WHERE x < %1 - 1) "
              "INSERT INTO lk_qty SELECT x, 'quantity ' || x FROM c;"
              "CREATE TABLE lk_name (name TEXT PRIMARY KEY, label TEXT);"
              "INSERT INTO lk_name SELECT name, 'customer ' || name FROM "
              "(SELECT DISTINCT name FROM t WHERE name IS NOT NULL ORDER BY name LIMIT %1);"
              "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < %1) "
              "INSERT INTO lk_name SELECT 'filler ' || x, 'filler' FROM c "
              "LIMIT max(0, %1 - (SELECT count(*) FROM lk_name));"
              "COMMIT;"_s.arg(rows),
              error);
    if (!ok && error.isEmpty() && db) {
        error = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_close(db);
    if (!ok) {
        QFile::remove(tmp);
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(tmp, path)) {
        error = u"cannot rename %1"_s.arg(tmp);
        return false;
    }
    return true;
}

std::optional<QMap<QString, QString>> runChild(const QString& path, bool withLookups,
                                               int timeoutSeconds, QString& error) {
    QProcess p;
    QStringList args{u"--lookup-child"_s, u"--target"_s, path};
    if (withLookups) {
        args << u"--with-lookups"_s;
    }
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(timeoutSeconds * 1000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        error = u"the child did not finish"_s;
        return std::nullopt;
    }
    QMap<QString, QString> got;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() >= 3 && parts[0] == kChildTag) {
            const QString key = QString::fromUtf8(parts[1]);
            const QString value = QString::fromUtf8(parts[2]);
            got[key] = got.contains(key) ? got[key] + u"; "_s + value : value;
        }
    }
    if (p.exitCode() != 0 || got.value(u"ok"_s) != u"1"_s) {
        error = u"the child failed: %1 %2"_s.arg(got.value(u"message"_s),
                                                 QString::fromUtf8(p.readAllStandardError()));
        return std::nullopt;
    }
    return got;
}

}  // namespace

bool runLookupBench(const QString& dir, const QList<std::int64_t>& sizes, int repeat,
                    int timeoutSeconds, bool regenerate) {
    const QLocale english(QLocale::English);
    out(QString());
    out(u"== lookups: opening the target alone, without lookups and with two lookup columns "
        "(t.qty over lk_qty, t.name over lk_name, %1 rows each); best of %2 run(s)"_s
            .arg(english.toString(static_cast<qlonglong>(kLookupRows)))
            .arg(repeat));
    bool allOk = true;
    struct Line {
        std::int64_t rows;
        double plain, lookups, read;
        std::int64_t hits;
    };
    QList<Line> lines;
    for (const std::int64_t rows : sizes) {
        const QString source = QDir(dir).filePath(u"src_%1.db"_s.arg(rows));
        const QString target = QDir(dir).filePath(u"dst_%1.db"_s.arg(rows));
        const QString lookupTarget = QDir(dir).filePath(u"lookup_%1.db"_s.arg(rows));
        Expected expected = expectedFor(rows);
        QString error;
        const bool fresh = regenerate || !pairIsUsable(source, target, expected);
        if ((fresh && !generatePair(rows, source, target, expected, error)) ||
            !prepareLookupTarget(target, lookupTarget, fresh, error)) {
            out(u"  %1 rows: cannot prepare the files: %2"_s.arg(rows).arg(error));
            allOk = false;
            continue;
        }
        Line l{rows, -1, -1, -1, -1};
        bool ok = true;
        for (int i = 0; i < repeat && ok; ++i) {
            for (const bool withLookups : {false, true}) {
                const auto got = runChild(lookupTarget, withLookups, timeoutSeconds, error);
                if (!got || got->value(u"rows"_s).toLongLong() != expected.targetRows) {
                    out(u"  %1 rows: %2"_s.arg(rows).arg(got ? u"wrong row count"_s : error));
                    ok = false;
                    break;
                }
                const double open = got->value(u"open_seconds"_s).toDouble();
                double& best = withLookups ? l.lookups : l.plain;
                best = best < 0 ? open : std::min(best, open);
                if (withLookups) {
                    const double read = got->value(u"read_seconds"_s).toDouble();
                    l.read = l.read < 0 ? read : std::min(l.read, read);
                    l.hits = got->value(u"hits"_s).toLongLong();
                    if (!got->value(u"message"_s).isEmpty() || l.hits <= 0) {
                        out(u"  %1 rows: lookups failed: %2"_s.arg(rows).arg(
                            got->value(u"message"_s)));
                        ok = false;
                    }
                }
                out(u"  %1 rows, %2: open %3 s"_s
                        .arg(english.toString(static_cast<qlonglong>(rows)))
                        .arg(withLookups ? u"two lookups"_s : u"no lookups"_s)
                        .arg(open, 0, 'f', 3));
            }
        }
        allOk = allOk && ok;
        if (ok) {
            lines << l;
        }
    }
    out(u"\n  rows        open, no lookups  open, two lookups  ratio  reading 2 x rows "
        "lookup cells  cells with a value"_s);
    for (const Line& l : lines) {
        out(u"  %1  %2 s  %3 s  %4  %5 s  %6"_s
                .arg(english.toString(static_cast<qlonglong>(l.rows)), -10)
                .arg(QString::number(l.plain, 'f', 3), 14)
                .arg(QString::number(l.lookups, 'f', 3), 15)
                .arg(QString::number(l.lookups / l.plain, 'f', 2), 5)
                .arg(QString::number(l.read, 'f', 3), 26)
                .arg(english.toString(static_cast<qlonglong>(l.hits)), 18));
    }
    if (!lines.isEmpty()) {
        const Line& largest = lines.last();
        const double ratio = largest.lookups / largest.plain;
        const bool met = ratio <= kGoalLookupRatio;
        out(u"\ngoal: open with two lookups / without at %1 rows <= %2: %3 (%4)"_s
                .arg(english.toString(static_cast<qlonglong>(largest.rows)))
                .arg(kGoalLookupRatio, 0, 'f', 1)
                .arg(ratio, 0, 'f', 2)
                .arg(met ? u"met"_s : u"MISSED"_s));
        allOk = allOk && met;
    }
    return allOk;
}

int runLookupChild(const QString& targetPath, bool withLookups) {
    QTemporaryDir aliasDir;
    const QString aliasPath = aliasDir.filePath(u"Aliases.ini"_s);
    {
        QFile aliases(aliasPath);
        if (!aliasDir.isValid() || !aliases.open(QIODevice::WriteOnly) ||
            aliases.write(
                u"[BenchTarget]\nDriver=SQLITE\nDatabase=%1\n"_s.arg(targetPath).toUtf8()) < 0) {
            report(u"message"_s, u"cannot write the alias file %1"_s.arg(aliasPath));
            return 1;
        }
    }
    Messages messages;
    bool ok = false;
    try {
        // A project with one table setup over t, as the desktop program opens it.
        qm::TPrjDataSaved project;
        project.SetSourceDBAlias(u"BenchTarget"_s);
        project.SetDestDBAlias(u"BenchTarget"_s);
        qm::TDM dm({nullptr, nullptr, nullptr, nullptr}, messages);
        dm.session().setAliasFilePath(aliasPath);
        qm::MemData& tables = dm.TablesMemData();
        const qm::TDM::TableFields& tf = dm.tableFields();
        tables.open();
        tables.append();
        tables.setAsText(tf.Name, u"bench"_s);
        tables.setAsText(tf.SourceQuerySQL, u"SELECT * FROM t"_s);
        tables.setAsText(tf.DestQuerySQL, u"SELECT * FROM t"_s);
        tables.setAsText(tf.PrimaryKeySpec, u"id"_s);
        tables.setAsText(tf.DestTableName, u"t"_s);
        tables.post();
        qm::TFrameNodeData& node = qm::ProjectTableSetups::AddTableSetup(project, tables);
        if (withLookups) {
            qm::MemData values(u"ParamsMemData"_s);
            qm::ProjectTableSetups::CreateLookupDefinitionFields(values);
            values.open();
            const QStringList defs[] = {
                {u"Quantity"_s, u"qty"_s, u"lk_qty"_s, u"code"_s, u"label"_s},
                {u"Name"_s, u"name"_s, u"lk_name"_s, u"name"_s, u"label"_s}};
            for (const QStringList& d : defs) {
                values.append();
                int i = 0;
                for (const char16_t* field : {u"LookupName", u"FieldName", u"LookupTableName",
                                              u"LookupKeyFieldName", u"LookupDisplayFieldName"}) {
                    values.setAsText(values.fieldIndex(QString::fromUtf16(field)), d[i++]);
                }
                values.post();
                qm::ProjectTableSetups::AddLookupDefinition(node, values);
            }
        }
        dm.LoadTableSetups(project);
        dm.ConnectTarget();

        QElapsedTimer timer;
        timer.start();
        dm.OpenTarget();
        const qint64 openNs = timer.nsecsElapsed();
        qm::MemData& d = dm.DestMemData();
        ok = d.isOpen();
        report(u"open_seconds"_s, QString::number(static_cast<double>(openNs) / 1e9, 'f', 6));
        report(u"rows"_s, QString::number(d.recordCount()));

        // Every lookup cell read once, as a grid scrolled over all rows would.
        std::vector<int> lookupColumns;
        for (int f = 0; f < d.fieldCount(); ++f) {
            if (d.field(f).kind == qm::FieldKind::Lookup) {
                lookupColumns.push_back(f);
            }
        }
        if (withLookups && lookupColumns.size() != 2) {
            ok = false;
        }
        timer.start();
        std::int64_t hits = 0;
        for (int p = 0; p < d.recordCount(); ++p) {
            for (const int f : lookupColumns) {
                hits += d.refAt(p, f).null ? 0 : 1;
            }
        }
        report(u"read_seconds"_s,
               QString::number(static_cast<double>(timer.nsecsElapsed()) / 1e9, 'f', 6));
        report(u"hits"_s, QString::number(hits));
    } catch (const qm::SilentAbort&) {
        ok = false;
    } catch (const qm::Error& e) {
        messages.showError(e.message());
        ok = false;
    }
    for (const QString& m : messages.texts) {
        report(u"message"_s, m);
    }
    report(u"ok"_s, ok ? u"1"_s : u"0"_s);
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace qmbench
