#include "window/DatabaseTab.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const QString kInDatabaseTip =
    u"Open Source & Target (Ctrl+O) lets the databases compare first: each sums its rows per part "
    u"of "
    "the keys, and only the rows of parts that differ are loaded. Equal rows are counted, "
    "not loaded. Both databases SQLite, or both PostgreSQL."_s;

constexpr int kHintWidth = 470;

}  // namespace

DatabaseTab::DatabaseTab(QWidget* parent) : QWidget(parent) {
    setObjectName(u"DatabaseTabSheet"_s);
    auto* row = new QHBoxLayout;
    row->addWidget(group(Side::Source, u"Merge From Alias"_s));
    row->addSpacing(24);
    row->addWidget(group(Side::Target, u"Target Alias"_s));
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(16);
    layout->addWidget(inDatabaseRow());
    layout->addStretch(1);
}

QWidget* DatabaseTab::inDatabaseRow() {
    auto* box = new QWidget(this);
    inDatabase_ = new QCheckBox(u"Compare inside the databases"_s, box);
    inDatabase_->setObjectName(u"CompareInDatabaseCheckBox"_s);
    inDatabase_->setToolTip(kInDatabaseTip);
    inDatabaseHint_ = new QLabel(box);
    inDatabaseHint_->setObjectName(u"CompareInDatabaseHint"_s);
    inDatabaseHint_->setWordWrap(true);
    inDatabaseHint_->setForegroundRole(QPalette::PlaceholderText);
    // The hint's lines wrap under the box's text, as wide as both alias
    // groups above.
    inDatabaseHint_->setFixedWidth(kHintWidth);
    inDatabaseHint_->setContentsMargins(
        inDatabase_->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
            inDatabase_->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing),
        0, 0, 0);
    inDatabaseHint_->hide();
    connect(inDatabase_, &QCheckBox::clicked, this,
            [this](bool ticked) { emit inDatabaseClicked(ticked); });
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(inDatabase_);
    layout->addWidget(inDatabaseHint_);
    return box;
}

void DatabaseTab::setInDatabase(bool ticked, const QString& refusal) {
    {
        const QSignalBlocker blocker(inDatabase_);
        inDatabase_->setChecked(ticked);
    }
    inDatabase_->setEnabled(refusal.isEmpty());
    inDatabase_->setToolTip(refusal.isEmpty() ? kInDatabaseTip : refusal);
    inDatabaseHint_->setText(refusal);
    // A wrapped label's height follows its text only when the layout asks
    // for it, which a layout that does not trade height for width never does.
    // An empty label has no such height (-1): it is hidden instead.
    if (!refusal.isEmpty()) {
        inDatabaseHint_->setFixedHeight(inDatabaseHint_->heightForWidth(kHintWidth));
    }
    inDatabaseHint_->setVisible(!refusal.isEmpty());
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
