#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace qm {

class CommandPrompts;
class ComparisonRules;
class MemData;
class TDM;
class TPrjView;
class TUndoHandler;

/// Changes to the open project's list of table setups, made so that the
/// project and the engine's table-setup list always agree: while the project
/// holds table setups, the list holds one row per node in node order
/// (DisplayOrder = position + 1), so a row's list position is its node's
/// index. Every structural change (add, move, delete) goes to the project
/// first and then reloads the list from it.
///
/// While the project has no table setups, the list holds the template rows
/// of the default files instead; edits of those stay in the list, and the
/// add commands copy from them.
class TableSetupEditor {
public:
    /// `project` gives the open project, or null.
    TableSetupEditor(TDM& engine, std::function<TPrjView*()> project, TUndoHandler& undo);

    bool projectOpen() const { return project_() != nullptr; }

    // --- commands -----------------------------------------------------------------
    /// Records an undo step (kept when the user cancels), asks for a name
    /// until one is given that no table setup has (an existing name makes
    /// that table setup current, so the copy comes from it; an empty name
    /// is asked again), appends a copy of the current row under that name
    /// without lookup definitions and makes it current. False when cancelled.
    bool AddTableSetup(CommandPrompts& prompts, const QString& caption);
    /// Asks for a table name T and fills the current table setup from it:
    /// both queries "SELECT * FROM T", key "TId", target table and name T.
    /// The row is posted and copied into the project's node. False when
    /// cancelled, when the name is empty, or when there is no current row.
    bool QuickFillTableSetup(CommandPrompts& prompts);
    /// Moves the current table setup one place up (step -1) or down (+1)
    /// in the project; it stays current. At either end only a beep; a
    /// project without table setups gets a message. True when moved.
    bool MoveCurrent(int step, CommandPrompts& prompts);
    /// Asks "Delete record?" (or "Delete all selected records?"), records an
    /// undo step and removes the table setups of those list rows (with their
    /// lookup definitions) from the project. The current table setup stays
    /// current when it is kept; otherwise the one now at its place. True
    /// when something was deleted.
    bool DeleteTableSetups(const QList<int>& recIds, const QString& caption);

    // --- edits of single rows -----------------------------------------------------
    /// Copies the list's current row into the project's node at the same
    /// position (every column but RecId), which marks the project modified.
    /// Nothing while the project has no table setups.
    void StoreCurrentRow();
    /// Why the row with that RecId (-1: a new row) may not be named so;
    /// empty when it may. Names count as equal only when they are exactly
    /// equal, letter case included.
    QString NameRefusal(int recId, const QString& name) const;
    /// Appends a new table setup with both queries "SELECT * FROM " and one
    /// column set from a text, and makes it current.
    void AppendTableSetup(const QString& field, const QString& text);

    // --- comparison rules -----------------------------------------------------------
    /// Makes `rules` the current table setup's comparison rules. With a
    /// project that holds table setups, first records one undo step named
    /// `caption` that takes the rules back (and only them); then WriteRules.
    /// Nothing without a current table setup.
    void SetRules(const ComparisonRules& rules, const QString& caption);
    /// Writes a rules text (the text form; empty for none) into the current
    /// row of the table-setup list and, while `view` holds table setups,
    /// into the current table setup's node, which marks the project
    /// modified. Then compares the open lists again, so that the marks, the
    /// statistics and the grids' colours follow the rules.
    static void WriteRules(TDM& engine, TPrjView* view, const QString& text);

private:
    TPrjView& view() const;
    MemData& tables() const;
    /// Reloads the list from the project and makes the row at `index` current.
    void reload(int index);

    TDM& engine_;
    std::function<TPrjView*()> project_;
    TUndoHandler& undo_;
};

}  // namespace qm
