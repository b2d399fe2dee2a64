// quillmere-project-bench: times saving and loading projects of many table
// setups with lookup definitions, against two baselines measured in the same
// run on the same file: reading the file's lines, and reading it with
// QSettings' INI format.

#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

constexpr double kGoalSeconds = 1.0;  // load and save of 1,000 setups x 10 lookups, each below

void out(const QString& text) {
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void fill(TPrjDataSaved& p, int setups, int lookups) {
    // Built node by node as loading builds it: no relinking of media
    // references after each node, which would make large sizes take minutes
    // before anything is timed.
    p.Loading = true;
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(u"DST"_s);
    for (int i = 0; i < setups; ++i) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
        TPropValueList& n = node->props();
        const QString table = u"TABLE_%1"_s.arg(i);
        n.setString(u"Name"_s, u"Setup %1"_s.arg(i));
        n.setString(u"SourceQuerySQL"_s,
                    u"SELECT id, name, \"value\"\r\nFROM "_s + table + u"\r\nWHERE a = 'x, y'"_s);
        n.setString(u"DestQuerySQL"_s, u"SELECT * FROM "_s + table);
        n.setString(u"PrimaryKeySpec"_s, u"id;name"_s);
        n.setString(u"DestTableName"_s, table);
        n.setInteger(u"DisplayOrder"_s, i + 1);
        n.setBoolean(u"ScriptOn"_s, i % 3 != 0);
        n.setBoolean(u"ScriptTableChanged"_s, false);
        auto& frame = dynamic_cast<TFrameNodeData&>(*node);
        for (int j = 0; j < lookups; ++j) {
            TPropValueList& o = frame.AddObject(1).props();
            o.setString(u"LookupName"_s, u"Lookup %1"_s.arg(j));
            o.setString(u"FieldName"_s, u"FIELD_%1"_s.arg(j));
            o.setString(u"LookupTableName"_s, u"LOOKUP_%1"_s.arg(j));
            o.setString(u"LookupKeyFieldName"_s, u"ID"_s);
            o.setString(u"LookupDisplayFieldName"_s, u"NAME"_s);
            o.setString(u"CustomLookupSQLQuery"_s,
                        j % 2 ? u"SELECT ID, NAME\r\nFROM L"_s : QString());
        }
        p.InsertNode(i, std::move(node));
    }
    p.Loading = false;
}

double best(int repeat, const std::function<void()>& f) {
    double bestSeconds = std::numeric_limits<double>::max();
    for (int r = 0; r < repeat; ++r) {
        QElapsedTimer t;
        t.start();
        f();
        bestSeconds = std::min(bestSeconds, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return bestSeconds;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Times saving and loading large projects."_s);
    parser.addHelpOption();
    const QCommandLineOption setupsOption(
        u"setups"_s, u"Comma-separated project sizes. Default: 100,1000,5000."_s, u"N"_s,
        u"100,1000,5000"_s);
    const QCommandLineOption lookupsOption(u"lookups"_s, u"Lookups per table setup. Default: 10."_s,
                                           u"N"_s, u"10"_s);
    const QCommandLineOption repeatOption(
        u"repeat"_s, u"Runs per figure (best kept). Default: 3."_s, u"N"_s, u"3"_s);
    parser.addOptions({setupsOption, lookupsOption, repeatOption});
    parser.process(app);
    const int lookups = parser.value(lookupsOption).toInt();
    const int repeat = std::max(1, parser.value(repeatOption).toInt());

    QTemporaryDir dir;
    bool ok = true;
    out(u"setups | lookups | file KB | save s | load s | lines s | QSettings s | "
        u"load/lines | load/QSettings"_s);
    for (const QString& size : parser.value(setupsOption).split(u',')) {
        const int setups = size.toInt();
        const QString path = dir.filePath(u"p%1.qmp"_s.arg(setups));
        TPrjDataSaved project;
        fill(project, setups, lookups);
        const double save = best(repeat, [&] { project.SaveToFile(path); });
        int loadedObjects = 0;
        int loadedNodes = 0;
        const double load = best(repeat, [&] {
            TPrjDataSaved back;
            back.LoadFromIniFile(path);
            loadedNodes = back.NodeCount();
            loadedObjects = 0;
            for (int i = 0; i < back.NodeCount(); ++i) {
                loadedObjects += dynamic_cast<TFrameNodeData&>(*back.GetItem(i)).ObjectCount();
            }
        });
        qsizetype lineCount = 0;
        const double lines = best(repeat, [&] {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) {
                lineCount = QString::fromUtf8(f.readAll()).split(u"\r\n"_s).size();
            }
        });
        qsizetype keyCount = 0;
        const double qsettings = best(repeat, [&] {
            QSettings s(path, QSettings::IniFormat);
            keyCount = 0;
            for (const QString& key : s.allKeys()) {
                keyCount += s.value(key).isValid() ? 1 : 0;
            }
        });
        const bool right = loadedNodes == setups && loadedObjects == setups * lookups;
        ok = ok && right;
        out(u"%1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9%10"_s.arg(setups)
                .arg(lookups)
                .arg(QFileInfo(path).size() / 1024)
                .arg(save, 0, 'f', 3)
                .arg(load, 0, 'f', 3)
                .arg(lines, 0, 'f', 3)
                .arg(qsettings, 0, 'f', 3)
                .arg(load / lines, 0, 'f', 1)
                .arg(load / qsettings, 0, 'f', 2)
                .arg(right ? QString() : u"  WRONG RESULT"_s));
        if (setups == 1000 && lookups == 10 && (save >= kGoalSeconds || load >= kGoalSeconds)) {
            out(u"goal missed: load and save of 1,000 setups with 10 lookups each below 1 s"_s);
            ok = false;
        }
        Q_UNUSED(lineCount);
        Q_UNUSED(keyCount);
    }
    return ok ? 0 : 1;
}
