#include "DbSides.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// A key column typed differently on the two sides, holding equal values.
struct KeyTypeCase {
    const char* name;
    const char* sourceKey;  // SQL expression of the source's key column (PostgreSQL)
    const char* targetKey;
};

// Opens `SELECT <key> AS id, 'a' AS v` on both sides of the test server and
// returns the two lists' marks: target "OnlyInDest|Difference", source
// "OnlyInSource", and the messages shown.
struct KeyOutcome {
    QStringList target;
    QStringList source;
    QStringList messages;
};

KeyOutcome compareKeys(const PgServer& pg, const KeyTypeCase& c) {
    AliasFolder folder;
    folder.addPg(u"Src"_s, pg, u"qm_source"_s);
    folder.addPg(u"Dst"_s, pg, u"qm_target"_s);
    EngineHarness h(folder.aliasFile());
    h.configure(
        u"Src"_s, u"Dst"_s,
        {u"SELECT %1 AS id, 'a'::text AS v"_s.arg(QString::fromUtf8(c.sourceKey)),
         u"SELECT %1 AS id, 'a'::text AS v"_s.arg(QString::fromUtf8(c.targetKey)), u"id"_s});
    h.openSource();
    h.openTarget();
    return {EngineHarness::rows(h.dm.DestMemData(), {u"OnlyInDest"_s, u"Difference"_s}),
            EngineHarness::rows(h.dm.SourceMemData(), {u"OnlyInSource"_s}), h.view.messages()};
}

class KeyTypesTest : public ::testing::TestWithParam<KeyTypeCase> {};

TEST_P(KeyTypesTest, EqualKeysOfDifferentTypesMatch) {
    QM_REQUIRE_PG(pg);
    const KeyOutcome o = compareKeys(pg, GetParam());
    EXPECT_EQ(o.messages, QStringList());
    EXPECT_EQ(o.target, QStringList{u"False|False"_s});
    EXPECT_EQ(o.source, QStringList{u"False"_s});
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTypesTest,
    ::testing::Values(KeyTypeCase{"TextAndInteger", "'17'::text", "17"},
                      KeyTypeCase{"IntegerAndBigint", "17", "17::bigint"},
                      KeyTypeCase{"IntegerAndDouble", "17", "17::double precision"},
                      KeyTypeCase{"IntegerAndNumericWithoutScale", "17", "17::numeric(12,0)"},
                      KeyTypeCase{"TextAndDate", "'2024-02-29'::text", "DATE '2024-02-29'"},
                      KeyTypeCase{"DateAndTimestamp", "DATE '2024-02-29'",
                                  "TIMESTAMP '2024-02-29 00:00:00'"},
                      KeyTypeCase{"VarcharAndText", "'k'::varchar(5)", "'k'::text"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(KeyTypes, NumericKeysWithScaleMatchEqualNumbers) {
    QM_REQUIRE_PG(pg);
    const KeyTypeCase cases[] = {
        {"IntegerAndNumeric", "17", "17::numeric(12,4)"},
        {"NumericAndInteger", "17::numeric(12,4)", "17"},
        {"DoubleAndNumeric", "1.5::double precision", "1.5::numeric(12,4)"},
        {"NumericAndDouble", "1.5::numeric(12,4)", "1.5::double precision"},
        {"NumericScales", "1.5::numeric(12,1)", "1.5::numeric(12,4)"},
    };
    for (const KeyTypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyOutcome o = compareKeys(pg, c);
        EXPECT_EQ(o.messages, QStringList());
        EXPECT_EQ(o.target, QStringList{u"False|False"_s});
        EXPECT_EQ(o.source, QStringList{u"False"_s});
    }
}

}  // namespace
}  // namespace qm::test
