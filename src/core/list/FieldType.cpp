#include "list/FieldType.h"

using namespace Qt::StringLiterals;

namespace qm {

bool isUsableType(FieldType t) {
    return t < FieldType::Unknown;
}

StorageClass storageClassOf(FieldType t) {
    switch (t) {
        case FieldType::Smallint:
        case FieldType::Integer:
        case FieldType::Word:
        case FieldType::AutoInc:
        case FieldType::Largeint:
            return StorageClass::Int;
        case FieldType::Float:
        case FieldType::Currency:
            return StorageClass::Float;
        case FieldType::Boolean:
            return StorageClass::Bool;
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::DateTime:
            return StorageClass::Micros;
        default:
            return StorageClass::Bytes;
    }
}

bool isIntegerType(FieldType t) {
    return storageClassOf(t) == StorageClass::Int;
}

bool isDateType(FieldType t) {
    return storageClassOf(t) == StorageClass::Micros;
}

bool hasSize(FieldType t) {
    return t == FieldType::String || isMemoOrBlob(t);
}

bool isMemoOrBlob(FieldType t) {
    switch (t) {
        case FieldType::Blob:
        case FieldType::Memo:
        case FieldType::Graphic:
        case FieldType::FmtMemo:
        case FieldType::OleObject:
        case FieldType::OleStream:
        case FieldType::TypedBinary:
            return true;
        default:
            return false;
    }
}

bool isBinaryType(FieldType t) {
    return isMemoOrBlob(t) && t != FieldType::Memo && t != FieldType::FmtMemo;
}

QString fieldTypeName(FieldType t) {
    static const char* const names[] = {
        "ftString",      "ftSmallint",   "ftInteger",  "ftWord",    "ftBoolean",   "ftFloat",
        "ftCurrency",    "ftBCD",        "ftDate",     "ftTime",    "ftDateTime",  "ftAutoInc",
        "ftBlob",        "ftMemo",       "ftGraphic",  "ftFmtMemo", "ftOleObject", "ftOleStream",
        "ftTypedBinary", "ftVariant",    "ftUnknown",  "ftBytes",   "ftVarBytes",  "ftCursor",
        "ftFixedChar",   "ftWideString", "ftLargeint", "ftADT",     "ftGuid"};
    return QString::fromLatin1(names[static_cast<int>(t)]);
}

}  // namespace qm
