#include "commands/WidgetCommandPrompts.h"

#include "shared/FileTypeIconProvider.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const QStringList& saveFilters() {
    static const QStringList filters{u"SQL text files (*.SQL)"_s, u"Text files (*.TXT)"_s};
    return filters;
}

}  // namespace

bool WidgetCommandPrompts::inputQuery(const QString& caption, const QString& prompt,
                                      QString& text) {
    bool ok = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, text, &ok);
    if (ok) {
        text = answer;
    }
    return ok;
}

void WidgetCommandPrompts::beep() {
    QApplication::beep();
}

int WidgetCommandPrompts::execDialog(QDialog& dialog) {
    return dialog.exec();
}

bool WidgetCommandPrompts::openScriptFileName(QString& fileName) {
    FileTypeIconProvider icons;  // outlives the dialog
    QFileDialog dialog(QApplication::activeWindow(), u"Select a SQL script file"_s);
    FileTypeIconProvider::install(dialog, icons);
    dialog.setNameFilters({u"SQL text files (*.SQL *.sql)"_s, u"Text Files (*.TXT *.txt)"_s});
    dialog.setDefaultSuffix(u"SQL"_s);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool WidgetCommandPrompts::saveScriptFileName(QString& fileName, int& filterIndex) {
    FileTypeIconProvider icons;  // outlives the dialog
    QFileDialog dialog(QApplication::activeWindow());
    FileTypeIconProvider::install(dialog, icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The command completes the extension and asks about replacing.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(saveFilters());
    dialog.selectNameFilter(saveFilters().value(filterIndex));
    if (!fileName.isEmpty()) {
        dialog.selectFile(fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = dialog.selectedFiles().constFirst();
    filterIndex = std::max(0, static_cast<int>(saveFilters().indexOf(dialog.selectedNameFilter())));
    return true;
}

bool WidgetCommandPrompts::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

}  // namespace qm
