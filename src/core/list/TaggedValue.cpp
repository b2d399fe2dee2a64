#include "list/TaggedValue.h"

#include "list/ValueText.h"

#include <sqlite3.h>
#include <cmath>
#include <cstring>
#include <memory>

namespace qm::TaggedValue {
namespace {

Value tagged(Tag tag, const char* data, std::size_t size) {
    QByteArray b;
    b.reserve(static_cast<qsizetype>(size) + 1);
    b.append(static_cast<char>(tag));
    b.append(data, static_cast<qsizetype>(size));
    return Value::fromBytes(std::move(b));
}

}  // namespace

Value ofInt(std::int64_t v) {
    char raw[sizeof v];
    std::memcpy(raw, &v, sizeof v);
    return tagged(Tag::Integer, raw, sizeof raw);
}

Value ofReal(double v) {
    char raw[sizeof v];
    std::memcpy(raw, &v, sizeof v);
    return tagged(Tag::Real, raw, sizeof raw);
}

Value ofText(std::string_view utf8) {
    return tagged(Tag::Text, utf8.data(), utf8.size());
}

Value ofBlob(std::string_view bytes) {
    return tagged(Tag::Blob, bytes.data(), bytes.size());
}

Tag tagOf(std::string_view bytes) {
    return bytes.empty() ? Tag::Text : static_cast<Tag>(bytes.front());
}

std::string_view payload(std::string_view bytes) {
    return bytes.empty() ? bytes : bytes.substr(1);
}

std::int64_t intOf(std::string_view bytes) {
    std::int64_t v = 0;
    if (bytes.size() == 1 + sizeof v) {
        std::memcpy(&v, bytes.data() + 1, sizeof v);
    }
    return v;
}

double realOf(std::string_view bytes) {
    double v = 0;
    if (bytes.size() == 1 + sizeof v) {
        std::memcpy(&v, bytes.data() + 1, sizeof v);
    }
    return v;
}

ValueRef untag(const ValueRef& v, FieldType& type) {
    ValueRef r;
    r.null = v.null;
    type = FieldType::String;
    r.storage = StorageClass::Bytes;
    if (v.null) {
        return r;
    }
    switch (tagOf(v.bytes)) {
        case Tag::Integer:
            type = FieldType::Integer;
            r.storage = StorageClass::Int;
            r.i = intOf(v.bytes);
            break;
        case Tag::Real:
            type = FieldType::Float;
            r.storage = StorageClass::Float;
            r.d = realOf(v.bytes);
            break;
        case Tag::Blob:
            type = FieldType::Blob;
            r.bytes = payload(v.bytes);
            break;
        case Tag::Text:
            r.bytes = payload(v.bytes);
            break;
    }
    return r;
}

Value fromTyped(const Value& v, FieldType type) {
    if (v.isNull() || type == FieldType::Variant) {
        return v;
    }
    const std::string_view bytes(v.asBytes().constData(),
                                 static_cast<std::size_t>(v.asBytes().size()));
    switch (storageClassOf(type)) {
        case StorageClass::Int:
            return ofInt(v.asInt());
        case StorageClass::Bool:
            return ofInt(v.asBool() ? 1 : 0);
        case StorageClass::Float:
            return ofReal(v.asFloat());
        case StorageClass::Micros:
            return ofText(ValueText::toText(v, type).toUtf8().toStdString());
        case StorageClass::Bytes:
            break;
    }
    if (type == FieldType::BCD) {
        // Whole numbers within 64 bits are integers, as SQLite reads such
        // a literal; any other number is a real.
        const QString text = QString::fromLatin1(v.asBytes()).trimmed();
        QByteArray canon;
        if (!ValueText::canonicalDecimal(text, canon)) {
            return ofText(bytes);
        }
        if (canon == "0") {
            return ofInt(0);
        }
        const qsizetype e = canon.indexOf('e');
        const int exp = canon.mid(e + 1).toInt();
        if (exp >= 0 && exp <= 18) {
            bool ok = false;
            const qlonglong n = (canon.left(e) + QByteArray(exp, '0')).toLongLong(&ok);
            if (ok) {
                return ofInt(n);
            }
        }
        return ofReal(text.toDouble());
    }
    return isBinaryType(type) ? ofBlob(bytes) : ofText(bytes);
}

QString toText(const ValueRef& v) {
    if (v.null) {
        return {};
    }
    const std::string_view p = payload(v.bytes);
    switch (tagOf(v.bytes)) {
        case Tag::Integer:
            return QString::number(intOf(v.bytes));
        case Tag::Real:
            return ValueText::floatToText(realOf(v.bytes));
        case Tag::Blob:
            return QString::fromLatin1(p.data(), static_cast<qsizetype>(p.size()));
        case Tag::Text:
            break;
    }
    return ValueText::utf8ToString(p);
}

std::optional<std::string> numberAsText(const ValueRef& v) {
    if (v.null) {
        return std::nullopt;
    }
    const Tag tag = tagOf(v.bytes);
    if (tag != Tag::Integer && tag != Tag::Real) {
        return std::nullopt;
    }
    // SQLite's own printf, with the format SQLite converts numbers to text by.
    const std::unique_ptr<char, decltype(&sqlite3_free)> text(
        tag == Tag::Integer ? sqlite3_mprintf("%lld", static_cast<long long>(intOf(v.bytes)))
                            : sqlite3_mprintf("%!.15g", realOf(v.bytes)),
        &sqlite3_free);
    if (!text) {
        throw std::bad_alloc();
    }
    return std::string(text.get());
}

}  // namespace qm::TaggedValue
