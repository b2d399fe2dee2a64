#pragma once

#include "list/Value.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <limits>

namespace qm {

/// Conversions between column values and text or QVariant. Text forms are
/// locale-independent and round-trip: integers in decimal, floats in the
/// shortest form that reads back to the same number, Booleans "True" and
/// "False", dates "yyyy-MM-dd", times "HH:mm:ss[.ffffff]", time stamps
/// both joined by a blank.
namespace ValueText {

/// A date or time stamp after (before) every other, as PostgreSQL keeps
/// them: its text is "infinity" ("-infinity"), which its literal writes
/// back. The ends of the range keep the order the database sorts them in.
inline constexpr std::int64_t kInfinityMicros = std::numeric_limits<std::int64_t>::max();
inline constexpr std::int64_t kMinusInfinityMicros = std::numeric_limits<std::int64_t>::min();
/// Whether a date or time stamp value is one of the infinities.
inline bool isInfinite(std::int64_t micros) {
    return micros == kInfinityMicros || micros == kMinusInfinityMicros;
}

/// Null gives the empty text; blobs give their bytes as Latin-1.
QString toText(const Value& v, FieldType type);

/// Converts a text into a value of the type; the empty text gives null for
/// every type but text. Throws ConversionError when the text does not fit.
Value fromText(const QString& text, FieldType type);

/// Boolean text as the default files accept it: a leading part of "False"
/// or "True" (either case), also "0"/"1". Throws ConversionError otherwise.
bool parseBoolean(const QString& text);

QVariant toVariant(const Value& v, FieldType type);
/// Converts a variant into a value of the type; throws ConversionError.
Value fromVariant(const QVariant& v, FieldType type);

std::int64_t dateToMicros(const QDate& d);
std::int64_t timeToMicros(const QTime& t);
std::int64_t dateTimeToMicros(const QDateTime& dt);
QDate microsToDate(std::int64_t us);
QTime microsToTime(std::int64_t us);
QDateTime microsToDateTime(std::int64_t us);

/// Parses ISO-like date, time or time stamp text into microseconds; false
/// when the text is none of them. A date or time stamp may also be
/// "infinity" or "-infinity" (any letter case, "+" allowed).
bool parseDateTime(QStringView text, FieldType type, std::int64_t& micros);
/// A canonical form of a decimal number text ("1.50", "+1.5", "15e-1" all
/// give the same bytes), for comparing fixed-point values by value. False
/// when the text is not a number.
bool canonicalDecimal(QStringView text, QByteArray& out);
/// Shortest round-trip decimal text of a double.
QString floatToText(double d);
/// UTF-8 bytes as text, byte-exact: unlike QString::fromUtf8, a leading
/// U+FEFF stays part of the value.
QString utf8ToString(std::string_view utf8);
inline QString utf8ToString(const QByteArray& utf8) {
    return utf8ToString(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace ValueText
}  // namespace qm
