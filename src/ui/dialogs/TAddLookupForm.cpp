#include "dialogs/TAddLookupForm.h"

#include "dialogs/DialogButtons.h"

#include "common/Errors.h"
#include "engine/ProjectTableSetups.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

constexpr int kMaxTextLength = 255;
const QString kCustomQuery = u"CustomLookupSQLQuery"_s;

}  // namespace

TAddLookupForm::TAddLookupForm(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(u"AddLookupForm"_s);
    setWindowTitle(caption);
    ProjectTableSetups::CreateLookupDefinitionFields(params_);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapAllRows);
    const std::pair<QString, QString> fields[] = {
        {u"FieldName"_s, u"Field Name"_s},
        {u"LookupName"_s, u"Lookup Name (Name of Lookup Setup)"_s},
        {u"LookupTableName"_s, u"Lookup Table Name"_s},
        {u"LookupKeyFieldName"_s, u"Lookup Key Field Name"_s},
        {u"LookupDisplayFieldName"_s, u"Lookup Display Field Name"_s},
    };
    for (const auto& [field, label] : fields) {
        auto* edit = new QLineEdit;
        edit->setObjectName(field + u"Edit"_s);
        edit->setMaxLength(kMaxTextLength);
        form->addRow(label, edit);
        editors_.push_back({field, edit});
        connect(edit, &QLineEdit::textChanged, this,
                [this, field](const QString& text) { editorChanged(field, text); });
    }
    connect(&editor(u"FieldName"_s), &QLineEdit::editingFinished, this,
            &TAddLookupForm::FieldNameEditExit);

    // The custom query is kept with the definition but never used, so it is
    // not offered for editing.
    customQueryLabel_ = new QLabel(u"Custom Lookup SQL Query"_s);
    customQuery_ = new QPlainTextEdit;
    customQuery_->setObjectName(u"CustomLookupSQLQueryEdit"_s);
    form->addRow(customQueryLabel_, customQuery_);
    customQueryLabel_->hide();
    customQuery_->hide();
    layout->addLayout(form);
    layout->addStretch(1);

    ok_ = addOkCancelButtons(*this, *layout);
    resize(420, 300);
}

void TAddLookupForm::startRow() {
    if (params_.isOpen()) {
        params_.close();
    }
    params_.open();
    params_.insert();
    loadEditors();
}

void TAddLookupForm::setValue(const QString& field, const QString& text) {
    params_.setAsText(params_.fieldIndex(field), text);
    loadEditors();
}

QString TAddLookupForm::value(const QString& field) const {
    return params_.asText(params_.fieldIndex(field));
}

void TAddLookupForm::FieldNameEditExit() {
    if (!params_.isOpen()) {
        return;
    }
    const QString fieldName = value(u"FieldName"_s);
    if (fieldName.isEmpty()) {
        params_.setAsText(params_.fieldIndex(u"LookupName"_s), QString());
    }
    if (value(u"LookupTableName"_s).isEmpty()) {
        params_.setAsText(params_.fieldIndex(u"LookupTableName"_s), fieldName);
    }
    loadEditors();
}

QLineEdit& TAddLookupForm::editor(const QString& field) const {
    for (const Binding& b : editors_) {
        if (b.field == field) {
            return *b.edit;
        }
    }
    throw Error(u"The lookup dialog has no editor for \"%1\"."_s.arg(field));
}

void TAddLookupForm::accept() {
    if (params_.state() == ListState::Insert || params_.state() == ListState::Edit) {
        // An editor still being typed in has already written its text into
        // the row; the Field Name rules apply as on leaving it.
        if (editor(u"FieldName"_s).hasFocus()) {
            FieldNameEditExit();
        }
        params_.setAsText(params_.fieldIndex(kCustomQuery), customQuery_->toPlainText());
        params_.post();
    }
    QDialog::accept();
}

void TAddLookupForm::loadEditors() {
    if (!params_.isOpen()) {
        return;
    }
    loading_ = true;
    for (const Binding& b : editors_) {
        const QString text = value(b.field);
        if (b.edit->text() != text) {
            b.edit->setText(text);
        }
    }
    customQuery_->setPlainText(value(kCustomQuery));
    loading_ = false;
}

void TAddLookupForm::editorChanged(const QString& field, const QString& text) {
    if (!loading_ && params_.isOpen()) {
        params_.setAsText(params_.fieldIndex(field), text);
    }
}

}  // namespace qm
