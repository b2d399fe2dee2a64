#pragma once

#include <QString>

namespace qm {
class TPrjData;
class TPrjDataSaved;
}  // namespace qm

namespace qm::cli {

/// Loads a project file (see loadProjectFile). On failure prints "Cannot
/// open project "FILE":" and the reason to standard error and returns false.
bool loadProject(const QString& path, TPrjDataSaved& project);

/// Saves the project with read-back (see saveProjectFile). Prints the reason
/// to standard error and returns false on failure.
bool saveProject(TPrjDataSaved& project, const QString& path);

/// Whether the project holds an alias setting (SourceDBAlias or
/// DestDBAlias) that is set and not empty; prints why not to standard error
/// when it does not.
bool hasAlias(TPrjData& project, const QString& path, const QString& setting);

}  // namespace qm::cli
