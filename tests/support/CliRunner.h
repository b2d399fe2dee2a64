#pragma once

#include <QString>
#include <QStringList>

namespace qm::test {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

/// Runs the built quillmere-cli with a clean environment (no alias file or
/// password from the caller) plus the given "NAME=value" variables.
CliResult runCli(const QStringList& args, const QStringList& env = {});

}  // namespace qm::test
