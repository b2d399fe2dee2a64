#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace qm {

QString programFolder() {
    const QString home = qEnvironmentVariable("QUILLMERE_HOME");
    if (!home.isEmpty()) {
        return home;
    }
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationDirPath();
    }
    return QDir::currentPath();
}

QString programFile(const QString& name) {
    return QDir(programFolder()).filePath(name);
}

}  // namespace qm
