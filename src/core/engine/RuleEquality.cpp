#include "engine/RuleEquality.h"

#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace qm {
namespace {

// A Variant value as a value of its own storage class's column type; other
// values as they are.
ValueRef plain(const ValueRef& v, FieldType& type) {
    if (type != FieldType::Variant || v.null) {
        return v;
    }
    return TaggedValue::untag(v, type);
}

bool isTextType(FieldType t) {
    return storageClassOf(t) == StorageClass::Bytes && !isBinaryType(t) && t != FieldType::BCD &&
           t != FieldType::Variant;
}

bool isNumberType(FieldType t) {
    const StorageClass s = storageClassOf(t);
    return t != FieldType::Boolean &&
           (s == StorageClass::Int || s == StorageClass::Float || t == FieldType::BCD);
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

QStringView trimBlanks(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(s[end - 1])) {
        --end;
    }
    return s.sliced(begin, end - begin);
}

// The text rules' answer; nullopt where they do not apply (not two texts,
// or a null that nullempty does not make the empty text).
std::optional<bool> textEqual(const ValueRef& a, FieldType ta, const ValueRef& b, FieldType tb,
                              const ColumnRule& rule) {
    // A null of a Variant column has no class: it may stand for a text.
    const auto textual = [](const ValueRef& v, FieldType t) {
        return v.null ? (isTextType(t) || t == FieldType::Variant) : isTextType(t);
    };
    if (!textual(a, ta) || !textual(b, tb)) {
        return std::nullopt;
    }
    if ((a.null || b.null) && !rule.nullIsEmpty) {
        return std::nullopt;
    }
    const QString textA = a.null ? QString() : ValueText::utf8ToString(a.bytes);
    const QString textB = b.null ? QString() : ValueText::utf8ToString(b.bytes);
    QStringView x(textA);
    QStringView y(textB);
    if (rule.trimBlanks) {
        x = trimBlanks(x);
        y = trimBlanks(y);
    }
    return x.compare(y, rule.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

std::optional<double> numberOf(const ValueRef& v, FieldType t) {
    if (t == FieldType::BCD) {
        bool ok = false;
        const double d = QString::fromLatin1(v.bytes.data(), static_cast<qsizetype>(v.bytes.size()))
                             .toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    if (storageClassOf(t) == StorageClass::Int) {
        return static_cast<double>(v.i);
    }
    return v.d;
}

std::optional<bool> numbersEqual(const ValueRef& a, FieldType ta, const ValueRef& b, FieldType tb,
                                 const ColumnRule& rule) {
    if (a.null || b.null || !isNumberType(ta) || !isNumberType(tb)) {
        return std::nullopt;
    }
    const std::optional<double> x = numberOf(a, ta);
    const std::optional<double> y = numberOf(b, tb);
    if (!x || !y) {
        return std::nullopt;
    }
    const double diff = std::abs(*x - *y);
    // NaN and infinities are never within a tolerance (NaN <= t is false).
    return (rule.absTolerance && diff <= *rule.absTolerance) ||
           (rule.relTolerance && diff <= *rule.relTolerance * std::max(std::abs(*x), std::abs(*y)));
}

std::optional<std::int64_t> microsOf(const ValueRef& v, FieldType t) {
    if (isDateType(t)) {
        return v.i;
    }
    if (!isTextType(t)) {
        return std::nullopt;
    }
    const QString text = ValueText::utf8ToString(v.bytes);
    std::int64_t us = 0;
    for (const FieldType as : {FieldType::DateTime, FieldType::Time}) {
        if (ValueText::parseDateTime(text, as, us)) {
            return us;
        }
    }
    return std::nullopt;
}

std::int64_t cut(std::int64_t us, TimePrecision p) {
    if (ValueText::isInfinite(us)) {
        return us;
    }
    std::int64_t unit = 1;
    switch (p) {
        case TimePrecision::Exact:
            return us;
        case TimePrecision::Second:
            unit = 1'000'000;
            break;
        case TimePrecision::Minute:
            unit = 60'000'000;
            break;
        case TimePrecision::Day:
            unit = 86'400'000'000;
            break;
    }
    // Values count from a midnight: cutting towards the past (also before
    // it) keeps the second, minute or day the value falls in.
    std::int64_t q = us / unit;
    if (us % unit != 0 && us < 0) {
        --q;
    }
    return q * unit;
}

std::optional<bool> timesEqual(const ValueRef& a, FieldType ta, const ValueRef& b, FieldType tb,
                               TimePrecision p) {
    if (a.null || b.null) {
        return std::nullopt;
    }
    const std::optional<std::int64_t> x = microsOf(a, ta);
    const std::optional<std::int64_t> y = x ? microsOf(b, tb) : std::nullopt;
    if (!x || !y) {
        return std::nullopt;
    }
    return cut(*x, p) == cut(*y, p);
}

}  // namespace

bool equalUnderLooseRule(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB,
                         const ColumnRule& rule) {
    FieldType ta = typeA;
    FieldType tb = typeB;
    const ValueRef x = plain(a, ta);
    const ValueRef y = plain(b, tb);
    if ((rule.ignoreCase || rule.trimBlanks || rule.nullIsEmpty) &&
        textEqual(x, ta, y, tb, rule).value_or(false)) {
        return true;
    }
    if ((rule.absTolerance || rule.relTolerance) &&
        numbersEqual(x, ta, y, tb, rule).value_or(false)) {
        return true;
    }
    if (rule.time != TimePrecision::Exact && timesEqual(x, ta, y, tb, rule.time).value_or(false)) {
        return true;
    }
    return ValueEquality::equalQuick(a, typeA, b, typeB);
}

}  // namespace qm
