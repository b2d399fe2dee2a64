#include "common/Errors.h"
#include "project/ComparisonRules.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

ColumnRule rule(const QString& words) {
    return ComparisonRules::parseRule(words, u"T"_s, u"c"_s);
}

TEST(ComparisonRulesTest, TextFormReadsBackEqualAndCanonical) {
    struct Case {
        QString text;
        QString canonical;
    };
    const Case cases[] = {
        {u""_s, u""_s},
        {u"  ;; "_s, u""_s},
        {u"*: nocase trim"_s, u"*: nocase trim"_s},
        {u"*:TRIM,NoCase; updated_at: ignore"_s, u"*: nocase trim; updated_at: ignore"_s},
        {u"price: rel=1e-9 abs=0.005"_s, u"price: abs=0.005 rel=1e-09"_s},
        {u"ts: time=second; d: time=day; m: time=minute"_s,
         u"ts: time=second; d: time=day; m: time=minute"_s},
        {u"*: nullempty; note: exact"_s, u"*: nullempty; note: exact"_s},
        // Names the plain form cannot hold are quoted, with "" for a quote.
        {uR"("a;b": ignore; "x:y": nocase; " pad ": trim; "say ""hi""": ignore; "*": ignore)"_s,
         uR"("a;b": ignore; "x:y": nocase; " pad ": trim; "say ""hi""": ignore; "*": ignore)"_s},
        {u"größe: abs=0"_s, u"größe: abs=0"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const ComparisonRules rules = ComparisonRules::parse(c.text, u"T"_s);
        EXPECT_EQ(rules.toText(), c.canonical);
        EXPECT_EQ(ComparisonRules::parse(rules.toText(), u"T"_s), rules);
        EXPECT_EQ(rules.isEmpty(), c.canonical.isEmpty());
    }
    // The quoted "*" is a column of that name, not the rule for all.
    const auto quotedStar = ComparisonRules::parse(uR"("*": ignore)"_s, u"T"_s);
    EXPECT_TRUE(quotedStar.all.isExact());
    EXPECT_TRUE(quotedStar.forColumn(u"*"_s).ignore);
}

TEST(ComparisonRulesTest, MalformedRulesAreRefusedNamingTableSetupAndRule) {
    struct Case {
        QString text;
        QString expected;  // a part of the message
    };
    const Case cases[] = {
        {u"price: abs=x"_s, u"\"price: abs=x\""_s},
        {u"price: abs=-1"_s, u"0 or more"_s},
        {u"price: rel=inf"_s, u"0 or more"_s},
        {u"ts: time=hour"_s, u"second, minute or day"_s},
        {u"c: fuzzy"_s, u"\"fuzzy\" is none of"_s},
        {u"no colon here"_s, u"COLUMN: WORDS"_s},
        {u": ignore"_s, u"COLUMN: WORDS"_s},
        {u"c:"_s, u"at least one word"_s},
        {u"\"open: ignore"_s, u"not closed"_s},
        {u"*: trim; *: nocase"_s, u"given twice"_s},
        {u"Price: trim; price: nocase"_s, u"has a rule already"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        try {
            ComparisonRules::parse(c.text, u"Orders"_s);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().startsWith(u"Table setup \"Orders\": the comparison rule"_s))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(c.expected)) << e.message().toStdString();
        }
    }
}

TEST(ComparisonRulesTest, AColumnsOwnRuleReplacesTheRuleForAll) {
    ComparisonRules rules = ComparisonRules::parse(u"*: nocase trim; Note: exact"_s, u"T"_s);
    EXPECT_TRUE(rules.forColumn(u"name"_s).ignoreCase);
    EXPECT_TRUE(rules.forColumn(u"NOTE"_s).isExact());  // names match in any letter case

    rules.setColumn(u"price"_s, rule(u"abs=0.5"_s));
    EXPECT_EQ(*rules.forColumn(u"PRICE"_s).absTolerance, 0.5);
    EXPECT_FALSE(rules.forColumn(u"PRICE"_s).ignoreCase);
    // A column given the rule for all has no rule of its own any more.
    rules.setColumn(u"Price"_s, rules.all);
    rules.setColumn(u"other"_s, rules.all);
    EXPECT_EQ(rules.toText(), u"*: nocase trim; Note: exact"_s);
    rules.clearColumn(u"note"_s);
    EXPECT_EQ(rules.toText(), u"*: nocase trim"_s);
    EXPECT_TRUE(rules.any([](const ColumnRule& r) { return r.trimBlanks; }));
    EXPECT_FALSE(rules.any([](const ColumnRule& r) { return r.relTolerance.has_value(); }));
}

}  // namespace
