#include "document/TRulesChangeUndoItem.h"

#include "document/TPrjView.h"
#include "document/TableSetupEditor.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"

namespace qm {

TRulesChangeUndoItem::TRulesChangeUndoItem(QString caption, int tableSetupIndex,
                                           QString tableSetupName, QString rulesText)
    : TUndoItem(std::move(caption)),
      tableSetupIndex_(tableSetupIndex),
      tableSetupName_(std::move(tableSetupName)),
      rulesText_(std::move(rulesText)) {}

void TRulesChangeUndoItem::Undo(TPrjView& view) {
    TPrjDataSaved& project = view.PrjData();
    const auto nameAt = [&project](int i) { return project.GetItem(i)->Name(); };
    // Table setups may have moved since (moving is no undo step); names are
    // unique in a project.
    int index = tableSetupIndex_;
    if (index < 0 || index >= project.NodeCount() || nameAt(index) != tableSetupName_) {
        index = -1;
        for (int i = 0; i < project.NodeCount() && index < 0; ++i) {
            if (nameAt(i) == tableSetupName_) {
                index = i;
            }
        }
    }
    if (index < 0) {
        return;
    }
    if (view.CurrentTableSetupIndex() != index) {
        view.SelectTableSetup(index);
    }
    TableSetupEditor::WriteRules(view.engine(), &view, rulesText_);
}

}  // namespace qm
