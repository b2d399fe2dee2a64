#pragma once

#include <QFileInfo>
#include <QString>

namespace qm {

/// The bare file name a media path is stored under when the file lies in
/// the project file's folder (so that the project can move together with its
/// media files); empty when the path is stored as it is.
inline QString bareNameBesideProject(const QString& path, const QString& projectFile) {
    if (path.isEmpty() || projectFile.isEmpty()) {
        return QString();
    }
    const QFileInfo media(path);
    if (media.fileName() == path || media.path() != QFileInfo(projectFile).path()) {
        return QString();
    }
    return media.fileName();
}

}  // namespace qm
