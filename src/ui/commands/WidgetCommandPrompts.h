#pragma once

#include "shared/CommandPrompts.h"

namespace qm {

/// The command prompts on screen: QInputDialog, QFileDialog, the platform
/// beep and QDesktopServices.
class WidgetCommandPrompts : public CommandPrompts {
public:
    bool inputQuery(const QString& caption, const QString& prompt, QString& text) override;
    void beep() override;
    int execDialog(QDialog& dialog) override;
    bool openScriptFileName(QString& fileName) override;
    bool saveScriptFileName(QString& fileName, int& filterIndex) override;
    bool openUrl(const QUrl& url) override;
};

}  // namespace qm
