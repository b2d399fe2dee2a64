#pragma once

#include "app/TMainForm.h"
#include "commands/TActionsDM.h"
#include "document/DocumentPrompts.h"
#include "document/TMainDM.h"
#include "document/TPrjView.h"
#include "engine/TDM.h"
#include "models/MemDataModel.h"
#include "prefs/OptionsForm.h"
#include "report/PrjMsgViewer.h"
#include "ui/UiTestSupport.h"
#include "ui/commands/ScriptedCommandPrompts.h"
#include "window/MergeGrids.h"
#include "window/WindowEngineAdapter.h"

#include <QBrush>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace qm::test {

/// Document prompts answered from a script: the save question with the
/// given buttons (then No), the file dialogs with the given names (empty:
/// cancelled). Every question and message is recorded.
class ScriptedPrompts : public DocumentPrompts {
public:
    QList<BoxButton> saveAnswers;
    QString openName;
    QString saveName;
    QStringList asked;

    BoxButton askSaveChanges(const QString& text) override {
        asked << text;
        return saveAnswers.isEmpty() ? BoxButton::No : saveAnswers.takeFirst();
    }
    BoxButton askReplace(const QString& text) override {
        asked << text;
        return BoxButton::Ok;
    }
    bool queryOpenFileName(QString& fileName) override {
        fileName = openName;
        return !fileName.isEmpty();
    }
    bool querySaveFileName(QString& fileName) override {
        fileName = saveName;
        return !fileName.isEmpty();
    }
    void showMessage(const QString& text) override { asked << text; }
};

/// The program's modules in their start-up order, with the main window not
/// yet shown, in a temporary current folder (the default files go there).
class MainWindowHarness {
public:
    MainWindowHarness() {
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(folder_.path());
        previousTitle_ = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
        app.attachEngine(engine);
        actions.setPrompts(&commandPrompts);
        form = std::make_unique<TMainForm>(app, engine, actions, adapter);
    }
    ~MainWindowHarness() {
        form.reset();
        QDir::setCurrent(previousFolder_);
        QCoreApplication::setApplicationName(previousTitle_);
    }
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    /// Shows the window and runs what it queued for after its showing.
    void show() {
        form->show();
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
    QString path(const QString& name) const { return folder_.filePath(name); }
    TPrjView* project() const { return app.project(); }

private:
    QTemporaryDir folder_;
    QString previousFolder_;
    QString previousTitle_;

public:
    ScriptedPrompts prompts;
    ScriptedCommandPrompts commandPrompts;
    TMainDM app{prompts};
    WindowEngineAdapter adapter;
    TDM engine{adapter.ports(), TPrjMsgViewer::instance()};
    TActionsDM actions;
    std::unique_ptr<TMainForm> form;
};

/// Sets the start-up preferences as the preferences dialog holds them.
inline void setStartupPreferences(bool loadLast, const QString& lastProject, bool createNew) {
    Preferences prefs = TOptionsForm::instance().preferences();
    prefs.loadLastProjectAtStartup = loadLast;
    prefs.lastProject = lastProject;
    prefs.autoCreateEmptyProjectAtStartup = createNew;
    TOptionsForm::instance().setPreferences(prefs);
}

/// Main window tests leave the preferences as a first run has them.
class MainWindowTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        setStartupPreferences(true, QString(), false);
    }
    void TearDown() override {
        setStartupPreferences(true, QString(), false);
        UiTest::TearDown();
    }
};

/// The background of the target grid's cell of `field` in the row whose
/// integer column `keyField` holds `key`; invalid (and a failure) when the
/// grid shows no such row.
inline QColor targetCellColour(MainWindowHarness& h, int key, const QString& field,
                               const QString& keyField = QStringLiteral("k")) {
    MemDataModel& model = h.form->grids().model(Side::Target);
    MemData& list = h.engine.DestMemData();
    for (int row = 0; row < model.rowCount(); ++row) {
        const int pos = model.listPosition(row);
        if (pos >= 0 && list.refAt(pos, list.fieldIndex(keyField)).i == key) {
            const QVariant bg = model.index(row, model.columnOfField(list.fieldIndex(field)))
                                    .data(Qt::BackgroundRole);
            return bg.isValid() ? bg.value<QBrush>().color() : QColor();
        }
    }
    ADD_FAILURE() << "no target row " << key;
    return {};
}

}  // namespace qm::test
