#pragma once

#include "document/TUndoItem.h"

namespace qm {

/// A change of one table setup's comparison rules. Unlike a copy of the
/// whole project, taking it back leaves the compared lists open: the
/// earlier rules go back into the table setup and the lists are compared
/// again under them.
class TRulesChangeUndoItem : public TUndoItem {
public:
    /// `rulesText` is the rules' text form before the change (empty: none).
    TRulesChangeUndoItem(QString caption, int tableSetupIndex, QString tableSetupName,
                         QString rulesText);

    const QString& RulesText() const { return rulesText_; }

    /// Finds the table setup (at its position when the name there still
    /// agrees, otherwise by its name; nothing when it is gone), makes it
    /// current when another is, writes the earlier rules back and compares
    /// the open lists again. The project is marked modified.
    void Undo(TPrjView& view) override;

private:
    int tableSetupIndex_;
    QString tableSetupName_;
    QString rulesText_;
};

}  // namespace qm
