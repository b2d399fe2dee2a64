#include "list/LookupSource.h"
#include "list/TaggedValue.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

QString shown(const ValueRef& v) {
    return v.null ? u"<null>"_s
                  : QString::fromUtf8(v.bytes.data(), static_cast<qsizetype>(v.bytes.size()));
}

// Codes of every kind against keys of every kind: numbers by number, text
// byte for byte, a code of the other kind in the keys' form, Variant values
// by what they hold.
TEST(LookupSourceTest, CodesFindTheirKeysByValue) {
    LookupSource numbers;
    numbers.add(Value::fromInt(5), FieldType::Integer, Value::fromText(u"five"_s),
                FieldType::String);
    numbers.add(Value::fromFloat(2.5), FieldType::Float, Value::fromText(u"two and a half"_s),
                FieldType::String);
    numbers.add(Value::fromInt(5), FieldType::Integer, Value::fromText(u"second five"_s),
                FieldType::String);
    numbers.add(Value(), FieldType::Integer, Value::fromText(u"null key"_s), FieldType::String);
    numbers.add(Value::fromInt(7), FieldType::Integer, Value(), FieldType::String);
    numbers.add(Value::fromInt(8), FieldType::Integer, Value::fromFloat(0.1), FieldType::Float);

    LookupSource texts;
    texts.add(Value::fromText(u"a"_s), FieldType::String, Value::fromText(u"small a"_s),
              FieldType::String);
    texts.add(Value::fromText(u"A "_s), FieldType::String, Value::fromText(u"  big A  "_s),
              FieldType::String);
    texts.add(Value::fromText(u"12"_s), FieldType::String, Value::fromText(u"twelve"_s),
              FieldType::String);

    const Value five = Value::fromInt(5);
    const Value text5 = Value::fromText(u"5"_s);
    const Value tagged5 = TaggedValue::ofInt(5);
    const Value taggedText5 = TaggedValue::ofText("5");
    const Value float5 = Value::fromFloat(5.0);
    const Value bcd = Value::fromText(u"2.50"_s);
    const struct {
        const char* what;
        const LookupSource& source;
        Value code;
        FieldType type;
        QString expected;
    } cases[] = {
        {"integer", numbers, five, FieldType::Integer, u"five"_s},
        {"whole float", numbers, float5, FieldType::Float, u"five"_s},
        {"fixed-point text", numbers, bcd, FieldType::BCD, u"two and a half"_s},
        {"number as text", numbers, text5, FieldType::String, u"five"_s},
        {"text with a blank", numbers, Value::fromText(u" 5"_s), FieldType::String, u"<null>"_s},
        {"SQLite integer", numbers, tagged5, FieldType::Variant, u"five"_s},
        {"SQLite text", numbers, taggedText5, FieldType::Variant, u"five"_s},
        {"unknown", numbers, Value::fromInt(6), FieldType::Integer, u"<null>"_s},
        {"null code", numbers, Value(), FieldType::Integer, u"<null>"_s},
        {"null display", numbers, Value::fromInt(7), FieldType::Integer, u"<null>"_s},
        {"display as text", numbers, Value::fromInt(8), FieldType::Integer, u"0.1"_s},
        {"text", texts, Value::fromText(u"a"_s), FieldType::String, u"small a"_s},
        {"letter case counts", texts, Value::fromText(u"A"_s), FieldType::String, u"<null>"_s},
        {"blanks count", texts, Value::fromText(u"A "_s), FieldType::String, u"  big A  "_s},
        {"number of a text key", texts, Value::fromInt(12), FieldType::Integer, u"twelve"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(c.source.find(ValueRef::of(c.code), c.type)), c.expected) << c.what;
    }
    EXPECT_EQ(numbers.size(), 4U);
}

}  // namespace
}  // namespace qm
