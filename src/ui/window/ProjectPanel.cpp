#include "window/ProjectPanel.h"

#include "models/ColumnPlan.h"
#include "models/MemDataModel.h"
#include "window/HeaderSorting.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

ProjectPanel::ProjectPanel(MemData& tables, QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<MemDataModel>(tables, MemDataModel::Mode::Editable,
                                            ColumnPlan::tableSetups())) {
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
}

ProjectPanel::~ProjectPanel() {
    grid_->setModel(nullptr);
}

}  // namespace qm
