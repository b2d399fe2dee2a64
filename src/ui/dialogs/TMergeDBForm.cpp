#include "dialogs/TMergeDBForm.h"

#include "dialogs/DialogButtons.h"

#include "models/MemDataModel.h"
#include "project/PrjData.h"
#include "project/QMNodeData.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The editable grid model offers a new-row line and in-place editing of
// every column; this dialog lets the user tick rows and nothing else.
class TickOnlyRows final : public QSortFilterProxyModel {
public:
    TickOnlyRows(MemDataModel& source, int checkColumn, QObject* parent)
        : QSortFilterProxyModel(parent), source_(source), checkColumn_(checkColumn) {
        setSourceModel(&source);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QSortFilterProxyModel::flags(index) & ~Qt::ItemIsEditable;
        if (index.column() != checkColumn_) {
            f &= ~Qt::ItemIsUserCheckable;
        }
        return f;
    }
    bool removeRows(int, int, const QModelIndex& = {}) override { return false; }
    bool insertRows(int, int, const QModelIndex& = {}) override { return false; }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return !source_.isNewRowLine(row) && !source_.isInsertingRow(row);
    }

private:
    MemDataModel& source_;
    int checkColumn_;
};

ColumnPlan paramsPlan() {
    ColumnPlan plan;
    plan.columns = {
        {u"RecId"_s, QString(), -1, false, false},
        {u"Selected"_s, QString(), 60, true, true},
        {u"Name"_s, QString(), 250, true, false},
        {u"DestTableName"_s, QString(), 180, true, false},
    };
    return plan;
}

}  // namespace

TMergeDBForm::TMergeDBForm(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(u"MergeDBForm"_s);
    setWindowTitle(caption);
    const auto addField = [this](const QString& name, FieldType type, int size,
                                 const QString& label) {
        FieldDef def;
        def.name = name;
        def.type = type;
        def.size = size;
        def.displayLabel = label;
        return paramsSetups_.addField(def);
    };
    selectedField_ = addField(u"Selected"_s, FieldType::Boolean, 0, u"Selected"_s);
    nameField_ = addField(u"Name"_s, FieldType::String, 255, u"Setup Name"_s);
    destTableField_ = addField(u"DestTableName"_s, FieldType::String, 255, u"Dest. Table"_s);

    model_ =
        std::make_unique<MemDataModel>(paramsSetups_, MemDataModel::Mode::Editable, paramsPlan());
    rows_ = new TickOnlyRows(*model_, model_->columnOfField(selectedField_), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(u"Select the tables, from the project, that you want to update (script)."_s));
    auto* group = new QGroupBox(u"Table Setups"_s);
    auto* groupLayout = new QVBoxLayout(group);
    grid_ = new QTableView;
    grid_->setObjectName(u"ParamsSetupsGrid"_s);
    grid_->setModel(rows_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < model_->columnCount(); ++column) {
        if (model_->columnWidth(column) > 0) {
            grid_->setColumnWidth(column, model_->columnWidth(column));
        }
    }
    groupLayout->addWidget(grid_);
    layout->addWidget(group, 1);
    visualize_ = new QCheckBox(u"Visualize on screen while making script"_s);
    visualize_->setObjectName(u"VisualizeBox"_s);
    layout->addWidget(visualize_);

    addOkCancelButtons(*this, *layout);
    resize(560, 380);
}

// The grid's model observes the list and goes before it (member order);
// the grid and the row filter let go of it first.
TMergeDBForm::~TMergeDBForm() {
    grid_->setModel(nullptr);
    rows_->setSourceModel(nullptr);
}

void TMergeDBForm::FormShow(TPrjData& project) {
    MemData& list = paramsSetups_;
    if (!list.isOpen()) {
        list.open();
    }
    // Each row goes in front of the one inserted before it, from the last
    // node down, so the list ends up in project order.
    for (int i = project.NodeCount() - 1; i >= 0; --i) {
        TQMNodeData* node = project.GetItem(i);
        list.insert();
        list.setAsBool(selectedField_, true);
        list.setAsText(nameField_, node->Name());
        list.setAsText(destTableField_, node->DestTableName());
        list.post();
    }
    list.first();
}

std::vector<int> TMergeDBForm::selectedPositions() const {
    std::vector<int> positions;
    const MemData& list = paramsSetups_;
    if (!list.isOpen()) {
        return positions;
    }
    for (int pos = 0; pos < list.recordCount(); ++pos) {
        if (list.refAt(pos, selectedField_).toValue().asBool()) {
            positions.push_back(pos);
        }
    }
    return positions;
}

bool TMergeDBForm::visualize() const {
    return visualize_->isChecked();
}

}  // namespace qm
