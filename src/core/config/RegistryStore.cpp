#include "config/RegistryStore.h"

#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qm::RegistryStore {

QString filePath() {
#ifdef Q_OS_WIN
    return QString();
#else
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(u"Quillmere/registry.conf"_s);
#endif
}

std::unique_ptr<QSettings> open() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(u"HKEY_CURRENT_USER"_s, QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(filePath(), QSettings::IniFormat);
#endif
}

QString groupPath(const QString& keyPath) {
    QStringList parts = keyPath.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'/');
}

}  // namespace qm::RegistryStore
