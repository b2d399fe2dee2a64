#pragma once

#include <QString>

namespace qm {
class TPrjData;
class TPrjDataSaved;
}  // namespace qm

namespace qm::cli {

/// Loads a project file into a freshly constructed project with the
/// loader the desktop program uses. Before that it refuses what the loader
/// would quietly read as an empty project: a missing or unreadable file, a
/// file without a [Nodes] section, a node count that is not a number. On
/// failure prints "Cannot open project "FILE":" and the reason to standard
/// error and returns false.
bool loadProject(const QString& path, TPrjDataSaved& project);

/// Saves the project to `path`. The project is first written beside it to
/// a new file of unpredictable name and loaded back; only a file that loads
/// back with the same content then replaces `path`, atomically, so a
/// failure leaves the previous file untouched. Prints the reason and returns
/// false on failure. A path that is a device or FIFO is refused.
bool saveProject(TPrjDataSaved& project, const QString& path);

/// A text value as a project file gives it back however often it is saved
/// and loaded: line breaks as CR LF, no final line break. Values are stored
/// in this form, so that the file loads back with exactly what was asked
/// for.
QString storedForm(const QString& value);

/// Whether the project holds an alias setting (SourceDBAlias or
/// DestDBAlias) that is set and not empty; prints why not to standard error
/// when it does not.
bool hasAlias(TPrjData& project, const QString& path, const QString& setting);

}  // namespace qm::cli
