#pragma once

#include "document/TUndoItem.h"

#include <QString>
#include <memory>

namespace qm {

class TPrjDataSaved;
class TPrjView;

/// The one-level undo of project changes. It keeps two items, Current and
/// Previous, so that a command cancelled after it recorded its change can
/// drop that record and leave the one before undoable.
class TUndoHandler {
public:
    /// Records a copy of `data` as the new Current; Current becomes Previous
    /// and the old Previous is released. The caption goes through
    /// StripMenuCaption.
    void RecordChange(const QString& caption, const TPrjDataSaved& data, int tableSetupIndex);
    /// RecordChange with "Project -> " before the caption: the form the
    /// commands use, with their own captions.
    void RecordProjectChange(const QString& caption, const TPrjDataSaved& data,
                             int tableSetupIndex);
    /// Records an undo step of another kind than a copy of the project:
    /// it becomes Current, Current becomes Previous.
    void Record(std::unique_ptr<TUndoItem> item);
    /// Releases Current; Previous becomes Current.
    void DropLast();
    /// Releases both items.
    void Clear();
    bool CanUndo() const { return current_ != nullptr; }
    /// Current's caption in single quotes; empty when nothing is undoable.
    QString UndoCaption() const;
    /// Undoes Current on the open project, then releases both items (also
    /// when the undo fails).
    void Undo(TPrjView& view);

    const TUndoItem* Current() const { return current_.get(); }
    const TUndoItem* Previous() const { return previous_.get(); }

private:
    std::unique_ptr<TUndoItem> current_;
    std::unique_ptr<TUndoItem> previous_;
};

}  // namespace qm
