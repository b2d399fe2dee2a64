// After a failure the engine is left as it was before the failing step:
// marks, statistics, copies, positions, display and connections.
#include "SqliteEngineFixture.h"
#include "common/Errors.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QSqlDatabase>
#include <QSqlDriver>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

class FailureRecoveryTest : public SqliteEngineTest {};

// The source's null key stops the comparison after the target rows were
// already matched: none of those matches may be kept.
TEST_F(FailureRecoveryTest, FailedSourceOpenKeepsTheTargetsMarksStatisticsAndCopy) {
    makeDatabases({u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                   u"INSERT INTO t VALUES (1,'a'),(2,'x'),(NULL,'n')"_s},
                  {u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                   u"INSERT INTO t VALUES (1,'a'),(2,'b'),(3,'c')"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    ASSERT_TRUE(h.openTarget());
    const QStringList columns{u"id"_s, u"OnlyInDest"_s, u"Difference"_s};
    const QStringList before = EngineHarness::rows(target(), columns);
    const QString statsBefore = h.view.statistics();
    (void)h.dm.DestMemDataCopy();  // read once, as a grid would

    EXPECT_FALSE(h.openSource());
    EXPECT_FALSE(source().isOpen());
    EXPECT_EQ(EngineHarness::rows(target(), columns), before);
    EXPECT_EQ(h.view.statistics(), statsBefore);
    EXPECT_EQ(EngineHarness::rows(h.dm.DestMemDataCopy(), columns), before);
}

// A saved position whose row was deleted meanwhile gives way to the first
// row; the display is unfrozen all the same.
TEST_F(FailureRecoveryTest, PoppingAPositionOfADeletedRowGoesToTheFirstRow) {
    makeDatabases(
        {u"CREATE TABLE t (id INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1,'a')"_s},
        {u"CREATE TABLE t (id INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1,'a'),(2,'b')"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    MemData& d = target();
    d.last();
    h.dm.PushTargetPosition();
    d.deleteRow();
    EXPECT_NO_THROW(h.dm.PopTargetPosition());
    EXPECT_TRUE(h.dm.TargetPositions().isEmpty());
    EXPECT_FALSE(d.controlsDisabled());
    EXPECT_EQ(d.position(), 0);
}

int openStatements(TDM& dm) {
    const QVariant handle = dm.SourceDatabase().database().driver()->handle();
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    int n = 0;
    for (sqlite3_stmt* s = sqlite3_next_stmt(db, nullptr); s; s = sqlite3_next_stmt(db, s)) {
        ++n;
    }
    return n;
}

// A query that fails after it was prepared leaves no statement behind, so
// the connection can still be closed and its file released.
TEST_F(FailureRecoveryTest, FailedSqliteQueriesLeaveNoStatementOpen) {
    makeDatabases({u"CREATE TABLE t (id INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1,'a')"_s},
                  {u"CREATE TABLE t (id INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1,'a')"_s});
    for (const QString& sql :
         {u"SELECT abs(-9223372036854775807 - 1) AS id"_s, u"CREATE TABLE zz (a)"_s}) {
        SCOPED_TRACE(sql.toStdString());
        configure({sql, u"SELECT * FROM t"_s, u"id"_s});
        h.openSource();
        EXPECT_FALSE(source().isOpen());
        EXPECT_EQ(openStatements(h.dm), 0);
    }
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    EXPECT_TRUE(h.openSource());
}

}  // namespace
}  // namespace qm::test
