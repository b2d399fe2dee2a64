#include "list/RowStore.h"

#include "common/Errors.h"

#include <QString>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm {

RowStore::RowStore(std::vector<StorageClass> columns) {
    cols_.reserve(columns.size());
    for (StorageClass c : columns) {
        cols_.push_back(Column{c, {}, {}, {}, {}});
    }
}

void RowStore::reserve(std::size_t rows) {
    for (Column& c : cols_) {
        c.cells.reserve(rows);
        c.nulls.reserve(rows);
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
        c.cells.push_back(0);
        c.nulls.push_back(1);
        if (c.cls == StorageClass::Bytes) {
            c.lengths.push_back(0);
        }
    }
    return rows_++;
}

std::uint32_t RowStore::appendCopyOf(std::uint32_t row) {
    for (Column& c : cols_) {
        c.cells.push_back(c.cells[row]);
        c.nulls.push_back(c.nulls[row]);
        if (c.cls == StorageClass::Bytes) {
            c.lengths.push_back(c.lengths[row]);
        }
    }
    return rows_++;
}

void RowStore::setNull(std::uint32_t row, std::size_t c) {
    cols_[c].nulls[row] = 1;
    cols_[c].cells[row] = 0;
    if (cols_[c].cls == StorageClass::Bytes) {
        cols_[c].lengths[row] = 0;
    }
}

void RowStore::setInt(std::uint32_t row, std::size_t c, std::int64_t v) {
    cols_[c].nulls[row] = 0;
    cols_[c].cells[row] = static_cast<std::uint64_t>(v);
}

void RowStore::setFloat(std::uint32_t row, std::size_t c, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    cols_[c].nulls[row] = 0;
    cols_[c].cells[row] = bits;
}

void RowStore::setBool(std::uint32_t row, std::size_t c, bool v) {
    cols_[c].nulls[row] = 0;
    cols_[c].cells[row] = v ? 1 : 0;
}

void RowStore::setBytes(std::uint32_t row, std::size_t c, const char* data, std::size_t size) {
    Column& col = cols_[c];
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Value too large"_s);
    }
    col.nulls[row] = 0;
    col.cells[row] = col.arena.size();
    col.lengths[row] = static_cast<std::uint32_t>(size);
    col.arena.insert(col.arena.end(), data, data + size);
}

void RowStore::setTagged(std::uint32_t row, std::size_t c, char tag, const char* data,
                         std::size_t size) {
    Column& col = cols_[c];
    if (size >= std::numeric_limits<std::uint32_t>::max()) {
        throw Error(u"Value too large"_s);
    }
    col.nulls[row] = 0;
    col.cells[row] = col.arena.size();
    col.lengths[row] = static_cast<std::uint32_t>(size + 1);
    col.arena.push_back(tag);
    col.arena.insert(col.arena.end(), data, data + size);
}

void RowStore::convertToBytes(std::size_t c, const std::function<Value(const Value&)>& convert) {
    Column converted{StorageClass::Bytes, {}, {}, {}, {}};
    converted.cells.resize(rows_, 0);
    converted.lengths.resize(rows_, 0);
    converted.nulls.resize(rows_, 1);
    for (std::uint32_t r = 0; r < rows_; ++r) {
        if (isNull(r, c)) {
            continue;
        }
        const Value v = convert(valueAt(r, c));
        if (v.isNull()) {
            continue;
        }
        const QByteArray& b = v.asBytes();
        converted.nulls[r] = 0;
        converted.cells[r] = converted.arena.size();
        converted.lengths[r] = static_cast<std::uint32_t>(b.size());
        converted.arena.insert(converted.arena.end(), b.begin(), b.end());
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
        n += c.cells.capacity() * 8 + c.lengths.capacity() * 4 + c.nulls.capacity() +
             c.arena.capacity();
    }
    return n;
}

}  // namespace qm
