#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace qm {

QString programFolder() {
    const QString home = qEnvironmentVariable("QUILLMERE_HOME");
    if (!home.isEmpty()) {
        return QDir::toNativeSeparators(QDir::cleanPath(home));
    }
    // Without an application object the executable's folder is not known;
    // the current folder stands in for it.
    if (QCoreApplication::instance()) {
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    }
    return QDir::toNativeSeparators(QDir::currentPath());
}

QString programFile(const QString& name) {
    return QDir::toNativeSeparators(QDir(programFolder()).filePath(name));
}

}  // namespace qm
