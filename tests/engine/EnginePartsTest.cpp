// The engine's parts driven alone, on lists made by hand: which columns are
// compared and how, and the row search by key.

#include "common/Errors.h"
#include "engine/ComparedColumns.h"
#include "engine/KeyMatcher.h"
#include "list/FieldDef.h"
#include "list/ListTestSupport.h"
#include "support/FakeEngineView.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

TEST(ComparedColumnsTest, SameNamedDataColumnsWithTheirRulesKeysExact) {
    const auto target = openList(u"target"_s, {{u"ID"_s, FieldType::Integer},
                                               {u"Name"_s},
                                               {u"Note"_s},
                                               {u"TargetOnly"_s},
                                               {u"Price"_s, FieldType::Float},
                                               {u"Shown"_s, FieldType::String, FieldKind::Lookup}});
    const auto source = openList(u"source"_s, {{u"price"_s, FieldType::Variant},
                                               {u"id"_s, FieldType::Integer},
                                               {u"NAME"_s},
                                               {u"note"_s},
                                               {u"Shown"_s}});
    const ComparisonRules rules =
        ComparisonRules::parse(u"*: nocase; note: ignore; price: abs=0.5"_s, u"t"_s);
    const std::vector<bool> textAffinity{false, false, false, false, false, true, false};

    const ComparedColumns c = comparedColumns(*target, *source, u"id"_s, rules, textAffinity);
    ASSERT_EQ(c.columns.size(), 3u);
    // In target order; the key is compared exactly though `*` names it.
    EXPECT_EQ(c.columns[0], (ComparedColumn{1, 2, ColumnRule(), false, false}));
    EXPECT_EQ(c.columns[1].target, 2);
    EXPECT_EQ(c.columns[1].source, 3);
    EXPECT_TRUE(c.columns[1].rule.ignoreCase);
    EXPECT_TRUE(c.columns[1].loose);
    EXPECT_EQ(c.columns[2].target, 5);
    EXPECT_EQ(c.columns[2].rule.absTolerance, 0.5);
    EXPECT_FALSE(c.columns[2].rule.ignoreCase) << "a column's own rule replaces the rule for all";
    EXPECT_TRUE(c.columns[2].numberAsText) << "TEXT affinity, source of any storage class";
    EXPECT_EQ(c.ignored, std::vector<int>{3});
    EXPECT_TRUE(c.isIgnored(3));
    EXPECT_EQ(c.forTarget(3), nullptr);
    EXPECT_EQ(c.forTarget(4), nullptr) << "the source lacks it";
    EXPECT_EQ(c.forTarget(6), nullptr) << "lookup columns are never compared";

    // Without rules: every pair, exact, nothing ignored.
    const ComparedColumns exact = comparedColumns(*target, *source, u"id"_s, {}, {});
    ASSERT_EQ(exact.columns.size(), 4u);
    for (const ComparedColumn& col : exact.columns) {
        EXPECT_FALSE(col.loose);
        EXPECT_FALSE(col.numberAsText);
    }
    EXPECT_TRUE(exact.ignored.empty());
    // Each column of a key of several columns is a key column.
    const ComparedColumns twoKeys = comparedColumns(
        *target, *source, u"ID;name"_s, ComparisonRules::parse(u"*: ignore"_s, u"t"_s), {});
    ASSERT_EQ(twoKeys.columns.size(), 2u);
    EXPECT_EQ(twoKeys.columns[0].target, 1);
    EXPECT_EQ(twoKeys.columns[1].target, 2);
    EXPECT_EQ(twoKeys.ignored, (std::vector<int>{3, 5}));
}

// The queries' columns, before any list exists: the same pairing and rules
// in either side's order, which the in-database comparison hashes in.
TEST(ComparedColumnsTest, ColumnsByNameInEitherSidesOrder) {
    const std::vector<NamedColumn> target{{u"code"_s, FieldType::String},
                                          {u"Qty"_s, FieldType::Integer},
                                          {u"name"_s, FieldType::String},
                                          {u"stamp"_s, FieldType::DateTime},
                                          {u"extra"_s, FieldType::String}};
    const std::vector<NamedColumn> source{{u"NAME"_s, FieldType::String},
                                          {u"stamp"_s, FieldType::DateTime},
                                          {u"CODE"_s, FieldType::String},
                                          {u"qty"_s, FieldType::Integer},
                                          {u"skipped"_s, FieldType::String, false}};
    const ComparisonRules rules =
        ComparisonRules::parse(u"*: nocase; stamp: ignore; qty: abs=1"_s, u"t"_s);
    const auto pairs = [](const ComparedColumns& c) {
        std::vector<std::pair<int, int>> r;
        for (const ComparedColumn& col : c.columns) {
            r.emplace_back(col.target, col.source);
        }
        return r;
    };
    const ComparedColumns byTarget = comparedColumnsByName(target, source, u"code"_s, rules, {});
    EXPECT_EQ(pairs(byTarget), (std::vector<std::pair<int, int>>{{0, 2}, {1, 3}, {2, 0}}));
    const ComparedColumns bySource =
        comparedColumnsByName(target, source, u"code"_s, rules, {}, PairingOrder::Source);
    EXPECT_EQ(pairs(bySource), (std::vector<std::pair<int, int>>{{2, 0}, {0, 2}, {1, 3}}));
    for (const ComparedColumns* c : {&byTarget, &bySource}) {
        EXPECT_EQ(c->ignored, std::vector<int>{3}) << "by target index";
        EXPECT_EQ(c->forTarget(0)->rule, ColumnRule()) << "the key is exact";
        EXPECT_TRUE(c->forTarget(2)->rule.ignoreCase);
        EXPECT_EQ(c->forTarget(1)->rule.absTolerance, 1.0);
        EXPECT_TRUE(c->forTarget(1)->loose);
    }
}

TEST(KeyMatcherTest, FindsPartnersAcrossTypesAndRefusesKeyProblemsUnlessTolerant) {
    const auto list = openList(u"list"_s, {{u"a"_s, FieldType::Integer}, {u"b"_s}});
    appendTexts(*list, {u"1"_s, u"x"_s});
    appendTexts(*list, {u"2"_s, u"x"_s});
    appendTexts(*list, {u"2"_s, u"y"_s});
    const auto keys = openList(u"keys"_s, {{u"B"_s}, {u"A"_s, FieldType::BCD}});
    appendTexts(*keys, {u"y"_s, u"2.00"_s});
    appendTexts(*keys, {u"x"_s, u"3"_s});
    appendTexts(*keys, {u"x"_s, u"1.5"_s});
    appendTexts(*keys, {u"x"_s, QString()});

    FakeEngineView view;
    KeyMatcher matcher(view);
    const KeyPlan plan = KeyMatcher::plan(*list, *keys, u"a;b"_s);
    EXPECT_EQ(plan.names, (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(matcher.matchRow(*list, *keys, 0, plan, false), 2);
    EXPECT_EQ(matcher.matchRow(*list, *keys, 1, plan, false), -1);
    EXPECT_EQ(matcher.matchRow(*list, *keys, 2, plan, false), -1) << "1.5 is no integer key";
    EXPECT_EQ(matcher.matchRow(*list, *keys, 3, plan, true), -1);
    EXPECT_TRUE(view.infos.isEmpty());
    EXPECT_THROW(matcher.matchRow(*list, *keys, 3, plan, false), SilentAbort);
    EXPECT_EQ(view.infos.size(), 1);
    EXPECT_TRUE(view.infos.value(0).contains(u"null"_s)) << view.infos.value(0).toStdString();

    const KeyPlan missing = KeyMatcher::plan(*list, *keys, u"c"_s);
    EXPECT_EQ(matcher.matchRow(*list, *keys, 0, missing, true), -1);
    EXPECT_THROW(matcher.matchRow(*list, *keys, 0, missing, false), SilentAbort);
    EXPECT_EQ(view.infos.value(1), u"Key field \"c\" not found"_s);
}

}  // namespace
}  // namespace qm::test
