#include "shared/FileTypeIconProvider.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace qm {

FileTypeIconProvider::FileTypeIconProvider() {
    // A folder's own icon setting would be read from a file inside it.
    setOptions(QFileIconProvider::DontUseCustomDirectoryIcons);
}

QIcon FileTypeIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot()) {
        return icon(QFileIconProvider::Drive);
    }
    return icon(info.isDir() ? QFileIconProvider::Folder : QFileIconProvider::File);
}

QString FileTypeIconProvider::type(const QFileInfo& info) const {
    if (info.isRoot()) {
        return QGuiApplication::translate("QAbstractFileIconProvider", "Drive");
    }
    if (info.isDir()) {
        return QGuiApplication::translate("QAbstractFileIconProvider", "Folder");
    }
    // By name only (and the kind of a special file, from its status):
    // nothing is opened.
    const QMimeType mime = mimeTypes_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

void FileTypeIconProvider::install(QFileDialog& dialog, FileTypeIconProvider& provider) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog.setIconProvider(&provider);
}

}  // namespace qm
