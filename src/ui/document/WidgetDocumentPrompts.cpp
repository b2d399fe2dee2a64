#include "document/WidgetDocumentPrompts.h"

#include "report/KzError.h"

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
    return fileName + u".QMP"_s;
}

BoxButton WidgetDocumentPrompts::askSaveChanges(const QString& text) {
    return ask(text, {BoxButton::Yes, BoxButton::No, BoxButton::Cancel});
}

BoxButton WidgetDocumentPrompts::askReplace(const QString& text) {
    return ask(text, {BoxButton::Ok, BoxButton::Cancel});
}

bool WidgetDocumentPrompts::queryOpenFileName(QString& fileName) {
    QFileDialog dialog(parent_, QString(), QString(), fileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(u"QMP"_s);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool WidgetDocumentPrompts::querySaveFileName(QString& fileName) {
    QFileDialog dialog(parent_, QString(), QString(), fileFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(u"QMP"_s);
    // The document handler asks about replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    // Also for dialogs of the desktop that ignore the default suffix.
    fileName = withDefaultSuffix(dialog.selectedFiles().constFirst());
    return true;
}

void WidgetDocumentPrompts::showMessage(const QString& text) {
    TkzError::instance().MyMsg(text, QString());
}

}  // namespace qm
