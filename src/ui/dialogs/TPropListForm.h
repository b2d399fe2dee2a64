#pragma once

#include <QDialog>
#include <functional>
#include <vector>

namespace qm {

class TPropValueList;

/// A dialog that edits the values of a property list, one field per
/// property: a check box for switches and Boolean values, a number field for
/// integers and colours, a text field for texts. OK writes every field back
/// into the list; Cancel leaves it untouched.
class TPropListForm : public QDialog {
    Q_OBJECT

public:
    TPropListForm(const QString& title, TPropValueList& values, QWidget* parent = nullptr);

    /// Writes the fields into the list (what OK does).
    void apply();

private:
    TPropValueList& values_;
    std::vector<std::function<void()>> writers_;
};

}  // namespace qm
