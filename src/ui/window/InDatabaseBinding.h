#pragma once

#include "list/MemData.h"

#include <QObject>
#include <functional>

namespace qm {

class DatabaseTab;
class TDM;
class TPrjView;
class TUndoHandler;

/// Keeps the Database tab's "Compare inside the databases" in step with
/// the database-setup list: ticked as the list says, disabled with the
/// reason beside it when the aliases' databases or the current table
/// setup's rules do not allow it. A click is written back as an undoable
/// change of the project (or of the default file without a project).
class InDatabaseBinding : public QObject {
    Q_OBJECT

public:
    /// `project` gives the open project, or null.
    InDatabaseBinding(TDM& engine, DatabaseTab& database, std::function<TPrjView*()> project,
                      TUndoHandler& undo);
    ~InDatabaseBinding() override;

    /// Shows the list's choice and whether the pair allows it.
    void refresh();
    /// The user's click.
    void InDatabaseClick(bool ticked);

signals:
    /// A click changed the choice: the undo command's caption follows.
    void choiceChanged();

private:
    class Watch final : public ListObserver {
    public:
        explicit Watch(InDatabaseBinding& binding) : binding_(binding) {}
        void listChanged() override;

    private:
        InDatabaseBinding& binding_;
    };

    TDM& engine_;
    DatabaseTab& database_;
    std::function<TPrjView*()> project_;
    TUndoHandler& undo_;
    Watch watch_{*this};
};

}  // namespace qm
