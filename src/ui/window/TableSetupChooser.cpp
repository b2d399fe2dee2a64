#include "window/TableSetupChooser.h"

#include "list/MemData.h"
#include "list/ValueText.h"

#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

namespace qm {

TableSetupChooser::TableSetupChooser(QWidget* parent) : QComboBox(parent) {
    setObjectName(u"TableSetupChooser"_s);
    setFixedWidth(262);
    setEditable(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QComboBox::activated, this, [this](int) {
        if (!filling_ && chosenRecId() >= 0) {
            emit chosen(chosenRecId());
        }
    });
}

void TableSetupChooser::fill(const MemData& tables, int nameField) {
    const QScopedValueRollback guard(filling_, true);
    clear();
    if (!tables.isOpen()) {
        return;
    }
    int current = -1;
    for (int pos = 0; pos < tables.recordCount(); ++pos) {
        addItem(ValueText::toText(tables.valueAt(pos, nameField), tables.field(nameField).type),
                tables.recIdAt(pos));
        if (pos == tables.position()) {
            current = pos;
        }
    }
    setCurrentIndex(current);
}

int TableSetupChooser::chosenRecId() const {
    const QVariant recId = currentData();
    return recId.isValid() ? recId.toInt() : -1;
}

}  // namespace qm
