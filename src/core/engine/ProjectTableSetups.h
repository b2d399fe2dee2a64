#pragma once

#include <QStringList>
#include <vector>

namespace qm {

class MemData;
class TFrameNodeData;
class TPrjData;
class TQMObject;

/// Adding table setups and lookup definitions to a project the way the
/// table-setup list and the lookup dialog hand them over, and finding the
/// table setups a run works on.
namespace ProjectTableSetups {

/// Appends a table setup (a node of kind 6) made from the current row of a
/// table-setup list: every column but RecId becomes the node property of the
/// same name, so the row decides every value the node holds. DisplayOrder is
/// then set to the node's position + 1. Returns the new node.
TFrameNodeData& AddTableSetup(TPrjData& project, const MemData& tableSetupRow);

/// Adds the six columns of a lookup definition (LookupName, FieldName,
/// LookupTableName, LookupKeyFieldName, LookupDisplayFieldName, text of up
/// to 255 characters, and CustomLookupSQLQuery, a memo) to a closed list.
void CreateLookupDefinitionFields(MemData& list);

/// Appends a lookup definition (an object of type 1) to a table setup and
/// copies the current row of `values` into it by name. When the copy fails
/// the object is removed again and the failure passed on.
TQMObject& AddLookupDefinition(TFrameNodeData& tableSetup, const MemData& values);

/// The positions of the named table setups in project order, each once. A
/// name matches the first table setup of exactly that name (letter case
/// counts). Names that match none are added to `unknown` in the order given.
/// No names at all chooses every table setup.
std::vector<int> Positions(TPrjData& project, const QStringList& names, QStringList& unknown);

/// The table setups' names in project order.
QStringList Names(TPrjData& project);

}  // namespace ProjectTableSetups
}  // namespace qm
