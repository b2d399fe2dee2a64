#include "window/InDatabaseBinding.h"

#include "document/TInDatabaseUndoItem.h"
#include "document/TUndoHandler.h"
#include "engine/TDM.h"
#include "report/TextRules.h"
#include "shared/UnhandledFailure.h"
#include "window/DatabaseTab.h"

using namespace Qt::StringLiterals;

namespace qm {

InDatabaseBinding::InDatabaseBinding(TDM& engine, DatabaseTab& database,
                                     std::function<TPrjView*()> project, TUndoHandler& undo)
    : engine_(engine), database_(database), project_(std::move(project)), undo_(undo) {
    engine_.TablesMemData().addObserver(&watch_);
    engine_.DBSetupMemData().addObserver(&watch_);
    // An alias being typed is in the list's row but not yet posted: no
    // list notice tells of it.
    connect(&database_, &DatabaseTab::aliasEdited, this,
            [this] { runReporting([&] { refresh(); }); });
    connect(&database_, &DatabaseTab::inDatabaseClicked, this,
            [this](bool ticked) { runReporting([&] { InDatabaseClick(ticked); }); });
    refresh();
}

InDatabaseBinding::~InDatabaseBinding() {
    engine_.TablesMemData().removeObserver(&watch_);
    engine_.DBSetupMemData().removeObserver(&watch_);
}

void InDatabaseBinding::Watch::listChanged() {
    binding_.refresh();
}

void InDatabaseBinding::refresh() {
    database_.setInDatabase(engine_.CompareInDatabase(), engine_.InDatabaseRefusal());
}

void InDatabaseBinding::InDatabaseClick(bool ticked) {
    TPrjView* view = project_();
    if (view != nullptr) {
        undo_.Record(std::make_unique<TInDatabaseUndoItem>(
            StripMenuCaption(u"Project -> Compare inside the databases"_s), !ticked));
    }
    TInDatabaseUndoItem::Write(engine_, view, ticked);
    refresh();
    emit choiceChanged();
}

}  // namespace qm
