#include "document/ShortenPath.h"

using namespace Qt::StringLiterals;

namespace qm {

QString DropFirstFolder(const QString& folder, QChar separator) {
    if (folder == QString(separator)) {
        return {};
    }
    const QString dots = u"..."_s + separator;
    QString rest = folder;
    const bool rooted = rest.startsWith(separator);
    if (rooted) {
        rest.remove(0, 1);
    }
    // The mark of an earlier drop is no folder of its own. (Only the whole
    // mark is taken off: a folder whose name starts with "." stays.)
    if (rest.startsWith(dots)) {
        rest.remove(0, dots.size());
    }
    const qsizetype cut = rest.indexOf(separator);
    if (cut < 0) {
        return {};
    }
    rest = dots + rest.mid(cut + 1);
    return rooted ? separator + rest : rest;
}

QString ShortenPath(const QString& path, int maxWidth,
                    const std::function<int(const QString&)>& textWidth, QChar separator) {
    QString drive;
    QString rest = path;
    if (path.size() >= 2 && path[1] == u':') {
        drive = path.left(2);
        rest = path.mid(2);
    }
    const qsizetype lastSep = rest.lastIndexOf(separator);
    QString folder = lastSep < 0 ? QString() : rest.left(lastSep + 1);
    const QString name = rest.mid(lastSep + 1);

    const QString rootDots = separator + u"..."_s + separator;
    while ((!drive.isEmpty() || !folder.isEmpty()) && textWidth(drive + folder + name) > maxWidth) {
        if (folder == rootDots) {
            drive.clear();
            folder = u"..."_s + separator;
        } else if (!folder.isEmpty()) {
            folder = DropFirstFolder(folder, separator);
        } else {
            drive.clear();
        }
    }
    return drive + folder + name;
}

}  // namespace qm
