#include "DbSides.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Session.h"
#include "list/FieldType.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <QDateTime>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// One column of the typed table: its PostgreSQL and SQLite declarations, the
// value of the reference row and a different value for the same column.
struct TypedColumn {
    const char* name;
    const char* pgType;
    const char* sqliteType;
    const char* value;
    const char* otherValue;
};

const TypedColumn kColumns[] = {
    {"i", "integer", "INTEGER", "42", "43"},
    {"big", "bigint", "INTEGER", "5000000000", "5000000001"},
    {"num", "numeric(12,4)", "NUMERIC", "1234.5678", "1234.5679"},
    {"r", "real", "REAL", "1.5", "1.75"},
    {"dbl", "double precision", "DOUBLE", "2.25", "2.5"},
    {"dt", "date", "DATE", "'2024-02-29'", "'2024-03-01'"},
    {"ts", "timestamp", "TIMESTAMP", "'2024-02-29 13:45:10.5'", "'2024-02-29 13:45:11.5'"},
    {"flag", "boolean", "BOOLEAN", "true", "false"},
    {"tx", "text", "TEXT", "'text \u00fc'", "'text u'"},
    {"vc", "varchar(20)", "VARCHAR(20)", "'varchar'", "'varchar '"},
    {"bin", "bytea", "BLOB", "'\\x00ff10'", "'\\x00ff11'"},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

QString columnsSql(bool pg) {
    QStringList cols{u"id integer"_s};
    for (const TypedColumn& c : kColumns) {
        cols << u"%1 %2"_s.arg(QLatin1StringView(c.name),
                               QLatin1StringView(pg ? c.pgType : c.sqliteType));
    }
    return cols.join(u", "_s);
}

// SQLite spells literals of some types differently.
QString literal(const char* value, const TypedColumn& c, bool pg) {
    const QString v = QString::fromUtf8(value);
    if (pg) {
        return v;
    }
    if (qstrcmp(c.name, "flag") == 0) {
        return v == u"true"_s ? u"1"_s : u"0"_s;
    }
    if (qstrcmp(c.name, "bin") == 0) {
        return u"X'%1'"_s.arg(v.mid(3, v.size() - 4));
    }
    return v;
}

// Row 1 holds the reference values, row k+2 differs in column k only. The
// source has the reference values in every row, so target row 1 equals and
// every other target row differs in exactly one column.
QString rowsSql(bool pg, bool target) {
    QStringList rows;
    for (int r = -1; r < kColumnCount; ++r) {
        QStringList values{QString::number(r + 2)};
        for (int k = 0; k < kColumnCount; ++k) {
            const TypedColumn& c = kColumns[k];
            values << literal(target && k == r ? c.otherValue : c.value, c, pg);
        }
        rows << u"("_s + values.join(u", "_s) + u")"_s;
    }
    // Nulls everywhere compare equal.
    rows << u"(100"_s + QString(u", NULL"_s).repeated(kColumnCount) + u")"_s;
    return rows.join(u", "_s);
}

QStringList expectedDifferences() {
    QStringList out{u"1|False"_s};
    for (int k = 0; k < kColumnCount; ++k) {
        out << u"%1|True"_s.arg(k + 2);
    }
    out << u"100|False"_s;
    return out;
}

struct TypedPair {
    const char* name;
    Backend source;
    Backend target;
};

class PgTypesTest : public ::testing::TestWithParam<TypedPair> {};

TEST_P(PgTypesTest, EachColumnTypeFindsItsOwnDifference) {
    QM_REQUIRE_PG(pg);
    const TypedPair& c = GetParam();
    DbSides sides(pg);
    const bool pgSource = c.source == Backend::Pg;
    const bool pgTarget = c.target == Backend::Pg;
    const SideTable src =
        sides.make(c.source, true, columnsSql(pgSource), rowsSql(pgSource, false));
    const SideTable dst =
        sides.make(c.target, false, columnsSql(pgTarget), rowsSql(pgTarget, true));
    EngineHarness h(sides.folder().aliasFile());
    h.configure(src.alias, dst.alias,
                {u"SELECT * FROM %1 ORDER BY id"_s.arg(src.table),
                 u"SELECT * FROM %1 ORDER BY id"_s.arg(dst.table), u"id"_s});
    ASSERT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
    EXPECT_TRUE(h.view.messages().isEmpty()) << h.view.messages().join(u'\n').toStdString();
    EXPECT_EQ(EngineHarness::rows(h.dm.DestMemData(), {u"id"_s, u"Difference"_s}),
              expectedDifferences());
    EXPECT_EQ(statisticTexts(h.dm.Counts()).differences,
              u"Records with differences: %1"_s.arg(kColumnCount));
    EXPECT_EQ(statisticTexts(h.dm.Counts()).targetOnly, u"No records unique to target"_s);
}

INSTANTIATE_TEST_SUITE_P(Engines, PgTypesTest,
                         ::testing::Values(TypedPair{"PgToPg", Backend::Pg, Backend::Pg},
                                           TypedPair{"SqliteToPg", Backend::Sqlite, Backend::Pg},
                                           TypedPair{"PgToSqlite", Backend::Pg, Backend::Sqlite}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(PgTypedValues, LoadWithTheirTypes) {
    QM_REQUIRE_PG(pg);
    DbSides sides(pg);
    const SideTable src = sides.make(Backend::Pg, true, columnsSql(true), rowsSql(true, false));
    const SideTable dst = sides.make(Backend::Pg, false, columnsSql(true), rowsSql(true, false));
    EngineHarness h(sides.folder().aliasFile());
    h.configure(src.alias, dst.alias,
                {u"SELECT * FROM %1 ORDER BY id"_s.arg(src.table),
                 u"SELECT * FROM %1 ORDER BY id"_s.arg(dst.table), u"id"_s});
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
    MemData& d = h.dm.DestMemData();
    d.first();
    const auto f = [&d](const char* name) { return d.fieldIndex(QString::fromLatin1(name)); };

    EXPECT_EQ(d.field(f("i")).type, FieldType::Integer);
    EXPECT_EQ(d.asVariant(f("i")).toLongLong(), 42);
    const QVariant big = d.asVariant(f("big"));
    EXPECT_EQ(big.typeId(), QMetaType::LongLong) << big.typeName();
    EXPECT_EQ(big.toLongLong(), 5000000000LL);
    EXPECT_EQ(d.asText(f("big")), u"5000000000"_s);
    EXPECT_EQ(d.field(f("num")).type, FieldType::BCD);
    EXPECT_EQ(d.asText(f("num")), u"1234.5678"_s);
    EXPECT_EQ(d.asVariant(f("r")).typeId(), QMetaType::Double);
    EXPECT_EQ(d.asVariant(f("r")).toDouble(), 1.5);
    EXPECT_EQ(d.asVariant(f("dbl")).toDouble(), 2.25);
    EXPECT_EQ(d.asVariant(f("dt")).toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(d.asText(f("dt")), u"2024-02-29"_s);
    EXPECT_EQ(d.asVariant(f("ts")).toDateTime(),
              QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 500)));
    const QVariant flag = d.asVariant(f("flag"));
    EXPECT_EQ(flag.typeId(), QMetaType::Bool);
    EXPECT_TRUE(flag.toBool());
    EXPECT_EQ(d.asText(f("tx")), u"text \u00fc"_s);
    EXPECT_EQ(d.field(f("vc")).type, FieldType::String);
    EXPECT_EQ(d.asText(f("vc")), u"varchar"_s);
    const QVariant bin = d.asVariant(f("bin"));
    EXPECT_EQ(bin.typeId(), QMetaType::QByteArray) << bin.typeName();
    EXPECT_EQ(bin.toByteArray(), QByteArray("\x00\xff\x10", 3));

    d.last();
    for (int k = 0; k < kColumnCount; ++k) {
        EXPECT_TRUE(d.isNull(f(kColumns[k].name))) << kColumns[k].name;
    }
}

// Values the server holds beyond what a double or a millisecond can carry
// arrive whole, and a difference in the last digit or microsecond shows.
TEST(PgTypedValues, KeepEveryDigitAndMicrosecond) {
    QM_REQUIRE_PG(pg);
    DbSides sides(pg);
    const QString columns =
        u"id integer, num numeric(38,12), ts timestamp, tz timestamptz, t time, j jsonb"_s;
    const QString row =
        u"(1, 123456789012345678.123456789012, '2024-02-29 13:45:10.123456', "
        "'2024-02-29 13:45:10.654321+00', '23:59:59.999999', '{\"a\": 1}')"_s;
    const QString changed =
        u"(1, 123456789012345678.123456789013, '2024-02-29 13:45:10.123457', "
        "'2024-02-29 13:45:10.654321+00', '23:59:59.999999', '{\"a\": 1}')"_s;
    const SideTable src = sides.make(Backend::Pg, true, columns, row);
    const SideTable same = sides.make(Backend::Pg, false, columns, row);
    const SideTable other = sides.make(Backend::Pg, false, columns, changed);
    EngineHarness h(sides.folder().aliasFile());
    h.dm.session().setLoginPrompt(nullptr);
    h.configure(
        src.alias, same.alias,
        {u"SELECT * FROM %1"_s.arg(src.table), u"SELECT * FROM %1"_s.arg(same.table), u"id"_s});
    ASSERT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
    MemData& d = h.dm.DestMemData();
    d.first();
    EXPECT_EQ(d.asText(d.fieldIndex(u"num"_s)), u"123456789012345678.123456789012"_s);
    EXPECT_EQ(d.asText(d.fieldIndex(u"ts"_s)), u"2024-02-29 13:45:10.123456"_s);
    EXPECT_EQ(d.field(d.fieldIndex(u"tz"_s)).type, FieldType::DateTime);
    EXPECT_EQ(d.asText(d.fieldIndex(u"t"_s)), u"23:59:59.999999"_s);
    EXPECT_EQ(d.asText(d.fieldIndex(u"j"_s)), u"{\"a\": 1}"_s);
    EXPECT_EQ(statisticTexts(h.dm.Counts()).differences, u"No dual records different"_s);

    h.configure(
        src.alias, other.alias,
        {u"SELECT * FROM %1"_s.arg(src.table), u"SELECT * FROM %1"_s.arg(other.table), u"id"_s});
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(statisticTexts(h.dm.Counts()).differences, u"Records with differences: 1"_s);
}

// A query closed before its last row leaves the connection ready for the next.
TEST(PgTypedValues, QueryClosedEarlyLeavesTheConnectionUsable) {
    QM_REQUIRE_PG(pg);
    AliasFolder folder;
    folder.addPg(u"Pg"_s, pg, u"qm_test"_s);
    ensureCoreApplication();
    Session session;
    session.setAliasFilePath(folder.aliasFile());
    Connection conn(u"EarlyClose"_s, session);
    conn.setAliasName(u"Pg"_s);
    conn.connect();
    for (int round = 0; round < 3; ++round) {
        Query q(conn);
        q.setSql(u"SELECT g FROM generate_series(1, 200000) AS g"_s);
        q.open();
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.value(0).asInt(), 1);
        q.next();
        EXPECT_EQ(q.value(0).asInt(), 2);
    }
    // Binary data reads the same in both output formats of the server.
    for (const QString& format : {u"hex"_s, u"escape"_s}) {
        conn.execute(u"SET bytea_output = '%1'"_s.arg(format));
        Query q(conn);
        q.setSql(u"SELECT '\\x005c30ff'::bytea AS b"_s);
        q.open();
        EXPECT_EQ(q.value(0).asBytes(), QByteArray("\x00\x5c\x30\xff", 4)) << format.toStdString();
    }
    Query last(conn);
    last.setSql(u"SELECT 7 AS n"_s);
    last.open();
    EXPECT_EQ(last.value(0).asInt(), 7);
    last.next();
    EXPECT_TRUE(last.eof());
}

// A query that fails, or whose first statement returns no rows, leaves the
// connection ready for the next query.
TEST(PgTypedValues, FailedQueriesLeaveTheConnectionUsable) {
    QM_REQUIRE_PG(pg);
    AliasFolder folder;
    folder.addPg(u"P"_s, pg, u"qm_test"_s);
    EngineHarness h(folder.aliasFile());
    for (const QString& bad :
         {u"SELECT 1/0 AS id"_s, u"SET search_path TO public; SELECT 1 AS id"_s}) {
        SCOPED_TRACE(bad.toStdString());
        h.configure(u"P"_s, u"P"_s, {bad, u"SELECT 1 AS id"_s, u"id"_s});
        h.openSource();
        EXPECT_FALSE(h.dm.SourceMemData().isOpen());
        EXPECT_FALSE(h.view.errors.isEmpty());
        h.view.errors.clear();
        h.setTable({u"SELECT 1 AS id"_s, u"SELECT 1 AS id"_s, u"id"_s});
        EXPECT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
        EXPECT_TRUE(h.dm.SourceMemData().isOpen());
    }
}

}  // namespace
}  // namespace qm::test
