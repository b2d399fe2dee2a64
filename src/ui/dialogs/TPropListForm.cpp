#include "dialogs/TPropListForm.h"

#include "props/PropDescrList.h"
#include "props/PropValue.h"
#include "props/PropValueList.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace qm {

TPropListForm::TPropListForm(const QString& title, TPropValueList& values, QWidget* parent)
    : QDialog(parent), values_(values) {
    setObjectName(u"PropListForm"_s);
    setWindowTitle(title);
    // Settings lists are long: the fields scroll, the buttons stay.
    auto* fields = new QWidget;
    auto* form = new QFormLayout(fields);
    const TPropDescrList* descrs = values.descrList();
    for (int i = 0; descrs && i < descrs->Count(); ++i) {
        const TPropDescr& descr = descrs->Items(i);
        const QString name = descr.PropName;
        TPropValue& value = values.value(name);
        // A value without own setting, default or parent has nothing to
        // show; the dialog leaves it alone.
        if (!value.readable()) {
            continue;
        }
        switch (descr.PropKind) {
            case TPropKind::pkInherit:
            case TPropKind::pkBoolean: {
                auto* box = new QCheckBox(this);
                box->setChecked(value.GetBoolean());
                writers_.push_back(
                    [this, name, box] { values_.setBoolean(name, box->isChecked()); });
                form->addRow(name, box);
                break;
            }
            case TPropKind::pkInteger:
            case TPropKind::pkColor: {
                const bool colour = descr.PropKind == TPropKind::pkColor;
                auto* number = new QSpinBox(this);
                number->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
                number->setValue(colour ? value.GetColor() : value.GetInteger());
                writers_.push_back([this, name, number, colour] {
                    if (colour) {
                        values_.setColor(name, number->value());
                    } else {
                        values_.setInteger(name, number->value());
                    }
                });
                form->addRow(name, number);
                break;
            }
            case TPropKind::pkString: {
                auto* text = new QLineEdit(value.GetString(), this);
                text->setMinimumWidth(260);
                writers_.push_back([this, name, text] { values_.setString(name, text->text()); });
                form->addRow(name, text);
                break;
            }
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(fields);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(fields->sizeHint().width() + 24);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    resize(sizeHint().width(), std::min(fields->sizeHint().height() + 60, 520));
}

void TPropListForm::apply() {
    for (const auto& write : writers_) {
        write();
    }
}

}  // namespace qm
