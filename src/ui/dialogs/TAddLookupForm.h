#pragma once

#include "list/MemData.h"

#include <QDialog>
#include <QString>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qm {

/// Edits one lookup definition: the one-row list ParamsMemData with the six
/// definition fields, bound to an editor each. The row is put in insert
/// state by startRow(), filled by the caller, and posted when the dialog is
/// closed with OK; every change in an editor goes into the row at once.
class TAddLookupForm : public QDialog {
    Q_OBJECT

public:
    explicit TAddLookupForm(const QString& caption, QWidget* parent = nullptr);

    MemData& ParamsMemData() { return params_; }

    /// Opens the list (emptied) and inserts its row, all fields empty.
    void startRow();
    /// Sets a field of the row and its editor.
    void setValue(const QString& field, const QString& text);
    QString value(const QString& field) const;

    /// Leaving the Field Name editor: an empty field name empties the
    /// lookup name; an empty lookup table name takes the field name.
    void FieldNameEditExit();

    /// The single-line editor of a field (not of the custom query).
    QLineEdit& editor(const QString& field) const;
    QPlainTextEdit& customQueryEditor() const { return *customQuery_; }
    QPushButton& okButton() const { return *ok_; }

    /// Shows the row's values in the editors (after the row was filled
    /// directly, as when editing a stored definition).
    void loadEditors();

    void accept() override;

private:
    void editorChanged(const QString& field, const QString& text);

    MemData params_{QStringLiteral("ParamsMemData")};
    struct Binding {
        QString field;
        QLineEdit* edit = nullptr;
    };
    std::vector<Binding> editors_;
    QLabel* customQueryLabel_ = nullptr;
    QPlainTextEdit* customQuery_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool loading_ = false;
};

}  // namespace qm
