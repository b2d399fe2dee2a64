#pragma once

#include "list/FieldType.h"
#include "list/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace qm {

/// Values of Variant columns: a SQLite value of any storage class, held as
/// bytes whose first byte names the class. Two values are equal exactly
/// when their bytes are, so a column of them is compared, hashed and
/// indexed like text, and no value ever meets another class's value as
/// equal (1, 1.0, '1' and X'31' stay four values).
namespace TaggedValue {

enum class Tag : char { Integer = 'i', Real = 'r', Text = 't', Blob = 'b' };

Value ofInt(std::int64_t v);
Value ofReal(double v);
Value ofText(std::string_view utf8);
Value ofBlob(std::string_view bytes);

/// The class of a non-null Variant value's bytes.
Tag tagOf(std::string_view bytes);
/// The bytes after the tag: UTF-8 text or blob bytes (integers and reals
/// hold their machine bytes).
std::string_view payload(std::string_view bytes);
std::int64_t intOf(std::string_view bytes);
double realOf(std::string_view bytes);

/// A Variant value as a value of an ordinary column type, which is
/// returned in `type`: Integer, Float, String or Blob. Text and blob views
/// point into `v`'s bytes.
ValueRef untag(const ValueRef& v, FieldType& type);

/// The Variant value SQLite holds after storing a value of the column type
/// in a column without affinity: numbers stay numbers (a fixed-point value
/// is an integer where it is a whole number within 64 bits, else a real),
/// Booleans are 1 and 0, binary data is a blob, everything else is text.
Value fromTyped(const Value& v, FieldType type);

/// The text SQLite stores for an integer or a real put into a column of
/// TEXT affinity, which is also the text such a column compares it as (a
/// real with 15 significant digits, 7.0 as "7.0"); nullopt for text, blobs
/// and nulls.
std::optional<std::string> numberAsText(const ValueRef& v);

/// Text shown for a Variant value (a blob's bytes as Latin-1).
QString toText(const ValueRef& v);

}  // namespace TaggedValue
}  // namespace qm
