#include "window/TableSetupGridModel.h"

#include "document/TableSetupEditor.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const QString kName = u"Name"_s;
const QString kPosition = u"DisplayOrder"_s;

}  // namespace

TableSetupGridModel::TableSetupGridModel(MemData& tables, QObject* parent)
    : MemDataModel(tables, Mode::Editable, ColumnPlan::tableSetups(), parent) {
    // Without a project the engine keeps a table setup being inserted in
    // the list; next to the new-row line it would be a second "*" line.
    setNewRowLineWhileInserting(false);
}

bool TableSetupGridModel::editable() const {
    return editor_ != nullptr && editor_->projectOpen();
}

Qt::ItemFlags TableSetupGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = MemDataModel::flags(index);
    const int field = fieldOfColumn(index.column());
    if (!editable() || field < 0 || list().field(field).name == kPosition) {
        f &= ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    }
    return f;
}

bool TableSetupGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !flags(index).testFlag(Qt::ItemIsEditable)) {
        return false;
    }
    const int field = fieldOfColumn(index.column());
    const QString& fieldName = list().field(field).name;
    const int row = index.row();
    const bool newRow = isNewRowLine(row) || isInsertingRow(row);
    const int recId = newRow ? -1 : recIdAt(row);
    if (!newRow && recId < 0) {
        return false;
    }
    if (fieldName == kName || newRow) {
        const QString name = fieldName == kName ? value.toString() : QString();
        if (newRow && fieldName != kName) {
            emit editFailed(u"Type the new table setup's name first."_s);
            return false;
        }
        if (const QString refusal = editor_->NameRefusal(recId, name); !refusal.isEmpty()) {
            emit editFailed(refusal);
            return false;
        }
    }
    if (newRow) {
        // A new row becomes a table setup of the project, and the list is
        // reloaded from the project, as soon as the view has closed its
        // editor: a reload while the view commits would pull the editor
        // from under it.
        QMetaObject::invokeMethod(
            this,
            [this, fieldName, text = value.toString()] {
                if (editable()) {
                    reporting([&] { editor_->AppendTableSetup(fieldName, text); });
                }
            },
            Qt::QueuedConnection);
        return true;
    }
    // The list row is written and posted (which makes it current), then
    // copied into its node.
    return MemDataModel::setData(index, value, role) &&
           reporting([&] { editor_->StoreCurrentRow(); });
}

}  // namespace qm
