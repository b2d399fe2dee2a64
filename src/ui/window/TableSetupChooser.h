#pragma once

#include <QComboBox>

namespace qm {

class MemData;

/// The tool bar's table-setup chooser: a drop-down list of the Name of
/// every row of the table-setup list, keyed by RecId. Choosing an entry
/// reports its RecId; the list's current row is shown as the choice.
class TableSetupChooser : public QComboBox {
    Q_OBJECT

public:
    explicit TableSetupChooser(QWidget* parent = nullptr);

    /// Rebuilds the entries from the list and shows its current row.
    void fill(const MemData& tables, int nameField);
    /// The RecId of the chosen entry; -1 when none is chosen.
    int chosenRecId() const;

signals:
    /// The user chose the table setup with this RecId.
    void chosen(int recId);

private:
    bool filling_ = false;
};

}  // namespace qm
