#pragma once

#include "list/FieldType.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <string_view>

namespace qm {

/// One column value: null or typed. What the bytes or the number mean
/// follows the column's FieldType: text is UTF-8, fixed-point numbers are
/// their decimal text, blobs are raw bytes; dates and times are
/// microseconds since 1899-12-30 00:00 (times since midnight).
class Value {
public:
    Value() = default;
    static Value fromInt(std::int64_t v) { return Value(StorageClass::Int, v, 0.0); }
    static Value fromFloat(double v) { return Value(StorageClass::Float, 0, v); }
    static Value fromBool(bool v) { return Value(StorageClass::Bool, v ? 1 : 0, 0.0); }
    static Value fromMicros(std::int64_t v) { return Value(StorageClass::Micros, v, 0.0); }
    static Value fromBytes(QByteArray v) {
        Value r(StorageClass::Bytes, 0, 0.0);
        r.bytes_ = std::move(v);
        return r;
    }
    static Value fromText(const QString& v) { return fromBytes(v.toUtf8()); }

    bool isNull() const { return null_; }
    StorageClass storage() const { return storage_; }
    std::int64_t asInt() const { return int_; }
    double asFloat() const { return float_; }
    bool asBool() const { return !null_ && int_ != 0; }
    std::int64_t asMicros() const { return int_; }
    const QByteArray& asBytes() const { return bytes_; }

    bool operator==(const Value& o) const;

private:
    Value(StorageClass s, std::int64_t i, double d)
        : storage_(s), null_(false), int_(i), float_(d) {}

    StorageClass storage_ = StorageClass::Int;
    bool null_ = true;
    std::int64_t int_ = 0;
    double float_ = 0.0;
    QByteArray bytes_;
};

/// A non-owning view of a value, read straight from a list without
/// copying text. Valid while the list is not changed.
struct ValueRef {
    StorageClass storage = StorageClass::Int;
    bool null = true;
    std::int64_t i = 0;  // Int, Bool (0/1) and Micros
    double d = 0.0;
    std::string_view bytes;

    static ValueRef of(const Value& v) {
        ValueRef r;
        r.storage = v.storage();
        r.null = v.isNull();
        r.i = v.asInt();
        r.d = v.asFloat();
        r.bytes =
            std::string_view(v.asBytes().constData(), static_cast<std::size_t>(v.asBytes().size()));
        return r;
    }
    Value toValue() const {
        if (null) {
            return {};
        }
        switch (storage) {
            case StorageClass::Int:
                return Value::fromInt(i);
            case StorageClass::Float:
                return Value::fromFloat(d);
            case StorageClass::Bool:
                return Value::fromBool(i != 0);
            case StorageClass::Micros:
                return Value::fromMicros(i);
            case StorageClass::Bytes:
                return Value::fromBytes(
                    QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        }
        return {};
    }
};

}  // namespace qm
