#pragma once

#include <QStringList>

namespace qm::cli {

/// `quillmere-cli script`: opens one table setup, runs "Copy, change and
/// delete records to match source" and writes the statements that make the
/// target equal the source. Given a project file instead, writes the blocks
/// of the chosen table setups one after the other, in project order.
int runScript(const QStringList& arguments);

/// `quillmere-cli execute`: executes a script file on the target (given by
/// alias, or a project's target alias) in one transaction.
int runExecute(const QStringList& arguments);

}  // namespace qm::cli
