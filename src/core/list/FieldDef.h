#pragma once

#include "list/FieldType.h"

#include <QString>
#include <memory>

namespace qm {

class LookupSource;
class MemData;

/// Stored columns hold values; calculated and lookup columns are derived
/// and never stored or written to files.
enum class FieldKind : std::uint8_t { Data, Calculated, Lookup };

/// Definition of one column of an in-memory list.
struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // text and binary types only
    QString displayLabel;
    bool visible = true;
    int tag = 0;
    FieldKind kind = FieldKind::Data;
    QString registeredName;  // list name + field name
    // Lookup columns: value of lookupResultField in the row of lookupDataSet
    // whose lookupKeyFields equal this row's keyFields.
    QString keyFields;
    MemData* lookupDataSet = nullptr;
    QString lookupKeyFields;
    QString lookupResultField;
    // Or, for a lookup column of the engine: the display text of the row of
    // lookupSource whose key equals this row's value in keyFields (one
    // column). Copies of a list share the source.
    std::shared_ptr<const LookupSource> lookupSource;
    int lookupKeyField = -1;  // keyFields' index, kept by the list

    QString label() const { return displayLabel.isEmpty() ? name : displayLabel; }
};

/// Tag of the engine's own flag columns.
inline constexpr int kFlagTag = 555;

}  // namespace qm
