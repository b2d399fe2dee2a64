#pragma once

#include <QString>

namespace qm {

class TPrjData;
class TPrjDataSaved;

/// Why a project file could not be opened or saved. Empty when it could.
/// The headline names the file ("Cannot open project "FILE":"); the reason
/// may span several lines, as the loader and the read-back give it.
struct ProjectFileProblem {
    QString headline;
    QString reason;

    bool ok() const { return headline.isEmpty(); }
    /// Headline and reason in one text, as a message box shows it.
    QString message() const { return headline + u'\n' + reason; }
};

/// Loads a project file into a freshly constructed project with the
/// project's own loader. Before that it refuses what the loader would
/// quietly read as an empty project: a missing file or a folder; the loader
/// itself refuses unreadable and malformed files (no [Nodes] section, a
/// node count that is not a number, counts that do not match the sections),
/// and comparison rules that cannot be read are refused after it (see
/// checkComparisonRules).
ProjectFileProblem loadProjectFile(const QString& path, TPrjDataSaved& project);

/// Reads the comparison rules of every table setup of the project; raises
/// Error naming the first table setup whose rules are unknown or malformed
/// (and the rule). loadProjectFile refuses such a file with this message.
void checkComparisonRules(TPrjData& project);

/// Saves the project to `path`. The project is first written beside it to
/// a new file of unpredictable name and loaded back; only a file that loads
/// back with the same content then replaces `path`, atomically, so a
/// failure leaves the previous file untouched. A path that is a device or
/// FIFO is refused. On success the project takes `path` as its file name.
ProjectFileProblem saveProjectFile(TPrjDataSaved& project, const QString& path);

/// A text value as a project file gives it back however often it is saved
/// and loaded: line breaks as CR LF, no final line break. Values are stored
/// in this form, so that the file loads back with exactly what was asked
/// for.
QString storedForm(const QString& value);

/// How a value given for a table setup or lookup would be stored.
enum class StoredValue {
    Usable,
    /// Nothing is left once stored (an empty text or a single line break).
    Empty,
    /// Only blanks: a query that selects nothing, a key read back as no key,
    /// a name read back as no name. Each would fail only when used.
    OnlyBlanks,
};
StoredValue checkStoredValue(const QString& value);

/// Why the project cannot be used for a comparison on account of an alias
/// setting (SourceDBAlias or DestDBAlias) that is not set or empty; "" when
/// it is set. `path` names the project in the message.
QString missingAliasProblem(TPrjData& project, const QString& path, const QString& setting);

}  // namespace qm
