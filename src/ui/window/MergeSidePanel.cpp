#include "window/MergeSidePanel.h"

#include "window/CaptionBar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {
MergeSidePanel::MergeSidePanel(const QString& side, const QString& title, const QString& queryLabel,
                               QAction& openAction, int buttonWidth, QWidget* parent)
    : QWidget(parent) {
    setObjectName(side + u"Panel"_s);
    QWidget* bar = makeCaptionBar(this, title, count_);
    count_->setObjectName(side + u"RecCountLabel"_s);

    grid_ = new QTableView(this);
    grid_->setObjectName(side + u"Grid"_s);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(51);
    auto* label = new QLabel(queryLabel, bottom);
    auto* button = new QToolButton(bottom);
    button->setDefaultAction(&openAction);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (buttonWidth > 0) {
        button->setMinimumWidth(buttonWidth);
    }
    query_ = new QPlainTextEdit(bottom);
    query_->setObjectName(side + u"QueryMemo"_s);
    query_->setLineWrapMode(QPlainTextEdit::NoWrap);
    query_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    query_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    label->setBuddy(query_);
    connect(query_, &QPlainTextEdit::textChanged, this, [this] {
        if (!settingQuery_) {
            emit queryEdited(query_->toPlainText());
        }
    });
    auto* left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(button);
    left->addStretch(1);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(2, 2, 2, 2);
    bottomLayout->addLayout(left);
    bottomLayout->addWidget(query_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(grid_, 1);
    layout->addWidget(bottom);
}

void MergeSidePanel::setQuery(const QString& sql) {
    if (query_->toPlainText() == sql) {
        return;
    }
    const QScopedValueRollback guard(settingQuery_, true);
    query_->setPlainText(sql);
}

}  // namespace qm
