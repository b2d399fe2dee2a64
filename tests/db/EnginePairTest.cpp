#include "DbSides.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct PairCase {
    const char* name;
    Backend source;
    Backend target;
};

class EnginePairTest : public ::testing::TestWithParam<PairCase> {};

// The same rows on every engine pair: id 1 and 6 equal (6 with nulls),
// 2 differs in case, 3 in a fraction, 7 in null against empty text, 4 only
// in the target, 5 only in the source.
const QString kColumns = u"id INTEGER, name VARCHAR(20), qty INTEGER, price DOUBLE PRECISION"_s;
const QString kSourceRows =
    u"(1, 'a', 10, 1.5), (2, 'b', 20, 2.5), (3, 'c', 30, 3.5), (5, 'e', 50, 5.5), "
    "(6, NULL, 60, NULL), (7, NULL, 70, 7.5)"_s;
const QString kTargetRows =
    u"(1, 'a', 10, 1.5), (2, 'B', 20, 2.5), (3, 'c', 30, 3.75), (4, 'd', 40, 4.5), "
    "(6, NULL, 60, NULL), (7, '', 70, 7.5)"_s;

TEST_P(EnginePairTest, MarksRowsAlikeOnEveryEnginePair) {
    const PairCase& c = GetParam();
    std::optional<PgServer> pg;
    if (needsPg(c.source) || needsPg(c.target)) {
        QM_REQUIRE_PG(server);
        pg = server;
    }
    QM_REQUIRE_ODBC_DRIVER(odbcDriverOf(c.source));
    QM_REQUIRE_ODBC_DRIVER(odbcDriverOf(c.target));
    DbSides sides(pg);
    const SideTable src = sides.make(c.source, true, kColumns, kSourceRows);
    const SideTable dst = sides.make(c.target, false, kColumns, kTargetRows);
    EngineHarness h(sides.folder().aliasFile());
    h.configure(src.alias, dst.alias,
                {u"SELECT * FROM %1 ORDER BY id"_s.arg(src.table),
                 u"SELECT * FROM %1 ORDER BY id"_s.arg(dst.table), u"id"_s});
    ASSERT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();

    MemData& s = h.dm.SourceMemData();
    MemData& d = h.dm.DestMemData();
    EXPECT_EQ(EngineHarness::rows(d, {u"id"_s, u"OnlyInDest"_s, u"Difference"_s}),
              (QStringList{u"1|False|False"_s, u"2|False|True"_s, u"3|False|True"_s,
                           u"4|True|False"_s, u"6|False|False"_s, u"7|False|True"_s}));
    EXPECT_EQ(EngineHarness::rows(s, {u"id"_s, u"OnlyInSource"_s}),
              (QStringList{u"1|False"_s, u"2|False"_s, u"3|False"_s, u"5|True"_s, u"6|False"_s,
                           u"7|False"_s}));
    EXPECT_EQ(h.view.counts[Side::Source], u"6 records"_s);
    EXPECT_EQ(h.view.counts[Side::Target], u"6 records initially"_s);
    EXPECT_EQ(h.view.statistics(),
              u"No inserts | No updates | No deletes | Records with differences: 3 | "
              "Local records: 1"_s);
    EXPECT_TRUE(h.view.messages().isEmpty()) << h.view.messages().join(u'\n').toStdString();

    // Values load typed, whatever the engine.
    for (MemData* list : {&s, &d}) {
        SCOPED_TRACE(list->name().toStdString());
        list->moveTo(2);  // id 3
        const QVariant qty = list->asVariant(list->fieldIndex(u"qty"_s));
        EXPECT_TRUE(qty.typeId() == QMetaType::LongLong || qty.typeId() == QMetaType::Int)
            << qty.typeName();
        EXPECT_EQ(qty.toLongLong(), 30);
        const QVariant price = list->asVariant(list->fieldIndex(u"price"_s));
        EXPECT_EQ(price.typeId(), QMetaType::Double) << price.typeName();
        EXPECT_EQ(price.toDouble(), list == &s ? 3.5 : 3.75);
        EXPECT_EQ(list->asVariant(list->fieldIndex(u"name"_s)).toString(), u"c"_s);
        list->moveTo(list->recordCount() - 2);  // id 6
        EXPECT_TRUE(list->isNull(list->fieldIndex(u"name"_s)));
        EXPECT_TRUE(list->isNull(list->fieldIndex(u"price"_s)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Engines, EnginePairTest,
    ::testing::Values(PairCase{"SqliteToSqlite", Backend::Sqlite, Backend::Sqlite},
                      PairCase{"PgToPg", Backend::Pg, Backend::Pg},
                      PairCase{"SqliteToPg", Backend::Sqlite, Backend::Pg},
                      PairCase{"PgToSqlite", Backend::Pg, Backend::Sqlite},
                      PairCase{"OdbcSqliteToSqlite", Backend::OdbcSqlite, Backend::Sqlite},
                      PairCase{"PgToOdbcPg", Backend::Pg, Backend::OdbcPg},
                      PairCase{"OdbcPgToOdbcSqlite", Backend::OdbcPg, Backend::OdbcSqlite}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace qm::test
