// Text and variant forms of column values.

#include "ListTestSupport.h"
#include "common/Errors.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

using namespace ValueText;

struct TextCase {
    FieldType type;
    QString input;
    QString canonical;  // what toText gives for the value read
};

TEST(ValueTextTest, TextRoundTripsForEveryColumnType) {
    const TextCase cases[] = {
        {FieldType::String, u"héllo wörld"_s, u"héllo wörld"_s},
        {FieldType::String, u" padded "_s, u" padded "_s},
        {FieldType::Memo, u"line1\r\nline2"_s, u"line1\r\nline2"_s},
        {FieldType::Integer, u"42"_s, u"42"_s},
        {FieldType::Integer, u" -17 "_s, u"-17"_s},
        {FieldType::Smallint, u"+5"_s, u"5"_s},
        {FieldType::AutoInc, u"9223372036854775807"_s, u"9223372036854775807"_s},
        {FieldType::Boolean, u"True"_s, u"True"_s},
        {FieldType::Boolean, u"fal"_s, u"False"_s},
        {FieldType::Boolean, u"-1"_s, u"True"_s},
        {FieldType::Boolean, u"0"_s, u"False"_s},
        {FieldType::Float, u"2.50"_s, u"2.5"_s},
        {FieldType::Float, u"5"_s, u"5"_s},
        {FieldType::Float, u"-0.001"_s, u"-0.001"_s},
        {FieldType::Currency, u"19.99"_s, u"19.99"_s},
        {FieldType::BCD, u" 1.50 "_s, u"1.50"_s},
        {FieldType::BCD, u"-12345678901234567890.123"_s, u"-12345678901234567890.123"_s},
        {FieldType::Date, u"2024-02-29"_s, u"2024-02-29"_s},
        {FieldType::Date, u"1899-12-30"_s, u"1899-12-30"_s},
        {FieldType::Date, u"1700-03-01"_s, u"1700-03-01"_s},
        {FieldType::Time, u"13:45"_s, u"13:45:00"_s},
        {FieldType::Time, u"00:00:00.000001"_s, u"00:00:00.000001"_s},
        {FieldType::Time, u"23:59:59.5"_s, u"23:59:59.5"_s},
        {FieldType::Time, u"08:00:00,25"_s, u"08:00:00.25"_s},
        {FieldType::DateTime, u"2024-01-05 12:34:56.123456"_s, u"2024-01-05 12:34:56.123456"_s},
        {FieldType::DateTime, u"2024-01-05T07:08"_s, u"2024-01-05 07:08:00"_s},
        {FieldType::DateTime, u"2024-01-05"_s, u"2024-01-05 00:00:00"_s},
        {FieldType::DateTime, u"1800-02-28 23:59:59.999999"_s, u"1800-02-28 23:59:59.999999"_s},
        {FieldType::Blob, u"\u00ff\u0001raw"_s, u"\u00ff\u0001raw"_s},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(fieldTypeName(c.type).toStdString() + " '" + c.input.toStdString() + "'");
        const Value v = fromText(c.input, c.type);
        ASSERT_FALSE(v.isNull());
        EXPECT_EQ(v.storage(), storageClassOf(c.type));
        EXPECT_EQ(toText(v, c.type), c.canonical);
        EXPECT_EQ(fromText(c.canonical, c.type), v) << "the text form reads back to the value";
    }
}

TEST(ValueTextTest, TextKeepsALeadingByteOrderMark) {
    const QByteArray cases[] = {"\xEF\xBB\xBF", "\xEF\xBB\xBF\xEF\xBB\xBFx",
                                "\xEF\xBB\xBFzo\xC3\xAB", "a\xEF\xBB\xBF", ""};
    for (const QByteArray& utf8 : cases) {
        EXPECT_EQ(ValueText::utf8ToString(utf8).toUtf8(), utf8) << utf8.toHex().toStdString();
        const Value v = Value::fromBytes(utf8);
        EXPECT_EQ(ValueText::toText(v, FieldType::String).toUtf8(), utf8);
        EXPECT_EQ(ValueText::fromText(ValueText::toText(v, FieldType::String), FieldType::String),
                  v);
        EXPECT_EQ(ValueText::toVariant(v, FieldType::Memo).toString().toUtf8(), utf8);
    }
}

TEST(ValueTextTest, ValuesOfAnyStorageClassConvert) {
    EXPECT_EQ(ValueText::toText(TaggedValue::ofInt(9007199254740993), FieldType::Variant),
              u"9007199254740993"_s);
    EXPECT_EQ(ValueText::toText(TaggedValue::ofReal(2.0), FieldType::Variant), u"2"_s);
    EXPECT_EQ(ValueText::toText(TaggedValue::ofText("\xEF\xBB\xBF"), FieldType::Variant),
              u"\uFEFF"_s);
    // Entered text is text, also when it looks like a number or is empty.
    EXPECT_EQ(ValueText::fromText(u"5"_s, FieldType::Variant), TaggedValue::ofText("5"));
    EXPECT_EQ(ValueText::fromText(QString(), FieldType::Variant), TaggedValue::ofText(""));
    EXPECT_EQ(ValueText::fromVariant(QVariant(qlonglong{7}), FieldType::Variant),
              TaggedValue::ofInt(7));
    EXPECT_EQ(ValueText::fromVariant(QVariant(QByteArray("\0", 1)), FieldType::Variant),
              TaggedValue::ofBlob(std::string_view("\0", 1)));
    EXPECT_EQ(ValueText::toVariant(TaggedValue::ofReal(0.5), FieldType::Variant), QVariant(0.5));
    // A fixed-point number is an integer where it is a whole 64-bit number.
    EXPECT_EQ(TaggedValue::fromTyped(Value::fromBytes("9223372036854775807.000"), FieldType::BCD),
              TaggedValue::ofInt(9223372036854775807));
    EXPECT_EQ(TaggedValue::fromTyped(Value::fromBytes("1.5"), FieldType::BCD),
              TaggedValue::ofReal(1.5));
    EXPECT_EQ(TaggedValue::fromTyped(Value::fromBool(true), FieldType::Boolean),
              TaggedValue::ofInt(1));
    EXPECT_EQ(TaggedValue::fromTyped(Value::fromBytes("ab"), FieldType::Blob),
              TaggedValue::ofBlob("ab"));
}

TEST(ValueTextTest, EmptyTextIsNullExceptForText) {
    for (FieldType t : {FieldType::Integer, FieldType::Float, FieldType::Boolean, FieldType::BCD,
                        FieldType::Date, FieldType::Time, FieldType::DateTime, FieldType::Blob}) {
        EXPECT_TRUE(fromText(QString(), t).isNull()) << fieldTypeName(t).toStdString();
    }
    for (FieldType t : {FieldType::String, FieldType::Memo}) {
        const Value v = fromText(QString(), t);
        EXPECT_FALSE(v.isNull());
        EXPECT_TRUE(v.asBytes().isEmpty());
    }
    EXPECT_EQ(toText(Value(), FieldType::Integer), QString());
}

TEST(ValueTextTest, TextsThatDoNotFitRaise) {
    const TextCase cases[] = {
        {FieldType::Integer, u"x"_s, {}},
        {FieldType::Integer, u"1.5"_s, {}},
        {FieldType::Integer, u"99999999999999999999"_s, {}},
        {FieldType::Float, u"abc"_s, {}},
        {FieldType::Float, u"1,5"_s, {}},
        {FieldType::Boolean, u"yes"_s, {}},
        {FieldType::Boolean, u"2"_s, {}},
        {FieldType::Boolean, u"Truer"_s, {}},
        {FieldType::BCD, u"1.2.3"_s, {}},
        {FieldType::BCD, u"ten"_s, {}},
        {FieldType::Date, u"2024-02-30"_s, {}},
        {FieldType::Date, u"2024-1-5"_s, {}},
        {FieldType::Date, u"05.01.2024"_s, {}},
        {FieldType::Date, u"2024-01-05x"_s, {}},
        {FieldType::Time, u"25:00"_s, {}},
        {FieldType::Time, u"12:60"_s, {}},
        {FieldType::Time, u"12:00:00."_s, {}},
        {FieldType::DateTime, u"2024-01-05 7:00"_s, {}},
    };
    for (const TextCase& c : cases) {
        EXPECT_THROW(fromText(c.input, c.type), ConversionError)
            << fieldTypeName(c.type).toStdString() << " '" << c.input.toStdString() << "'";
    }
}

// Hour 24 may only stand for the end of a day: "24:00" (or "24:00:00").
// PostgreSQL stores that time apart from "00:00", so as a time of day it is
// a value of its own that prints and reads back as itself; in a time stamp
// it is the next day's midnight.
TEST(ValueTextTest, HourTwentyFourIsOnlyTheEndOfTheDay) {
    const Value end = fromText(u"24:00"_s, FieldType::Time);
    EXPECT_EQ(end, Value::fromMicros(86400LL * 1000000LL));
    EXPECT_NE(end, fromText(u"00:00"_s, FieldType::Time));
    EXPECT_EQ(toText(end, FieldType::Time), u"24:00:00"_s);
    for (const QString& same : {u"24:00:00"_s, u"24:00:00.000"_s, u"23:59:60"_s}) {
        EXPECT_EQ(fromText(same, FieldType::Time), end) << same.toStdString();
    }
    EXPECT_EQ(fromText(toText(end, FieldType::Time), FieldType::Time), end);
    const QVariant asVariant = toVariant(end, FieldType::Time);
    EXPECT_EQ(asVariant.toString(), u"24:00:00"_s);
    EXPECT_EQ(fromVariant(asVariant, FieldType::Time), end);
    EXPECT_EQ(fromVariant(asVariant, FieldType::String), Value::fromText(u"24:00:00"_s));

    const Value stamp = fromText(u"2024-01-05 24:00"_s, FieldType::DateTime);
    EXPECT_EQ(stamp, fromText(u"2024-01-06 00:00"_s, FieldType::DateTime));
    EXPECT_EQ(toText(stamp, FieldType::DateTime), u"2024-01-06 00:00:00"_s);

    for (FieldType t : {FieldType::Time, FieldType::DateTime}) {
        const QString date = t == FieldType::Time ? QString() : u"2024-01-05 "_s;
        for (const QString& time :
             {u"24:01"_s, u"24:59:59"_s, u"24:00:00.5"_s, u"23:59:60.5"_s, u"24:00:60"_s}) {
            EXPECT_THROW(fromText(date + time, t), ConversionError) << (date + time).toStdString();
        }
    }
}

TEST(ValueTextTest, FloatTextIsTheShortestThatReadsBack) {
    const double values[] = {0.1,
                             1.0 / 3.0,
                             2.0 / 3.0,
                             1e300,
                             -2.5e-10,
                             1e-320,
                             123456789.125,
                             0.3,
                             std::numeric_limits<double>::max(),
                             -1e22,
                             std::nextafter(1.0, 2.0)};
    for (double d : values) {
        const QString text = floatToText(d);
        const Value back = fromText(text, FieldType::Float);
        EXPECT_EQ(back.asFloat(), d) << text.toStdString();
    }
    EXPECT_EQ(floatToText(0.1), u"0.1"_s);
    EXPECT_EQ(floatToText(0.1 + 0.2), u"0.30000000000000004"_s);
    EXPECT_EQ(floatToText(100.0), u"100"_s);
}

TEST(ValueTextTest, MicrosecondsCountFromTheEpoch) {
    EXPECT_EQ(dateToMicros(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(dateToMicros(QDate(1899, 12, 31)), 86400LL * 1000000);
    EXPECT_EQ(dateToMicros(QDate(1899, 12, 29)), -86400LL * 1000000);
    EXPECT_EQ(microsToDate(-1), QDate(1899, 12, 29));
    EXPECT_EQ(microsToTime(-1000), QTime(23, 59, 59, 999));
    EXPECT_EQ(timeToMicros(QTime(1, 2, 3, 4)), 3723004000LL);
    const QDateTime dt(QDate(2024, 1, 5), QTime(12, 34, 56, 789));
    EXPECT_EQ(microsToDateTime(dateTimeToMicros(dt)), dt);

    std::int64_t us = 0;
    ASSERT_TRUE(parseDateTime(u"2024-01-05 00:00:00.000001", FieldType::DateTime, us));
    EXPECT_EQ(us, dateToMicros(QDate(2024, 1, 5)) + 1);
    ASSERT_TRUE(parseDateTime(u"2024-01-05 06:00", FieldType::Time, us));
    EXPECT_EQ(us, 6LL * 3600 * 1000000) << "a time column keeps only the time of day";
    EXPECT_FALSE(parseDateTime(u"noon", FieldType::Time, us));
}

TEST(ValueTextTest, VariantsConvertToTheColumnType) {
    struct Case {
        QVariant in;
        FieldType type;
        QString text;  // toText of the value
    };
    const Case cases[] = {
        {QVariant(7.0), FieldType::Integer, u"7"_s},
        {QVariant(true), FieldType::Integer, u"-1"_s},
        {QVariant(true), FieldType::Float, u"-1"_s},
        {QVariant(u"12"_s), FieldType::Smallint, u"12"_s},
        {QVariant(2), FieldType::Boolean, u"True"_s},
        {QVariant(u"T"_s), FieldType::Boolean, u"True"_s},
        {QVariant(1.25), FieldType::BCD, u"1.25"_s},
        {QVariant(1.25), FieldType::String, u"1.25"_s},
        {QVariant(false), FieldType::String, u"False"_s},
        {QVariant(QDate(2024, 1, 5)), FieldType::String, u"2024-01-05"_s},
        {QVariant(QDateTime(QDate(2024, 1, 5), QTime(9, 30))), FieldType::Time, u"09:30:00"_s},
        {QVariant(u"2024-01-05 09:30"_s), FieldType::DateTime, u"2024-01-05 09:30:00"_s},
        {QVariant(QByteArray("\x01\x02")), FieldType::Blob, u"\u0001\u0002"_s},
    };
    for (const Case& c : cases) {
        const Value v = fromVariant(c.in, c.type);
        EXPECT_EQ(toText(v, c.type), c.text)
            << c.in.toString().toStdString() << " as " << fieldTypeName(c.type).toStdString();
    }
    EXPECT_TRUE(fromVariant(QVariant(), FieldType::String).isNull());
    EXPECT_THROW(fromVariant(QVariant(7.5), FieldType::Integer), ConversionError);
    EXPECT_THROW(fromVariant(QVariant(u"seven"_s), FieldType::Integer), ConversionError);

    const Value date = fromText(u"2024-01-05"_s, FieldType::Date);
    EXPECT_EQ(toVariant(date, FieldType::Date), QVariant(QDate(2024, 1, 5)));
    EXPECT_EQ(toVariant(fromText(u"42"_s, FieldType::Integer), FieldType::Integer).toLongLong(),
              42);
    EXPECT_FALSE(toVariant(Value(), FieldType::Integer).isValid());
}

}  // namespace
}  // namespace qm::test
