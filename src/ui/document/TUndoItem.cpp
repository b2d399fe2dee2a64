#include "document/TUndoItem.h"

#include "common/Assertion.h"
#include "document/TPrjView.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"

namespace qm {

void TUndoItem::Undo(TPrjView& /*view*/) {
    QM_ASSERT(false);
}

TProjectChangeUndoItem::TProjectChangeUndoItem(QString caption,
                                               std::unique_ptr<TPrjDataSaved> savedData,
                                               int tableSetupIndex)
    : TUndoItem(std::move(caption)),
      savedData_(std::move(savedData)),
      tableSetupIndex_(tableSetupIndex) {}

TProjectChangeUndoItem::~TProjectChangeUndoItem() = default;

void TProjectChangeUndoItem::Undo(TPrjView& view) {
    QM_ASSERT(savedData_);
    view.ReplaceData(std::move(savedData_));
    // The restored project is not what was last saved (or may not be): the
    // user is asked before it is closed.
    view.SetModified(true);
    // The engine's lists are filled from the restored project, so that the
    // table-setup list, the chooser and the project agree on what exists.
    view.engine().LoadTableSetups(view.PrjData());
    view.SelectTableSetup(tableSetupIndex_);
}

}  // namespace qm
