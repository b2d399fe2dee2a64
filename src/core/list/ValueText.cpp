#include "list/ValueText.h"

#include "common/Errors.h"
#include "list/TaggedValue.h"

#include <QLocale>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace qm {

bool Value::operator==(const Value& o) const {
    if (null_ || o.null_) {
        return null_ == o.null_;
    }
    if (storage_ != o.storage_) {
        return false;
    }
    switch (storage_) {
        case StorageClass::Float:
            return float_ == o.float_ || (std::isnan(float_) && std::isnan(o.float_));
        case StorageClass::Bytes:
            return bytes_ == o.bytes_;
        default:
            return int_ == o.int_;
    }
}

namespace ValueText {
namespace {

constexpr std::int64_t kMicrosPerDay = 86400LL * 1000000LL;
// Day numbers count from 1899-12-30, the epoch of the stored date values.
constexpr std::int64_t kEpochJulianDay = 2415019;

[[noreturn]] void failConversion(const QString& text, FieldType type) {
    throw ConversionError(u"'%1' is not a valid %2 value"_s.arg(text, fieldTypeName(type).mid(2)));
}

bool readDigits(QStringView s, qsizetype& i, int count, int& out) {
    out = 0;
    for (int k = 0; k < count; ++k, ++i) {
        if (i >= s.size() || !s[i].isDigit()) {
            return false;
        }
        out = out * 10 + s[i].digitValue();
    }
    return true;
}

// HH:mm[:ss[.f...]] starting at i; leaves i after the last character used.
bool readTime(QStringView s, qsizetype& i, std::int64_t& micros) {
    int h = 0, m = 0, sec = 0;
    if (!readDigits(s, i, 2, h) || i >= s.size() || s[i] != u':') {
        return false;
    }
    ++i;
    if (!readDigits(s, i, 2, m)) {
        return false;
    }
    std::int64_t frac = 0;
    if (i < s.size() && s[i] == u':') {
        ++i;
        if (!readDigits(s, i, 2, sec)) {
            return false;
        }
        if (i < s.size() && (s[i] == u'.' || s[i] == u',')) {
            ++i;
            int digits = 0;
            while (i < s.size() && s[i].isDigit()) {
                if (digits < 6) {
                    frac = frac * 10 + s[i].digitValue();
                }
                ++digits;
                ++i;
            }
            if (digits == 0) {
                return false;
            }
            for (int d = digits; d < 6; ++d) {
                frac *= 10;
            }
        }
    }
    // 24:00 is the end of a day; no time lies beyond it.
    if (h > 24 || m > 59 || sec > 60 || (h == 24 && (m != 0 || sec != 0 || frac != 0))) {
        return false;
    }
    micros = ((h * 60LL + m) * 60LL + sec) * 1000000LL + frac;
    // A leap second ends the day as well ("23:59:60"), but leads no further.
    return micros <= kMicrosPerDay;
}

}  // namespace

std::int64_t dateToMicros(const QDate& d) {
    return (d.toJulianDay() - kEpochJulianDay) * kMicrosPerDay;
}

std::int64_t timeToMicros(const QTime& t) {
    return t.msecsSinceStartOfDay() * 1000LL;
}

std::int64_t dateTimeToMicros(const QDateTime& dt) {
    return dateToMicros(dt.date()) + timeToMicros(dt.time());
}

QDate microsToDate(std::int64_t us) {
    std::int64_t days = us / kMicrosPerDay;
    if (us < 0 && us % kMicrosPerDay != 0) {
        --days;
    }
    return QDate::fromJulianDay(days + kEpochJulianDay);
}

QTime microsToTime(std::int64_t us) {
    std::int64_t inDay = us % kMicrosPerDay;
    if (inDay < 0) {
        inDay += kMicrosPerDay;
    }
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(inDay / 1000));
}

QDateTime microsToDateTime(std::int64_t us) {
    return QDateTime(microsToDate(us), microsToTime(us));
}

bool parseDateTime(QStringView text, FieldType type, std::int64_t& micros) {
    QStringView s = text.trimmed();
    qsizetype i = 0;
    if (type != FieldType::Time && !s.isEmpty() && !s[0].isDigit()) {
        const bool minus = s[0] == u'-';
        const QStringView word = s.mid(minus || s[0] == u'+' ? 1 : 0);
        if (word.compare(u"infinity"_s, Qt::CaseInsensitive) != 0) {
            return false;
        }
        micros = minus ? kMinusInfinityMicros : kInfinityMicros;
        return true;
    }
    if (type == FieldType::Time && s.size() >= 5 && s[2] == u':') {
        return readTime(s, i, micros) && i == s.size();
    }
    int y = 0, mo = 0, d = 0;
    if (!readDigits(s, i, 4, y) || i >= s.size() || s[i] != u'-') {
        return false;
    }
    ++i;
    if (!readDigits(s, i, 2, mo) || i >= s.size() || s[i] != u'-') {
        return false;
    }
    ++i;
    if (!readDigits(s, i, 2, d)) {
        return false;
    }
    const QDate date(y, mo, d);
    if (!date.isValid()) {
        return false;
    }
    std::int64_t timePart = 0;
    if (i < s.size()) {
        if (s[i] != u' ' && s[i] != u'T') {
            return false;
        }
        ++i;
        if (!readTime(s, i, timePart) || i != s.size()) {
            return false;
        }
    }
    micros = (type == FieldType::Time) ? timePart : dateToMicros(date) + timePart;
    return true;
}

bool canonicalDecimal(QStringView text, QByteArray& out) {
    QStringView s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        negative = s[i] == u'-';
        ++i;
    }
    QByteArray digits;
    int fractionDigits = 0;
    bool seenPoint = false, any = false;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isDigit() && c.unicode() < 128) {
            digits += static_cast<char>(c.unicode());
            any = true;
            if (seenPoint) {
                ++fractionDigits;
            }
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!any) {
        return false;
    }
    int exp = 0;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        bool ok = false;
        exp = s.mid(i + 1).toInt(&ok);
        if (!ok) {
            return false;
        }
        i = s.size();
    }
    if (i != s.size()) {
        return false;
    }
    exp -= fractionDigits;
    qsizetype start = 0;
    while (start < digits.size() && digits[start] == '0') {
        ++start;
    }
    digits = digits.mid(start);
    while (!digits.isEmpty() && digits.endsWith('0')) {
        digits.chop(1);
        ++exp;
    }
    if (digits.isEmpty()) {
        out = "0";  // zero has no sign
        return true;
    }
    out = (negative ? "-" : "") + digits + 'e' + QByteArray::number(exp);
    return true;
}

QString floatToText(double d) {
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

QString utf8ToString(std::string_view utf8) {
    // QString::fromUtf8 drops a byte-order mark at the start; every mark
    // there is kept as the character it is.
    static constexpr std::string_view kBom = "\xEF\xBB\xBF";
    QString prefix;
    while (utf8.substr(0, kBom.size()) == kBom) {
        prefix += QChar(0xFEFF);
        utf8.remove_prefix(kBom.size());
    }
    return prefix + QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

namespace {

QString timeText(std::int64_t inDay) {
    const std::int64_t secs = inDay / 1000000;
    const std::int64_t frac = inDay % 1000000;
    QString r = u"%1:%2:%3"_s.arg(secs / 3600, 2, 10, QChar(u'0'))
                    .arg((secs / 60) % 60, 2, 10, QChar(u'0'))
                    .arg(secs % 60, 2, 10, QChar(u'0'));
    if (frac != 0) {
        QString f = u"%1"_s.arg(frac, 6, 10, QChar(u'0'));
        while (f.endsWith(u'0')) {
            f.chop(1);
        }
        r += u'.' + f;
    }
    return r;
}

// Accepts an optional sign, digits, an optional fraction and exponent.
bool isDecimalText(QStringView s) {
    bool ok = false;
    (void)s.toDouble(&ok);
    return ok && !s.contains(u"inf", Qt::CaseInsensitive) &&
           !s.contains(u"nan", Qt::CaseInsensitive);
}

}  // namespace

QString toText(const Value& v, FieldType type) {
    if (v.isNull()) {
        return {};
    }
    if (type == FieldType::Variant && v.storage() == StorageClass::Bytes) {
        return TaggedValue::toText(ValueRef::of(v));
    }
    switch (v.storage()) {
        case StorageClass::Int:
            return QString::number(v.asInt());
        case StorageClass::Float:
            return floatToText(v.asFloat());
        case StorageClass::Bool:
            return v.asBool() ? u"True"_s : u"False"_s;
        case StorageClass::Micros: {
            const std::int64_t us = v.asMicros();
            if (type != FieldType::Time && isInfinite(us)) {
                return us == kInfinityMicros ? u"infinity"_s : u"-infinity"_s;
            }
            std::int64_t inDay = us % kMicrosPerDay;
            if (inDay < 0) {
                inDay += kMicrosPerDay;
            }
            if (type == FieldType::Time) {
                // The end of the day is a time of its own (PostgreSQL stores
                // "24:00:00" apart from "00:00:00"); it must not print as the
                // midnight that starts a day.
                return timeText(us == kMicrosPerDay ? us : inDay);
            }
            const QString date = microsToDate(us).toString(Qt::ISODate);
            if (type == FieldType::Date && inDay == 0) {
                return date;
            }
            return date + u' ' + timeText(inDay);
        }
        case StorageClass::Bytes:
            return isBinaryType(type) ? QString::fromLatin1(v.asBytes())
                                      : utf8ToString(v.asBytes());
    }
    return {};
}

bool parseBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        throw ConversionError(u"'' is not a valid Boolean value"_s);
    }
    if (u"False"_s.startsWith(t, Qt::CaseInsensitive) || t == u"0"_s) {
        return false;
    }
    if (u"True"_s.startsWith(t, Qt::CaseInsensitive) || t == u"1"_s || t == u"-1"_s) {
        return true;
    }
    throw ConversionError(u"'%1' is not a valid Boolean value"_s.arg(text));
}

Value fromText(const QString& text, FieldType type) {
    const StorageClass sc = storageClassOf(type);
    if (type == FieldType::Variant) {
        return TaggedValue::ofText(text.toUtf8().toStdString());
    }
    if (text.isEmpty() &&
        !(type == FieldType::String || type == FieldType::Memo || type == FieldType::FmtMemo)) {
        return {};
    }
    switch (sc) {
        case StorageClass::Int: {
            bool ok = false;
            const QString t = text.trimmed();
            qlonglong n = t.toLongLong(&ok);
            if (!ok) {
                // A whole number written with a fraction or an exponent ("17.0000").
                QByteArray canon;
                if (canonicalDecimal(t, canon)) {
                    const qsizetype e = canon.indexOf('e');
                    const int exp = e < 0 ? 0 : canon.mid(e + 1).toInt();
                    if (canon == "0") {
                        return Value::fromInt(0);
                    }
                    if (exp >= 0 && exp <= 18) {
                        n = (canon.left(e) + QByteArray(exp, '0')).toLongLong(&ok);
                    }
                }
                if (!ok) {
                    failConversion(text, type);
                }
            }
            return Value::fromInt(n);
        }
        case StorageClass::Float: {
            bool ok = false;
            const double d = text.trimmed().toDouble(&ok);
            if (!ok) {
                failConversion(text, type);
            }
            return Value::fromFloat(d);
        }
        case StorageClass::Bool:
            return Value::fromBool(parseBoolean(text));
        case StorageClass::Micros: {
            std::int64_t us = 0;
            if (!parseDateTime(text, type, us)) {
                failConversion(text, type);
            }
            return Value::fromMicros(us);
        }
        case StorageClass::Bytes:
            if (type == FieldType::BCD) {
                const QString t = text.trimmed();
                if (!isDecimalText(t)) {
                    failConversion(text, type);
                }
                return Value::fromBytes(t.toLatin1());
            }
            return Value::fromBytes(isBinaryType(type) ? text.toLatin1() : text.toUtf8());
    }
    return {};
}

QVariant toVariant(const Value& v, FieldType type) {
    if (v.isNull()) {
        return {};
    }
    if (type == FieldType::Variant && v.storage() == StorageClass::Bytes) {
        FieldType t = FieldType::String;
        const ValueRef r = TaggedValue::untag(ValueRef::of(v), t);
        return toVariant(r.toValue(), t);
    }
    switch (v.storage()) {
        case StorageClass::Int:
            return QVariant(static_cast<qlonglong>(v.asInt()));
        case StorageClass::Float:
            return QVariant(v.asFloat());
        case StorageClass::Bool:
            return QVariant(v.asBool());
        case StorageClass::Micros:
            if (type != FieldType::Time && isInfinite(v.asMicros())) {
                return QVariant(toText(v, type));  // no QDate holds it
            }
            if (type == FieldType::Date) {
                return QVariant(microsToDate(v.asMicros()));
            }
            if (type == FieldType::Time) {
                // QTime has no 24:00; the text keeps the value apart from 00:00.
                if (v.asMicros() == kMicrosPerDay) {
                    return QVariant(timeText(kMicrosPerDay));
                }
                return QVariant(microsToTime(v.asMicros()));
            }
            return QVariant(microsToDateTime(v.asMicros()));
        case StorageClass::Bytes:
            if (isBinaryType(type)) {
                return QVariant(v.asBytes());
            }
            return QVariant(utf8ToString(v.asBytes()));
    }
    return {};
}

Value fromVariant(const QVariant& v, FieldType type) {
    if (!v.isValid() || v.isNull()) {
        return {};
    }
    const int id = v.metaType().id();
    if (type == FieldType::Variant) {
        switch (id) {
            case QMetaType::QByteArray:
                return TaggedValue::ofBlob(v.toByteArray().toStdString());
            case QMetaType::Double:
            case QMetaType::Float:
                return TaggedValue::ofReal(v.toDouble());
            case QMetaType::Bool:
                return TaggedValue::ofInt(v.toBool() ? 1 : 0);
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Char:
            case QMetaType::SChar:
            case QMetaType::UChar:
                return TaggedValue::ofInt(v.toLongLong());
            default:
                return fromText(v.toString(), type);
        }
    }
    switch (storageClassOf(type)) {
        case StorageClass::Int:
            if (id == QMetaType::QString) {
                return fromText(v.toString(), type);
            }
            if (id == QMetaType::Double || id == QMetaType::Float) {
                const double d = v.toDouble();
                if (d != std::floor(d) || std::abs(d) > 9.2e18) {
                    failConversion(v.toString(), type);
                }
                return Value::fromInt(static_cast<std::int64_t>(d));
            }
            if (id == QMetaType::Bool) {
                return Value::fromInt(v.toBool() ? -1 : 0);
            }
            if (!v.canConvert<qlonglong>()) {
                failConversion(v.toString(), type);
            }
            return Value::fromInt(v.toLongLong());
        case StorageClass::Float:
            if (id == QMetaType::QString) {
                return fromText(v.toString(), type);
            }
            if (id == QMetaType::Bool) {
                return Value::fromFloat(v.toBool() ? -1.0 : 0.0);
            }
            return Value::fromFloat(v.toDouble());
        case StorageClass::Bool:
            if (id == QMetaType::QString) {
                return Value::fromBool(parseBoolean(v.toString()));
            }
            return Value::fromBool(v.toBool());
        case StorageClass::Micros:
            if (id == QMetaType::QDate) {
                return Value::fromMicros(dateToMicros(v.toDate()));
            }
            if (id == QMetaType::QTime) {
                return Value::fromMicros(timeToMicros(v.toTime()));
            }
            if (id == QMetaType::QDateTime) {
                const QDateTime dt = v.toDateTime();
                if (type == FieldType::Time) {
                    return Value::fromMicros(timeToMicros(dt.time()));
                }
                return Value::fromMicros(dateTimeToMicros(dt));
            }
            return fromText(v.toString(), type);
        case StorageClass::Bytes:
            if (id == QMetaType::QByteArray) {
                return Value::fromBytes(v.toByteArray());
            }
            if (type == FieldType::BCD) {
                if (id == QMetaType::Double || id == QMetaType::Float) {
                    return Value::fromBytes(floatToText(v.toDouble()).toLatin1());
                }
                return fromText(v.toString(), type);
            }
            if (id == QMetaType::Double || id == QMetaType::Float) {
                return Value::fromText(floatToText(v.toDouble()));
            }
            if (id == QMetaType::Bool) {
                return Value::fromText(v.toBool() ? u"True"_s : u"False"_s);
            }
            if (id == QMetaType::QDate || id == QMetaType::QDateTime || id == QMetaType::QTime) {
                const FieldType t = id == QMetaType::QDate   ? FieldType::Date
                                    : id == QMetaType::QTime ? FieldType::Time
                                                             : FieldType::DateTime;
                return Value::fromText(toText(fromVariant(v, t), t));
            }
            return isBinaryType(type) ? Value::fromBytes(v.toByteArray())
                                      : Value::fromText(v.toString());
    }
    return {};
}

}  // namespace ValueText
}  // namespace qm
