#include "document/TInDatabaseUndoItem.h"

#include "document/TPrjView.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"
#include "project/QMUtils.h"

namespace qm {

TInDatabaseUndoItem::TInDatabaseUndoItem(QString caption, bool ticked)
    : TUndoItem(std::move(caption)), ticked_(ticked) {}

void TInDatabaseUndoItem::Undo(TPrjView& view) {
    Write(view.engine(), &view, ticked_);
}

void TInDatabaseUndoItem::Write(TDM& engine, TPrjView* view, bool ticked) {
    MemData& d = engine.DBSetupMemData();
    if (!d.isOpen()) {
        return;
    }
    if (d.state() == ListState::Browse) {
        d.edit();  // an empty list starts its row
    }
    const int f = engine.compareInDatabaseField();
    if (ticked) {
        d.setAsBool(f, true);
    } else {
        d.setValue(f, Value());
    }
    d.post();
    if (view != nullptr) {
        TQMUtils::DataSetToProps(view->PrjData().settings(), d);
        view->SetModified(true);
    }
}

}  // namespace qm
