// The main window's life cycle: first showing, closing and destruction.

#include "app/TMainForm.h"

#include "app/StartupChoice.h"
#include "commands/TActionsDM.h"
#include "common/Errors.h"
#include "config/JobLog.h"
#include "document/TMainDM.h"
#include "shared/UnhandledFailure.h"

#include "document/MruMenu.h"
#include "document/TPrjView.h"
#include "document/TkzEditorDocHandler.h"
#include "document/TkzMRUFileList.h"
#include "engine/TDM.h"
#include "prefs/OptionsForm.h"
#include "report/KzError.h"
#include "window/InDatabaseBinding.h"
#include "window/LegendStrip.h"
#include "window/MergeGrids.h"
#include "window/StatusStrip.h"
#include "window/TSplashScreen.h"
#include "window/TableSetupBinding.h"
#include "window/TkzFormViewController.h"
#include "window/WindowEngineAdapter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const QString kFormClass = u"TMainForm"_s;

}  // namespace

void TMainForm::setSplash(TSplashScreen* splash) {
    splash_ = splash;
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TMainForm::FormShow() {
    TPrjJobLog& log = TPrjJobLog::instance();
    log.EnterAt(kFormClass, u"FormShow"_s, 2);
    try {
        log.ActionAt(u"Restoring old layout"_s, 2);
        {
            const UpdateLockScope lock(updates_);
            placement_->Restore();
        }
        {
            const UpdateLockScope lock(updates_);
            log.ActionAt(u"Use old location"_s, 2);
            log.ActionAt(u"Auto open or new"_s, 2);
            const Preferences& prefs = TOptionsForm::instance().preferences();
            const StartupChoice choice =
                decideStartup({prefs.loadLastProjectAtStartup, prefs.lastProject,
                               prefs.autoCreateEmptyProjectAtStartup},
                              [](const QString& path) { return QFileInfo(path).isFile(); });
            // Both requests run once the window is on screen and painted.
            if (choice == StartupChoice::OpenLastProject) {
                QMetaObject::invokeMethod(this, &TMainForm::OpenLastProjectRequest,
                                          Qt::QueuedConnection);
            } else if (choice == StartupChoice::NewProject) {
                QMetaObject::invokeMethod(this, &TMainForm::NewProjectRequest,
                                          Qt::QueuedConnection);
            }
            engine_.PrepareTableLists(true);
        }
        UpdateUI();
        status_->setStatusText(u"Ready"_s);
    } catch (const SilentAbort&) {
        showFailed(u"Operation aborted"_s);
    } catch (const Error& e) {
        showFailed(e.message());
    } catch (const std::exception& e) {
        showFailed(QString::fromLocal8Bit(e.what()));
    }
    if (splash_) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (splash_)
                    splash_->takeFocus();
            },
            Qt::QueuedConnection);
    }
    log.LeaveAt(kFormClass, u"FormShow"_s, 2);
}

void TMainForm::showFailed(const QString& message) {
    terminating_ = true;
    emit terminationRequested();
    try {
        TkzError::instance().RuntimeError(u"Failed during init (%1)"_s.arg(message),
                                          u"TMainForm.FormShow"_s);
    } catch (const Error& report) {
        showUnhandledError(report.message());
    }
}

void TMainForm::OpenLastProjectRequest() {
    if (terminating_) {
        return;  // the showing failed: the program is ending
    }
    runReporting([this] { app_.docHandler().PrjOpen(TOptionsForm::instance().lastProject()); });
    UpdateUI();
}

void TMainForm::NewProjectRequest() {
    if (terminating_) {
        return;
    }
    actions_.execute(CommandId::PrjNew);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    runReporting([&] { canClose = FormCloseQuery(); });
    if (!canClose) {
        event->ignore();
        return;
    }
    runReporting([this] { FormClose(); });
    event->accept();
}

bool TMainForm::FormCloseQuery() {
    if (app_.project() != nullptr) {
        return app_.docHandler().CloseQuery();
    }
    engine_.SaveDefaultFiles();
    return true;
}

void TMainForm::FormClose() {
    TPrjJobLog& log = TPrjJobLog::instance();
    log.EnterAt(kFormClass, u"FormClose"_s, 2);
    legend_->setTerminating(true);
    mruMenu_.reset();
    app_.recentFiles().OnMRUItemClick = nullptr;
    disconnect(focusWatch_);
    TPrjView* view = app_.project();
    TOptionsForm& prefs = TOptionsForm::instance();
    prefs.setLastProject(view ? view->FileName() : QString());
    prefs.snapshot();
    placement_->Snapshot();
    app_.docHandler().DoPrjClose();
    log.LeaveAt(kFormClass, u"FormClose"_s, 2);
}

TMainForm::~TMainForm() {
    disconnect(focusWatch_);
    actions_.setContext(nullptr);
    adapter_.detach();
    app_.showProjectPanel = nullptr;
    app_.recentFiles().OnMRUItemClick = nullptr;
    app_.recentFiles().SaveToStore();
    mruMenu_.reset();
    inDatabase_.reset();
    binding_.reset();
    grids_.reset();
}

}  // namespace qm
