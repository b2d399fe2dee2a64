#include "engine/ValueEquality.h"

#include "common/Errors.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

namespace qm::ValueEquality {
namespace {

enum class Kind { Int, Float, Currency, Date, Bool, Text };

Kind kindOf(FieldType t) {
    switch (t) {
        case FieldType::Smallint:
        case FieldType::Integer:
        case FieldType::Word:
        case FieldType::AutoInc:
        case FieldType::Largeint:
            return Kind::Int;
        case FieldType::Float:
        case FieldType::Currency:
            return Kind::Float;
        case FieldType::BCD:
            return Kind::Currency;
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime:
            return Kind::Date;
        case FieldType::Boolean:
            return Kind::Bool;
        default:
            return Kind::Text;
    }
}

// The kind two values are compared in, by the kinds of the two columns.
Kind commonKind(Kind a, Kind b) {
    static constexpr Kind table[6][6] = {
        // int          float        currency        date        bool         text
        {Kind::Int, Kind::Float, Kind::Currency, Kind::Date, Kind::Int, Kind::Float},
        {Kind::Float, Kind::Float, Kind::Currency, Kind::Date, Kind::Float, Kind::Float},
        {Kind::Currency, Kind::Currency, Kind::Currency, Kind::Date, Kind::Currency,
         Kind::Currency},
        {Kind::Date, Kind::Date, Kind::Date, Kind::Date, Kind::Date, Kind::Date},
        {Kind::Int, Kind::Float, Kind::Currency, Kind::Date, Kind::Bool, Kind::Bool},
        {Kind::Float, Kind::Float, Kind::Currency, Kind::Date, Kind::Bool, Kind::Text},
    };
    return table[static_cast<int>(a)][static_cast<int>(b)];
}

QString textOf(const ValueRef& v) {
    return ValueText::utf8ToString(v.bytes);
}

// Text columns that read a null as the empty text; binary data keeps its
// null apart from the empty value, as text columns of other kinds do.
bool nullReadsEmpty(FieldType t) {
    return t == FieldType::Memo || t == FieldType::FmtMemo;
}

[[noreturn]] void failConversion(const ValueRef& v, const char* kind) {
    throw ConversionError(u"Could not convert variant of type (String) into type (%1): '%2'"_s.arg(
        QLatin1StringView(kind), textOf(v)));
}

double toFloat(const ValueRef& v, Kind k) {
    switch (k) {
        case Kind::Int:
            return static_cast<double>(v.i);
        case Kind::Bool:
            return v.i != 0 ? -1.0 : 0.0;
        case Kind::Float:
            return v.d;
        case Kind::Date:
            return static_cast<double>(v.i) / 86400e6;
        default: {
            bool ok = false;
            const double d = textOf(v).trimmed().toDouble(&ok);
            if (!ok) {
                failConversion(v, "Double");
            }
            return d;
        }
    }
}

QByteArray toDecimal(const ValueRef& v, Kind k) {
    QString text;
    switch (k) {
        case Kind::Int:
            text = QString::number(v.i);
            break;
        case Kind::Bool:
            text = v.i != 0 ? u"-1"_s : u"0"_s;
            break;
        case Kind::Float:
            text = ValueText::floatToText(v.d);
            break;
        default:
            text = textOf(v);
    }
    // PostgreSQL's numeric holds NaN, which it counts equal to itself, and
    // (from version 14 on) the infinities, in the words it writes them in
    // and reads them from; a double's infinity meets them too.
    const QString word = text.trimmed();
    if (word.compare(u"NaN"_s, Qt::CaseInsensitive) == 0) {
        return QByteArrayLiteral("NaN");
    }
    const bool negative = word.startsWith(u'-');
    const QStringView magnitude = QStringView(word).mid(negative || word.startsWith(u'+') ? 1 : 0);
    if (magnitude.compare(u"Infinity"_s, Qt::CaseInsensitive) == 0 ||
        magnitude.compare(u"inf"_s, Qt::CaseInsensitive) == 0) {
        return negative ? QByteArrayLiteral("-Infinity") : QByteArrayLiteral("Infinity");
    }
    QByteArray d;
    if (!ValueText::canonicalDecimal(text, d)) {
        failConversion(v, "Currency");
    }
    return d;
}

double toDayNumber(const ValueRef& v, Kind k) {
    if (k == Kind::Text) {
        std::int64_t us = 0;
        if (ValueText::parseDateTime(textOf(v), FieldType::DateTime, us) ||
            ValueText::parseDateTime(textOf(v), FieldType::Time, us)) {
            return static_cast<double>(us) / 86400e6;
        }
        bool ok = false;
        const double d = textOf(v).trimmed().toDouble(&ok);
        if (!ok) {
            failConversion(v, "Date");
        }
        return d;
    }
    return toFloat(v, k);
}

bool toBool(const ValueRef& v, Kind k) {
    if (k == Kind::Bool) {
        return v.i != 0;
    }
    const QString t = textOf(v).trimmed();
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (ok) {
        return d != 0.0;
    }
    if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (t.compare(u"False"_s, Qt::CaseInsensitive) == 0) {
        return false;
    }
    failConversion(v, "Boolean");
}

// A SQLite value of any storage class against a value of a column type:
// the value is taken in its own class's type. A blob only ever equals
// binary data and text never does; pairs whose kinds cannot meet differ.
bool equalTagged(const ValueRef& a0, FieldType typeA, const ValueRef& b0, FieldType typeB) {
    if (typeA == FieldType::Variant && typeB == FieldType::Variant) {
        return a0.null == b0.null && a0.bytes == b0.bytes;
    }
    FieldType ta = typeA;
    FieldType tb = typeB;
    const ValueRef a = typeA == FieldType::Variant ? TaggedValue::untag(a0, ta) : a0;
    const ValueRef b = typeB == FieldType::Variant ? TaggedValue::untag(b0, tb) : b0;
    if (!a.null && !b.null) {
        if (isBinaryType(ta) != isBinaryType(tb)) {
            return false;
        }
        // SQLite keeps a Boolean as 1 or 0.
        if (ta == FieldType::Integer && tb == FieldType::Boolean) {
            return a.i == (b.i != 0 ? 1 : 0);
        }
        if (tb == FieldType::Integer && ta == FieldType::Boolean) {
            return b.i == (a.i != 0 ? 1 : 0);
        }
    }
    try {
        return equal(a, ta, b, tb);
    } catch (const ConversionError&) {
        return false;
    }
}

// Two non-null values, compared in the common kind of their columns.
bool equalInKind(const ValueRef& a, Kind ka, const ValueRef& b, Kind kb) {
    switch (commonKind(ka, kb)) {
        case Kind::Text:
            return a.bytes == b.bytes;
        case Kind::Int: {
            const std::int64_t x = ka == Kind::Bool ? (a.i != 0 ? -1 : 0) : a.i;
            const std::int64_t y = kb == Kind::Bool ? (b.i != 0 ? -1 : 0) : b.i;
            return x == y;
        }
        case Kind::Float:
            // An integer keeps all its 64 bits: through a double, neighbouring
            // large integers would count as equal.
            if (ka == Kind::Int || kb == Kind::Int) {
                const bool aInt = ka == Kind::Int;
                const std::int64_t n = aInt ? a.i : b.i;
                const ValueRef& other = aInt ? b : a;
                const Kind ko = aInt ? kb : ka;
                if (ko == Kind::Text) {
                    bool ok = false;
                    const qlonglong m = textOf(other).trimmed().toLongLong(&ok);
                    if (ok) {
                        return m == n;
                    }
                }
                const double d = toFloat(other, ko);
                if (ko != Kind::Bool && std::isfinite(d) && d == std::floor(d) &&
                    std::abs(d) < 9.2e18) {
                    return static_cast<std::int64_t>(d) == n;
                }
                if (ko != Kind::Bool) {
                    return false;  // not a whole number, or out of range
                }
            }
            {
                // NaN equals NaN, as the databases that store it count it.
                const double x = toFloat(a, ka);
                const double y = toFloat(b, kb);
                return x == y || (std::isnan(x) && std::isnan(y));
            }
        case Kind::Currency:
            return toDecimal(a, ka) == toDecimal(b, kb);
        case Kind::Date:
            if (ka == Kind::Date && kb == Kind::Date) {
                return a.i == b.i;
            }
            return toDayNumber(a, ka) == toDayNumber(b, kb);
        case Kind::Bool:
            return toBool(a, ka) == toBool(b, kb);
    }
    return false;
}

}  // namespace

bool storedAlike(const ValueRef& a, const ValueRef& b, FieldType type) {
    if (a.null || b.null) {
        return a.null && b.null;
    }
    if (a.storage != b.storage) {
        return false;
    }
    // Only kinds whose comparison of a value with itself cannot fail: a
    // fixed-point text or a date held as text is converted first.
    const Kind k = kindOf(type);
    switch (a.storage) {
        case StorageClass::Bytes:
            // Rows copied within a list share their bytes: the same bytes
            // need not be read to be equal.
            return k == Kind::Text &&
                   ((a.bytes.data() == b.bytes.data() && a.bytes.size() == b.bytes.size()) ||
                    a.bytes == b.bytes);
        case StorageClass::Float:
            return k == Kind::Float && !std::isnan(a.d) && std::memcmp(&a.d, &b.d, sizeof a.d) == 0;
        case StorageClass::Int:
        case StorageClass::Micros:
        case StorageClass::Bool:
            return (k == Kind::Int || k == Kind::Date || k == Kind::Bool) && a.i == b.i;
    }
    return false;
}

bool equal(const ValueRef& a0, FieldType typeA, const ValueRef& b0, FieldType typeB) {
    if (typeA == FieldType::Variant || typeB == FieldType::Variant) {
        return equalTagged(a0, typeA, b0, typeB);
    }
    ValueRef a = a0;
    ValueRef b = b0;
    if (a.null && nullReadsEmpty(typeA)) {
        a.null = false;
        a.storage = StorageClass::Bytes;
        a.bytes = {};
    }
    if (b.null && nullReadsEmpty(typeB)) {
        b.null = false;
        b.storage = StorageClass::Bytes;
        b.bytes = {};
    }
    if (a.null || b.null) {
        return a.null && b.null;
    }
    // A value that cannot be taken in the other's kind ('abc' against a
    // number) equals no value of it: the two differ.
    try {
        return equalInKind(a, kindOf(typeA), b, kindOf(typeB));
    } catch (const ConversionError&) {
        return false;
    }
}

}  // namespace qm::ValueEquality
