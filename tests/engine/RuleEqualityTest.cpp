// Equality of two column values under a column's comparison rule.

#include "common/Errors.h"
#include "engine/RuleEquality.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct Typed {
    Value value;
    FieldType type;
};

Typed text(const QString& s, FieldType t = FieldType::String) {
    return {Value::fromText(s), t};
}
Typed nul(FieldType t) {
    return {Value(), t};
}
Typed integer(std::int64_t n) {
    return {Value::fromInt(n), FieldType::Integer};
}
Typed real(double d) {
    return {Value::fromFloat(d), FieldType::Float};
}
Typed bcd(const char* t) {
    return {Value::fromBytes(QByteArray(t)), FieldType::BCD};
}
Typed stamp(const char* t, FieldType type = FieldType::DateTime) {
    std::int64_t us = 0;
    EXPECT_TRUE(ValueText::parseDateTime(QString::fromLatin1(t), type, us)) << t;
    return {Value::fromMicros(us), type};
}
Typed anyText(const char* s) {
    return {TaggedValue::ofText(s), FieldType::Variant};
}
Typed anyInt(std::int64_t n) {
    return {TaggedValue::ofInt(n), FieldType::Variant};
}

ColumnRule rule(const char* words) {
    return ComparisonRules::parseRule(QString::fromLatin1(words), u"t"_s, u"c"_s);
}

struct Case {
    const char* what;
    const char* rule;
    Typed a;
    Typed b;
    bool equal;
};

TEST(RuleEqualityTest, EachRuleForgivesOnlyWhatItIsAbout) {
    const Case cases[] = {
        // text
        {"case", "nocase", text(u"Straße"_s), text(u"STRASSE"_s), false},
        {"case", "nocase", text(u"Ärger"_s), text(u"äRGER"_s), true},
        {"case counts without the rule", "trim", text(u"a"_s), text(u"A"_s), false},
        {"case in a memo and a SQLite text", "nocase", text(u"Abc"_s, FieldType::Memo),
         anyText("aBC"), true},
        {"blanks at the ends", "trim", text(u" \t\r\nx \n"_s), text(u"x"_s), true},
        {"blanks inside count", "trim", text(u"a b"_s), text(u"ab"_s), false},
        {"other white space counts", "trim", text(u"\u00a0x"_s), text(u"x"_s), false},
        {"null and empty", "nullempty", nul(FieldType::String), text(QString()), true},
        {"null and blanks need trim", "nullempty", nul(FieldType::String), text(u" "_s), false},
        {"null and blanks with trim", "nullempty trim", text(u" "_s), nul(FieldType::String), true},
        {"null of any class and empty", "nullempty", nul(FieldType::Variant), anyText(""), true},
        {"null is not zero", "nullempty", nul(FieldType::Integer), integer(0), false},
        {"text rules leave numbers", "nocase trim nullempty", real(1.0), real(1.0000001), false},
        // numbers
        {"within abs", "abs=0.01", real(1.0), real(1.009), true},
        {"beyond abs", "abs=0.01", real(1.0), real(1.02), false},
        {"abs across types", "abs=0.5", integer(10), bcd("10.4"), true},
        {"rel of the larger", "rel=0.1", real(100), real(90.5), true},
        {"beyond rel", "rel=0.1", real(100), real(89), false},
        {"either tolerance", "abs=0.001 rel=0.1", integer(100), integer(91), true},
        {"SQLite integer", "abs=1", anyInt(5), real(5.9), true},
        {"null stays null", "abs=100", nul(FieldType::Float), real(0), false},
        {"NaN within nothing", "abs=1e300", real(std::nan("")), real(0), false},
        {"infinities equal exactly", "rel=0.1", real(std::numeric_limits<double>::infinity()),
         real(std::numeric_limits<double>::infinity()), true},
        {"tolerance leaves text", "abs=1", text(u"a"_s), text(u"b"_s), false},
        {"tolerance leaves Booleans", "abs=5", Typed{Value::fromBool(true), FieldType::Boolean},
         Typed{Value::fromBool(false), FieldType::Boolean}, false},
        // times
        {"same second", "time=second", stamp("2024-05-01 10:00:00.999999"),
         stamp("2024-05-01 10:00:00"), true},
        {"cut, not rounded", "time=second", stamp("2024-05-01 10:00:00.999999"),
         stamp("2024-05-01 10:00:01"), false},
        {"same minute", "time=minute", stamp("2024-05-01 10:00:59"), stamp("2024-05-01 10:00:00"),
         true},
        {"next minute", "time=minute", stamp("2024-05-01 10:00:59"), stamp("2024-05-01 10:01:00"),
         false},
        {"same day", "time=day", stamp("2024-05-01 23:59:59"), stamp("2024-05-01 00:00:00"), true},
        {"day against date", "time=day", stamp("2024-05-01 13:00:00"),
         stamp("2024-05-01", FieldType::Date), true},
        {"day before 1899 is cut towards the past", "time=day", stamp("1850-03-02 23:00:00"),
         stamp("1850-03-02 01:00:00"), true},
        {"days before 1899 stay apart", "time=day", stamp("1850-03-02 00:30:00"),
         stamp("1850-03-01 23:30:00"), false},
        {"times of day", "time=minute", stamp("10:15:30", FieldType::Time),
         stamp("10:15:00", FieldType::Time), true},
        {"time stamps kept as text", "time=second", text(u"2024-05-01 10:00:00.5"_s),
         text(u"2024-05-01 10:00:00"_s), true},
        {"text that is no time", "time=day", text(u"soon"_s), text(u"later"_s), false},
        {"null is no time", "time=day", nul(FieldType::DateTime),
         stamp("2024-05-01", FieldType::Date), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ColumnRule r = rule(c.rule);
        EXPECT_EQ(
            equalUnderRule(ValueRef::of(c.a.value), c.a.type, ValueRef::of(c.b.value), c.b.type, r),
            c.equal);
        // The rule is symmetric.
        EXPECT_EQ(
            equalUnderRule(ValueRef::of(c.b.value), c.b.type, ValueRef::of(c.a.value), c.a.type, r),
            c.equal);
    }
}

TEST(RuleEqualityTest, WhereNoRuleAppliesTheExactAnswerStands) {
    // Pairs of kinds the words are not about: the exact answer decides.
    const std::pair<Typed, Typed> pairs[] = {
        {integer(7), text(u"7"_s)},
        {integer(7), text(u"seven"_s)},
        {Typed{Value::fromBool(true), FieldType::Boolean}, integer(-1)},
        {real(2.5), bcd("2.50")},
    };
    for (const char* words : {"nocase trim", "abs=1 rel=0.5", "time=day", "nullempty"}) {
        for (const auto& [a, b] : pairs) {
            SCOPED_TRACE(words);
            EXPECT_EQ(equalUnderRule(ValueRef::of(a.value), a.type, ValueRef::of(b.value), b.type,
                                     rule(words)),
                      ValueEquality::equal(a.value, a.type, b.value, b.type));
        }
    }
}

}  // namespace
}  // namespace qm::test
