#include "dialogs/TAutoAddLookupsForm.h"

#include "dialogs/DialogButtons.h"

#include "models/MemDataModel.h"
#include "window/GridDeleteKey.h"
#include "window/GroupingStrip.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

ColumnPlan proposalPlan() {
    ColumnPlan plan;
    plan.columns = {
        {u"RecId"_s, QString(), -1, false, false},
        {u"Enabled"_s, QString(), 50, true, true},
        {u"TableSetupName"_s, QString(), 120, true, false},
        {u"FieldName"_s, QString(), 120, true, false},
        {u"LookupName"_s, QString(), 130, true, false},
        {u"LookupTableName"_s, QString(), 120, true, false},
        {u"LookupKeyFieldName"_s, QString(), 130, true, false},
        {u"LookupDisplayFieldName"_s, QString(), 150, true, false},
        {u"CustomLookupSQLQuery"_s, QString(), 150, true, false},
    };
    return plan;
}

}  // namespace

TAutoAddLookupsForm::TAutoAddLookupsForm(const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(u"AutoAddLookupsForm"_s);
    setWindowTitle(caption);
    TFindLookup::CreateProposalFields(list_);
    list_.open();
    model_ = std::make_unique<MemDataModel>(list_, MemDataModel::Mode::Editable, proposalPlan());
    // Proposals are edited, unticked or deleted; a row the program did not
    // propose has no use here.
    model_->setNewRowLineShown(false);

    auto* layout = new QVBoxLayout(this);
    grid_ = new QTableView;
    grid_->setObjectName(u"NewLookupsGrid"_s);
    grid_->setModel(model_.get());
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->resizeColumnsToContents();
    layout->addWidget(grid_, 1);
    strip_ = GroupingStrip::attachAbove(*grid_, *model_);
    deleteKey_ = new GridDeleteKey(*grid_, *model_);
    deleteKey_->setParent(this);

    addOkCancelButtons(*this, *layout);
    resize(1080, 420);
}

// The grid and the strip observe the model, which observes the list; the
// widgets let go of the model before it goes (member order).
TAutoAddLookupsForm::~TAutoAddLookupsForm() {
    delete strip_;
    delete deleteKey_;
    grid_->setModel(nullptr);
}

void TAutoAddLookupsForm::setProposals(const std::vector<LookupProposal>& proposals) {
    TFindLookup::FillList(list_, proposals);
    list_.first();
    grid_->resizeColumnsToContents();
}

std::vector<LookupProposal> TAutoAddLookupsForm::proposals() const {
    // A row still being typed into counts as the user sees it.
    model_->submit();
    return TFindLookup::ReadList(list_);
}

}  // namespace qm
