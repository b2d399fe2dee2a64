#include "dialogs/TEditLookupsForm.h"

#include "dialogs/DialogButtons.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

TEditLookupsForm::TEditLookupsForm(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(u"EditLookupsForm"_s);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget;
    list_->setObjectName(u"ListBox"_s);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(list_, 1);
    connect(list_, &QListWidget::itemDoubleClicked, this, &TEditLookupsForm::ListBoxDblClick);

    ok_ = addOkCancelButtons(*this, *layout);
    resize(300, 320);
    FormShow();
}

void TEditLookupsForm::setNames(const QStringList& names) {
    list_->clear();
    list_->addItems(names);
    // Nothing is chosen at first: OK or Enter must not edit or delete the
    // first definition unless the user picked it.
    list_->setCurrentRow(-1);
    FormShow();
}

QStringList TEditLookupsForm::names() const {
    QStringList all;
    for (int i = 0; i < list_->count(); ++i) {
        all << list_->item(i)->text();
    }
    return all;
}

int TEditLookupsForm::selectedIndex() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void TEditLookupsForm::FormShow() {
    ok_->setEnabled(list_->count() > 0);
}

void TEditLookupsForm::ListBoxDblClick() {
    if (ok_->isEnabled()) {
        ok_->click();
    }
}

void TEditLookupsForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

}  // namespace qm
