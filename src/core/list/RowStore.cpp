#include "list/RowStore.h"

#include "common/Errors.h"

#include <QString>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm {

RowStore::Column RowStore::emptyColumn(StorageClass cls) {
    Column c;
    c.cls = cls;
    return c;
}

RowStore::RowStore(std::vector<StorageClass> columns) {
    cols_.reserve(columns.size());
    for (StorageClass c : columns) {
        cols_.push_back(emptyColumn(c));
    }
}

void RowStore::reserve(std::size_t rows) {
    for (Column& c : cols_) {
        c.states.reserve(rows);
        if (c.cls != StorageClass::Bool) {
            c.cells.reserve(rows);
        }
        if (c.cls == StorageClass::Bytes) {
            c.lengths.reserve(rows);
        }
    }
}

std::uint32_t RowStore::appendRow() {
    if (rows_ == std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Too many rows"_s);
    }
    for (Column& c : cols_) {
        c.states.push_back(kNullBit);
        if (c.cls != StorageClass::Bool) {
            c.cells.push_back(0);
        }
        if (c.cls == StorageClass::Bytes) {
            c.lengths.push_back(0);
        }
    }
    return rows_++;
}

std::uint32_t RowStore::appendCopyOf(std::uint32_t row) {
    if (rows_ == std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Too many rows"_s);
    }
    for (Column& c : cols_) {
        c.states.push_back(c.states[row]);
        if (c.cls != StorageClass::Bool) {
            c.cells.push_back(c.cells[row]);
        }
        if (c.cls == StorageClass::Bytes) {
            c.lengths.push_back(c.lengths[row]);
        }
    }
    return rows_++;
}

void RowStore::setNull(std::uint32_t row, std::size_t c) {
    Column& col = cols_[c];
    col.states[row] = kNullBit;
    if (col.cls != StorageClass::Bool) {
        col.cells[row] = 0;
    }
    if (col.cls == StorageClass::Bytes) {
        col.lengths[row] = 0;
    }
}

void RowStore::setInt(std::uint32_t row, std::size_t c, std::int64_t v) {
    Column& col = cols_[c];
    if (col.cls == StorageClass::Bool) {
        setBool(row, c, v != 0);
        return;
    }
    col.states[row] = 0;
    col.cells[row] = static_cast<std::uint64_t>(v);
}

void RowStore::setFloat(std::uint32_t row, std::size_t c, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    cols_[c].states[row] = 0;
    cols_[c].cells[row] = bits;
}

void RowStore::setBool(std::uint32_t row, std::size_t c, bool v) {
    cols_[c].states[row] = v ? kTrueBit : 0;
}

void RowStore::storeBytes(Column& col, std::uint32_t row, const char* at, std::size_t size) {
    col.states[row] = 0;
    col.cells[row] = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(at));
    col.lengths[row] = static_cast<std::uint32_t>(size);
}

void RowStore::setBytes(std::uint32_t row, std::size_t c, const char* data, std::size_t size) {
    Column& col = cols_[c];
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Value too large"_s);
    }
    storeBytes(col, row, col.arena.add(data, size), size);
}

void RowStore::setTagged(std::uint32_t row, std::size_t c, char tag, const char* data,
                         std::size_t size) {
    Column& col = cols_[c];
    if (size >= std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Value too large"_s);
    }
    storeBytes(col, row, col.arena.add(data, size, true, tag), size + 1);
}

void RowStore::convertToBytes(std::size_t c, const std::function<Value(const Value&)>& convert) {
    Column converted = emptyColumn(StorageClass::Bytes);
    converted.cells.resize(rows_, 0);
    converted.lengths.resize(rows_, 0);
    converted.states.resize(rows_, kNullBit);
    for (std::uint32_t r = 0; r < rows_; ++r) {
        if (isNull(r, c)) {
            continue;
        }
        const Value v = convert(valueAt(r, c));
        if (v.isNull()) {
            continue;
        }
        const QByteArray& b = v.asBytes();
        const auto size = static_cast<std::size_t>(b.size());
        storeBytes(converted, r, converted.arena.add(b.constData(), size), size);
    }
    cols_[c] = std::move(converted);
}

double RowStore::floatAt(std::uint32_t row, std::size_t c) const {
    double v = 0;
    std::memcpy(&v, &cols_[c].cells[row], sizeof v);
    return v;
}

void RowStore::set(std::uint32_t row, std::size_t c, const Value& v) {
    if (v.isNull()) {
        setNull(row, c);
        return;
    }
    switch (cols_[c].cls) {
        case StorageClass::Int:
        case StorageClass::Micros:
            setInt(row, c, v.asInt());
            break;
        case StorageClass::Float:
            setFloat(row, c, v.asFloat());
            break;
        case StorageClass::Bool:
            setBool(row, c, v.asBool());
            break;
        case StorageClass::Bytes:
            setBytes(row, c, v.asBytes().constData(), static_cast<std::size_t>(v.asBytes().size()));
            break;
    }
}

Value RowStore::valueAt(std::uint32_t row, std::size_t c) const {
    if (isNull(row, c)) {
        return {};
    }
    switch (cols_[c].cls) {
        case StorageClass::Int:
            return Value::fromInt(intAt(row, c));
        case StorageClass::Micros:
            return Value::fromMicros(intAt(row, c));
        case StorageClass::Float:
            return Value::fromFloat(floatAt(row, c));
        case StorageClass::Bool:
            return Value::fromBool(boolAt(row, c));
        case StorageClass::Bytes: {
            const std::string_view b = bytesAt(row, c);
            return Value::fromBytes(QByteArray(b.data(), static_cast<qsizetype>(b.size())));
        }
    }
    return {};
}

std::size_t RowStore::memoryUsed() const {
    std::size_t n = 0;
    for (const Column& c : cols_) {
        n += c.cells.bytesReserved() + c.lengths.bytesReserved() + c.states.bytesReserved() +
             c.arena.bytesReserved();
    }
    return n;
}

}  // namespace qm
