#pragma once

#include <QString>
#include <cstdint>

namespace qm {

/// Data types a column or a query field can have. The first group can be
/// list columns; the second group is reported by some drivers but cannot be
/// held in a list.
enum class FieldType : std::uint8_t {
    String,
    Smallint,
    Integer,
    Word,
    Boolean,
    Float,
    Currency,
    BCD,
    Date,
    Time,
    DateTime,
    AutoInc,
    Blob,
    Memo,
    Graphic,
    FmtMemo,
    OleObject,
    OleStream,
    TypedBinary,
    /// A SQLite value of any storage class: a column without a declared type,
    /// or one holding a value of another class than its declared type's.
    Variant,
    // not usable as columns
    Unknown,
    Bytes,
    VarBytes,
    Cursor,
    FixedChar,
    WideString,
    Largeint,
    ADT,
    Guid,
};

/// How a value of a type is held: the comparison rules and the store both
/// work on these few classes.
enum class StorageClass : std::uint8_t { Int, Float, Bool, Bytes, Micros };

bool isUsableType(FieldType t);
StorageClass storageClassOf(FieldType t);
bool isIntegerType(FieldType t);
bool isDateType(FieldType t);
/// Types whose size is meaningful (text and binary data).
bool hasSize(FieldType t);
/// Memo and binary types: a null reads as the empty text when compared.
bool isMemoOrBlob(FieldType t);
/// Types whose value is raw bytes rather than text.
bool isBinaryType(FieldType t);
QString fieldTypeName(FieldType t);

}  // namespace qm
