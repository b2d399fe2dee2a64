#pragma once

#include "document/TUndoItem.h"

namespace qm {

class TDM;

/// A change of the project's "Compare inside the databases". Unlike a copy
/// of the whole project, taking it back leaves the compared lists open: it
/// only decides how the next Open Source & Target loads them.
class TInDatabaseUndoItem : public TUndoItem {
public:
    /// `ticked` is the choice before the change.
    TInDatabaseUndoItem(QString caption, bool ticked);

    bool Ticked() const { return ticked_; }

    /// Writes the earlier choice back; the project is marked modified.
    void Undo(TPrjView& view) override;

    /// Writes the choice into the database-setup list's row (null when not
    /// ticked, so the default file leaves it out) and, with a project
    /// open, into the project's settings, marking it modified.
    static void Write(TDM& engine, TPrjView* view, bool ticked);

private:
    bool ticked_;
};

}  // namespace qm
