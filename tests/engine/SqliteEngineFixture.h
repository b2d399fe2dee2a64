#pragma once

#include "support/EngineHarness.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

namespace qm::test {

/// Two SQLite databases, aliases "Src" and "Dst", and an engine using them.
class SqliteEngineTest : public ::testing::Test {
protected:
    void makeDatabases(const QStringList& sourceSql, const QStringList& targetSql) {
        folder.addSqlite(QStringLiteral("Src"), sourceSql);
        folder.addSqlite(QStringLiteral("Dst"), targetSql);
    }
    void configure(const TableSetup& setup) {
        h.configure(QStringLiteral("Src"), QStringLiteral("Dst"), setup);
    }
    MemData& source() { return h.dm.SourceMemData(); }
    MemData& target() { return h.dm.DestMemData(); }

    AliasFolder folder;
    EngineHarness h{folder.aliasFile()};
};

}  // namespace qm::test
