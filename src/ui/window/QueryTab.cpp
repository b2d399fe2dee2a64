#include "window/QueryTab.h"

#include "window/CaptionBar.h"

#include "common/Assertion.h"
#include "engine/TDM.h"
#include "models/MemDataModel.h"
#include "window/HeaderSorting.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// Fitting a column reads this many rows (the visible ones first), so that a
// result of a million rows is shown at once.
constexpr int kFitSampleRows = 500;
// A long text value must not push the other columns out of sight.
constexpr int kMaxFittedWidth = 300;

// Without a result the grid shows no columns: the row number column is
// always there and never shown, so this plan resolves to nothing.
ColumnPlan noColumns() {
    ColumnPlan plan;
    plan.columns.push_back({u"RecId"_s, QString(), -1, false, false});
    return plan;
}

}  // namespace

QueryTab::QueryTab(QAction& queryOpen, QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<MemDataModel>(query_.Result(), MemDataModel::Mode::ReadOnly,
                                            noColumns())) {
    setObjectName(u"QueryTabSheet"_s);

    auto* choice = new QWidget(this);
    useSource_ = new QRadioButton(u"Use &Source Database"_s, choice);
    useSource_->setObjectName(u"UseSourceRadioButton"_s);
    useTarget_ = new QRadioButton(u"Use &Target Database"_s, choice);
    useTarget_->setObjectName(u"UseTargetRadioButton"_s);
    auto* group = new QButtonGroup(choice);
    group->addButton(useSource_);
    group->addButton(useTarget_);
    useTarget_->setChecked(true);
    auto* choiceLayout = new QHBoxLayout(choice);
    choiceLayout->setContentsMargins(6, 4, 6, 4);
    choiceLayout->addWidget(useSource_);
    choiceLayout->addSpacing(24);
    choiceLayout->addWidget(useTarget_);
    choiceLayout->addStretch(1);

    auto* result = new QWidget(this);
    QWidget* bar = makeCaptionBar(result, u"Result"_s, count_);
    count_->setObjectName(u"RecCountLabel"_s);
    grid_ = new QTableView(result);
    grid_->setObjectName(u"Grid"_s);
    grid_->setModel(model_.get());
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setResizeContentsPrecision(kFitSampleRows);
    new HeaderSorting(*grid_, *model_);
    auto* resultLayout = new QVBoxLayout(result);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    resultLayout->setSpacing(0);
    resultLayout->addWidget(bar);
    resultLayout->addWidget(grid_, 1);

    auto* editor = new QWidget(this);
    auto* label = new QLabel(u"SQL &Query"_s, editor);
    sqlMemo_ = new QPlainTextEdit(editor);
    sqlMemo_->setObjectName(u"SQLMemo"_s);
    sqlMemo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    sqlMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sqlMemo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    label->setBuddy(sqlMemo_);
    auto* button = new QToolButton(editor);
    button->setObjectName(u"Button1"_s);
    button->setDefaultAction(&queryOpen);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(75);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(button);
    auto* editorLayout = new QVBoxLayout(editor);
    editorLayout->setContentsMargins(2, 2, 2, 2);
    editorLayout->addWidget(label);
    editorLayout->addWidget(sqlMemo_, 1);
    editorLayout->addLayout(buttonRow);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->setChildrenCollapsible(false);
    split->addWidget(result);
    split->addWidget(editor);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(choice);
    layout->addWidget(split, 1);

    showResult(std::nullopt);
}

QueryTab::~QueryTab() {
    // The view outlives the model in the widget teardown order.
    grid_->setModel(nullptr);
}

QString QueryTab::countText(std::optional<qsizetype> records) {
    if (!records) {
        return u"Not open"_s;
    }
    if (*records < 0) {
        return u"Unknown # of records"_s;
    }
    return u"%1 records"_s.arg(*records);
}

Side QueryTab::chosenSide() const {
    // The buttons are one exclusive group: one of them is always checked.
    QM_ASSERT(useSource_->isChecked() != useTarget_->isChecked());
    return useSource_->isChecked() ? Side::Source : Side::Target;
}

void QueryTab::chooseSide(Side side) {
    sideButton(side).setChecked(true);
}

QRadioButton& QueryTab::sideButton(Side side) const {
    return side == Side::Source ? *useSource_ : *useTarget_;
}

QString QueryTab::recordCountText() const {
    return count_->text();
}

void QueryTab::Run(TDM& engine) {
    const Side side = chosenSide();
    // The columns go before the list changes under the grid.
    showResult(std::nullopt);
    query_.Close();
    const qsizetype records = query_.Run(engine, side, sqlMemo_->toPlainText());
    showResult(records);
}

void QueryTab::showResult(std::optional<qsizetype> records) {
    model_->setColumnPlan(records ? ColumnPlan() : noColumns());
    count_->setText(countText(records));
    if (records) {
        fitColumns();
    }
}

void QueryTab::fitColumns() {
    grid_->resizeColumnsToContents();
    for (int c = 0; c < model_->columnCount(); ++c) {
        grid_->setColumnWidth(c, std::min(grid_->columnWidth(c), kMaxFittedWidth));
    }
}

}  // namespace qm
