#include "list/MemData.h"

#include <gtest/gtest.h>

TEST(MemDataSmoke, OpensEmpty) {
    qm::MemData m(QStringLiteral("M"));
    m.open();
    EXPECT_EQ(m.recordCount(), 0);
}
