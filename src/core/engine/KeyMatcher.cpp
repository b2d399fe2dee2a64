#include "engine/KeyMatcher.h"

#include "common/Errors.h"
#include "engine/PrimaryKey.h"
#include "list/KeyIndex.h"
#include "list/MemData.h"
#include "list/TaggedValue.h"
#include "list/ValueText.h"
#include "report/MessageViewer.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace qm {

std::optional<Value> KeyMatcher::convertKey(const ValueRef& v, FieldType from, FieldType to) {
    if (from == FieldType::Variant || to == FieldType::Variant) {
        // A SQLite value of any storage class matches a value of a column
        // type only when that value is stored as it: the same both ways.
        if (from == to) {
            return v.toValue();
        }
        if (to == FieldType::Variant) {
            return TaggedValue::fromTyped(v.toValue(), from);
        }
        FieldType own = FieldType::String;
        const ValueRef u = TaggedValue::untag(v, own);
        std::optional<Value> r;
        try {
            r = convertKey(u, own, to);
        } catch (const ConversionError&) {
            return std::nullopt;
        }
        if (r && TaggedValue::fromTyped(*r, to).asBytes() != v.toValue().asBytes()) {
            return std::nullopt;
        }
        return r;
    }
    const StorageClass sf = storageClassOf(from);
    const StorageClass st = storageClassOf(to);
    if (sf == st) {
        const bool sameText = sf == StorageClass::Bytes && !isBinaryType(from) &&
                              !isBinaryType(to) && from != FieldType::BCD && to != FieldType::BCD;
        const bool sameDate = (from == FieldType::Date || from == FieldType::DateTime) &&
                              (to == FieldType::Date || to == FieldType::DateTime);
        if (from == to || sameText || sameDate || sf == StorageClass::Int ||
            sf == StorageClass::Float || sf == StorageClass::Bool) {
            return v.toValue();
        }
    }
    if (sf == StorageClass::Int && st == StorageClass::Float) {
        return Value::fromFloat(static_cast<double>(v.i));
    }
    if (st == StorageClass::Int && !isIntegerType(from)) {
        if (sf == StorageClass::Float) {
            if (v.d != std::floor(v.d) || std::abs(v.d) > 9.2e18) {
                return std::nullopt;
            }
            return Value::fromInt(static_cast<std::int64_t>(v.d));
        }
        if (from == FieldType::BCD) {
            QByteArray canon;
            const QString text =
                QString::fromLatin1(v.bytes.data(), static_cast<qsizetype>(v.bytes.size()));
            if (!ValueText::canonicalDecimal(text, canon)) {
                return ValueText::fromText(text, to);  // raises the conversion error
            }
            if (canon == "0") {
                return Value::fromInt(0);
            }
            const qsizetype e = canon.indexOf('e');
            const int exp = canon.mid(e + 1).toInt();
            if (exp < 0 || exp > 18) {
                return std::nullopt;
            }
            bool ok = false;
            const qlonglong n = (canon.left(e) + QByteArray(exp, '0')).toLongLong(&ok);
            return ok ? std::optional<Value>(Value::fromInt(n)) : std::nullopt;
        }
    }
    const QString text = ValueText::toText(v.toValue(), from);
    if (to == FieldType::BCD && text.compare(u"NaN"_s, Qt::CaseInsensitive) == 0) {
        // PostgreSQL's numeric NaN, which a fixed-point list column keeps as
        // its text; as a key it equals itself.
        return Value::fromBytes(QByteArrayLiteral("NaN"));
    }
    Value converted = ValueText::fromText(text, to);
    // A text key equals a number key only when it is that number's own text:
    // '007' and 7 are different keys, in whichever list the search starts.
    const bool fromText =
        sf == StorageClass::Bytes && !isBinaryType(from) && from != FieldType::BCD;
    const bool toNumber = st == StorageClass::Int || st == StorageClass::Float;
    if (fromText && toNumber && ValueText::toText(converted, to) != text) {
        return std::nullopt;
    }
    return converted;
}

KeyPlan KeyMatcher::plan(const MemData& list, const MemData& keyList, const QString& keySpec) {
    KeyPlan plan;
    const PrimaryKey key(keySpec);
    const int n = key.fieldCount();
    plan.spec = key.spec();
    for (int i = 0; i < n; ++i) {
        // A single key names its column by the whole spec.
        const QString name = n == 1 ? key.spec() : key.fieldName(i);
        plan.names << name;
        plan.keyListFields.push_back(keyList.findDataField(name));
        plan.listFields.push_back(list.findDataField(name));
    }
    return plan;
}

int KeyMatcher::matchRow(const MemData& list, const MemData& keyList, int keyPos,
                         const KeyPlan& plan, bool tolerant) {
    const std::size_t n = plan.keyListFields.size();
    if (n == 0) {
        return -1;
    }
    // Called once per row of a comparison: the key values reuse one buffer.
    std::vector<Value>& values = values_;
    values.clear();
    bool unmatchable = false;
    for (std::size_t i = 0; i < n; ++i) {
        const int kf = plan.keyListFields[i];
        if (kf < 0) {
            if (n == 1 && tolerant) {
                return -1;
            }
            refuse(u"Key field \"%1\" not found"_s.arg(plan.names[static_cast<qsizetype>(i)]));
        }
        const ValueRef v = keyList.refAt(keyPos, kf);
        if (v.null) {
            if (tolerant) {
                return -1;
            }
            refuse(
                u"Key field \"%1\" contained a null value. Primary key fields should not be "
                u"allowed "
                "to contain null"_s.arg(plan.spec));
        }
        const int lf = plan.listFields[i];
        if (lf < 0) {
            // Keep checking the remaining key columns of the key list first.
            continue;
        }
        // A key the other column's type cannot hold ('abc' for an integer
        // key) equals none of its keys.
        std::optional<Value> converted;
        try {
            converted = convertKey(v, keyList.field(kf).type, list.field(lf).type);
        } catch (const ConversionError&) {
        }
        if (!converted) {
            unmatchable = true;
            continue;
        }
        values.push_back(std::move(*converted));
    }
    if (unmatchable || values.size() != n || !list.isOpen()) {
        return -1;
    }
    return list.findRow(plan.listFields, values);
}

bool KeyMatcher::keepsKey(const ValueRef& source, FieldType from, const Value& copied,
                          FieldType to) {
    try {
        const std::optional<Value> key = convertKey(source, from, to);
        return key &&
               KeyIndex::sameKey(ValueRef::of(*key), ValueRef::of(copied), to == FieldType::BCD);
    } catch (const Error&) {
        return false;
    }
}

void KeyMatcher::refuse(const QString& text) {
    messages_.showInfo(text);
    throw SilentAbort();
}

}  // namespace qm
