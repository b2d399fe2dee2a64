#pragma once

#include <QStringList>

namespace qm::cli {

/// `quillmere-cli project SUBCOMMAND FILE`: creates a project file, appends
/// table setups and lookup definitions to one, or shows what it holds.
/// Every file written is loaded back before it replaces the old one.
int runProject(const QStringList& arguments);

}  // namespace qm::cli
