#include "DbSides.h"
#include "InDatabaseRun.h"
#include "common/Errors.h"
#include "db/Query.h"
#include "engine/InDatabaseCompare.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

#include <QSet>
#include <iterator>
#include <utility>

using namespace Qt::StringLiterals;

// Comparing inside the databases under comparison rules: rows equal under
// a rule may hash alike (their segment is then not loaded), rows that
// differ under it never do, and the script is the full load's.

namespace qm::test {
namespace {

// The type of column v on each engine; empty where a case does not apply.
struct Types {
    QString sqlite;
    QString pg;
};
const Types kText{u"TEXT"_s, u"text"_s};
const Types kInt{u"INTEGER"_s, u"integer"_s};
const Types kBigInt{u"INTEGER"_s, u"bigint"_s};
const Types kPgOid{QString(), u"oid"_s};
const Types kAnyNumeric{u"NUMERIC"_s, u"numeric"_s};
const Types kReal{u"REAL"_s, u"double precision"_s};
const Types kNumeric{u"NUMERIC"_s, u"numeric(12,4)"_s};
const Types kStamp{u"DATETIME"_s, u"timestamp"_s};
const Types kTime{u"TIME"_s, u"time"_s};
const Types kSqliteText{u"TEXT"_s, QString()};
const Types kPgStampTz{QString(), u"timestamptz"_s};

// One column's rule and a value of it on each side. Each case is a column
// c<i> of one table pair, and a row of key i where only that column
// differs; every other value is NULL.
struct RuleCase {
    const char* name;
    QString rule;
    Types types;
    QString sourceValue;
    QString targetValue;
    // The two rows hash alike: their segment is not loaded.
    bool hashAlike;
};

const RuleCase kCases[] = {
    {"nocase folds A to Z", u"nocase"_s, kText, u"'Mixed Case 1'"_s, u"'mIXED cASE 1'"_s, true},
    {"nocase keeps other letters apart", u"nocase"_s, kText, u"'Éa'"_s, u"'éa'"_s, false},
    {"nocase hides no other change", u"nocase"_s, kText, u"'abc'"_s, u"'abd'"_s, false},
    {"letter case counts without nocase", u"trim"_s, kText, u"'abc'"_s, u"'ABC'"_s, false},
    {"trim drops blanks at both ends", u"trim"_s, kText, u"' ' || {TAB} || 'abc' || {CR} || {LF}"_s,
     u"'abc'"_s, true},
    {"trim keeps inner blanks", u"trim"_s, kText, u"'a b'"_s, u"'a  b'"_s, false},
    {"trim drops only space, tab, CR and LF", u"trim"_s, kText, u"'abc' || {FF}"_s, u"'abc'"_s,
     false},
    {"nullempty: NULL is the empty text", u"nullempty"_s, kText, u"NULL"_s, u"''"_s, true},
    {"NULL is not the empty text without nullempty", u"nocase trim"_s, kText, u"NULL"_s, u"''"_s,
     false},
    {"nullempty with trim: blanks only stay apart from NULL", u"nullempty trim"_s, kText, u"NULL"_s,
     u"'  '"_s, false},
    {"nullempty on a number column", u"nullempty"_s, kInt, u"NULL"_s, u"0"_s, false},
    {"time=second cuts the fraction", u"time=second"_s, kStamp, u"'2024-05-06 07:08:09.125'"_s,
     u"'2024-05-06 07:08:09.875'"_s, true},
    {"time=second: the next second differs", u"time=second"_s, kStamp,
     u"'2024-05-06 07:08:09.999'"_s, u"'2024-05-06 07:08:10'"_s, false},
    {"time=minute", u"time=minute"_s, kStamp, u"'2024-05-06 07:08:09'"_s,
     u"'2024-05-06 07:08:59.5'"_s, true},
    {"time=day", u"time=day"_s, kStamp, u"'2024-05-06 00:00:01'"_s, u"'2024-05-06 23:59:59.5'"_s,
     true},
    {"time=day: the next day differs", u"time=day"_s, kStamp, u"'2024-05-06 23:59:59'"_s,
     u"'2024-05-07 00:00:00'"_s, false},
    {"time=second on times", u"time=second"_s, kTime, u"'07:08:09.5'"_s, u"'07:08:09.25'"_s, true},
    {"time=minute on times: the next minute differs", u"time=minute"_s, kTime, u"'07:08:59.9'"_s,
     u"'07:09:00'"_s, false},
    {"nocase with a time cut: a cut date-time keeps its letter case", u"nocase time=second"_s,
     kSqliteText, u"'2024-05-06T07:08:09.5'"_s, u"'2024-05-06t07:08:09'"_s, false},
    {"nocase with a time cut folds other text", u"nocase time=second"_s, kText, u"'Abc'"_s,
     u"'aBC'"_s, true},
    {"a zone is not cut away", u"time=day"_s, kSqliteText, u"'2024-05-06 07:00:00+02:00'"_s,
     u"'2024-05-06 07:00:00-05:00'"_s, false},
    {"an invalid date is not cut", u"time=second"_s, kSqliteText, u"'2024-02-30 10:00:00.1'"_s,
     u"'2024-02-30 10:00:00.2'"_s, false},
    {"time=day on timestamptz: the day in UTC", u"time=day"_s, kPgStampTz,
     u"'2024-05-06 23:30:00+00'"_s, u"'2024-05-06 00:30:00+00'"_s, true},
    {"time=day on timestamptz: another day in UTC", u"time=day"_s, kPgStampTz,
     u"'2024-05-06 23:30:00-02'"_s, u"'2024-05-06 00:30:00+00'"_s, false},
    {"abs: reals in one grid cell", u"abs=0.01"_s, kReal, u"1.2341"_s, u"1.2349"_s, true},
    {"abs: negative reals in one grid cell", u"abs=0.01"_s, kReal, u"-1.2341"_s, u"-1.2349"_s,
     true},
    {"abs: reals beyond the tolerance", u"abs=0.01"_s, kReal, u"0.30"_s, u"0.2899"_s, false},
    {"abs: huge reals stay exact", u"abs=0.002"_s, kReal, u"1e20"_s, u"100000000000000016384"_s,
     false},
    {"abs: integers in one grid cell", u"abs=20"_s, kInt, u"100"_s, u"105"_s, true},
    {"abs: negative integers in one grid cell", u"abs=20"_s, kInt, u"-101"_s, u"-109"_s, true},
    {"abs: integers beyond the tolerance", u"abs=20"_s, kInt, u"100"_s, u"121"_s, false},
    {"abs: below 2 each integer is a cell of its own", u"abs=1"_s, kInt, u"5"_s, u"6"_s, false},
    {"abs: a tolerance beyond every integer", u"abs=1e20"_s, kBigInt, u"5"_s,
     u"9000000000000000000"_s, true},
    {"abs: integers beyond 2^50 cells stay exact", u"abs=20"_s, kBigInt, u"4611686018427388415"_s,
     u"4611686018427388417"_s, false},
    {"abs: numerics beyond 2^50 cells stay exact", u"abs=20"_s, kAnyNumeric,
     u"4611686018427388415"_s, u"4611686018427388417"_s, false},
    {"abs: oids in one grid cell", u"abs=20"_s, kPgOid, u"100"_s, u"105"_s, true},
    {"abs: numerics in one grid cell", u"abs=0.01"_s, kNumeric, u"1.2341"_s, u"1.2349"_s, true},
    {"abs: numerics beyond the tolerance", u"abs=0.01"_s, kNumeric, u"2.0000"_s, u"2.0101"_s,
     false},
    {"abs on a text column", u"abs=1"_s, kText, u"'1.001'"_s, u"'1.002'"_s, false},
    {"ignore leaves the column out", u"ignore"_s, kText, u"'x'"_s, u"'y'"_s, true},
    {"exact", u"exact"_s, kText, u"'x'"_s, u"'X'"_s, false},
};

// The case's values in the engine's SQL: {TAB}, {CR}, {LF} and {FF} stand
// for those characters.
QString sqlValue(QString value, Backend backend) {
    const QString fn = backend == Backend::Pg ? u"chr"_s : u"char"_s;
    value.replace(u"{TAB}"_s, fn + u"(9)"_s);
    value.replace(u"{CR}"_s, fn + u"(13)"_s);
    value.replace(u"{LF}"_s, fn + u"(10)"_s);
    value.replace(u"{FF}"_s, fn + u"(12)"_s);
    return value;
}

QString typeOn(const RuleCase& c, Backend backend) {
    return backend == Backend::Pg ? c.types.pg : c.types.sqlite;
}

// The table pair of the cases that apply to the engine, and their rules.
struct CaseTables {
    SideTable source;
    SideTable target;
    QString rules;
    // The keys of the rows whose segment must be loaded.
    QSet<int> differing;
};

CaseTables makeTables(DbSides& sides, Backend backend) {
    QStringList columns{u"k integer PRIMARY KEY"_s};
    QStringList rules;
    std::vector<int> used;
    CaseTables t;
    for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i) {
        const QString type = typeOn(kCases[i], backend);
        if (!type.isEmpty()) {
            columns << u"c%1 %2"_s.arg(i).arg(type);
            rules << u"c%1: %2"_s.arg(i).arg(kCases[i].rule);
            used.push_back(i);
            if (!kCases[i].hashAlike) {
                t.differing.insert(i);
            }
        }
    }
    const auto rows = [&](bool source) {
        QStringList out;
        for (const int row : used) {
            QStringList values{QString::number(row)};
            for (const int column : used) {
                const RuleCase& c = kCases[column];
                values << (row != column
                               ? u"NULL"_s
                               : sqlValue(source ? c.sourceValue : c.targetValue, backend));
            }
            out << u"("_s + values.join(u", "_s) + u")"_s;
        }
        // Equal rows around them.
        for (int k = 1000; k < 1040; ++k) {
            out << u"(%1%2)"_s.arg(k).arg(
                QString(u", NULL"_s).repeated(static_cast<qsizetype>(used.size())));
        }
        return out.join(u", "_s);
    };
    t.source = sides.make(backend, true, columns.join(u", "_s), rows(true));
    t.target = sides.make(backend, false, columns.join(u", "_s), rows(false));
    t.rules = rules.join(u"; "_s);
    return t;
}

// The keys of the rows comparing inside the databases leaves to load, in
// segments fine enough for a row each.
QSet<int> keysToLoad(const QString& aliasFile, const CaseTables& t, const QString& rules) {
    EngineHarness h(aliasFile);
    configure(h, t.source, t.target, u"k"_s, rules);
    InDatabaseCompare compare(h.dm);
    compare.setFirstBits(40);
    EXPECT_TRUE(compare.restrictCurrentTableSetup().restricted);
    QSet<int> keys;
    MemData& tables = h.dm.TablesMemData();
    for (const auto& [sql, connection] :
         {std::pair(tables.asText(h.dm.tableFields().SourceQuerySQL), &h.dm.SourceDatabase()),
          std::pair(tables.asText(h.dm.tableFields().DestQuerySQL), &h.dm.DestDatabase())}) {
        Query q(*connection);
        q.setSql(sql);
        q.open();
        for (; !q.eof(); q.next()) {
            keys.insert(q.text(0).toInt());
        }
    }
    return keys;
}

class InDatabaseRulesTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Pg) {
            pg_ = pgServer();
            if (!pg_) {
                GTEST_SKIP() << "no PostgreSQL server";
            }
        }
    }
    std::optional<PgServer> pg_;
};

// What the sums see, without loading a row: a rule's form folds the values
// it makes equal, and no difference beyond them.
TEST_P(InDatabaseRulesTest, SumsFoldWhatTheRuleMakesEqualAndNothingElse) {
    DbSides sides(pg_);
    const CaseTables t = makeTables(sides, GetParam());
    const QSet<int> loaded = keysToLoad(sides.folder().aliasFile(), t, t.rules);
    for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i) {
        if (!typeOn(kCases[i], GetParam()).isEmpty()) {
            EXPECT_EQ(loaded.contains(i), !kCases[i].hashAlike) << kCases[i].name;
        }
    }
    EXPECT_EQ(loaded, t.differing);
    // Without the rules every case's row differs.
    QSet<int> all = t.differing;
    for (int i = 0; i < static_cast<int>(std::size(kCases)); ++i) {
        if (!typeOn(kCases[i], GetParam()).isEmpty()) {
            all.insert(i);
        }
    }
    EXPECT_EQ(keysToLoad(sides.folder().aliasFile(), t, QString()), all);
}

// The script under the rules is the full load's, whether a row's segment
// was loaded or not: with segments of a row each, a row hashed alike is
// never loaded, so the comparison must find it equal.
TEST_P(InDatabaseRulesTest, GiveTheFullLoadsScript) {
    DbSides sides(pg_);
    const CaseTables t = makeTables(sides, GetParam());
    const QString alias = sides.folder().aliasFile();
    const Outcome full = run(alias, t.source, t.target, u"k"_s, std::nullopt, 0, t.rules);
    ASSERT_TRUE(full.opened) << full.errors.join(u'\n').toStdString();
    for (const int firstBits : {0, 40}) {
        SCOPED_TRACE(firstBits);
        const Outcome inDb = run(alias, t.source, t.target, u"k"_s, 200000, firstBits, t.rules);
        ASSERT_TRUE(inDb.opened) << inDb.errors.join(u'\n').toStdString();
        EXPECT_EQ(inDb.script.join(u'\n').toStdString(), full.script.join(u'\n').toStdString());
        EXPECT_EQ(inDb.counts, full.counts);
    }
}

// The rule for all columns, a column's own rule replacing it, and column
// names in another letter case.
TEST(InDatabaseRulesForAllTest, AColumnsOwnRuleReplacesTheRuleForAll) {
    struct Case {
        QString rules;
        bool hashAlike;
    };
    const Case cases[] = {
        {u"*: nocase"_s, true},
        {u"*: nocase; v: trim"_s, false},
        {u"*: nocase; W: exact"_s, false},
        {u"V: nocase; w: NOCASE"_s, true},
        {u"*: ignore"_s, true},
    };
    DbSides sides(std::nullopt);
    const QString columns = u"k INTEGER PRIMARY KEY, v TEXT, w TEXT"_s;
    QStringList rows;
    for (int k = 1; k <= 40; ++k) {
        rows << u"(%1, 'v', 'w')"_s.arg(k);
    }
    const SideTable src =
        sides.make(Backend::Sqlite, true, columns, rows.join(u", "_s) + u", (100, 'abc', 'X')"_s);
    const SideTable dst =
        sides.make(Backend::Sqlite, false, columns, rows.join(u", "_s) + u", (100, 'ABC', 'x')"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rules.toStdString());
        EngineHarness h(sides.folder().aliasFile());
        configure(h, src, dst, u"k"_s, c.rules);
        const InDatabaseCompare::Outcome o = InDatabaseCompare(h.dm).restrictCurrentTableSetup();
        EXPECT_EQ(o.rowsToLoad == 0, c.hashAlike);
    }
}

// A relative tolerance has no form to hash: it is refused, naming the
// table setup and the column, before either database is connected.
TEST(InDatabaseRulesRefusalTest, RelativeToleranceIsRefusedBeforeConnecting) {
    struct Case {
        QString rules;
        QString named;  // empty: not refused
    };
    const Case cases[] = {
        {u"v: rel=0.01"_s, u"column \"v\""_s},
        {u"*: rel=1e-9; v: exact"_s, u"all columns (*)"_s},
        {u"w: abs=0.5 rel=0.01"_s, u"column \"w\""_s},
        {u"v: rel=0.01 ignore"_s, QString()},
        {u"v: rel=0"_s, QString()},
    };
    DbSides sides(std::nullopt);
    const QString columns = u"k INTEGER PRIMARY KEY, v REAL, w REAL"_s;
    const SideTable src = sides.make(Backend::Sqlite, true, columns, u"(1, 1.0, 2.0)"_s);
    const SideTable dst = sides.make(Backend::Sqlite, false, columns, u"(1, 1.0, 2.5)"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rules.toStdString());
        EngineHarness h(sides.folder().aliasFile());
        configure(h, src, dst, u"k"_s, c.rules);
        InDatabaseCompare compare(h.dm);
        if (c.named.isEmpty()) {
            EXPECT_TRUE(compare.restrictCurrentTableSetup().restricted);
            continue;
        }
        try {
            compare.restrictCurrentTableSetup();
            ADD_FAILURE() << "not refused";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(u"Table setup \"test\": "_s))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.named)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(u"relative tolerance"_s));
        }
        EXPECT_FALSE(h.dm.SourceDatabase().isConnected());
        EXPECT_FALSE(h.dm.DestDatabase().isConnected());
    }
}

// A row too wide for one function call is hashed in groups of columns,
// each under its own columns' rules.
TEST(InDatabaseRulesWideRowsTest, EachGroupHashesUnderItsColumnsRules) {
    QStringList columns{u"k INTEGER PRIMARY KEY"_s};
    for (int c = 1; c <= 250; ++c) {
        columns << u"c%1 TEXT"_s.arg(c);
    }
    const auto rows = [](int column, const QString& value) {
        QStringList out;
        for (int r = 0; r < 20; ++r) {
            QStringList values{QString::number(r)};
            for (int c = 1; c <= 250; ++c) {
                values << (r == 7 && c == column ? value : u"'v%1'"_s.arg(c));
            }
            out << u"("_s + values.join(u", "_s) + u")"_s;
        }
        return out.join(u", "_s);
    };
    struct Case {
        int column;
        QString rules;
        QString value;  // of the target's row 7 in that column
        bool hashAlike;
    };
    const Case cases[] = {
        {150, u"c150: nocase"_s, u"'V150'"_s, true},
        {150, u"c149: nocase; c151: nocase"_s, u"'V150'"_s, false},
        {250, u"*: trim"_s, u"' v250 '"_s, true},
        {1, u"c1: ignore"_s, u"'other'"_s, true},
        {101, u"c1: ignore; c101: nocase"_s, u"'V101'"_s, true},
        {101, u"c1: ignore; c102: nocase"_s, u"'V101'"_s, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rules.toStdString());
        DbSides sides(std::nullopt);
        const SideTable src = sides.make(Backend::Sqlite, true, columns.join(u", "_s),
                                         rows(c.column, u"'v%1'"_s.arg(c.column)));
        const SideTable dst =
            sides.make(Backend::Sqlite, false, columns.join(u", "_s), rows(c.column, c.value));
        EngineHarness h(sides.folder().aliasFile());
        configure(h, src, dst, u"k"_s, c.rules);
        const InDatabaseCompare::Outcome o = InDatabaseCompare(h.dm).restrictCurrentTableSetup();
        EXPECT_EQ(o.rowsToLoad == 0, c.hashAlike);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, InDatabaseRulesTest,
                         ::testing::Values(Backend::Sqlite, Backend::Pg),
                         [](const ::testing::TestParamInfo<Backend>& tp) {
                             return tp.param == Backend::Pg ? "PostgreSQL" : "SQLite";
                         });

}  // namespace
}  // namespace qm::test
