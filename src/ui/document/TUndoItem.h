#pragma once

#include <QString>
#include <memory>

namespace qm {

class TPrjDataSaved;
class TPrjView;

/// One undoable step with the caption the undo command shows.
class TUndoItem {
public:
    explicit TUndoItem(QString caption) : caption_(std::move(caption)) {}
    virtual ~TUndoItem() = default;
    TUndoItem(const TUndoItem&) = delete;
    TUndoItem& operator=(const TUndoItem&) = delete;

    const QString& Caption() const { return caption_; }
    /// Takes the open project back to the state of this step. Items of the
    /// base class are never undone: an assertion failure.
    virtual void Undo(TPrjView& view);

private:
    QString caption_;
};

/// A change of the project: a full copy of the project data taken before
/// the change, and the table-setup position at that moment.
class TProjectChangeUndoItem : public TUndoItem {
public:
    TProjectChangeUndoItem(QString caption, std::unique_ptr<TPrjDataSaved> savedData,
                           int tableSetupIndex);
    ~TProjectChangeUndoItem() override;

    const TPrjDataSaved* SavedData() const { return savedData_.get(); }
    int TableSetupIndex() const { return tableSetupIndex_; }

    /// Gives the saved data to the view (the item no longer owns it), marks
    /// the project modified, fills the engine's setup lists from it and
    /// selects the saved table-setup position.
    void Undo(TPrjView& view) override;

private:
    std::unique_ptr<TPrjDataSaved> savedData_;
    int tableSetupIndex_;
};

}  // namespace qm
