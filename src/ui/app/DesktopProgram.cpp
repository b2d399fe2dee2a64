#include "app/DesktopProgram.h"

#include "app/TMainForm.h"
#include "boxes/WidgetMessageBoxes.h"
#include "commands/TActionsDM.h"
#include "config/Config.h"
#include "dialogs/LoginDialog.h"
#include "document/TMainDM.h"
#include "document/WidgetDocumentPrompts.h"
#include "engine/TDM.h"
#include "prefs/OptionsForm.h"
#include "report/PrjMsgViewer.h"
#include "window/TSplashScreen.h"
#include "window/WindowEngineAdapter.h"

#include <QApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace qm {

const char* DesktopProgram::trueColourMessage() {
    return "This program was designed for use in true colour display mode.\n"
           "If possible, change the display mode to true color mode.\n"
           "This will give better performance and better image quality.\n\n"
           "You can use the system's display settings to change the display mode.";
}

void DesktopProgram::checkColourDepth(int bitsPerPixel) {
    if (bitsPerPixel <= 8) {
        TPrjMsgViewer::instance().ShowInfo(QString::fromLatin1(trueColourMessage()), true);
    }
}

DesktopProgram::DesktopProgram() : boxes_(std::make_unique<WidgetMessageBoxes>()) {
    MessageBoxes::install(boxes_.get());
    // The preferences exist, with their stored values, before anything else.
    TOptionsForm::instance();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        checkColourDepth(screen->depth());
    }
    QCoreApplication::setApplicationName(u"Quillmere"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    prompts_ = std::make_unique<WidgetDocumentPrompts>();
    mainDM_ = std::make_unique<TMainDM>(*prompts_);
    adapter_ = std::make_unique<WindowEngineAdapter>();
    engine_ = std::make_unique<TDM>(adapter_->ports(), TPrjMsgViewer::instance());
    login_ = std::make_unique<LoginDialog>();
    engine_->session().setLoginPrompt(login_.get());
    mainDM_->attachEngine(*engine_);
    if (TPrjConfig::instance().ShowSplash()) {
        splash_ = std::make_unique<TSplashScreen>();
        QObject::connect(splash_.get(), &TSplashScreen::terminateRequested, qApp, [this] {
            terminateRequested_ = true;
            QCoreApplication::exit(0);
        });
        splash_->showNow();
    }
    actions_ = std::make_unique<TActionsDM>();
    form_ = std::make_unique<TMainForm>(*mainDM_, *engine_, *actions_, *adapter_);
    form_->setSplash(splash_.get());
    QObject::connect(
        form_.get(), &TMainForm::terminationRequested, qApp, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
}

DesktopProgram::~DesktopProgram() {
    form_.reset();
    actions_.reset();
    splash_.reset();
    engine_.reset();
    mainDM_.reset();
    MessageBoxes::install(nullptr);
}

int DesktopProgram::run() {
    if (terminateRequested_) {
        return 0;
    }
    form_->show();
    if (form_->terminating()) {
        return 1;
    }
    return QApplication::exec();
}

}  // namespace qm
