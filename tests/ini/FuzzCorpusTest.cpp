// The fuzz targets' corpora as regression tests: every input the fuzzers
// kept goes through the same checks in the ordinary build.

#include "../../fuzz/ElementStylesOracle.h"
#include "../../fuzz/IniReaderOracle.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct FuzzTarget {
    const char* name;  // the corpus folder fuzz/corpus/<name>/
    QString (*check)(const QByteArray& bytes);
};

void PrintTo(const FuzzTarget& t, std::ostream* os) {
    *os << t.name;
}

class FuzzCorpus : public testing::TestWithParam<FuzzTarget> {};

TEST_P(FuzzCorpus, EveryInputPassesTheChecks) {
    const QDir corpus(QStringLiteral(QUILLMERE_SOURCE_DIR) + u"/fuzz/corpus/"_s +
                      QLatin1String(GetParam().name));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no corpus in " << corpus.path().toStdString();
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(GetParam().check(file.readAll()).toStdString(), std::string())
            << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus,
                         testing::Values(FuzzTarget{"IniReader", &fuzz::checkIniReader},
                                         FuzzTarget{"ElementStyles", &fuzz::checkElementStyles}),
                         [](const testing::TestParamInfo<FuzzTarget>& target) {
                             return std::string(target.param.name);
                         });

}  // namespace
}  // namespace qm::test
