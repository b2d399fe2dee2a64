#pragma once

#include <QByteArray>
#include <QString>

namespace qm {

class TPrjData;

/// The clipboard format of project nodes: the text of a project file.
inline constexpr char kNodesMimeType[] = "application/x-quillmere-nodes";

/// The helper file that clipboard node data passes through: the system's
/// temporary folder followed by "Quillmere Clipboard Helper File.qmn".
QString clipboardHelperFile();

/// Appends every node of clipboard node data to a project, as new nodes
/// after its last one, and returns how many. The data goes through the
/// helper file and is read as a project file; the project is changed only
/// when the whole data read. Raises Error when the helper file cannot be
/// written (a path there that is not a regular file is never replaced) or
/// the data is not a project.
int pasteNodes(TPrjData& project, const QByteArray& data);

}  // namespace qm
