#pragma once

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace qm::test {

/// Points the per-user store and the program folder of a test program at
/// empty temporary folders: nothing of the machine's own settings leaks in
/// or is changed.
class TemporaryFolders : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        qputenv("QUILLMERE_HOME", home_.path().toUtf8());
    }

private:
    QTemporaryDir config_;
    QTemporaryDir home_;
};

}  // namespace qm::test
