#pragma once

#include <QString>

namespace qm {

/// The folder the program keeps its own files in (global defaults, job log,
/// element styles): the folder named by the environment variable
/// QUILLMERE_HOME when it is set and not empty, else the executable's
/// folder. Without an application object the executable's folder is not
/// known and the current folder stands in for it.
QString ProgramFolder();

/// A path below the program's folder, with the platform's separators.
QString ProgramFolderPath(const QString& relative);

}  // namespace qm
