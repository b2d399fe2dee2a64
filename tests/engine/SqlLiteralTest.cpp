#include "common/Errors.h"
#include "engine/SqlLiteral.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
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
        // A whole real from 2^53 on must not read as an integer in SQLite;
        // below it the integer text is the same value.
        {Value::fromFloat(1.2345678901234567e18), FieldType::Float, SqlDialect::SQLite,
         u"1234567890123456800.0"_s},
        {Value::fromFloat(9007199254740992.0), FieldType::Float, SqlDialect::SQLite,
         u"9007199254740992.0"_s},
        {Value::fromFloat(9007199254740991.0), FieldType::Float, SqlDialect::SQLite,
         u"9007199254740991"_s},
        {Value::fromFloat(1.2345678901234567e18), FieldType::Float, SqlDialect::PostgreSQL,
         u"1234567890123456800"_s},
        {Value::fromFloat(std::nan("")), FieldType::Float, SqlDialect::PostgreSQL, u"'NaN'"_s},
        {Value::fromFloat(inf), FieldType::Float, SqlDialect::PostgreSQL, u"'Infinity'"_s},
        {Value::fromFloat(-inf), FieldType::Float, SqlDialect::SQLite, u"-9e999"_s},
        {Value::fromBytes("123.4500"), FieldType::BCD, SqlDialect::PostgreSQL, u"123.4500"_s},
        // PostgreSQL's numeric holds NaN, which is no number text: it is quoted.
        {Value::fromBytes("NaN"), FieldType::BCD, SqlDialect::PostgreSQL, u"'NaN'"_s},
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
        {Value::fromBytes(QByteArray("\x00\xff\x10", 3)), FieldType::Blob, SqlDialect::PostgreSQL,
         u"decode('00FF10', 'hex')"_s},
    };
    for (const LiteralCase& c : cases) {
        EXPECT_EQ(SqlLiteral::of(c.value, c.type, c.dialect), c.literal)
            << fieldTypeName(c.type).toStdString() << " " << static_cast<int>(c.dialect);
    }
}

// SQLite, MySQL and standard SQL have no NaN; NULL would be another value.
TEST(SqlLiteralTest, NanIsRefusedWhereTheDialectCannotStoreIt) {
    for (const SqlDialect d : {SqlDialect::SQLite, SqlDialect::MySQL, SqlDialect::Generic}) {
        EXPECT_THROW(SqlLiteral::of(Value::fromFloat(std::nan("")), FieldType::Float, d),
                     ConversionError)
            << static_cast<int>(d);
    }
}

TEST(SqlLiteralTest, ValuesOfAnyStorageClassKeepTheirClass) {
    const LiteralCase cases[] = {
        {TaggedValue::ofInt(1), FieldType::Variant, SqlDialect::SQLite, u"1"_s},
        {TaggedValue::ofInt(-9223372036854775807 - 1), FieldType::Variant, SqlDialect::SQLite,
         u"-9223372036854775808"_s},
        {TaggedValue::ofReal(1.0), FieldType::Variant, SqlDialect::SQLite, u"1.0"_s},
        {TaggedValue::ofReal(-0.0), FieldType::Variant, SqlDialect::SQLite, u"-0.0"_s},
        {TaggedValue::ofReal(1e20), FieldType::Variant, SqlDialect::SQLite, u"1e+20"_s},
        {TaggedValue::ofReal(0.25), FieldType::Variant, SqlDialect::SQLite, u"0.25"_s},
        {TaggedValue::ofText("1"), FieldType::Variant, SqlDialect::SQLite, u"'1'"_s},
        {TaggedValue::ofText(""), FieldType::Variant, SqlDialect::SQLite, u"''"_s},
        {TaggedValue::ofBlob("1"), FieldType::Variant, SqlDialect::SQLite, u"X'31'"_s},
        {TaggedValue::ofBlob(""), FieldType::Variant, SqlDialect::SQLite, u"X''"_s},
        {TaggedValue::ofBlob(std::string_view("\0\xff", 2)), FieldType::Variant, SqlDialect::SQLite,
         u"X'00FF'"_s},
        {TaggedValue::ofText("\xEF\xBB\xBF"), FieldType::Variant, SqlDialect::SQLite,
         u"'\uFEFF'"_s},
        // Text as it is, byte for byte: a leading U+FEFF, NUL, bytes that are not UTF-8.
        {Value::fromBytes("\xEF\xBB\xBF"), FieldType::String, SqlDialect::SQLite, u"'\uFEFF'"_s},
        {Value::fromBytes("\xEF\xBB\xBF\xEF\xBB\xBFx"), FieldType::String, SqlDialect::PostgreSQL,
         u"'\uFEFF\uFEFFx'"_s},
        {Value::fromBytes(QByteArray("a\0'b", 4)), FieldType::String, SqlDialect::SQLite,
         u"'a' || char(0) || '''b'"_s},
        {Value::fromBytes(QByteArray("\0\0", 2)), FieldType::Memo, SqlDialect::SQLite,
         u"char(0) || char(0)"_s},
        {Value::fromBytes(QByteArray("a\0", 2)), FieldType::String, SqlDialect::MySQL, u"'a\\0'"_s},
        {Value::fromBytes("a\xFF"
                          "b"),
         FieldType::String, SqlDialect::SQLite, u"CAST(X'61FF62' AS TEXT)"_s},
        // Binary data: empty is not NULL.
        {Value::fromBytes(QByteArray()), FieldType::Blob, SqlDialect::SQLite, u"X''"_s},
        {Value::fromBytes(QByteArray()), FieldType::Blob, SqlDialect::PostgreSQL,
         u"decode('', 'hex')"_s},
        // Fixed-point numbers exactly as given.
        {Value::fromBytes("9223372036854775807"), FieldType::BCD, SqlDialect::SQLite,
         u"9223372036854775807"_s},
        {Value::fromBytes("9007199254740993"), FieldType::BCD, SqlDialect::PostgreSQL,
         u"9007199254740993"_s},
        {Value::fromBytes("-12345678901234567890.5"), FieldType::BCD, SqlDialect::PostgreSQL,
         u"-12345678901234567890.5"_s},
    };
    for (const LiteralCase& c : cases) {
        EXPECT_EQ(SqlLiteral::of(c.value, c.type, c.dialect), c.literal)
            << fieldTypeName(c.type).toStdString() << " " << static_cast<int>(c.dialect) << " "
            << c.value.asBytes().toHex().toStdString();
    }
}

TEST(SqlLiteralTest, TextADialectCannotStoreIsRefused) {
    const std::pair<QByteArray, SqlDialect> cases[] = {
        {QByteArray("a\0b", 3), SqlDialect::PostgreSQL},
        {QByteArray("\0", 1), SqlDialect::Generic},
        {QByteArray("a\xFF"), SqlDialect::PostgreSQL},
        {QByteArray("a\xFF"), SqlDialect::MySQL},
    };
    for (const auto& [bytes, dialect] : cases) {
        EXPECT_THROW(SqlLiteral::of(Value::fromBytes(bytes), FieldType::String, dialect),
                     ConversionError)
            << bytes.toHex().toStdString();
    }
}

// SQLite's parser reads some shortest texts one unit in the last place off;
// such reals get a text (or expression) it reads exactly.
TEST(SqlLiteralTest, SqliteRealsReadBackExactly) {
    const double cases[] = {-2.496913437261125e+303,
                            8.082153247385894e-308,
                            0.1,
                            1e23,
                            5e-324,
                            1.7976931348623157e308,
                            -1e-7,
                            123456789.0};
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    for (const double d : cases) {
        for (const FieldType type : {FieldType::Float, FieldType::Variant}) {
            const Value v = type == FieldType::Float ? Value::fromFloat(d) : TaggedValue::ofReal(d);
            const QString literal = SqlLiteral::of(v, type, SqlDialect::SQLite);
            const QByteArray sql = "SELECT " + literal.toLatin1();
            sqlite3_stmt* stmt = nullptr;
            ASSERT_EQ(sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr), SQLITE_OK)
                << sql.toStdString();
            ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
            EXPECT_EQ(sqlite3_column_double(stmt, 0), d) << sql.toStdString();
            sqlite3_finalize(stmt);
        }
    }
    sqlite3_close(db);
    // Where the shortest text is read right, it stays the literal.
    EXPECT_EQ(SqlLiteral::of(Value::fromFloat(0.1), FieldType::Float, SqlDialect::SQLite),
              u"0.1"_s);
    EXPECT_NE(SqlLiteral::of(Value::fromFloat(-2.496913437261125e+303), FieldType::Float,
                             SqlDialect::SQLite),
              u"-2.496913437261125e+303"_s);
}

TEST(SqlLiteralTest, CommentTextCannotEndOrNestAComment) {
    EXPECT_EQ(SqlLiteral::commentSafe(u"'a */ DROP TABLE t; /* b'"_s),
              u"'a * / DROP TABLE t; / * b'"_s);
    EXPECT_EQ(SqlLiteral::commentSafe(u"plain"_s), u"plain"_s);
}

}  // namespace
}  // namespace qm
