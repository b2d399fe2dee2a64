#pragma once

#include <QStringList>

namespace qm::cli {

/// `quillmere-cli script`: opens one table setup, runs "Copy, change and
/// delete records to match source" and writes the statements that make the
/// target equal the source.
int runScript(const QStringList& arguments);

/// `quillmere-cli execute`: executes a script file on the target in one
/// transaction.
int runExecute(const QStringList& arguments);

}  // namespace qm::cli
