// The project loader fuzz target's corpus as a regression test: every input
// the fuzzer kept goes through the same checks in the ordinary build.

#include "../../fuzz/ProjectLoaderOracle.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

TEST(ProjectLoaderCorpus, EveryInputLoadsOrFailsCleanlyAndRoundTrips) {
    const QDir corpus(QStringLiteral(QUILLMERE_SOURCE_DIR) + u"/fuzz/corpus/ProjectLoader"_s);
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(qm::fuzz::checkProjectLoader(file.readAll()).toStdString(), std::string())
            << name.toStdString();
    }
}

}  // namespace
