#pragma once

#include <QString>

namespace qm {

/// The program's folder: the folder of the executable, unless the
/// environment variable QUILLMERE_HOME names another. Files such as the
/// global defaults, the job log and the element styles live there.
QString programFolder();

/// A file (or a relative path) in the program's folder, with the
/// platform's separators.
QString programFile(const QString& name);

}  // namespace qm
