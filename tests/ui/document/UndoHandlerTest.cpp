#include "DocumentFixture.h"

#include "common/Assertion.h"
#include "engine/TDM.h"

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::DocumentTest;

namespace {

// What a project command does: record the project as it is, then change it
// and refill the engine's table-setup list.
void deleteTableSetup(TUndoHandler& undo, TPrjView& view, const QString& caption, int index) {
    undo.RecordProjectChange(caption, view.PrjData(), view.CurrentTableSetupIndex());
    view.PrjData().DeleteNode(index);
    view.engine().LoadTableSetups(view.PrjData());
}

QStringList nodeNames(TPrjData& p) {
    QStringList names;
    for (int i = 0; i < p.NodeCount(); ++i) {
        names << p.GetItem(i)->Name();
    }
    return names;
}

TEST_F(DocumentTest, UndoOfOneChangeRestoresTheProjectAndTheEngineList) {
    handler.PrjOpen(writeProject(u"a.QMP"_s, {u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
    TPrjView& v = *view();
    v.SelectTableSetup(2);
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(undo.UndoCaption(), QString());

    deleteTableSetup(undo, v, u"&Delete Table Setup..."_s, 1);
    ASSERT_EQ(engineTableSetups(), (QStringList{u"Alpha"_s, u"Gamma"_s}));
    EXPECT_TRUE(undo.CanUndo());
    EXPECT_EQ(undo.UndoCaption(), u"'Project -> Delete Table Setup'"_s);

    undo.Undo(v);

    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(undo.UndoCaption(), QString());
    EXPECT_EQ(nodeNames(v.PrjData()), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
    EXPECT_EQ(engineTableSetups(), (QStringList{u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
    EXPECT_EQ(v.CurrentTableSetupIndex(), 2);
    EXPECT_EQ(engine.dm.TablesMemData().asText(engine.dm.tableFields().Name), u"Gamma"_s);
    // Restored, not saved: closing asks again.
    EXPECT_TRUE(handler.IsDirty());
    // Later edits reach the restored project's notices and file.
    EXPECT_TRUE(v.PrjData().NotifyChanges());
}

TEST_F(DocumentTest, UndoAfterTwoChangesRestoresTheStateBeforeTheSecond) {
    handler.PrjOpen(writeProject(u"a.QMP"_s, {u"Alpha"_s, u"Beta"_s, u"Gamma"_s}));
    TPrjView& v = *view();
    deleteTableSetup(undo, v, u"First"_s, 0);
    deleteTableSetup(undo, v, u"Second"_s, 0);
    ASSERT_EQ(engineTableSetups(), QStringList{u"Gamma"_s});
    EXPECT_EQ(undo.UndoCaption(), u"'Project -> Second'"_s);

    undo.Undo(v);

    EXPECT_EQ(nodeNames(v.PrjData()), (QStringList{u"Beta"_s, u"Gamma"_s}));
    EXPECT_EQ(engineTableSetups(), (QStringList{u"Beta"_s, u"Gamma"_s}));
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(DocumentTest, DropLastForgetsACancelledCommandsRecord) {
    handler.New();
    TPrjView& v = *view();
    undo.RecordProjectChange(u"&Add..."_s, v.PrjData(), 0);
    undo.RecordProjectChange(u"Cancelled"_s, v.PrjData(), 0);

    undo.DropLast();
    EXPECT_EQ(undo.UndoCaption(), u"'Project -> Add'"_s);
    EXPECT_EQ(undo.Previous(), nullptr);

    undo.RecordChange(u"Plain && simple"_s, v.PrjData(), 0);
    EXPECT_EQ(undo.UndoCaption(), u"'Plain & simple'"_s);
    undo.Clear();
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_EQ(undo.Previous(), nullptr);
}

TEST_F(DocumentTest, AnUndoItemOfTheBaseKindIsNeverUndone) {
    handler.New();
    TUndoItem item(u"Nothing"_s);
    try {
        item.Undo(*view());
        ADD_FAILURE() << "no assertion failure";
    } catch (const AssertionFailure& e) {
        EXPECT_TRUE(
            e.message().startsWith(u"Assertion failure (src/ui/document/TUndoItem.cpp, line "_s))
            << e.what();
    }
}

}  // namespace
