#include "window/DatabaseTab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

DatabaseTab::DatabaseTab(QWidget* parent) : QWidget(parent) {
    setObjectName(u"DatabaseTabSheet"_s);
    auto* row = new QHBoxLayout;
    row->addWidget(group(Side::Source, u"Merge From Alias"_s));
    row->addSpacing(24);
    row->addWidget(group(Side::Target, u"Target Alias"_s));
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch(1);
}

QWidget* DatabaseTab::group(Side side, const QString& title) {
    auto* box = new QWidget(this);
    auto* label = new QLabel(title, box);
    auto* edit = new QLineEdit(box);
    edit->setFixedWidth(217);
    auto* check = new QCheckBox(u"Connected"_s, box);
    const bool source = side == Side::Source;
    edit->setObjectName(source ? u"SourceDBAliasEdit"_s : u"DestDBAliasEdit"_s);
    check->setObjectName(source ? u"SourceConnectedCheckBox"_s : u"DestConnectedCheckBox"_s);
    (source ? sourceAlias_ : targetAlias_) = edit;
    (source ? sourceConnected_ : targetConnected_) = check;
    label->setBuddy(edit);
    connect(edit, &QLineEdit::textEdited, this,
            [this, side](const QString& text) { emit aliasEdited(side, text); });
    connect(check, &QCheckBox::clicked, this,
            [this, side](bool ticked) { emit connectClicked(side, ticked); });
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(check);
    return box;
}

void DatabaseTab::setAlias(Side side, const QString& alias) {
    QLineEdit& edit = aliasEdit(side);
    if (edit.text() != alias) {
        edit.setText(alias);  // textEdited is for the user's edits only
    }
}

QString DatabaseTab::alias(Side side) const {
    return aliasEdit(side).text();
}

void DatabaseTab::setConnected(Side side, bool connected) {
    const QSignalBlocker blocker(&connectedBox(side));
    connectedBox(side).setChecked(connected);
}

bool DatabaseTab::connected(Side side) const {
    return connectedBox(side).isChecked();
}

QLineEdit& DatabaseTab::aliasEdit(Side side) const {
    return side == Side::Source ? *sourceAlias_ : *targetAlias_;
}

QCheckBox& DatabaseTab::connectedBox(Side side) const {
    return side == Side::Source ? *sourceConnected_ : *targetConnected_;
}

}  // namespace qm
