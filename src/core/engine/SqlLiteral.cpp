#include "engine/SqlLiteral.h"

#include "common/Errors.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <sqlite3.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm {

namespace SqlLiteral {
namespace {

const char* dialectName(SqlDialect dialect);

QString hexOf(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

// SQLite reads a number literal with its own parser, which is not exact
// for every text (3.40 reads -2.496913437261125e+303 one unit in the last
// place off). The linked library's parser is asked what it reads, through
// a statement on a private in-memory database.
class SqliteNumberReader {
public:
    SqliteNumberReader() {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, nullptr) ==
            SQLITE_OK) {
            db_.reset(db);
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT CAST(?1 AS REAL)", -1, &stmt, nullptr) ==
                SQLITE_OK) {
                stmt_.reset(stmt);
            }
        } else if (db) {
            sqlite3_close(db);
        }
    }
    /// True when SQLite computes the expression as exactly d.
    bool computes(const QByteArray& expression, double d) {
        if (!db_) {
            return true;
        }
        sqlite3_stmt* raw = nullptr;
        const QByteArray sql = "SELECT " + expression;
        if (sqlite3_prepare_v2(db_.get(), sql.constData(), static_cast<int>(sql.size()), &raw,
                               nullptr) != SQLITE_OK) {
            sqlite3_finalize(raw);
            return false;
        }
        const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw,
                                                                              &sqlite3_finalize);
        if (sqlite3_step(stmt.get()) != SQLITE_ROW ||
            sqlite3_column_type(stmt.get(), 0) != SQLITE_FLOAT) {
            return false;
        }
        const double read = sqlite3_column_double(stmt.get(), 0);
        return read == d && std::signbit(read) == std::signbit(d);
    }
    /// True when SQLite reads the text as exactly d (or cannot be asked).
    bool readsAs(const QByteArray& text, double d) {
        if (!stmt_) {
            return true;
        }
        sqlite3_reset(stmt_.get());
        sqlite3_bind_text(stmt_.get(), 1, text.constData(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        bool same = true;
        if (sqlite3_step(stmt_.get()) == SQLITE_ROW) {
            const double read = sqlite3_column_double(stmt_.get(), 0);
            same = read == d && std::signbit(read) == std::signbit(d);
        }
        sqlite3_reset(stmt_.get());
        return same;
    }

private:
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, &sqlite3_close};
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt_{nullptr, &sqlite3_finalize};
};

SqliteNumberReader& numberReader() {
    thread_local SqliteNumberReader reader;
    return reader;
}

bool looksIntegral(const QString& text) {
    return !text.contains(u'.') && !text.contains(u'e') && !text.contains(u'E');
}

// A finite real as SQLite reads it back exactly: the shortest text where
// that is read right, else 17 significant digits or a neighbouring 17-digit
// text, else an expression (see below). With keepReal, a whole number gets
// ".0", so that a column without affinity stores a real, not an integer.
// From 2^53 on, a whole number always gets ".0": its shortest text
// (1234567890123456800) is read as an integer, which is not the stored
// real, so that `k = 1234567890123456800` would match no row of a REAL
// column. Below 2^53 the integer equals the real and the text stays short.
QString sqliteReal(double d, bool keepReal) {
    if (d == 0 && std::signbit(d)) {
        return u"-0.0"_s;  // the shortest text drops the sign
    }
    SqliteNumberReader& reader = numberReader();
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
    const bool markReal = keepReal || std::abs(d) >= kExactIntegers;
    const auto finish = [markReal](QString t) {
        return markReal && looksIntegral(t) ? t + u".0"_s : t;
    };
    const QString shortest = finish(ValueText::floatToText(d));
    if (reader.readsAs(shortest.toLatin1(), d)) {
        return shortest;
    }
    const QString full = finish(QString::number(d, 'g', 17));
    if (reader.readsAs(full.toLatin1(), d)) {
        return full;
    }
    // Other 17-digit texts just beside it still read back as the value
    // under correct rounding; one of them may suit SQLite's parser better.
    const QString sci = QString::number(d, 'e', 16);  // [-]d.dddddddddddddddde[+-]x
    const qsizetype e = sci.indexOf(u'e');
    const bool negative = sci.startsWith(u'-');
    QString digits = sci.left(e);
    digits.remove(u'-');
    digits.remove(u'.');
    const qlonglong mantissa = digits.toLongLong();
    const QString exponent = sci.mid(e);
    for (const qlonglong offset : {1LL, -1LL, 2LL, -2LL, 3LL, -3LL}) {
        const QString m = QString::number(mantissa + offset);
        if (m.size() != digits.size()) {
            continue;
        }
        const QString candidate =
            (negative ? u"-"_s : QString()) + m.left(1) + u'.' + m.mid(1) + exponent;
        bool ok = false;
        if (candidate.toDouble(&ok) == d && ok && reader.readsAs(candidate.toLatin1(), d)) {
            return candidate;
        }
    }
    // No decimal text suits SQLite's parser: the value as its binary
    // significand times a power of two, which double arithmetic computes
    // exactly (a whole number up to 2^53 and powers of two up to 2^62 are
    // read exactly, and scaling by them loses nothing).
    int exp2 = 0;
    const double fraction = std::frexp(d, &exp2);
    const auto significand = static_cast<qlonglong>(std::ldexp(fraction, 53));
    int shift = exp2 - 53;
    QString expression = u"(%1.0"_s.arg(significand);
    while (shift != 0) {
        const int step = std::clamp(shift, -62, 62);
        expression +=
            (step > 0 ? u" * "_s : u" / "_s) + QString::number(qulonglong{1} << std::abs(step));
        shift -= step;
    }
    expression += u')';
    return reader.computes(expression.toLatin1(), d) ? expression : full;
}

QString floatLiteral(double d, SqlDialect dialect, bool keepReal = false) {
    if (std::isfinite(d)) {
        if (dialect == SqlDialect::SQLite) {
            return sqliteReal(d, keepReal);
        }
        if (d == 0 && std::signbit(d)) {
            // The shortest text drops the sign, and PostgreSQL reads -0 as
            // the integer 0 negated: only its float text keeps the sign.
            return dialect == SqlDialect::PostgreSQL ? u"'-0'"_s : u"-0.0"_s;
        }
        return ValueText::floatToText(d);
    }
    if (dialect == SqlDialect::PostgreSQL) {
        return std::isnan(d) ? u"'NaN'"_s : (d > 0 ? u"'Infinity'"_s : u"'-Infinity'"_s);
    }
    if (std::isnan(d)) {
        // No other dialect stores a NaN; NULL would be another value.
        throw ConversionError(u"The value is NaN (not a number), which %1 cannot store"_s.arg(
            QLatin1StringView(dialectName(dialect))));
    }
    return d > 0 ? u"9e999"_s : u"-9e999"_s;  // overflows to infinity where it is stored
}

}  // namespace

QString quoteText(const QString& text, SqlDialect dialect) {
    QString t = text;
    t.replace(u'\'', u"''"_s);
    if (dialect == SqlDialect::MySQL) {
        t.replace(u'\\', u"\\\\"_s);
    } else if (dialect == SqlDialect::PostgreSQL && t.contains(u'\\')) {
        // An escape string reads the same whatever standard_conforming_strings says.
        t.replace(u'\\', u"\\\\"_s);
        return u"E'"_s + t + u'\'';
    }
    return u'\'' + t + u'\'';
}

QString commentSafe(const QString& text) {
    QString t = text;
    t.replace(u"*/"_s, u"* /"_s);
    t.replace(u"/*"_s, u"/ *"_s);
    return t;
}

namespace {

const char* dialectName(SqlDialect dialect) {
    switch (dialect) {
        case SqlDialect::PostgreSQL:
            return "PostgreSQL";
        case SqlDialect::MySQL:
            return "MySQL";
        case SqlDialect::SQLite:
            return "SQLite";
        case SqlDialect::Generic:
            break;
    }
    return "standard SQL";
}

QString binaryLiteral(std::string_view bytes, SqlDialect dialect) {
    const QString hex = hexOf(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (dialect == SqlDialect::PostgreSQL) {
        return u"decode('%1', 'hex')"_s.arg(hex);
    }
    return u"X'%1'"_s.arg(hex);
}

// A fixed-point number as the database gave it. SQLite reads a number
// with a fraction or beyond 64 bits as a real, so that one is written in a
// form SQLite reads back as the same real.
QString decimalLiteral(const QByteArray& bytes, SqlDialect dialect) {
    QByteArray canonical;
    const QString text = QString::fromLatin1(bytes).trimmed();
    if (!ValueText::canonicalDecimal(text, canonical)) {
        return quoteText(ValueText::utf8ToString(bytes), dialect);
    }
    if (dialect == SqlDialect::SQLite) {
        bool isInt = false;
        text.toLongLong(&isInt);
        bool ok = false;
        const double d = text.toDouble(&ok);
        if (!isInt && ok && std::isfinite(d) && !numberReader().readsAs(text.toLatin1(), d)) {
            return sqliteReal(d, false);
        }
    }
    return text;
}

}  // namespace

QString textLiteral(std::string_view utf8, SqlDialect dialect) {
    const QByteArrayView view(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (!view.isValidUtf8()) {
        if (dialect == SqlDialect::SQLite) {
            // The bytes as they are, stored as text.
            return u"CAST(%1 AS TEXT)"_s.arg(binaryLiteral(utf8, dialect));
        }
        throw ConversionError(u"The text is not valid UTF-8, which %1 cannot store as text"_s.arg(
            QLatin1StringView(dialectName(dialect))));
    }
    if (utf8.find('\0') == std::string_view::npos) {
        return quoteText(ValueText::utf8ToString(utf8), dialect);
    }
    if (dialect == SqlDialect::MySQL) {
        return quoteText(ValueText::utf8ToString(utf8), dialect).replace(QChar(u'\0'), u"\\0"_s);
    }
    if (dialect != SqlDialect::SQLite) {
        throw ConversionError(u"The text holds a NUL character, which %1 text cannot hold"_s.arg(
            QLatin1StringView(dialectName(dialect))));
    }
    // The pieces between NUL characters, joined by char(0).
    QStringList parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t nul = utf8.find('\0', from);
        const std::string_view piece =
            utf8.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from);
        if (!piece.empty()) {
            parts << quoteText(ValueText::utf8ToString(piece), dialect);
        }
        if (nul == std::string_view::npos) {
            break;
        }
        parts << u"char(0)"_s;
        from = nul + 1;
    }
    return parts.join(u" || "_s);
}

QString of(const Value& value, FieldType type, SqlDialect dialect) {
    if (value.isNull()) {
        return u"NULL"_s;
    }
    const std::string_view bytes(value.asBytes().constData(),
                                 static_cast<std::size_t>(value.asBytes().size()));
    if (type == FieldType::Variant && value.storage() == StorageClass::Bytes) {
        // The literal keeps the storage class: SQLite stores each of these
        // forms as exactly this value in a column of any affinity that
        // already held it.
        switch (TaggedValue::tagOf(bytes)) {
            case TaggedValue::Tag::Integer:
                return QString::number(TaggedValue::intOf(bytes));
            case TaggedValue::Tag::Real:
                return floatLiteral(TaggedValue::realOf(bytes), dialect, true);
            case TaggedValue::Tag::Blob:
                return binaryLiteral(TaggedValue::payload(bytes), dialect);
            case TaggedValue::Tag::Text:
                return textLiteral(TaggedValue::payload(bytes), dialect);
        }
    }
    switch (storageClassOf(type)) {
        case StorageClass::Int:
            return QString::number(value.asInt());
        case StorageClass::Float:
            return floatLiteral(value.asFloat(), dialect);
        case StorageClass::Bool:
            if (dialect == SqlDialect::PostgreSQL) {
                return value.asBool() ? u"TRUE"_s : u"FALSE"_s;
            }
            return value.asBool() ? u"1"_s : u"0"_s;
        case StorageClass::Micros:
            // A PostgreSQL time stamp's infinity is cast, so that no zone
            // offset is ever appended to it as to a time stamp's text.
            if (dialect == SqlDialect::PostgreSQL && type == FieldType::DateTime &&
                ValueText::isInfinite(value.asMicros())) {
                return u"CAST(%1 AS timestamp)"_s.arg(
                    quoteText(ValueText::toText(value, type), dialect));
            }
            return quoteText(ValueText::toText(value, type), dialect);
        case StorageClass::Bytes:
            break;
    }
    if (type == FieldType::BCD) {
        return decimalLiteral(value.asBytes(), dialect);
    }
    if (isBinaryType(type)) {
        return binaryLiteral(bytes, dialect);
    }
    return textLiteral(bytes, dialect);
}

}  // namespace SqlLiteral
}  // namespace qm
