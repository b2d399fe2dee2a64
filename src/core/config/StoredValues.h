#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace qm::StoredValues {

/// A number read from the per-user store: decimal or "$"/"0x" hexadecimal
/// text, or a number where the store keeps typed values (the registry).
/// Anything else is no number.
std::optional<int> integer(const QVariant& value);

/// A text read from the per-user store. The INI form of the store reads a
/// value with commas as a list; it is put back together the way the store
/// writes lists. Numbers count as their text; other typed values (byte
/// arrays, rectangles, ...) are no text.
std::optional<QString> text(const QVariant& value);

}  // namespace qm::StoredValues
