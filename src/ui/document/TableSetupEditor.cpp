#include "document/TableSetupEditor.h"

#include "common/Assertion.h"
#include "document/TPrjView.h"
#include "document/TRulesChangeUndoItem.h"
#include "document/TUndoHandler.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TDM.h"
#include "models/MemDataModel.h"
#include "project/ComparisonRules.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMUtils.h"
#include "report/PrjMsgViewer.h"
#include "report/TextRules.h"
#include "shared/CommandPrompts.h"

#include <algorithm>
#include <set>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

const QString kBlankQuery = u"SELECT * FROM "_s;

// A list's blank first row may still be being inserted: it counts as its
// current row, though no position holds it yet.
bool hasCurrentRow(const MemData& list) {
    return list.isOpen() && (list.recordCount() > 0 || list.state() == ListState::Insert);
}

bool textEquals(const ValueRef& v, const QByteArray& text) {
    return !v.null && v.bytes == std::string_view(text.constData(), text.size());
}

}  // namespace

TableSetupEditor::TableSetupEditor(TDM& engine, std::function<TPrjView*()> project,
                                   TUndoHandler& undo)
    : engine_(engine), project_(std::move(project)), undo_(undo) {}

TPrjView& TableSetupEditor::view() const {
    TPrjView* view = project_();
    // The commands are enabled only while a project is open.
    QM_ASSERT(view != nullptr);
    return *view;
}

MemData& TableSetupEditor::tables() const {
    return engine_.TablesMemData();
}

void TableSetupEditor::reload(int index) {
    TPrjView& v = view();
    engine_.LoadTableSetups(v.PrjData());
    if (v.PrjData().NodeCount() > 0) {
        v.SelectTableSetup(std::clamp(index, 0, v.PrjData().NodeCount() - 1));
    }
}

bool TableSetupEditor::AddTableSetup(CommandPrompts& prompts, const QString& caption) {
    TPrjView& v = view();
    undo_.RecordProjectChange(caption, v.PrjData(), v.CurrentTableSetupIndex());
    QString name;
    for (;;) {
        if (!prompts.inputQuery(u"Save Table Setup as"_s, u"New Table Setup Name"_s, name)) {
            return false;
        }
        // A table setup without a name could not be chosen: ask again, as
        // for a name that is taken. Finding a taken name makes that table
        // setup current, so the copy below starts from it.
        if (!name.isEmpty() && !engine_.FindTableSetup(name)) {
            break;
        }
    }
    MemData& t = tables();
    if (!hasCurrentRow(t)) {
        // Every table setup was deleted: start from a blank one.
        t.append();
        t.setAsText(engine_.tableFields().SourceQuerySQL, kBlankQuery);
        t.setAsText(engine_.tableFields().DestQuerySQL, kBlankQuery);
    }
    TPrjDataSaved& project = v.PrjData();
    TFrameNodeData& node = ProjectTableSetups::AddTableSetup(project, t);
    node.props().setString(u"Name"_s, name);
    reload(project.NodeCount() - 1);
    return true;
}

bool TableSetupEditor::QuickFillTableSetup(CommandPrompts& prompts) {
    TPrjView& v = view();
    MemData& t = tables();
    if (v.PrjData().NodeCount() == 0 || !hasCurrentRow(t)) {
        prompts.beep();  // no table setup to fill
        return false;
    }
    QString table;
    if (!prompts.inputQuery(u"Auto Fill Out Fields Initially"_s, u"Table Name"_s, table) ||
        table.isEmpty()) {
        return false;
    }
    const TDM::TableFields& f = engine_.tableFields();
    if (t.state() == ListState::Browse) {
        t.edit();
    }
    t.setAsText(f.SourceQuerySQL, u"SELECT * FROM %1"_s.arg(table));
    t.setAsText(f.DestQuerySQL, u"SELECT * FROM %1"_s.arg(table));
    t.setAsText(f.PrimaryKeySpec, table + u"Id"_s);
    t.setAsText(f.DestTableName, table);
    t.setAsText(f.Name, table);
    t.post();
    StoreCurrentRow();
    return true;
}

bool TableSetupEditor::MoveCurrent(int step, CommandPrompts& prompts) {
    TPrjView& v = view();
    TPrjDataSaved& project = v.PrjData();
    if (project.NodeCount() == 0) {
        TPrjMsgViewer::instance().ShowInfo(u"The project has no table setups to move."_s);
        return false;
    }
    MemData& t = tables();
    if (t.state() != ListState::Browse) {
        t.post();  // the editors have already copied the edit into the project
    }
    QM_ASSERT(t.recordCount() == project.NodeCount());
    const int from = project.GetItemIndex(project.GetItem(v.CurrentTableSetupIndex()));
    const int to = from + step;
    if (to < 0 || to >= project.NodeCount()) {
        prompts.beep();
        return false;
    }
    project.MoveNode(from, to);
    engine_.LoadTableSetups(project);
    const bool found = t.locate({engine_.tableFields().DisplayOrder}, {Value::fromInt(to + 1)});
    QM_ASSERT(found);
    return true;
}

bool TableSetupEditor::DeleteTableSetups(const QList<int>& recIds, const QString& caption) {
    TPrjView& v = view();
    TPrjDataSaved& project = v.PrjData();
    if (project.NodeCount() == 0) {
        TPrjMsgViewer::instance().ShowInfo(u"The project has no table setups to delete."_s);
        return false;
    }
    MemData& t = tables();
    if (t.state() != ListState::Browse) {
        t.post();
    }
    QM_ASSERT(t.recordCount() == project.NodeCount());
    std::set<int> positions;
    for (const int recId : recIds) {
        if (const int pos = t.positionOfRecId(recId); pos >= 0) {
            positions.insert(pos);
        }
    }
    if (positions.empty() || !TPrjMsgViewer::instance().AskYesNo(
                                 deleteConfirmationText(static_cast<int>(positions.size())))) {
        return false;
    }
    const int current = v.CurrentTableSetupIndex();
    undo_.RecordProjectChange(caption, project, current);
    // The current table setup keeps its place among those that stay; when it
    // goes, the one that follows it takes its place.
    const auto before =
        static_cast<int>(std::distance(positions.begin(), positions.lower_bound(current)));
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
        project.DeleteNode(*it);
    }
    reload(current - before);
    return true;
}

void TableSetupEditor::StoreCurrentRow() {
    TPrjView* v = project_();
    if (v == nullptr || v->PrjData().NodeCount() == 0) {
        return;
    }
    TQMNodeData* node = v->PrjData().GetItem(v->CurrentTableSetupIndex());
    TQMUtils::DataSetToProps(node->props(), tables());
}

QString TableSetupEditor::NameRefusal(int recId, const QString& name) const {
    if (name.isEmpty()) {
        return u"A table setup needs a name."_s;
    }
    const MemData& t = tables();
    const int field = engine_.tableFields().Name;
    const QByteArray text = name.toUtf8();
    for (int pos = 0; pos < t.recordCount(); ++pos) {
        if (t.recIdAt(pos) != recId && textEquals(t.refAt(pos, field), text)) {
            return u"There is already a table setup named \"%1\". Give this one another name."_s
                .arg(name);
        }
    }
    return {};
}

void TableSetupEditor::AppendTableSetup(const QString& field, const QString& text) {
    TPrjView& v = view();
    TPrjDataSaved& project = v.PrjData();
    MemData& t = tables();
    if (t.state() != ListState::Browse) {
        t.post();
    }
    auto node = TQMNodeData::CreateNodeOfKind(6, &project.settings(), &project);
    node->props().setString(u"SourceQuerySQL"_s, kBlankQuery);
    node->props().setString(u"DestQuerySQL"_s, kBlankQuery);
    node->props().setString(t.field(t.fieldIndex(field)).name, text);
    const int position = project.NodeCount();
    node->props().setInteger(u"DisplayOrder"_s, position + 1);
    project.InsertNode(position, std::move(node));
    reload(position);
}

void TableSetupEditor::SetRules(const ComparisonRules& rules, const QString& caption) {
    MemData& t = tables();
    if (!hasCurrentRow(t)) {
        return;
    }
    TPrjView* v = project_();
    if (v != nullptr && v->PrjData().NodeCount() > 0) {
        const int f = engine_.tableFields().CompareRules;
        const int index = v->CurrentTableSetupIndex();
        undo_.Record(std::make_unique<TRulesChangeUndoItem>(
            StripMenuCaption(u"Project -> "_s + caption), index,
            t.asText(engine_.tableFields().Name), t.isNull(f) ? QString() : t.asText(f)));
    }
    WriteRules(engine_, v, rules.toText());
}

void TableSetupEditor::WriteRules(TDM& engine, TPrjView* view, const QString& text) {
    MemData& t = engine.TablesMemData();
    if (!hasCurrentRow(t)) {
        return;
    }
    if (t.state() == ListState::Browse) {
        t.edit();
    }
    const int f = engine.tableFields().CompareRules;
    // Null while there are none, as the project stores no property then.
    if (text.isEmpty()) {
        t.setValue(f, Value());
    } else {
        t.setAsText(f, text);
    }
    t.post();
    if (view != nullptr && view->PrjData().NodeCount() > 0) {
        TQMNodeData* node = view->PrjData().GetItem(view->CurrentTableSetupIndex());
        TQMUtils::DataSetToProps(node->props(), t);
        view->SetModified(true);
    }
    if (engine.SourceMemData().isOpen() || engine.DestMemData().isOpen()) {
        engine.CompareAgain();
    }
}

}  // namespace qm
