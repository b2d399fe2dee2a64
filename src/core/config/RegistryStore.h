#pragma once

#include <QSettings>
#include <memory>

namespace qm::RegistryStore {

/// The per-user settings store: the per-user registry on Windows, elsewhere
/// the INI file "registry.conf" in the per-user configuration folder
/// ("Quillmere" below the folder QStandardPaths names; tests point it at a
/// temporary folder).
std::unique_ptr<QSettings> open();

/// The file behind the store where it is a file, else the empty text.
QString filePath();

/// A registry key path such as "\Software\kazmo\Quillmere" as a group path
/// of the store ("Software/kazmo/Quillmere"); runs of "\" count as one.
QString groupPath(const QString& keyPath);

}  // namespace qm::RegistryStore
