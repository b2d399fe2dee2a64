#include "DocumentFixture.h"

#include "common/Errors.h"
#include "engine/TDM.h"
#include "support/TestDatabases.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::DocumentTest;

namespace {

BoxAnswer answer(BoxButton b) {
    return BoxAnswer{b, false};
}

// Reads a project file back as the program would.
QString storedSourceAlias(const QString& file) {
    TPrjDataSaved p;
    const ProjectFileProblem problem = loadProjectFile(file, p);
    EXPECT_TRUE(problem.ok()) << problem.message().toStdString();
    return p.SourceDBAlias();
}

TEST_F(DocumentTest, CloseAsksToSaveChangesAndFollowsTheAnswer) {
    const struct {
        const char* name;
        bool named;
        BoxButton answer;
        std::optional<QString> saveAsName;  // what the save dialog gives, if asked
        bool closes;
        bool saved;
    } cases[] = {
        {"named, Cancel", true, BoxButton::Cancel, std::nullopt, false, false},
        {"named, No", true, BoxButton::No, std::nullopt, true, false},
        {"named, Yes", true, BoxButton::Yes, std::nullopt, true, true},
        {"unnamed, Yes saves as", false, BoxButton::Yes, u"saved-as.QMP"_s, true, true},
        {"unnamed, Yes, save as cancelled", false, BoxButton::Yes, std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        handler.DoPrjClose();
        QFile::remove(path(u"saved-as.QMP"_s));
        const QString file = writeProject(u"a.QMP"_s, {u"Alpha"_s});
        const QByteArray before = bytes(file);
        if (c.named) {
            handler.PrjOpen(file);
        } else {
            handler.New();
        }
        ASSERT_NE(view(), nullptr);
        TPrjView* const opened = view();
        opened->PrjData().SetSourceDBAlias(u"edited"_s);
        ASSERT_TRUE(handler.IsDirty());
        prompts.saveNames = {c.saveAsName ? std::optional(path(*c.saveAsName)) : std::nullopt};
        script({answer(c.answer)});

        handler.Close();

        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_EQ(shownBoxes()[0].text, u"Save changes to the current project?"_s);
        EXPECT_EQ(shownBoxes()[0].buttons,
                  (QList<BoxButton>{BoxButton::Yes, BoxButton::No, BoxButton::Cancel}));
        EXPECT_EQ(handler.View() == nullptr, c.closes);
        EXPECT_EQ(panelShown, !c.closes);
        if (!c.closes) {
            EXPECT_EQ(view(), opened);
            EXPECT_TRUE(handler.IsDirty());
        }
        const QString target = c.named ? file : path(u"saved-as.QMP"_s);
        if (c.saved) {
            EXPECT_EQ(storedSourceAlias(target), u"edited"_s);
        } else {
            EXPECT_EQ(bytes(file), before);
            EXPECT_FALSE(QFileInfo::exists(path(u"saved-as.QMP"_s)));
        }
    }
}

TEST_F(DocumentTest, NewWithoutUnsavedChangesAsksNothingAndStartsAFreshProject) {
    handler.PrjOpen(writeProject(u"a.QMP"_s, {u"Alpha"_s}));
    TPrjView* const old = view();
    undo.RecordProjectChange(u"Edit"_s, old->PrjData(), 0);
    script({});

    handler.New();

    EXPECT_TRUE(shownBoxes().isEmpty());
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->FileName(), QString());
    EXPECT_EQ(view()->PrjData().NodeCount(), 0);
    EXPECT_FALSE(handler.IsDirty());
    EXPECT_FALSE(undo.CanUndo());
    EXPECT_TRUE(panelShown);
}

TEST_F(DocumentTest, OpenCancelledAfterNoKeepsTheProjectOpenAndUnsaved) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s});
    const QByteArray before = bytes(a);
    handler.PrjOpen(a);
    TPrjView* const opened = view();
    opened->PrjData().SetSourceDBAlias(u"edited"_s);
    prompts.openNames = {std::nullopt};
    script({answer(BoxButton::No)});

    handler.Open();

    EXPECT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(prompts.queries, 1);
    EXPECT_EQ(view(), opened);
    EXPECT_TRUE(handler.IsDirty());
    EXPECT_EQ(bytes(a), before);
}

TEST_F(DocumentTest, SaveAsOntoAnExistingFileAsksBeforeReplacingIt) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s});
    const QString b = writeProject(u"b.QMP"_s, {u"Beta"_s});
    const QByteArray bBefore = bytes(b);
    handler.PrjOpen(a);
    view()->PrjData().SetSourceDBAlias(u"edited"_s);

    prompts.saveNames = {b};
    script({answer(BoxButton::Cancel)});
    EXPECT_FALSE(handler.SaveAs());
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].text,
              u"The file \"%1\" already exists. Do you want to replace it?"_s.arg(b));
    EXPECT_EQ(shownBoxes()[0].buttons, (QList<BoxButton>{BoxButton::Ok, BoxButton::Cancel}));
    EXPECT_EQ(bytes(b), bBefore);
    EXPECT_EQ(view()->FileName(), a);
    EXPECT_TRUE(handler.IsDirty());
    EXPECT_EQ(recentFiles.Items(), QStringList{a});

    prompts.saveNames = {b};
    script({answer(BoxButton::Ok)});
    EXPECT_TRUE(handler.SaveAs());
    EXPECT_EQ(storedSourceAlias(b), u"edited"_s);
    EXPECT_EQ(view()->FileName(), b);
    EXPECT_FALSE(handler.IsDirty());
    EXPECT_EQ(recentFiles.Items(), (QStringList{b, a}));
}

TEST_F(DocumentTest, SaveOfAnUnnamedProjectAsksForAName) {
    handler.New();
    addTableSetup(view()->PrjData(), u"Gamma"_s);

    prompts.saveNames = {std::nullopt};
    handler.Save();
    EXPECT_EQ(prompts.queries, 1);
    EXPECT_EQ(view()->FileName(), QString());
    EXPECT_TRUE(handler.IsDirty());

    const QString c = path(u"c.QMP"_s);
    prompts.saveNames = {c};
    handler.Save();
    EXPECT_EQ(prompts.queries, 2);
    EXPECT_EQ(view()->FileName(), c);
    EXPECT_FALSE(handler.IsDirty());
    EXPECT_EQ(recentFiles.Items(), QStringList{c});

    // Named now: saved in place without a question.
    view()->PrjData().SetSourceDBAlias(u"again"_s);
    handler.Save();
    EXPECT_EQ(prompts.queries, 2);
    EXPECT_EQ(storedSourceAlias(c), u"again"_s);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheNameTheChangesAndTheRecentFiles) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s});
    handler.PrjOpen(a);
    view()->PrjData().SetSourceDBAlias(u"edited"_s);
    prompts.saveNames = {path(u"no-such-folder/b.QMP"_s)};

    try {
        handler.SaveAs();
        ADD_FAILURE() << "the save did not fail";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(u"Cannot save project"_s)) << e.what();
    }
    EXPECT_EQ(view()->FileName(), a);
    EXPECT_TRUE(handler.IsDirty());
    EXPECT_EQ(recentFiles.Items(), QStringList{a});
}

TEST_F(DocumentTest, OpenFillsTheEngineAndTheRecentFiles) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s, u"Beta"_s}, u"SRC"_s, u"DST"_s);
    handler.New();
    engine.view.boxes[Side::Source] = true;  // a connection to another alias
    engine.dm.setAliasHeaderPending(false);
    prompts.openNames = {a};

    handler.Open();

    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->FileName(), a);
    EXPECT_EQ(view()->PrjData().NodeCount(), 2);
    EXPECT_FALSE(handler.IsDirty());
    EXPECT_EQ(engineTableSetups(), (QStringList{u"Alpha"_s, u"Beta"_s}));
    EXPECT_EQ(view()->CurrentTableSetupIndex(), 0);
    EXPECT_FALSE(engine.view.boxes.value(Side::Source));
    EXPECT_TRUE(engine.dm.AliasHeaderPending());
    EXPECT_EQ(recentFiles.Items(), QStringList{a});
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(busy, 0);
}

TEST_F(DocumentTest, OpenOfAMissingFileSaysSoAndChangesNothing) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s});
    handler.PrjOpen(a);
    TPrjView* const opened = view();
    opened->PrjData().SetSourceDBAlias(u"edited"_s);
    const QString missing = path(u"gone.QMP"_s);
    script({});

    handler.PrjOpen(missing);

    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].text, u"The file "_s + missing + u" does not exist.\r\n"_s);
    EXPECT_EQ(shownBoxes()[0].buttons, QList<BoxButton>{BoxButton::Ok});
    ASSERT_EQ(view(), opened);
    EXPECT_EQ(view()->FileName(), a);
    EXPECT_TRUE(handler.IsDirty());
    EXPECT_EQ(engineTableSetups(), QStringList{u"Alpha"_s});
}

// A file that breaks off after its first table setup: the loader reads one
// node and then fails. The project that was open must stay as it was, and
// a later Save must write that project's own file, not the broken one.
TEST_F(DocumentTest, AFileThatFailsPartWayLeavesTheOpenProjectAsItWas) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s, u"Beta"_s});
    QByteArray broken = bytes(writeProject(u"broken.QMP"_s, {u"Fragment"_s}));
    ASSERT_TRUE(broken.contains("Count=1"));
    broken.replace("Count=1", "Count=2");
    const QString brokenFile = path(u"broken.QMP"_s);
    {
        QFile f(brokenFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(broken);
    }

    handler.PrjOpen(a);
    TPrjView* const opened = view();
    view()->SelectTableSetup(1);
    undo.RecordProjectChange(u"Edit"_s, opened->PrjData(), 1);
    opened->PrjData().SetSourceDBAlias(u"edited"_s);

    try {
        handler.PrjOpen(brokenFile);
        ADD_FAILURE() << "the broken file opened";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(u"Cannot open project \"%1\":"_s.arg(brokenFile)))
            << e.what();
    }

    ASSERT_EQ(view(), opened);
    EXPECT_EQ(view()->FileName(), a);
    EXPECT_EQ(view()->PrjData().NodeCount(), 2);
    EXPECT_EQ(view()->PrjData().SourceDBAlias(), u"edited"_s);
    EXPECT_TRUE(handler.IsDirty());
    EXPECT_EQ(engineTableSetups(), (QStringList{u"Alpha"_s, u"Beta"_s}));
    EXPECT_EQ(view()->CurrentTableSetupIndex(), 1);
    EXPECT_TRUE(undo.CanUndo());
    EXPECT_EQ(recentFiles.Items(), QStringList{a});
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(busy, 0);

    handler.Save();
    EXPECT_EQ(bytes(brokenFile), broken);
    EXPECT_EQ(storedSourceAlias(a), u"edited"_s);
}

TEST_F(DocumentTest, CloseLeavesTheEngineWithBlankSetupsAndNothingToUndo) {
    handler.PrjOpen(writeProject(u"a.QMP"_s, {u"Alpha"_s, u"Beta"_s}));
    undo.RecordProjectChange(u"Edit"_s, view()->PrjData(), 0);

    handler.Close();

    EXPECT_EQ(handler.View(), nullptr);
    EXPECT_FALSE(panelShown);
    EXPECT_FALSE(undo.CanUndo());
    // Each list holds just the blank row being inserted.
    MemData& tables = engine.dm.TablesMemData();
    const TDM::TableFields& tf = engine.dm.tableFields();
    EXPECT_EQ(tables.state(), ListState::Insert);
    EXPECT_EQ(tables.recordCount(), 0);
    EXPECT_EQ(tables.asText(tf.Name), QString());
    EXPECT_EQ(tables.asText(tf.SourceQuerySQL), u"SELECT * FROM "_s);
    EXPECT_EQ(tables.asText(tf.DestQuerySQL), u"SELECT * FROM "_s);
    MemData& aliases = engine.dm.DBSetupMemData();
    EXPECT_EQ(aliases.state(), ListState::Insert);
    EXPECT_EQ(aliases.recordCount(), 0);
    EXPECT_EQ(aliases.asText(engine.dm.sourceDBAliasField()), QString());

    // With nothing open there is nothing to ask about or to close.
    script({});
    handler.Close();
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(DocumentTest, CloseDropsConnectionsWhoseAliasIsNoLongerShown) {
    test::AliasFolder aliases;
    aliases.addSqlite(u"SRC"_s, {u"CREATE TABLE t (k INTEGER)"_s});
    aliases.addSqlite(u"DST"_s, {u"CREATE TABLE t (k INTEGER)"_s});
    engine.dm.session().setAliasFilePath(aliases.aliasFile());
    handler.PrjOpen(writeProject(u"a.QMP"_s, {u"Alpha"_s}, u"SRC"_s, u"DST"_s));
    engine.dm.ConnectSource();
    engine.dm.ConnectTarget();
    ASSERT_TRUE(engine.dm.Connected(Side::Source) && engine.dm.Connected(Side::Target));

    handler.New();  // closes the project; the new one shows no aliases

    EXPECT_FALSE(engine.dm.Connected(Side::Source));
    EXPECT_FALSE(engine.dm.Connected(Side::Target));
    EXPECT_FALSE(engine.view.boxes.value(Side::Source));
    EXPECT_FALSE(engine.view.boxes.value(Side::Target));
}

// The main window opens a clicked recent file as the Open command does,
// after asking about unsaved changes.
TEST_F(DocumentTest, ARecentFileThatIsGoneIsRemovedAndReported) {
    const QString a = writeProject(u"a.QMP"_s, {u"Alpha"_s});
    const QString gone = writeProject(u"gone.QMP"_s, {u"Beta"_s});
    handler.PrjOpen(gone);
    handler.PrjOpen(a);
    ASSERT_EQ(recentFiles.Items(), (QStringList{a, gone}));
    QFile::remove(gone);
    QStringList clicked;
    recentFiles.OnMRUItemClick = [&](const QString& file) {
        clicked << file;
        if (handler.CloseQuery()) {
            handler.PrjOpen(file);
        }
    };
    script({});

    recentFiles.Click(1);
    EXPECT_EQ(clicked, QStringList{gone});
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].text, u"The file "_s + gone + u" does not exist.\r\n"_s);
    EXPECT_EQ(recentFiles.Items(), QStringList{a});
    EXPECT_EQ(view()->FileName(), a);

    recentFiles.Click(0);  // reopened: back at the top
    EXPECT_EQ(recentFiles.Items(), QStringList{a});
    EXPECT_EQ(view()->FileName(), a);
}

}  // namespace
