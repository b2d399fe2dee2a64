#include "window/TableSetupBinding.h"

#include "common/Assertion.h"
#include "document/TPrjView.h"
#include "engine/TDM.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"
#include "project/QMUtils.h"
#include "shared/UnhandledFailure.h"
#include "window/DatabaseTab.h"
#include "window/MergeTab.h"
#include "window/TableSetupChooser.h"

#include <QScopeGuard>

namespace qm {
namespace {

// A list's blank first row is still being inserted: it counts as its
// current row, though no position holds it yet.
bool hasCurrentRow(const MemData& list) {
    return list.isOpen() && (list.recordCount() > 0 || list.state() == ListState::Insert);
}

}  // namespace

TableSetupBinding::TableSetupBinding(TDM& engine, MergeTab& merge, DatabaseTab& database,
                                     TableSetupChooser& chooser, std::function<TPrjView*()> project)
    : engine_(engine),
      merge_(merge),
      database_(database),
      chooser_(chooser),
      project_(std::move(project)) {
    engine_.TablesMemData().addObserver(&watch_);
    engine_.DBSetupMemData().addObserver(&watch_);
    // Failures are reported where they happen: none may unwind through Qt.
    connect(&merge_, &MergeTab::tableSetupEdited, this,
            [this](const QString& field, const QString& text) {
                runReporting([&] { TableSetupEditChange(field, text); });
            });
    connect(&database_, &DatabaseTab::aliasEdited, this, [this](Side side, const QString& alias) {
        runReporting([&] { AliasEditChange(side, alias); });
    });
    connect(&chooser_, &TableSetupChooser::chosen, this,
            [this](int recId) { runReporting([&] { UIDataIndexChange(recId); }); });
    refresh();
}

TableSetupBinding::~TableSetupBinding() {
    engine_.TablesMemData().removeObserver(&watch_);
    engine_.DBSetupMemData().removeObserver(&watch_);
}

void TableSetupBinding::Watch::listChanged() {
    binding_.refresh();
}

void TableSetupBinding::refresh() {
    const TDM::TableFields& f = engine_.tableFields();
    MemData& tables = engine_.TablesMemData();
    TableSetupView setup;
    if (hasCurrentRow(tables)) {
        setup = {tables.asText(f.Name), tables.asText(f.PrimaryKeySpec),
                 tables.asText(f.DestTableName), tables.asText(f.SourceQuerySQL),
                 tables.asText(f.DestQuerySQL)};
    }
    merge_.showTableSetup(setup);
    if (!writing_) {
        // While the user types, the entries are already right but for the
        // name, which only the grid edits.
        chooser_.fill(tables, f.Name);
    }
    MemData& aliases = engine_.DBSetupMemData();
    const bool any = hasCurrentRow(aliases);
    database_.setAlias(Side::Source,
                       any ? aliases.asText(engine_.sourceDBAliasField()) : QString());
    database_.setAlias(Side::Target, any ? aliases.asText(engine_.destDBAliasField()) : QString());
}

void TableSetupBinding::applyText(MemData& list, int field, const QString& text) {
    if (list.state() == ListState::Browse) {
        list.edit();
    }
    list.setAsText(field, text);
}

void TableSetupBinding::TableSetupEditChange(const QString& field, const QString& text) {
    MemData& tables = engine_.TablesMemData();
    if (!hasCurrentRow(tables)) {
        return;
    }
    {
        writing_ = true;
        const auto done = qScopeGuard([this] { writing_ = false; });
        applyText(tables, tables.fieldIndex(field), text);
    }
    TPrjView* view = project_();
    if (view == nullptr || view->PrjData().NodeCount() == 0) {
        return;
    }
    TQMNodeData* node = view->PrjData().GetItem(view->CurrentTableSetupIndex());
    TQMUtils::DataSetToProps(node->props(), tables);
}

void TableSetupBinding::AliasEditChange(Side side, const QString& alias) {
    MemData& aliases = engine_.DBSetupMemData();
    if (!hasCurrentRow(aliases)) {
        return;
    }
    const int field =
        side == Side::Source ? engine_.sourceDBAliasField() : engine_.destDBAliasField();
    applyText(aliases, field, alias);
    if (TPrjView* view = project_()) {
        TQMUtils::DataSetToProps(view->PrjData().settings(), aliases);
    }
}

void TableSetupBinding::UIDataIndexChange(int recId) {
    MemData& tables = engine_.TablesMemData();
    if (tables.state() != ListState::Browse) {
        tables.post();  // a pending edit may move the row when the list is sorted
    }
    const int pos = tables.positionOfRecId(recId);
    QM_ASSERT(pos >= 0);
    tables.moveTo(pos);
}

}  // namespace qm
