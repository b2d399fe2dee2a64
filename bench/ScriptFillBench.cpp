// quillmere-script-bench: "Make script for current merge tab" with a big
// merge. Makes a source SQLite file of N rows and an empty target, opens both
// in the main window (offscreen), marks every source row for copying, then
// measures in the same process, median of R runs:
//   - the window: the command until the script editor holds every statement
//     and the window has painted;
//   - the baseline: the engine writing the same statements to a file (its
//     script lines sent to a file instead of the editor, flushed and closed).
// Goal: the window at most 2 times the file. Exits with 1 when the goal is
// missed or a step fails. With --line-by-line it also times the same lines
// appended to an editor one at a time, for comparison.
//   quillmere-script-bench [--rows N] [--repeat R] [--line-by-line]
#include "app/TMainForm.h"
#include "commands/TActionsDM.h"
#include "commands/WidgetCommandPrompts.h"
#include "document/DocumentPrompts.h"
#include "document/TMainDM.h"
#include "document/TkzEditorDocHandler.h"
#include "engine/TDM.h"
#include "report/PrjMsgViewer.h"
#include "window/DatabaseTab.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"
#include "window/WindowEngineAdapter.h"

#include <sqlite3.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double kGoalRatio = 2.0;

void out(const QString& text) {
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

bool makeDatabase(const QString& path, int rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = sqlite3_exec(db,
                           "CREATE TABLE t (k INTEGER PRIMARY KEY, name TEXT, qty INTEGER, "
                           "price REAL, note TEXT); BEGIN",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?, ?, ?, ?)", -1, &insert,
                                  nullptr) == SQLITE_OK;
    for (int k = 1; ok && k <= rows; ++k) {
        const QByteArray name = u"Item %1"_s.arg(k).toUtf8();
        const QByteArray note = u"note for row %1 with 'quotes'"_s.arg(k).toUtf8();
        sqlite3_bind_int(insert, 1, k);
        sqlite3_bind_text(insert, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, k % 97);
        sqlite3_bind_double(insert, 4, k * 0.25);
        sqlite3_bind_text(insert, 5, note.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

/// No document question is ever asked in the run; each gets its default.
class QuietPrompts : public qm::DocumentPrompts {
public:
    qm::BoxButton askSaveChanges(const QString&) override { return qm::BoxButton::No; }
    qm::BoxButton askReplace(const QString&) override { return qm::BoxButton::Ok; }
    bool queryOpenFileName(QString&) override { return false; }
    bool querySaveFileName(QString&) override { return false; }
    void showMessage(const QString& text) override { out(u"message: "_s + text); }
};

/// The window's ports, whose script lines can go to a file instead.
class SwitchableAdapter : public qm::WindowEngineAdapter {
public:
    QFile* file = nullptr;
    void clear() override {
        if (!file) {
            WindowEngineAdapter::clear();
        }
    }
    void appendLine(const QString& line) override {
        if (file) {
            file->write(line.toUtf8());
            file->write("\r\n", 2);
        } else {
            WindowEngineAdapter::appendLine(line);
        }
    }
    void show() override {
        if (!file) {
            WindowEngineAdapter::show();
        }
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double secondsSince(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir folder;
    // The program's per-user settings go to the temporary folder, not the user's.
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QApplication app(argc, argv);
    int rows = 70000;
    int repeat = 3;
    bool lineByLine = false;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--rows"_s && i + 1 < args.size()) {
            rows = args[++i].toInt();
        } else if (args[i] == u"--repeat"_s && i + 1 < args.size()) {
            repeat = std::max(1, args[++i].toInt());
        } else if (args[i] == u"--line-by-line"_s) {
            lineByLine = true;
        } else {
            out(u"usage: quillmere-script-bench [--rows N] [--repeat R] [--line-by-line]"_s);
            return 2;
        }
    }
    if (!folder.isValid() || !makeDatabase(folder.filePath(u"Src.db"_s), rows) ||
        !makeDatabase(folder.filePath(u"Dst.db"_s), 0)) {
        out(u"cannot make the databases"_s);
        return 1;
    }
    QFile aliases(folder.filePath(u"Aliases.ini"_s));
    if (!aliases.open(QIODevice::WriteOnly) ||
        aliases.write("[Src]\nDriver=SQLITE\nDatabase=Src.db\n[Dst]\nDriver=SQLITE\n"
                      "Database=Dst.db\n") < 0 ||
        !aliases.flush()) {
        out(u"cannot write the alias file"_s);
        return 1;
    }
    aliases.close();

    QuietPrompts prompts;
    qm::WidgetCommandPrompts commandPrompts;
    qm::TMainDM module(prompts);
    SwitchableAdapter adapter;
    qm::TDM engine(adapter.ports(), qm::TPrjMsgViewer::instance());
    qm::TActionsDM actions;
    module.attachEngine(engine);
    actions.setPrompts(&commandPrompts);
    engine.session().setAliasFilePath(aliases.fileName());
    auto form = std::make_unique<qm::TMainForm>(module, engine, actions, adapter);
    form->resize(1200, 800);
    form->show();
    QCoreApplication::processEvents();
    module.docHandler().New();
    form->UpdateUI();
    // Typed as the user does: the fields store what is edited in them.
    const auto type = [](QLineEdit& edit, const QString& text) {
        edit.setText(text);
        Q_EMIT edit.textEdited(text);
    };
    type(form->databaseTab().aliasEdit(qm::Side::Source), u"Src"_s);
    type(form->databaseTab().aliasEdit(qm::Side::Target), u"Dst"_s);
    qm::MergeTab& merge = form->mergeTab();
    type(merge.keyEdit(), u"k"_s);
    type(merge.destTableEdit(), u"t"_s);
    for (const qm::Side side : {qm::Side::Source, qm::Side::Target}) {
        merge.side(side).queryEditor().setPlainText(u"SELECT * FROM t ORDER BY k"_s);
    }
    QCoreApplication::processEvents();
    actions.execute(qm::CommandId::OpenBothSourceAndTarget);
    actions.execute(qm::CommandId::CopySourceOnlyRecordsToDest);
    QCoreApplication::processEvents();
    if (!engine.DestMemData().isOpen() ||
        engine.Counts().value_or(qm::ComparisonCounts{}).inserts != rows) {
        out(u"the merge did not mark %1 rows for copying"_s.arg(rows));
        return 1;
    }

    QPlainTextEdit& editor = form->scriptTab().ScriptMemo();
    std::vector<double> windowTimes;
    std::vector<double> fileTimes;
    int lines = 0;
    qint64 fileBytes = 0;
    for (int run = 0; run < repeat; ++run) {
        form->bringTabToFront(qm::WindowTab::Merge);
        editor.clear();
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        actions.execute(qm::CommandId::MakeScript);
        lines = form->scriptTab().ScriptMemo().blockCount();
        form->repaint();
        windowTimes.push_back(secondsSince(t));

        QFile file(folder.filePath(u"script.sql"_s));
        t.restart();
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            out(u"cannot write "_s + file.fileName());
            return 1;
        }
        adapter.file = &file;
        engine.ScriptCurrentTableSetup(true);
        adapter.file = nullptr;
        const bool flushed = file.flush();
        fileBytes = file.size();
        file.close();
        fileTimes.push_back(secondsSince(t));
        if (!flushed) {
            out(u"cannot write "_s + file.fileName());
            return 1;
        }
    }
    const double windowSeconds = median(windowTimes);
    const double fileSeconds = median(fileTimes);
    const double ratio = windowSeconds / fileSeconds;
    out(u"statements %1 (editor lines %2, file %3 bytes)"_s.arg(rows).arg(lines).arg(fileBytes));
    out(u"window_seconds %1\nfile_seconds %2\nratio %3 (goal at most %4)"_s
            .arg(windowSeconds, 0, 'f', 4)
            .arg(fileSeconds, 0, 'f', 4)
            .arg(ratio, 0, 'f', 2)
            .arg(kGoalRatio, 0, 'f', 1));
    if (lineByLine) {
        const QStringList text = editor.toPlainText().split(u'\n');
        QPlainTextEdit single;
        single.setLineWrapMode(QPlainTextEdit::NoWrap);
        single.resize(800, 600);
        single.show();
        QElapsedTimer t;
        t.start();
        for (const QString& line : text) {
            single.appendPlainText(line);
        }
        single.repaint();
        out(u"line_by_line_seconds %1"_s.arg(secondsSince(t), 0, 'f', 4));
        QPlainTextEdit whole;
        whole.setLineWrapMode(QPlainTextEdit::NoWrap);
        whole.resize(800, 600);
        whole.show();
        t.restart();
        whole.setPlainText(text.join(u'\n'));
        whole.repaint();
        out(u"one_block_seconds %1"_s.arg(secondsSince(t), 0, 'f', 4));
    }
    const bool ok = lines == rows + 1 && ratio <= kGoalRatio;
    form.reset();
    return ok ? 0 : 1;
}
