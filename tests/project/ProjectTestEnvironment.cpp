#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

// The program folder (global defaults, element styles) of these tests is an
// empty temporary folder, so that no file of the machine leaks in.
class ProgramFolderEnvironment : public ::testing::Environment {
public:
    void SetUp() override { qputenv("QUILLMERE_HOME", dir_.path().toUtf8()); }

private:
    QTemporaryDir dir_;
};

[[maybe_unused]] auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ProgramFolderEnvironment);

}  // namespace
