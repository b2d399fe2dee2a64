#include "SqliteEngineFixture.h"

#include "common/Cancellation.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// id 1 equal, 2 and 3 differ in one column each, 4 only in the target,
// 5 only in the source.
const QStringList kSourceRows = {
    u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)"_s,
    u"INSERT INTO t VALUES (1, 'a', 10), (2, 'b', 20), (3, 'c', 30), (5, 'e', 50)"_s,
};
const QStringList kTargetRows = {
    u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)"_s,
    u"INSERT INTO t VALUES (1, 'a', 10), (2, 'B', 20), (3, 'c', 31), (4, 'd', 40)"_s,
};
const TableSetup kAllRows{u"SELECT * FROM t ORDER BY id"_s, u"SELECT * FROM t ORDER BY id"_s,
                          u"id"_s};

const QStringList kTargetMarks = {u"1|False|False"_s, u"2|False|True"_s, u"3|False|True"_s,
                                  u"4|True|False"_s};
const QStringList kSourceMarks = {u"1|False"_s, u"2|False"_s, u"3|False"_s, u"5|True"_s};
const QString kStats =
    u"No inserts | No updates | No deletes | Records with differences: 2 | Local records: 1"_s;

class CompareTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(kSourceRows, kTargetRows);
        configure(kAllRows);
    }
    QStringList targetMarks() {
        return EngineHarness::rows(target(), {u"id"_s, u"OnlyInDest"_s, u"Difference"_s});
    }
    QStringList sourceMarks() {
        return EngineHarness::rows(source(), {u"id"_s, u"OnlyInSource"_s});
    }
};

TEST_F(CompareTest, ListsGetFlagColumnsBeforeTheQueryFields) {
    h.view.notices.clear();
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(EngineHarness::columnNames(source()),
              (QStringList{u"RecId"_s, u"OnlyInSource"_s, u"id"_s, u"name"_s, u"qty"_s}));
    EXPECT_EQ(EngineHarness::columnNames(target()),
              (QStringList{u"RecId"_s, u"OnlyInDest"_s, u"NewField"_s, u"UpdateField"_s, u"Del"_s,
                           u"Difference"_s, u"id"_s, u"name"_s, u"qty"_s}));
    EXPECT_EQ(h.view.notices, (QStringList{u"createdSource"_s, u"createdTarget"_s}));
}

TEST_F(CompareTest, MarksAndStatisticsDoNotDependOnOpeningOrder) {
    for (const bool sourceFirst : {true, false}) {
        SCOPED_TRACE(sourceFirst ? "source first" : "target first");
        h.dm.CloseBoth();
        ASSERT_TRUE(h.openBoth(sourceFirst));
        EXPECT_TRUE(h.dm.Compared());
        EXPECT_EQ(targetMarks(), kTargetMarks);
        EXPECT_EQ(sourceMarks(), kSourceMarks);
        EXPECT_EQ(h.view.counts[Side::Source], u"4 records"_s);
        EXPECT_EQ(h.view.counts[Side::Target], u"4 records initially"_s);
        EXPECT_EQ(h.view.statistics(), kStats);
        EXPECT_EQ(h.view.messages(), QStringList());
    }
}

// A stop while either side's marks are worked out stores none: both lists
// keep the marks and statistics of the comparison before.
TEST_F(CompareTest, AStopLeavesBothSidesMarksAsTheyWere) {
    class StopOnAsk final : public BusyPort {
    public:
        explicit StopOnAsk(int stopAt) : stopAt_(stopAt) {}
        bool cancelRequested() override { return ++asked_ == stopAt_; }

    private:
        int stopAt_;
        int asked_ = 0;
    };
    ASSERT_TRUE(h.openBoth(true));
    // Under the new rules row 2 no longer differs and row 3 is ignored.
    MemData& tables = h.dm.TablesMemData();
    tables.edit();
    qm::TableSetup::setRulesInList(tables,
                                   ComparisonRules::parse(u"name: nocase; qty: ignore"_s, u"t"_s));
    tables.post();
    // Each side is asked once for its four rows: the first ask is the
    // target's, the second the source's.
    for (const int stopAt : {1, 2}) {
        SCOPED_TRACE(stopAt);
        StopOnAsk stop(stopAt);
        h.dm.setPorts({&h.view, &h.view, &stop, &h.view});
        EXPECT_THROW(h.dm.CompareAll(), Cancelled);
        h.dm.setPorts(h.view.ports());
        EXPECT_EQ(targetMarks(), kTargetMarks);
        EXPECT_EQ(sourceMarks(), kSourceMarks);
        EXPECT_EQ(statisticTexts(h.dm.TargetCounts()).differences,
                  u"Records with differences: 2"_s);
    }
    h.dm.CompareAll();
    EXPECT_EQ(targetMarks(), (QStringList{u"1|False|False"_s, u"2|False|False"_s,
                                          u"3|False|False"_s, u"4|True|False"_s}));
}

TEST_F(CompareTest, OneSideAloneMarksEveryRowLocal) {
    ASSERT_TRUE(h.openSource());
    EXPECT_FALSE(h.dm.Compared());
    EXPECT_EQ(sourceMarks(), (QStringList{u"1|True"_s, u"2|True"_s, u"3|True"_s, u"5|True"_s}));
    EXPECT_EQ(h.view.counts[Side::Source], u"4 records"_s);

    h.dm.CloseSource();
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
    ASSERT_TRUE(h.openTarget());
    EXPECT_FALSE(h.dm.Compared());
    EXPECT_EQ(targetMarks(), (QStringList{u"1|True|False"_s, u"2|True|False"_s, u"3|True|False"_s,
                                          u"4|True|False"_s}));
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | No dual records different | "
              "Local records: 4"_s);
}

TEST_F(CompareTest, ReopeningOneSideRemarksTheOther) {
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    // The source now holds the target's row 4 and lacks row 5 and the
    // differences; reopening it re-marks the open target.
    sqliteExec(
        folder.path(u"Src.db"_s),
        {u"DELETE FROM t WHERE id = 5"_s, u"INSERT INTO t VALUES (4, 'd', 40)"_s,
         u"UPDATE t SET name = 'B' WHERE id = 2"_s, u"UPDATE t SET qty = 31 WHERE id = 3"_s});
    ASSERT_TRUE(h.openSource());
    EXPECT_TRUE(h.dm.Compared());
    EXPECT_EQ(targetMarks(), (QStringList{u"1|False|False"_s, u"2|False|False"_s,
                                          u"3|False|False"_s, u"4|False|False"_s}));
    EXPECT_EQ(sourceMarks(), (QStringList{u"1|False"_s, u"2|False"_s, u"3|False"_s, u"4|False"_s}));
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | No dual records different | "
              "No records unique to target"_s);

    // Closing the source and reopening the target alone marks it all local.
    h.dm.CloseSource();
    ASSERT_TRUE(h.openTarget());
    EXPECT_FALSE(h.dm.Compared());
    EXPECT_EQ(statisticTexts(h.dm.Counts()).targetOnly, u"Local records: 4"_s);
}

TEST_F(CompareTest, SyncFollowsThePartnerRowOnlyAfterComparing) {
    ASSERT_TRUE(h.openTarget());
    target().moveTo(2);  // id 3
    h.dm.SyncSourceToTarget();
    h.dm.SyncTargetToSource();
    EXPECT_EQ(h.view.beeps, 0);

    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.dm.Compared());
    const int id = source().fieldIndex(u"id"_s);
    const int tid = target().fieldIndex(u"id"_s);
    target().moveTo(2);
    h.dm.SyncSourceToTarget();
    EXPECT_EQ(source().asInt(id), 3);
    EXPECT_EQ(h.view.beeps, 0);

    source().moveTo(1);  // id 2
    h.dm.SyncTargetToSource();
    EXPECT_EQ(target().asInt(tid), 2);
    EXPECT_EQ(h.view.beeps, 0);

    target().moveTo(3);  // id 4: not in the source
    source().moveTo(0);
    h.dm.SyncSourceToTarget();
    EXPECT_EQ(h.view.beeps, 1);
    EXPECT_EQ(source().asInt(id), 1);

    source().moveTo(3);  // id 5: not in the target
    h.dm.SyncTargetToSource();
    EXPECT_EQ(h.view.beeps, 2);
}

TEST_F(CompareTest, MatchingRowFindsThePartnerWithoutMovingOrTelling) {
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    source().moveTo(3);
    target().moveTo(1);
    // Target rows by position: ids 1, 2, 3, 4; the source holds 1, 2, 3, 5.
    const int expected[] = {0, 1, 2, -1};
    for (int pos = 0; pos < 4; ++pos) {
        EXPECT_EQ(h.dm.MatchingRow(source(), target(), pos), expected[pos]) << "target row " << pos;
    }
    EXPECT_EQ(h.dm.MatchingRow(target(), source(), 3), -1) << "id 5 is not in the target";
    EXPECT_EQ(h.dm.MatchingRow(source(), target(), 4), -1) << "no such row";
    EXPECT_EQ(source().position(), 3);
    EXPECT_EQ(target().position(), 1);

    // A key column that one list lacks matches nothing, and says nothing.
    configure({u"SELECT * FROM t ORDER BY id"_s, u"SELECT * FROM t ORDER BY id"_s, u"nokey"_s});
    ASSERT_TRUE(source().isOpen() && target().isOpen());
    EXPECT_EQ(h.dm.MatchingRow(source(), target(), 0), -1);
    EXPECT_TRUE(h.view.messages().isEmpty());
    EXPECT_EQ(h.view.beeps, 0);
}

TEST_F(CompareTest, EmptyResultsOpenWithNoCounts) {
    configure({u"SELECT * FROM t WHERE id < 0"_s, u"SELECT * FROM t WHERE id < 0"_s, u"id"_s});
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(source().recordCount(), 0);
    EXPECT_EQ(target().recordCount(), 0);
    EXPECT_EQ(h.view.counts[Side::Source], u"0 records"_s);
    EXPECT_EQ(h.view.counts[Side::Target], u"0 records initially"_s);
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | No dual records different | "
              "No records unique to target"_s);
    EXPECT_TRUE(h.view.messages().isEmpty());
}

TEST_F(CompareTest, CloseBothEmptiesTheStatistics) {
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    h.dm.CloseBoth();
    EXPECT_FALSE(source().isOpen());
    EXPECT_FALSE(target().isOpen());
    EXPECT_FALSE(h.dm.Counts());
    ASSERT_GT(h.view.statisticsNotices, 0);
    EXPECT_FALSE(h.view.statCounts) << "the window heard that the statistics were cleared";
    EXPECT_EQ(h.view.statistics(), u" |  |  |  | "_s);
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
    EXPECT_EQ(h.view.counts[Side::Target], u"Not open"_s);
}

// --- how values compare ---------------------------------------------------------------

struct ValueCase {
    const char* name;
    const char* sourceType;
    const char* sourceValue;
    const char* targetType;
    const char* targetValue;
    bool different;
};

class ValueCompareTest : public SqliteEngineTest,
                         public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueCompareTest, SameNamedColumnsDecideDifference) {
    const ValueCase& c = GetParam();
    const auto db = [](const char* type, const char* value) {
        return QStringList{u"CREATE TABLE t (id INTEGER, v %1)"_s.arg(QLatin1StringView(type)),
                           u"INSERT INTO t VALUES (1, %1)"_s.arg(QLatin1StringView(value))};
    };
    makeDatabases(db(c.sourceType, c.sourceValue), db(c.targetType, c.targetValue));
    configure(kAllRows);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(EngineHarness::column(target(), u"Difference"_s),
              QStringList{c.different ? u"True"_s : u"False"_s});
    EXPECT_EQ(EngineHarness::column(target(), u"OnlyInDest"_s), QStringList{u"False"_s});
    EXPECT_TRUE(h.view.messages().isEmpty()) << h.view.messages().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueCompareTest,
    ::testing::Values(ValueCase{"EqualText", "TEXT", "'abc'", "TEXT", "'abc'", false},
                      ValueCase{"CaseDiffers", "TEXT", "'abc'", "TEXT", "'ABC'", true},
                      ValueCase{"TrailingBlank", "TEXT", "'abc'", "TEXT", "'abc '", true},
                      ValueCase{"NullVsEmptyText", "TEXT", "NULL", "TEXT", "''", true},
                      ValueCase{"EmptyTextVsNull", "TEXT", "''", "TEXT", "NULL", true},
                      ValueCase{"NullVsNull", "TEXT", "NULL", "TEXT", "NULL", false},
                      ValueCase{"NullVsValue", "INTEGER", "NULL", "INTEGER", "0", true},
                      ValueCase{"IntegerVsReal", "INTEGER", "5", "REAL", "5.0", false},
                      ValueCase{"IntegerVsFraction", "INTEGER", "5", "REAL", "5.5", true},
                      ValueCase{"BigIntegers", "INTEGER", "9007199254740993", "INTEGER",
                                "9007199254740992", true},
                      ValueCase{"TextVsNumber", "TEXT", "'5'", "INTEGER", "5", false},
                      // A TEXT column stores a number of a column without a
                      // declared type as SQLite's text of it: a target that
                      // already holds that text needs no change.
                      ValueCase{"UntypedIntegerVsItsText", "", "5", "TEXT", "'5'", false},
                      ValueCase{"UntypedWholeRealVsItsText", "", "7.0", "TEXT", "'7.0'", false},
                      ValueCase{"UntypedRealVsItsFifteenDigits", "", "0.30000000000000004", "TEXT",
                                "'0.3'", false},
                      ValueCase{"UntypedIntegerVsOtherText", "", "6", "TEXT", "'6.0'", true},
                      ValueCase{"UntypedRealVsOtherText", "", "1e20", "TEXT", "'1e20'", true},
                      ValueCase{"UntypedBlobVsText", "", "X'35'", "TEXT", "'5'", true},
                      ValueCase{"UntypedIntegerVsTextWithoutAffinity", "", "5", "", "'5'", true},
                      ValueCase{"UntypedIntegerVsTextInCollatedColumn", "", "5",
                                "TEXT COLLATE NOCASE", "'5'", false}),
    [](const auto& param) { return std::string(param.param.name); });

// --- keys -------------------------------------------------------------------------------

const QStringList kOrderLines = {
    u"CREATE TABLE lines (OrderNo INTEGER, LineNo INTEGER, item TEXT)"_s,
    u"INSERT INTO lines VALUES (1, 1, 'a'), (1, 2, 'b'), (2, 1, 'c')"_s,
};

class KeyTest : public SqliteEngineTest {};

TEST_F(KeyTest, SeveralKeyFieldsMatchOnAllOfThem) {
    makeDatabases(kOrderLines, {kOrderLines[0],
                                u"INSERT INTO lines VALUES (1, 2, 'b'), (2, 1, 'x'), "
                                "(2, 2, 'c'), (1, 1, 'a')"_s});
    configure({u"SELECT * FROM lines"_s, u"SELECT * FROM lines"_s, u"OrderNo;LineNo"_s});
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(EngineHarness::rows(target(),
                                  {u"OrderNo"_s, u"LineNo"_s, u"OnlyInDest"_s, u"Difference"_s}),
              (QStringList{u"1|2|False|False"_s, u"2|1|False|True"_s, u"2|2|True|False"_s,
                           u"1|1|False|False"_s}));
    EXPECT_EQ(EngineHarness::column(source(), u"OnlyInSource"_s),
              (QStringList{u"False"_s, u"False"_s, u"False"_s}));
    EXPECT_TRUE(h.view.messages().isEmpty());
}

TEST_F(KeyTest, CommaSpecNamesAMissingColumnAndClosesTheListBeingOpened) {
    makeDatabases(kOrderLines, kOrderLines);
    const TableSetup good{u"SELECT * FROM lines"_s, u"SELECT * FROM lines"_s, u"OrderNo;LineNo"_s};
    TableSetup comma = good;
    comma.key = u"OrderNo, LineNo"_s;
    const QStringList message{u"Key field \"OrderNo, LineNo\" not found"_s};

    // Target open, source opened last: the source is closed again.
    configure(comma);
    ASSERT_TRUE(h.openTarget());
    EXPECT_TRUE(h.view.messages().isEmpty()) << "the target alone checks no keys";
    EXPECT_FALSE(h.openSource());
    EXPECT_EQ(h.view.infos, message);
    EXPECT_TRUE(target().isOpen());
    EXPECT_FALSE(h.dm.Compared());

    // Source open, target opened last: the target is closed again.
    configure(good);
    h.view.infos.clear();
    ASSERT_TRUE(h.openSource());
    h.dm.CloseTarget();
    configure(comma);
    ASSERT_TRUE(source().isOpen());
    EXPECT_FALSE(h.openTarget());
    EXPECT_EQ(h.view.infos, message);
    EXPECT_TRUE(source().isOpen());
    EXPECT_EQ(h.view.counts[Side::Target], u"Not open"_s);

    // The source alone checks its own rows' keys.
    h.dm.CloseBoth();
    h.view.infos.clear();
    EXPECT_FALSE(h.openSource());
    EXPECT_EQ(h.view.infos, message);
    EXPECT_TRUE(h.view.errors.isEmpty());
}

TEST_F(KeyTest, KeyNamesAreTakenAsWrittenButMatchColumnsInAnyCase) {
    makeDatabases(kOrderLines, kOrderLines);
    struct Case {
        QString key;
        QString message;  // empty: the lists compare
    };
    const Case cases[] = {
        {u"orderno;LINENO"_s, QString()},
        {u"OrderNo; LineNo"_s, u"Key field \" LineNo\" not found"_s},
        {u" OrderNo;LineNo"_s, u"Key field \" OrderNo\" not found"_s},
        {u"OrderNo;LineNo;"_s, u"Key field \"\" not found"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        h.dm.CloseBoth();
        h.view.infos.clear();
        configure({u"SELECT * FROM lines"_s, u"SELECT * FROM lines"_s, c.key});
        ASSERT_TRUE(h.openTarget());
        EXPECT_EQ(h.openSource(), c.message.isEmpty());
        EXPECT_EQ(h.view.infos, c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (c.message.isEmpty()) {
            EXPECT_EQ(EngineHarness::column(target(), u"OnlyInDest"_s),
                      (QStringList{u"False"_s, u"False"_s, u"False"_s}));
        }
    }
}

// A text key matches a number key only when it is the number's own text,
// and a fractional key no integer key (1.5 is not 1), so both lists agree
// on which rows have partners, whichever side holds which type.
TEST_F(KeyTest, KeysOfDifferentTypesAgreeInBothDirections) {
    struct Case {
        const char* name;
        QStringList source;
        QStringList target;
        QStringList targetMarks;  // id|OnlyInDest
        QStringList sourceMarks;  // id|OnlyInSource
    };
    const QString integers = u"CREATE TABLE t (id INTEGER, v TEXT)"_s;
    const QString reals = u"CREATE TABLE t (id REAL, v TEXT)"_s;
    const Case cases[] = {
        {"text against integers",
         {integers, u"INSERT INTO t VALUES (7, 'a'), (8, 'b')"_s},
         {u"CREATE TABLE t (id TEXT, v TEXT)"_s,
          u"INSERT INTO t VALUES ('007', 'a'), ('8', 'b')"_s},
         {u"007|True"_s, u"8|False"_s},
         {u"7|True"_s, u"8|False"_s}},
        {"fractions against integers",
         {reals, u"INSERT INTO t VALUES (1.5, 'a'), (2.0, 'b'), (-0.5, 'c')"_s},
         {integers, u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (0, 'c')"_s},
         {u"1|True"_s, u"2|False"_s, u"0|True"_s},
         {u"1.5|True"_s, u"2|False"_s, u"-0.5|True"_s}},
        {"integers against fractions",
         {integers, u"INSERT INTO t VALUES (1, 'a'), (2, 'b'), (0, 'c')"_s},
         {reals, u"INSERT INTO t VALUES (1.5, 'a'), (2.0, 'b'), (-0.5, 'c')"_s},
         {u"1.5|True"_s, u"2|False"_s, u"-0.5|True"_s},
         {u"1|True"_s, u"2|False"_s, u"0|True"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AliasFolder caseFolder;
        caseFolder.addSqlite(u"Src"_s, c.source);
        caseFolder.addSqlite(u"Dst"_s, c.target);
        EngineHarness e(caseFolder.aliasFile());
        e.configure(u"Src"_s, u"Dst"_s, {u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
        ASSERT_TRUE(e.openSource());
        ASSERT_TRUE(e.openTarget());
        EXPECT_EQ(EngineHarness::rows(e.dm.DestMemData(), {u"id"_s, u"OnlyInDest"_s}),
                  c.targetMarks);
        EXPECT_EQ(EngineHarness::rows(e.dm.SourceMemData(), {u"id"_s, u"OnlyInSource"_s}),
                  c.sourceMarks);
    }
}

TEST_F(KeyTest, NullKeyInTheTargetStopsTheComparison) {
    const QStringList withNull = {u"CREATE TABLE t (ID INTEGER, v TEXT)"_s,
                                  u"INSERT INTO t VALUES (1, 'a'), (NULL, 'b'), (3, 'c')"_s};
    const QStringList clean = {u"CREATE TABLE t (ID INTEGER, v TEXT)"_s,
                               u"INSERT INTO t VALUES (1, 'a'), (3, 'c')"_s};
    makeDatabases(clean, withNull);
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"ID"_s});
    const QString message =
        u"Key field \"ID\" contained a null value. Primary key fields should not be allowed "
        "to contain null"_s;

    // The target alone checks no keys.
    ASSERT_TRUE(h.openTarget());
    EXPECT_TRUE(h.view.messages().isEmpty());
    // The source opened next is closed again.
    EXPECT_FALSE(h.openSource());
    EXPECT_EQ(h.view.infos, QStringList{message});
    EXPECT_TRUE(target().isOpen());
    // The failed comparison left the target's marks as the target alone had them.
    EXPECT_EQ(EngineHarness::column(target(), u"OnlyInDest"_s),
              (QStringList{u"True"_s, u"True"_s, u"True"_s}));
    EXPECT_EQ(statisticTexts(h.dm.Counts()).targetOnly, u"Local records: 3"_s);

    h.dm.CloseBoth();
    h.view.infos.clear();
    ASSERT_TRUE(h.openSource());
    EXPECT_FALSE(h.openTarget());
    EXPECT_EQ(h.view.infos, QStringList{message});
    EXPECT_TRUE(source().isOpen());
    EXPECT_EQ(EngineHarness::column(source(), u"OnlyInSource"_s),
              (QStringList{u"True"_s, u"True"_s}));
    EXPECT_TRUE(h.view.errors.isEmpty());
}

TEST_F(KeyTest, NullKeyInTheSourceClosesItEvenAlone) {
    const QStringList rows = {u"CREATE TABLE t (a INTEGER, b INTEGER)"_s,
                              u"INSERT INTO t VALUES (1, 1), (2, NULL)"_s};
    makeDatabases(rows, rows);
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"a;b"_s});
    EXPECT_FALSE(h.openSource());
    EXPECT_EQ(h.view.infos,
              QStringList{u"Key field \"a;b\" contained a null value. Primary key fields should "
                          "not be allowed to contain null"_s});
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
}

TEST_F(KeyTest, DuplicateKeysCloseTheSideLikeANullKey) {
    makeDatabases({u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                   u"INSERT INTO t VALUES (7, 'first'), (7, 'second'), (8, 'x')"_s},
                  {u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                   u"INSERT INTO t VALUES (7, 'second'), (8, 'x')"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    ASSERT_TRUE(h.openTarget());
    EXPECT_FALSE(h.openSource());
    EXPECT_EQ(h.view.infos,
              QStringList{u"Key field \"id\" does not identify the source rows: more than one row "
                          "has id = 7. Primary key fields should hold a different value in every "
                          "row"_s});
    EXPECT_EQ(h.view.counts[Side::Source], u"Not open"_s);
    // The target keeps the marks it had alone.
    EXPECT_EQ(EngineHarness::column(target(), u"OnlyInDest"_s),
              (QStringList{u"True"_s, u"True"_s}));
}

// --- failures while opening -----------------------------------------------------------

// A text that is no number against a number column: the two differ, in
// whichever order the sides are opened; nothing fails.
TEST_F(SqliteEngineTest, UnconvertibleTextDiffersFromTheNumber) {
    makeDatabases({u"CREATE TABLE t (id INTEGER, v TEXT)"_s, u"INSERT INTO t VALUES (1, 'x')"_s},
                  {u"CREATE TABLE t (id INTEGER, v INTEGER)"_s, u"INSERT INTO t VALUES (1, 5)"_s});
    configure(kAllRows);
    for (const bool sourceFirst : {true, false}) {
        SCOPED_TRACE(sourceFirst ? "source first" : "target first");
        h.dm.CloseBoth();
        ASSERT_TRUE(h.openBoth(sourceFirst));
        EXPECT_TRUE(h.view.errors.isEmpty()) << h.view.errors.join(u'\n').toStdString();
        EXPECT_EQ(statisticTexts(h.dm.Counts()).differences, u"Records with differences: 1"_s);
    }
}

struct BadQueryCase {
    const char* name;
    Side side;
    const char* sql;
    const char* messagePart;
};

class BadQueryTest : public SqliteEngineTest, public ::testing::WithParamInterface<BadQueryCase> {};

TEST_P(BadQueryTest, ShowsAnErrorAndLeavesTheListClosed) {
    const BadQueryCase& c = GetParam();
    const QStringList rows = {u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                              u"INSERT INTO t VALUES (1, 'a')"_s};
    makeDatabases(rows, rows);
    const QString bad = QString::fromUtf8(c.sql);
    const QString good = u"SELECT * FROM t"_s;
    configure({c.side == Side::Source ? bad : good, c.side == Side::Target ? bad : good, u"id"_s});
    const bool opened = c.side == Side::Source ? h.openSource() : h.openTarget();
    EXPECT_FALSE(opened);
    ASSERT_EQ(h.view.errors.size(), 1) << h.view.messages().join(u'\n').toStdString();
    const QString error = h.view.errors.first();
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.messagePart), Qt::CaseInsensitive))
        << error.toStdString();
    EXPECT_TRUE(error.startsWith(c.side == Side::Source
                                     ? u"Failed to open source dataset (alias \"Src\"). "_s
                                     : u"Failed to open target dataset (alias \"Dst\"). "_s))
        << error.toStdString();
    EXPECT_EQ(h.view.counts[c.side], u"Not open"_s);
    // The failed list leaves its columns as they were, so the same list opens
    // fine with a good query afterwards.
    configure({good, good, u"id"_s});
    h.view.errors.clear();
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(EngineHarness::column(target(), u"Difference"_s), QStringList{u"False"_s});
    EXPECT_TRUE(h.view.errors.isEmpty());
}

// A misspelt first word is no reading statement: it never reaches the database.
INSTANTIATE_TEST_SUITE_P(
    Queries, BadQueryTest,
    ::testing::Values(BadQueryCase{"SourceSyntax", Side::Source, "SELEC * FROM t",
                                   "\"SELEC * FROM t\" is not a reading statement"},
                      BadQueryCase{"TargetSyntax", Side::Target, "SELECT * FRM t", "syntax"},
                      BadQueryCase{"MissingTable", Side::Target, "SELECT * FROM nothere",
                                   "nothere"},
                      BadQueryCase{"EmptyQuery", Side::Source, "  ", "empty"}),
    [](const auto& param) { return std::string(param.param.name); });

// A query column named like one of the lists' own columns is a data column
// of its own: it is compared, and the flag keeps its meaning.
TEST_F(SqliteEngineTest, ColumnsNamedLikeFlagsAreData) {
    const QStringList rows = {u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                              u"INSERT INTO t VALUES (1, 'a'), (2, 'b')"_s};
    makeDatabases(rows, rows);
    const QString query =
        u"SELECT id, v AS Del, v AS difference, v AS OnlyInSource, id AS recid FROM t"_s;
    configure({query,
               u"SELECT id, v AS Del, upper(v) AS difference, v AS OnlyInSource, "
               "id AS recid FROM t"_s,
               u"id"_s});
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(h.view.messages(), QStringList());
    const MemData& d = target();
    const int del = d.findDataField(u"Del");
    ASSERT_GT(del, d.fieldIndex(u"Del"_s));
    EXPECT_EQ(EngineHarness::column(target(), u"Difference"_s),
              (QStringList{u"True"_s, u"True"_s}));
    EXPECT_EQ(EngineHarness::column(source(), u"OnlyInSource"_s),
              (QStringList{u"False"_s, u"False"_s}));
    EXPECT_EQ(target().valueAt(1, del).asBytes(), QByteArray("b"));
    EXPECT_EQ(target().valueAt(1, d.findDataField(u"RecId")).asInt(), 2);
}

}  // namespace
}  // namespace qm::test
