#include "engine/SqlLiteral.h"
#include "list/ValueText.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

struct LiteralCase {
    Value value;
    FieldType type;
    SqlDialect dialect;
    QString literal;
};

TEST(SqlLiteralTest, ValuesAreWrittenLocaleIndependentAndValidInTheDialect) {
    const auto dt = [](const char* text, FieldType t) {
        return ValueText::fromText(QString::fromLatin1(text), t);
    };
    const double inf = std::numeric_limits<double>::infinity();
    const LiteralCase cases[] = {
        {Value(), FieldType::String, SqlDialect::Generic, u"NULL"_s},
        {Value(), FieldType::Integer, SqlDialect::PostgreSQL, u"NULL"_s},
        {Value::fromText(u"O'Neil"_s), FieldType::String, SqlDialect::SQLite, u"'O''Neil'"_s},
        {Value::fromText(QString()), FieldType::String, SqlDialect::SQLite, u"''"_s},
        {Value::fromText(u"a;b */ c"_s), FieldType::Memo, SqlDialect::SQLite, u"'a;b */ c'"_s},
        {Value::fromText(u"C:\\new"_s), FieldType::String, SqlDialect::SQLite, u"'C:\\new'"_s},
        {Value::fromText(u"C:\\new"_s), FieldType::String, SqlDialect::PostgreSQL,
         u"E'C:\\\\new'"_s},
        {Value::fromText(u"it's C:\\"_s), FieldType::String, SqlDialect::MySQL,
         u"'it''s C:\\\\'"_s},
        {Value::fromText(u"zw\u00f6lf"_s), FieldType::String, SqlDialect::PostgreSQL,
         u"'zw\u00f6lf'"_s},
        {Value::fromInt(-9007199254740993), FieldType::Integer, SqlDialect::Generic,
         u"-9007199254740993"_s},
        {Value::fromFloat(1234.5), FieldType::Float, SqlDialect::Generic, u"1234.5"_s},
        {Value::fromFloat(0.1), FieldType::Float, SqlDialect::SQLite, u"0.1"_s},
        {Value::fromFloat(1e300), FieldType::Float, SqlDialect::SQLite, u"1e+300"_s},
        {Value::fromFloat(inf), FieldType::Float, SqlDialect::PostgreSQL, u"'Infinity'"_s},
        {Value::fromFloat(-inf), FieldType::Float, SqlDialect::SQLite, u"-9e999"_s},
        {Value::fromBytes("123.4500"), FieldType::BCD, SqlDialect::PostgreSQL, u"123.4500"_s},
        {Value::fromBool(true), FieldType::Boolean, SqlDialect::SQLite, u"1"_s},
        {Value::fromBool(false), FieldType::Boolean, SqlDialect::Generic, u"0"_s},
        {Value::fromBool(true), FieldType::Boolean, SqlDialect::PostgreSQL, u"TRUE"_s},
        {dt("2024-02-29", FieldType::Date), FieldType::Date, SqlDialect::PostgreSQL,
         u"'2024-02-29'"_s},
        {dt("2024-02-29 13:45:10.123456", FieldType::DateTime), FieldType::DateTime,
         SqlDialect::SQLite, u"'2024-02-29 13:45:10.123456'"_s},
        {dt("23:59:59", FieldType::Time), FieldType::Time, SqlDialect::Generic, u"'23:59:59'"_s},
        {Value::fromBytes(QByteArray("\x00\xff\x10", 3)), FieldType::Blob, SqlDialect::SQLite,
         u"X'00FF10'"_s},
        {Value::fromBytes(QByteArray("\x00\xff\x10", 3)), FieldType::Blob,
         SqlDialect::PostgreSQL, u"decode('00FF10', 'hex')"_s},
    };
    for (const LiteralCase& c : cases) {
        EXPECT_EQ(SqlLiteral::of(c.value, c.type, c.dialect), c.literal)
            << fieldTypeName(c.type).toStdString() << " " << static_cast<int>(c.dialect);
    }
}

TEST(SqlLiteralTest, CommentTextCannotEndOrNestAComment) {
    EXPECT_EQ(SqlLiteral::commentSafe(u"'a */ DROP TABLE t; /* b'"_s),
              u"'a * / DROP TABLE t; / * b'"_s);
    EXPECT_EQ(SqlLiteral::commentSafe(u"plain"_s), u"plain"_s);
}

}  // namespace
}  // namespace qm
