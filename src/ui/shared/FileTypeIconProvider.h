#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>

class QFileDialog;

namespace qm {

/// Icons and type names for file dialogs from a file's kind and name only.
/// Qt's own provider sniffs each file's content to tell its type, and a
/// read of some special files never returns (/proc/kmsg, a FIFO on some
/// Qt versions): the dialog would hang listing their folder, and hang again
/// when closed, since it waits for the thread that lists the folder.
class FileTypeIconProvider : public QFileIconProvider {
public:
    FileTypeIconProvider();

    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

    /// Makes `dialog` use `provider`, which must outlive it. The dialog is
    /// Qt's own, not the platform's, so that no dialog reads content either.
    static void install(QFileDialog& dialog, FileTypeIconProvider& provider);

private:
    QMimeDatabase mimeTypes_;
};

}  // namespace qm
