#include "SqliteEngineFixture.h"

#include "common/Cancellation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

constexpr int kRows = 3000;

// A table of kRows rows: the source's NAME holds an integer in one row
// past the middle, so that column turns Variant while it is read; the
// target differs in some rows, lacks the last 200 and has 100 of its own.
QStringList sourceTable(const QString& table) {
    return {u"CREATE TABLE %1 (ID INTEGER, NAME TEXT, QTY REAL)"_s.arg(table),
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO %1 SELECT i, CASE WHEN i = 1700 THEN 42 ELSE 'name ' || i END, "
            "i * 0.5 FROM n"_s.arg(table)
                .arg(kRows)};
}

QStringList targetTable(const QString& table) {
    return {u"CREATE TABLE %1 (ID INTEGER, NAME TEXT, QTY REAL, NOTE TEXT)"_s.arg(table),
            u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO %1 SELECT i, CASE WHEN i % 7 = 0 THEN 'other' ELSE 'name ' || i END, "
            "CASE WHEN i % 11 = 0 THEN NULL ELSE i * 0.5 END, 'n' FROM n"_s.arg(table)
                .arg(kRows - 200),
            u"WITH RECURSIVE n(i) AS (SELECT %2 UNION ALL SELECT i + 1 FROM n WHERE i < %3) "
            "INSERT INTO %1 SELECT i, 'extra', 1, 'n' FROM n"_s.arg(table)
                .arg(kRows + 1)
                .arg(kRows + 100)};
}

// Waits (at most a few seconds, so that a fault fails instead of hanging)
// until a condition holds.
template <typename Condition>
void waitFor(Condition done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Everything opening leaves behind that a person or a script sees.
struct Snapshot {
    QStringList source;
    QStringList target;
    QStringList sourceColumns;
    QStringList targetColumns;
    QString statistics;
    QString sourceCount;
    QString targetCount;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(EngineHarness& h) {
    MemData& s = h.dm.SourceMemData();
    MemData& t = h.dm.DestMemData();
    Snapshot shot{EngineHarness::rows(s, EngineHarness::columnNames(s)),
                  EngineHarness::rows(t, EngineHarness::columnNames(t)),
                  EngineHarness::columnNames(s),
                  EngineHarness::columnNames(t),
                  h.view.statistics(),
                  h.view.counts.value(Side::Source),
                  h.view.counts.value(Side::Target)};
    return shot;
}

// The statements that make the target equal to the source.
QStringList script(EngineHarness& h) {
    h.dm.ChangeDataToEqualSource();
    h.view.script.clear();
    h.dm.ScriptCurrentTableSetup(true);
    return h.view.script;
}

// Answers the engine's question whether to stop, as a window's Cancel
// button would; records the progress it is shown.
class StopButton final : public BusyPort {
public:
    void progress(const QString& text) override { texts << text; }
    bool cancelRequested() override {
        asked = true;
        return pressed;
    }
    QStringList texts;
    std::atomic<bool> asked{false};
    bool pressed = false;
};

class BothSidesReadTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(sourceTable(u"c"_s), targetTable(u"c"_s));
        configure({u"SELECT * FROM c ORDER BY ID"_s, u"SELECT * FROM c ORDER BY ID"_s, u"ID"_s});
        h.dm.setPorts({&h.view, &h.view, &stop, &h.view});
    }
    OpenBothOutcome openBoth() { return h.dm.OpenBoth(); }

    StopButton stop;
};

// Reading both sides at once gives what reading one after the other gives,
// whichever side is held back and however far the other gets meanwhile.
TEST_F(BothSidesReadTest, GivesTheListsMarksAndScriptOfReadingOneSideAfterTheOther) {
    EngineHarness sequential(folder.aliasFile());
    sequential.configure(
        u"Src"_s, u"Dst"_s,
        {u"SELECT * FROM c ORDER BY ID"_s, u"SELECT * FROM c ORDER BY ID"_s, u"ID"_s});
    ASSERT_TRUE(sequential.openSource());
    ASSERT_TRUE(sequential.openTarget());
    const Snapshot expected = snapshot(sequential);
    const QStringList expectedScript = script(sequential);
    ASSERT_TRUE(sequential.view.errors.isEmpty());
    ASSERT_EQ(expected.source.size(), kRows);
    ASSERT_GT(expectedScript.size(), 300);

    struct Case {
        const char* name;
        // The side that waits at its row 100 until the other has read `until` rows.
        std::optional<Side> held;
        std::size_t until;
    };
    for (const Case& c : {Case{"free", std::nullopt, 0}, Case{"source held", Side::Source, 2000},
                          Case{"target held", Side::Target, 2500}}) {
        SCOPED_TRACE(c.name);
        std::atomic<std::size_t> read[2] = {0, 0};
        h.dm.setRowReadHook([&](Side side, std::size_t rows) {
            read[side == Side::Source ? 0 : 1] = rows;
            if (c.held == side && rows == 100) {
                const auto& other = read[side == Side::Source ? 1 : 0];
                waitFor([&] { return other.load() >= c.until; });
            }
        });
        const OpenBothOutcome outcome = openBoth();
        EXPECT_TRUE(outcome.opened());
        EXPECT_EQ(outcome.source.records, kRows);
        EXPECT_EQ(outcome.target.records, kRows - 100);
        EXPECT_TRUE(h.view.errors.isEmpty()) << h.view.errors.join(u'\n').toStdString();
        EXPECT_TRUE(snapshot(h) == expected);
        EXPECT_EQ(script(h), expectedScript);
    }
}

// Two readers of one SQLite file, each on its own connection.
TEST_F(BothSidesReadTest, ReadsBothSidesFromOneFile) {
    AliasFolder one;
    QStringList statements = sourceTable(u"s"_s);
    statements << targetTable(u"t"_s);
    one.addSqlite(u"Both"_s, statements);
    EngineHarness both(one.aliasFile());
    both.configure(u"Both"_s, u"Both"_s,
                   {u"SELECT * FROM s ORDER BY ID"_s, u"SELECT * FROM t ORDER BY ID"_s, u"ID"_s});
    const OpenBothOutcome outcome = both.dm.OpenBoth();
    EXPECT_TRUE(outcome.opened());
    ASSERT_TRUE(openBoth().opened());
    EXPECT_EQ(snapshot(both).source, snapshot(h).source);
    EXPECT_EQ(snapshot(both).target, snapshot(h).target);
    EXPECT_EQ(both.view.statistics(), h.view.statistics());
}

// A query that fails part way (SQLite stops at the overflow of row 2000)
// leaves both lists as they were and says which side failed, as opening
// that side alone says it.
TEST_F(BothSidesReadTest, AFailureWhileReadingLeavesBothListsAsTheyWere) {
    const QString failing =
        u"SELECT ID, CASE WHEN ID = 2000 THEN abs(ID - 2000 - 9223372036854775807 - 1) ELSE NAME "
        u"END AS NAME "
        "FROM c ORDER BY ID"_s;
    for (const Side side : {Side::Source, Side::Target}) {
        SCOPED_TRACE(side == Side::Source ? "source" : "target");
        h.view.errors.clear();
        configure({u"SELECT * FROM c ORDER BY ID"_s, u"SELECT * FROM c ORDER BY ID"_s, u"ID"_s});
        ASSERT_TRUE(openBoth().opened());
        const Snapshot before = snapshot(h);

        // The same query opened alone gives the message expected.
        EngineHarness alone(folder.aliasFile());
        alone.configure(u"Src"_s, u"Dst"_s, {failing, failing, u"ID"_s});
        EXPECT_FALSE(side == Side::Source ? alone.openSource() : alone.openTarget());
        ASSERT_EQ(alone.view.errors.size(), 1);

        configure(side == Side::Source
                      ? TableSetup{failing, u"SELECT * FROM c ORDER BY ID"_s, u"ID"_s}
                      : TableSetup{u"SELECT * FROM c ORDER BY ID"_s, failing, u"ID"_s});
        const OpenBothOutcome outcome = openBoth();
        EXPECT_FALSE(outcome.source.opened);
        EXPECT_FALSE(outcome.target.opened);
        EXPECT_EQ(h.view.errors, alone.view.errors);
        EXPECT_TRUE(h.view.errors.value(0).contains(u"integer overflow"_s));
        EXPECT_TRUE(snapshot(h) == before);
        EXPECT_EQ(h.dm.RecordCount(Side::Source), kRows);
    }
}

// A stop while both sides are read raises Cancelled, with both lists as they
// were; the progress named both sides meanwhile.
TEST_F(BothSidesReadTest, AStopWhileReadingLeavesBothListsAsTheyWere) {
    ASSERT_TRUE(openBoth().opened());
    const Snapshot before = snapshot(h);
    const QStringList scriptBefore = script(h);
    ASSERT_TRUE(openBoth().opened());

    // The target waits for the question, so that it comes while reading.
    h.dm.setRowReadHook([&](Side side, std::size_t rows) {
        if (side == Side::Target && rows == 500) {
            waitFor([&] { return stop.asked.load(); });
        }
    });
    stop.asked = false;  // the opens above asked too
    stop.pressed = true;
    stop.texts.clear();
    EXPECT_THROW(openBoth(), Cancelled);
    EXPECT_TRUE(stop.asked);
    EXPECT_TRUE(snapshot(h) == before);
    EXPECT_TRUE(h.view.errors.isEmpty()) << h.view.errors.join(u"|"_s).toStdString();
    ASSERT_FALSE(stop.texts.isEmpty());
    EXPECT_TRUE(stop.texts.first().startsWith(u"Loading source: "_s))
        << stop.texts.first().toStdString();
    EXPECT_TRUE(stop.texts.first().contains(u" rows, target: "_s));
    EXPECT_EQ(stop.texts.last(), QString());

    // The lists still work as before.
    stop.pressed = false;
    h.dm.setRowReadHook({});
    EXPECT_EQ(script(h), scriptBefore);
}

}  // namespace
}  // namespace qm::test
