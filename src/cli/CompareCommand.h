#pragma once

#include <QStringList>

namespace qm::cli {

/// `quillmere-cli compare`: opens the source, then the target of one table
/// setup given on the command line and prints the record-count texts and
/// the five statistics texts. Given a project file instead, does so for each
/// chosen table setup of the project, in project order.
int runCompare(const QStringList& arguments);

}  // namespace qm::cli
