#include "window/ProjectPanel.h"

#include "document/TableSetupEditor.h"
#include "report/PrjMsgViewer.h"
#include "window/GridDeleteKey.h"
#include "window/GroupingStrip.h"
#include "window/HeaderSorting.h"
#include "window/TableSetupGridModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {

ProjectPanel::ProjectPanel(MemData& tables, QWidget* parent)
    : QWidget(parent), tables_(tables), model_(std::make_unique<TableSetupGridModel>(tables)) {
    setObjectName(u"ProjectPanel"_s);
    setMinimumHeight(30);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);

    auto* title = new QLabel(u"Project - Table Setups"_s, this);
    QFont font(u"Arial"_s);
    font.setBold(true);
    title->setFont(font);
    grid_ = new QTableView(this);
    grid_->setObjectName(u"TableSetupGrid"_s);
    grid_->setPalette(QWidget::palette());  // the grid keeps ordinary colours
    grid_->setModel(model_.get());
    // Sorted by "#" ascending, as the column plan starts it.
    new HeaderSorting(*grid_, *model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (model_->columnWidth(c) > 0) {
            grid_->setColumnWidth(c, model_->columnWidth(c));
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(title);
    layout->addWidget(grid_, 1);
    // The grouping strip keeps the grid's ordinary colours, not the panel's black.
    GroupingStrip::attachAbove(*grid_, *model_)->setPalette(QWidget::palette());

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                const int recId = current.isValid() ? model_->recIdAt(current.row()) : -1;
                if (!following_ && recId >= 0) {
                    emit tableSetupChosen(recId);
                }
            });
    connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ProjectPanel::selectionChanged);
    // A reload empties the selection without telling it.
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &ProjectPanel::selectionChanged);
    connect(model_.get(), &MemDataModel::editFailed, this,
            [](const QString& message) { TPrjMsgViewer::instance().ShowError(message); });
    deleteKey_ = std::make_unique<GridDeleteKey>(*grid_, [this] { emit deleteRequested(); });
    tables_.addObserver(&watch_);
    showCurrent();
}

ProjectPanel::~ProjectPanel() {
    deleteKey_.reset();
    tables_.removeObserver(&watch_);
    grid_->setModel(nullptr);
}

MemDataModel& ProjectPanel::model() const {
    return *model_;
}

void ProjectPanel::setEditor(std::unique_ptr<TableSetupEditor> editor) {
    editor_ = std::move(editor);
    model_->setEditor(editor_.get());
}

void ProjectPanel::selectCurrentOnly() {
    if (!tables_.isOpen() || tables_.position() < 0) {
        return;
    }
    const int row = model_->rowOfPosition(tables_.position());
    if (row < 0) {
        return;
    }
    QScopedValueRollback guard(following_, true);
    grid_->selectionModel()->setCurrentIndex(
        model_->index(row, std::max(0, grid_->currentIndex().column())),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ProjectPanel::addContextAction(QAction& action) {
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    grid_->addAction(&action);
}

QList<int> ProjectPanel::selectedRecIds() const {
    QList<int> recIds;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows()) {
        const int recId = model_->recIdAt(index.row());
        if (recId >= 0) {
            recIds << recId;
        }
    }
    return recIds;
}

void ProjectPanel::showCurrent() {
    // The model hears of the list's changes before this watch does only when
    // it was attached first; queue the move so that it sees the rows as the
    // model shows them.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!tables_.isOpen() || tables_.recordCount() == 0 || tables_.position() < 0) {
                return;
            }
            const int row = model_->rowOfPosition(tables_.position());
            const QModelIndex current = grid_->currentIndex();
            if (row < 0 || (current.isValid() && current.row() == row)) {
                return;
            }
            QScopedValueRollback guard(following_, true);
            grid_->setCurrentIndex(model_->index(row, std::max(0, current.column())));
        },
        Qt::QueuedConnection);
}

}  // namespace qm
