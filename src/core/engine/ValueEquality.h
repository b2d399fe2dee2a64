#pragma once

#include "list/FieldType.h"
#include "list/Value.h"

namespace qm {

/// The one rule that decides whether two column values are equal, used by
/// the comparison, the merge commands, the statements and the grids.
///
/// Null equals null and differs from everything else (memo columns read
/// null as the empty text; a null blob and an empty one differ). Text
/// against text is equal only byte for byte. SQLite values of any storage
/// class (Variant) equal each other only in the same class with the same
/// bytes; against another column type they count in their own class's type,
/// where a blob never equals text and a value that cannot be converted differs. Other pairs are
/// converted to a common kind: integer, float, fixed-point, date (compared as day numbers) or
/// Boolean; a Boolean counted as a number is -1 for true and 0 for false. A text that cannot be
/// converted raises ConversionError.
namespace ValueEquality {

bool equal(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB);

inline bool equal(const Value& a, FieldType typeA, const Value& b, FieldType typeB) {
    return equal(ValueRef::of(a), typeA, ValueRef::of(b), typeB);
}

/// True when two values of columns of the one type `type` are stored alike,
/// so that equal() would find them equal; false says nothing. Cheap where
/// most compared values are unchanged.
bool storedAlike(const ValueRef& a, const ValueRef& b, FieldType type);

/// equal(), answered by storedAlike() first where it can be.
inline bool equalQuick(const ValueRef& a, FieldType typeA, const ValueRef& b, FieldType typeB) {
    return (typeA == typeB && storedAlike(a, b, typeA)) || equal(a, typeA, b, typeB);
}

}  // namespace ValueEquality
}  // namespace qm
