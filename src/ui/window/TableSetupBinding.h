#pragma once

#include "engine/EnginePorts.h"
#include "list/MemData.h"

#include <QObject>
#include <functional>

namespace qm {

class DatabaseTab;
class MergeTab;
class TableSetupChooser;
class TDM;
class TPrjView;

/// Keeps the main window's table-setup fields, aliases and chooser in step
/// with the engine's table-setup and database-setup lists, and writes the
/// user's edits back: into the list's current row and, while a project is
/// open, into the project (which marks it modified).
class TableSetupBinding : public QObject {
    Q_OBJECT

public:
    /// `project` gives the open project, or null.
    TableSetupBinding(TDM& engine, MergeTab& merge, DatabaseTab& database,
                      TableSetupChooser& chooser, std::function<TPrjView*()> project);
    ~TableSetupBinding() override;

    /// Shows the current table setup, the aliases and the chooser's entries.
    void refresh();

    /// An edit of a table-setup field (by its name in the list): applied to
    /// the current row without posting it; with a project open that holds
    /// table setups, the row is copied into the project's node of the
    /// current table setup.
    void TableSetupEditChange(const QString& field, const QString& text);
    /// An edit of an alias: applied to the database-setup row; with a project
    /// open, the row is copied into the project's settings.
    void AliasEditChange(Side side, const QString& alias);
    /// The chooser's choice: makes the row with that RecId current. Not
    /// finding it is an assertion failure.
    void UIDataIndexChange(int recId);

private:
    /// Refreshes the window after any notice of either list.
    class Watch final : public ListObserver {
    public:
        explicit Watch(TableSetupBinding& binding) : binding_(binding) {}
        void listChanged() override;

    private:
        TableSetupBinding& binding_;
    };

    static void applyText(MemData& list, int field, const QString& text);

    TDM& engine_;
    MergeTab& merge_;
    DatabaseTab& database_;
    TableSetupChooser& chooser_;
    std::function<TPrjView*()> project_;
    Watch watch_{*this};
    bool writing_ = false;
};

}  // namespace qm
