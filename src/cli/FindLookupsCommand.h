#pragma once

#include <QStringList>

namespace qm::cli {

/// `quillmere-cli project find-lookups FILE`: proposes lookup definitions
/// from the column names of the table setups' target queries, prints them
/// as a table and, with --apply, adds them to the project file.
int runFindLookups(const QStringList& arguments);

}  // namespace qm::cli
