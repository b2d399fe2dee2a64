#include "styles/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace qm {

QString ProgramFolder() {
    const QString home = qEnvironmentVariable("QUILLMERE_HOME");
    if (!home.isEmpty()) {
        return QDir::toNativeSeparators(QDir::cleanPath(home));
    }
    if (QCoreApplication::instance()) {
        return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    }
    return QDir::toNativeSeparators(QDir::currentPath());
}

QString ProgramFolderPath(const QString& relative) {
    return QDir::toNativeSeparators(QDir(ProgramFolder()).filePath(relative));
}

}  // namespace qm
