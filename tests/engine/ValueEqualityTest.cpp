// The equality rule between two column values of possibly different types.

#include "common/Errors.h"
#include "engine/ValueEquality.h"
#include "list/ListTestSupport.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct Typed {
    Value value;
    FieldType type;
    std::string label;
};

Typed null(FieldType t) {
    return {Value(), t, "null " + fieldTypeName(t).toStdString()};
}
Typed integer(std::int64_t n, FieldType t = FieldType::Integer) {
    return {Value::fromInt(n), t, fieldTypeName(t).toStdString() + " " + std::to_string(n)};
}
Typed real(double d, FieldType t = FieldType::Float) {
    return {Value::fromFloat(d), t,
            fieldTypeName(t).toStdString() + " " + ValueText::floatToText(d).toStdString()};
}
Typed bcd(const char* text) {
    return {Value::fromBytes(QByteArray(text)), FieldType::BCD, std::string("BCD ") + text};
}
Typed boolean(bool b) {
    return {Value::fromBool(b), FieldType::Boolean, b ? "true" : "false"};
}
Typed text(const QString& s, FieldType t = FieldType::String) {
    return {Value::fromText(s), t, fieldTypeName(t).toStdString() + " '" + s.toStdString() + "'"};
}
Typed date(int y, int m, int d) {
    return {Value::fromMicros(ValueText::dateToMicros(QDate(y, m, d))), FieldType::Date,
            QDate(y, m, d).toString(Qt::ISODate).toStdString()};
}
// SQLite values of any storage class.
Typed anyInt(std::int64_t n) {
    return {TaggedValue::ofInt(n), FieldType::Variant, "any integer " + std::to_string(n)};
}
Typed anyReal(double d) {
    return {TaggedValue::ofReal(d), FieldType::Variant,
            "any real " + ValueText::floatToText(d).toStdString()};
}
Typed anyText(const QString& s) {
    return {TaggedValue::ofText(s.toUtf8().toStdString()), FieldType::Variant,
            "any text '" + s.toStdString() + "'"};
}
Typed anyBlob(const QByteArray& b) {
    return {TaggedValue::ofBlob(b.toStdString()), FieldType::Variant,
            "any blob " + b.toHex().toStdString()};
}
Typed stamp(const QString& iso, FieldType t = FieldType::DateTime) {
    return {ValueText::fromText(iso, t), t,
            fieldTypeName(t).toStdString() + " " + iso.toStdString()};
}

struct EqualityCase {
    Typed a;
    Typed b;
    bool equal;
};

// Every pair is checked in both orders: the rule does not depend on which
// side a value comes from.
TEST(ValueEqualityTest, TableOfPairs) {
    const double nearlyPoint3 = 0.1 + 0.2;
    const EqualityCase cases[] = {
        // integers keep all 64 bits against floats and number texts
        {integer(9007199254740993), real(9007199254740992.0), false},
        {integer(9007199254740993), text(u"9007199254740992"_s), false},
        {integer(9007199254740993), text(u"9007199254740993"_s), true},
        {integer(5), real(5.5), false},
        // null
        {null(FieldType::Integer), null(FieldType::Float), true},
        {null(FieldType::String), null(FieldType::String), true},
        {null(FieldType::Integer), integer(0), false},
        {null(FieldType::Boolean), boolean(false), false},
        {null(FieldType::Date), date(2024, 1, 5), false},
        {null(FieldType::String), text(u""_s), false},
        {null(FieldType::Memo), text(u""_s, FieldType::Memo), true},
        {null(FieldType::Memo), text(u""_s), true},
        {null(FieldType::FmtMemo), text(u""_s, FieldType::FmtMemo), true},
        {null(FieldType::FmtMemo), null(FieldType::Memo), true},
        {null(FieldType::FmtMemo), text(u""_s), true},
        {null(FieldType::FmtMemo), text(u" "_s, FieldType::Memo), false},
        // binary data keeps null and empty apart, as text does
        {null(FieldType::Blob), text(u""_s, FieldType::Blob), false},
        {null(FieldType::Blob), null(FieldType::Blob), true},
        {null(FieldType::Memo), null(FieldType::Memo), true},
        {null(FieldType::Memo), text(u"x"_s, FieldType::Memo), false},
        // text x text: byte for byte
        {text(u"abc"_s), text(u"abc"_s), true},
        {text(u"abc"_s), text(u"ABC"_s), false},
        {text(u"abc"_s), text(u"abc "_s), false},
        {text(u"5"_s), text(u"5.0"_s), false},
        {text(u"x"_s), text(u"x"_s, FieldType::Memo), true},
        {text(u"x"_s, FieldType::FmtMemo), text(u"x"_s, FieldType::Memo), true},
        {text(u"x"_s, FieldType::FmtMemo), text(u"X"_s, FieldType::Memo), false},
        // integer x ...
        {integer(7, FieldType::Smallint), integer(7), true},
        {integer(7, FieldType::Word), integer(8, FieldType::AutoInc), false},
        {integer(9007199254740993), integer(9007199254740992), false},
        {integer(5), real(5.0), true},
        {integer(5), real(5.5), false},
        {integer(1), real(1.0, FieldType::Currency), true},
        {integer(5), bcd("5.00"), true},
        {integer(5), bcd("5.01"), false},
        {integer(100), bcd("1E2"), true},
        {integer(1), date(1899, 12, 31), true},
        {integer(2), date(1899, 12, 31), false},
        {integer(-1), boolean(true), true},
        {integer(1), boolean(true), false},
        {integer(0), boolean(false), true},
        {integer(5), text(u"5"_s), true},
        {integer(5), text(u" 5 "_s), true},
        {integer(5), text(u"5.0"_s), true},
        {integer(5), text(u"6"_s), false},
        // float x ...
        {real(nearlyPoint3), real(0.3), false},
        {real(-1.0), boolean(true), true},
        {real(1.0), boolean(true), false},
        {real(0.0), boolean(false), true},
        {real(2.5), text(u"2.50"_s), true},
        {real(0.1), text(u"0.1"_s), true},
        {real(2.5), text(u"2.6"_s), false},
        // fixed-point x ...: exact decimals
        {bcd("1.00001"), bcd("1.00002"), false},
        {bcd("12345678901234567.1"), bcd("12345678901234567.2"), false},
        {bcd("1.50"), bcd("1.5"), true},
        {bcd("0010"), bcd("10.000"), true},
        {bcd("-0.00"), bcd("0"), true},
        {bcd("1.50"), real(1.5), true},
        {bcd("0.1"), real(0.1), true},
        {bcd("0.3"), real(nearlyPoint3), false},
        {bcd("-1"), boolean(true), true},
        {bcd("1"), boolean(true), false},
        {bcd("1.5"), text(u"1.50"_s), true},
        {bcd("1.5"), text(u"1.51"_s), false},
        {bcd("1"), date(1899, 12, 31), true},
        // date x ...
        {date(2024, 1, 5), stamp(u"2024-01-05 00:00:00"_s), true},
        {stamp(u"2024-01-05 10:00:00"_s), stamp(u"2024-01-05 10:00:00.000001"_s), false},
        {stamp(u"10:30"_s, FieldType::Time), stamp(u"10:30:00"_s, FieldType::Time), true},
        {date(2024, 1, 5), text(u"2024-01-05"_s), true},
        {date(2024, 1, 5), text(u"2024-01-06"_s), false},
        {stamp(u"2024-01-05 10:30"_s), text(u"2024-01-05 10:30:00"_s), true},
        {stamp(u"10:30"_s, FieldType::Time), text(u"10:30"_s), true},
        {stamp(u"1899-12-31 12:00"_s), real(1.5), true},
        {date(1899, 12, 29), boolean(true), true},
        // Boolean x ...
        {boolean(true), boolean(true), true},
        {boolean(true), boolean(false), false},
        {boolean(true), text(u"True"_s), true},
        {boolean(true), text(u"true"_s), true},
        {boolean(false), text(u"FALSE"_s), true},
        {boolean(true), text(u"False"_s), false},
        {boolean(true), text(u"-1"_s), true},
        {boolean(true), text(u"1"_s), true},
        {boolean(false), text(u"0"_s), true},
        // SQLite values of any class against each other: same class, same bytes
        {anyInt(1), anyInt(1), true},
        {anyInt(1), anyReal(1.0), false},
        {anyInt(1), anyText(u"1"_s), false},
        {anyText(u"1"_s), anyBlob("1"), false},
        {anyInt(49), anyBlob("1"), false},
        {anyBlob(""), null(FieldType::Variant), false},
        {anyText(u""_s), null(FieldType::Variant), false},
        {anyText(u"\uFEFF"_s), anyText(u""_s), false},
        {anyInt(9007199254740993), anyInt(9007199254740992), false},
        {null(FieldType::Variant), null(FieldType::Variant), true},
        // ... against a column type: in their own class's type
        {anyInt(5), integer(5), true},
        {anyInt(5), bcd("5.0"), true},
        {anyInt(9007199254740993), real(9007199254740992.0), false},
        {anyReal(2.5), real(2.5), true},
        {anyText(u"abc"_s), text(u"abc"_s), true},
        {anyText(u"True"_s), boolean(true), true},
        {anyInt(1), boolean(true), true},
        {anyInt(0), boolean(false), true},
        {anyInt(2), boolean(true), false},
        {anyBlob(QByteArray("\x00\xff", 2)),
         {Value::fromBytes(QByteArray("\x00\xff", 2)), FieldType::Blob, "ftBlob 00ff"},
         true},
        {anyBlob("5"), integer(5), false},
        {anyBlob("abc"), text(u"abc"_s), false},
        {anyText(u"abc"_s), text(u"abc"_s, FieldType::Blob), false},
        {anyText(u"x"_s), integer(5), false},
        {null(FieldType::Variant), integer(0), false},
    };
    for (const EqualityCase& c : cases) {
        EXPECT_EQ(ValueEquality::equal(c.a.value, c.a.type, c.b.value, c.b.type), c.equal)
            << c.a.label << " vs " << c.b.label;
        EXPECT_EQ(ValueEquality::equal(c.b.value, c.b.type, c.a.value, c.a.type), c.equal)
            << c.b.label << " vs " << c.a.label;
        // The quick answer of the bulk passes never disagrees.
        EXPECT_EQ(ValueEquality::equalQuick(ValueRef::of(c.a.value), c.a.type,
                                            ValueRef::of(c.b.value), c.b.type),
                  c.equal)
            << "quick: " << c.a.label << " vs " << c.b.label;
    }
}

// A value against the same value stored alike: the quick answer agrees with
// the rule also where a value does not equal itself (NaN) or must be
// converted first (fixed-point text, a date held as text).
TEST(ValueEqualityTest, QuickAnswerForAValueAgainstItself) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Typed values[] = {
        null(FieldType::Integer),
        null(FieldType::Memo),
        integer(-7),
        integer(7, FieldType::Largeint),
        real(0.1),
        real(-0.0),
        real(nan),
        bcd("1.50"),
        bcd("abc"),
        bcd("NaN"),
        boolean(true),
        text(u"Zo\u00eb"_s),
        text(u""_s, FieldType::Memo),
        date(2024, 2, 29),
        stamp(u"2024-02-29T10:11:12"_s),
        {Value::fromText(u"soon"_s), FieldType::Date, "date held as text 'soon'"},
        anyInt(3),
        anyReal(nan),
        anyText(u"x"_s),
        anyBlob(QByteArray("\0\1", 2)),
    };
    for (const Typed& v : values) {
        const ValueRef r = ValueRef::of(v.value);
        EXPECT_EQ(ValueEquality::equalQuick(r, v.type, r, v.type),
                  ValueEquality::equal(r, v.type, r, v.type))
            << v.label;
    }
}

// A text that is no value of the other kind equals none of its values.
TEST(ValueEqualityTest, TextThatCannotBeConvertedDiffers) {
    const std::pair<Typed, Typed> cases[] = {
        {text(u"x"_s), integer(5)},
        {text(u"x"_s), real(5.0)},
        {text(u"x"_s), bcd("1")},
        {text(u"1.2.3"_s), bcd("1")},
        {text(u"soon"_s), date(2024, 1, 5)},
        {text(u"maybe"_s), boolean(true)},
    };
    for (const auto& [a, b] : cases) {
        EXPECT_FALSE(ValueEquality::equal(a.value, a.type, b.value, b.type))
            << a.label << " vs " << b.label;
        EXPECT_FALSE(ValueEquality::equal(b.value, b.type, a.value, a.type))
            << b.label << " vs " << a.label;
    }
    EXPECT_FALSE(ValueEquality::equal(Value(), FieldType::Integer, Value::fromText(u"x"_s),
                                      FieldType::String));
}

}  // namespace
}  // namespace qm::test
