#include "document/WidgetDocumentPrompts.h"

#include "report/KzError.h"
#include "shared/FileTypeIconProvider.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

BoxButton ask(const QString& text, QList<BoxButton> buttons) {
    BoxRequest box;
    box.kind = BoxKind::Confirmation;
    box.text = text;
    box.buttons = std::move(buttons);
    return MessageBoxes::current().show(box).button;
}

}  // namespace

QString WidgetDocumentPrompts::fileFilter() {
    return u"Quillmere Project (QMP) (*.QMP *.qmp)"_s;
}

QString WidgetDocumentPrompts::withDefaultSuffix(const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty()) {
        return fileName;
    }
    // Where letter case tells files apart, "shop" still means the project
    // that is there, whether it is called shop.qmp or shop.QMP; only a new
    // name gets ".QMP".
    const QFileInfo named(fileName + u".QMP"_s);
    const QDir folder = named.absoluteDir();
    const QStringList present =
        folder.entryList({named.fileName()}, QDir::Files | QDir::Hidden | QDir::System);
    return present.isEmpty() ? named.filePath() : folder.filePath(present.constFirst());
}

BoxButton WidgetDocumentPrompts::askSaveChanges(const QString& text) {
    return ask(text, {BoxButton::Yes, BoxButton::No, BoxButton::Cancel});
}

BoxButton WidgetDocumentPrompts::askReplace(const QString& text) {
    return ask(text, {BoxButton::Ok, BoxButton::Cancel});
}

bool WidgetDocumentPrompts::queryOpenFileName(QString& fileName) {
    FileTypeIconProvider icons;  // outlives the dialog
    QFileDialog dialog(parent_, QString(), lastFolder_, fileFilter());
    FileTypeIconProvider::install(dialog, icons);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The extension is added below, in whichever letter case the file has;
    // a name that is not there is reported by the caller.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = withDefaultSuffix(dialog.selectedFiles().constFirst());
    lastFolder_ = QFileInfo(fileName).absolutePath();
    return true;
}

bool WidgetDocumentPrompts::querySaveFileName(QString& fileName) {
    FileTypeIconProvider icons;  // outlives the dialog
    QFileDialog dialog(parent_, QString(), lastFolder_, fileFilter());
    FileTypeIconProvider::install(dialog, icons);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The document handler asks about replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = withDefaultSuffix(dialog.selectedFiles().constFirst());
    lastFolder_ = QFileInfo(fileName).absolutePath();
    return true;
}

void WidgetDocumentPrompts::showMessage(const QString& text) {
    TkzError::instance().MyMsg(text, QString());
}

}  // namespace qm
