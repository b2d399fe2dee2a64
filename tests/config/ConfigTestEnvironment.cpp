#include "support/TemporaryFolders.h"

#include <gtest/gtest.h>

namespace {

[[maybe_unused]] auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new qm::test::TemporaryFolders);

}  // namespace
