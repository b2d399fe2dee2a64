#pragma once

#include "models/MemDataModel.h"

namespace qm {

class TableSetupEditor;

/// The project panel's grid model over the engine's table-setup list. With
/// an editor and an open project its cells are edited in place, and every
/// edit goes into the project at once: an edited row is copied into its
/// node, and a name typed into the new-row line appends a new table setup
/// (once control is back in the event loop, after the view closed its
/// editor). Names must be given and differ from the other table
/// setups' names; a refused edit keeps the old value and reports why through
/// editFailed. The "#" column is the table setup's position and is never
/// edited. Without an editor or project the grid is read-only.
class TableSetupGridModel : public MemDataModel {
    Q_OBJECT
public:
    explicit TableSetupGridModel(MemData& tables, QObject* parent = nullptr);

    /// Not owned; null makes the grid read-only.
    void setEditor(TableSetupEditor* editor) { editor_ = editor; }

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    bool editable() const;

    TableSetupEditor* editor_ = nullptr;
};

}  // namespace qm
