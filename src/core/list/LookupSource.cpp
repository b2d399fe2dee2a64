#include "list/LookupSource.h"

#include "list/TaggedValue.h"
#include "list/ValueText.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace qm {
namespace {

std::string tagged(char tag, const void* data, std::size_t size) {
    std::string key(1, tag);
    key.append(static_cast<const char*>(data), size);
    return key;
}

std::string numberKey(std::int64_t n) {
    return tagged('n', &n, sizeof n);
}

// A whole number within 64 bits is keyed as an integer, so 5 and 5.0 meet.
std::string floatKey(double d) {
    if (std::isfinite(d) && d == std::floor(d) && d >= -9.2e18 && d <= 9.2e18) {
        return numberKey(static_cast<std::int64_t>(d));
    }
    return tagged('f', &d, sizeof d);
}

bool isTextType(FieldType t) {
    return !isBinaryType(t) && t != FieldType::BCD;
}

// A number written plainly: no blanks around it, as a code stored as text
// would be.
std::string numberKeyOfText(std::string_view text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())) ||
        std::isspace(static_cast<unsigned char>(text.back()))) {
        return {};
    }
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    bool ok = false;
    const qlonglong n = bytes.toLongLong(&ok);
    if (ok) {
        return numberKey(n);
    }
    const double d = bytes.toDouble(&ok);
    return ok ? floatKey(d) : std::string();
}

}  // namespace

std::string LookupSource::keyOf(const ValueRef& v, FieldType type) {
    if (v.null) {
        return {};
    }
    switch (v.storage) {
        case StorageClass::Int:
        case StorageClass::Bool:
            return numberKey(v.i);
        case StorageClass::Float:
            return floatKey(v.d);
        case StorageClass::Micros:
            return tagged('m', &v.i, sizeof v.i);
        case StorageClass::Bytes:
            break;
    }
    if (type == FieldType::Variant) {
        FieldType plain = FieldType::String;
        const ValueRef untagged = TaggedValue::untag(v, plain);
        return keyOf(untagged, plain);
    }
    if (type == FieldType::BCD) {
        const std::string n = numberKeyOfText(v.bytes);
        return n.empty() ? tagged('d', v.bytes.data(), v.bytes.size()) : n;
    }
    return tagged(isBinaryType(type) ? 'b' : 't', v.bytes.data(), v.bytes.size());
}

std::string LookupSource::alternateKeyOf(const ValueRef& v, FieldType type) {
    const std::string key = keyOf(v, type);
    if (key.empty()) {
        return {};
    }
    switch (key.front()) {
        case 't':
            return numberKeyOfText(std::string_view(key).substr(1));
        case 'n': {
            std::int64_t n = 0;
            std::memcpy(&n, key.data() + 1, sizeof n);
            const std::string text = std::to_string(n);
            return tagged('t', text.data(), text.size());
        }
        case 'f': {
            double d = 0;
            std::memcpy(&d, key.data() + 1, sizeof d);
            const QByteArray text = ValueText::floatToText(d).toUtf8();
            return tagged('t', text.constData(), static_cast<std::size_t>(text.size()));
        }
        default:
            return {};
    }
}

void LookupSource::add(const Value& key, FieldType keyType, const Value& display,
                       FieldType displayType) {
    const std::string k = keyOf(ValueRef::of(key), keyType);
    if (k.empty()) {
        return;  // a null key is never found
    }
    const auto row = static_cast<std::uint32_t>(displays_.size());
    if (!index_.emplace(k, row).second) {
        return;
    }
    (k.front() == 't' ? textKeys_ : numberKeys_) = true;
    // The column shows text: texts keep their bytes, other values their text form.
    if (display.isNull()) {
        displays_.emplace_back();
    } else if (display.storage() == StorageClass::Bytes && isTextType(displayType) &&
               displayType != FieldType::Variant) {
        displays_.push_back(display);
    } else if (displayType == FieldType::Variant) {
        displays_.push_back(Value::fromText(TaggedValue::toText(ValueRef::of(display))));
    } else {
        displays_.push_back(Value::fromText(ValueText::toText(display, displayType)));
    }
}

ValueRef LookupSource::find(const ValueRef& code, FieldType codeType) const {
    const std::string key = keyOf(code, codeType);
    if (key.empty()) {
        return {};
    }
    auto it = index_.find(key);
    if (it == index_.end()) {
        // A code of the other kind than the keys: try it in their form.
        const bool textCode = key.front() == 't';
        if ((textCode && !numberKeys_) || (!textCode && !textKeys_)) {
            return {};
        }
        const std::string other = alternateKeyOf(code, codeType);
        it = other.empty() ? index_.end() : index_.find(other);
        if (it == index_.end()) {
            return {};
        }
    }
    return ValueRef::of(displays_[it->second]);
}

}  // namespace qm
