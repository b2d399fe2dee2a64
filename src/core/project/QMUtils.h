#pragma once

namespace qm {

class MemData;
class TPropValueList;

/// Copies between a property list and the current row of an in-memory list,
/// by name.
namespace TQMUtils {

/// Sets, for every column but "RecId", the property of the same name from
/// the column's value. A column without such a property is an
/// internal-check failure.
void DataSetToProps(TPropValueList& props, const MemData& data);

/// Sets, for every property with a column of the same name (any letter
/// case), the column from the property's value. The list must be editing or
/// inserting. A property that has no value to read (never set, no default)
/// gives an empty column.
void PropsToDataSet(TPropValueList& props, MemData& data);

/// Sends the project-modified notice unless one is pending.
void NotifyModified();

}  // namespace TQMUtils
}  // namespace qm
