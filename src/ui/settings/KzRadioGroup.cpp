#include "settings/KzRadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>

namespace qm {

TkzRadioGroup::TkzRadioGroup(QWidget* parent) : TkzRadioGroup(QString(), parent) {}

TkzRadioGroup::TkzRadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), layout_(new QVBoxLayout(this)) {}

QRadioButton* TkzRadioGroup::addItem(const QString& text) {
    auto* button = new QRadioButton(text, this);
    layout_->addWidget(button);
    return button;
}

QList<QRadioButton*> TkzRadioGroup::buttons() const {
    return findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
}

QStringList TkzRadioGroup::items() const {
    QStringList texts;
    for (const QRadioButton* button : buttons()) {
        texts.append(button->text());
    }
    return texts;
}

int TkzRadioGroup::itemIndex() const {
    const QList<QRadioButton*> all = buttons();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (all.at(i)->isChecked()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TkzRadioGroup::setItemIndex(int index) {
    const QList<QRadioButton*> all = buttons();
    if (index < -1 || index >= all.size()) {
        return;
    }
    if (index >= 0) {
        all.at(index)->setChecked(true);  // the others clear themselves
        return;
    }
    // Buttons of one parent are exclusive, and an exclusive button cannot be
    // cleared: lift that for the moment of clearing.
    for (QRadioButton* button : all) {
        if (button->isChecked()) {
            const bool exclusive = button->autoExclusive();
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(exclusive);
        }
    }
}

}  // namespace qm
