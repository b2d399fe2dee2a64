#pragma once

#include <QStringList>

namespace qm::cli {

/// Exit codes of the command-line tool.
enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

/// `quillmere-cli compare`: opens the source, then the target of one table
/// setup given on the command line and prints the record-count texts and
/// the five statistics texts.
int runCompare(const QStringList& arguments);

}  // namespace qm::cli
