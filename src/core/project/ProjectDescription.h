#pragma once

#include <QString>

namespace qm {

class TPrjData;

/// The project as readable text (what `quillmere-cli project show` prints):
/// the two aliases, then every table setup in project order with its key,
/// target table, script flag, comparison rules (when it has some), both
/// queries and its lookup definitions. Lines end in LF;
/// continuation lines of a multi-line value are indented under its first
/// line. The text depends only on the project's content, so it also tells
/// whether a written file reads back the same.
QString describeProject(TPrjData& project);

}  // namespace qm
