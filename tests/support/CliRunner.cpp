#include "support/CliRunner.h"

#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

namespace qm::test {

/// Runs the command-line tool with a clean environment: no alias file or
/// password from the caller, plus the given variables.
CliResult runCli(const QStringList& args, const QStringList& env) {
    ensureCoreApplication();
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(u"QUILLMERE_ALIASES"_s);
    e.remove(u"QUILLMERE_PASSWORD"_s);
    for (const QString& kv : env) {
        e.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    }
    p.setProcessEnvironment(e);
    p.start(QString::fromUtf8(QUILLMERE_CLI_PATH), args);
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << "quillmere-cli did not finish";
        p.kill();
        p.waitForFinished();
        return {};
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

}  // namespace qm::test
