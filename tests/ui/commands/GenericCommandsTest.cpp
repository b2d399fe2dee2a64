// The window's generic commands: shortcuts of hidden commands, the view
// toggles, paste of project nodes, the help commands, the about box and the
// settings dialogs.

#include "commands/CommandTable.h"
#include "commands/TActionsDM.h"
#include "dialogs/TFormFactory.h"
#include "dialogs/TPropListForm.h"
#include "document/TPrjView.h"
#include "document/TUndoHandler.h"
#include "document/TkzEditorDocHandler.h"
#include "project/NodeClipboard.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"
#include "ui/window/MainWindowHarness.h"
#include "window/ProjectPanel.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

/// Project file text holding table setups of these names.
QByteArray projectText(const QStringList& names, const QString& folder) {
    TPrjDataSaved project;
    for (const QString& name : names) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &project.settings(), &project);
        node->SetName(name);
        project.InsertNode(project.NodeCount(), std::move(node));
    }
    const QString path = folder + u"/nodes.qmp"_s;
    project.SaveToFile(path);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void putOnClipboard(const QByteArray& data) {
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kNodesMimeType), data);
    QGuiApplication::clipboard()->setMimeData(mime);
}

QStringList nodeNames(TPrjView& view) {
    QStringList names;
    for (int i = 0; i < view.PrjData().NodeCount(); ++i) {
        names << view.PrjData().GetItem(i)->Name();
    }
    return names;
}

class GenericCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        h_.show();
        h_.form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(h_.form.get()));
    }
    void TearDown() override {
        QGuiApplication::clipboard()->clear();
        MainWindowTest::TearDown();
    }
    void press(QKeyCombination keys) {
        QTest::keyClick(h_.form.get(), keys.key(), keys.keyboardModifiers());
        MainWindowHarness::settle();
    }
    QAction* action(CommandId id) { return h_.actions.action(id); }

    MainWindowHarness h_;
};

TEST_F(GenericCommandsTest, ShortcutsOfHiddenCommandsRunThem) {
    h_.app.docHandler().New();
    h_.form->UpdateUI();
    putOnClipboard(projectText({u"Pasted"_s}, h_.path(QString())));
    h_.form->UpdateUI();

    press(Qt::CTRL | Qt::Key_A);  // Select All only beeps
    EXPECT_EQ(h_.commandPrompts.beeps, 1);

    press(Qt::CTRL | Qt::Key_P);  // Paste, not printing
    ASSERT_NE(h_.project(), nullptr);
    EXPECT_EQ(nodeNames(*h_.project()).last(), u"Pasted"_s);
    EXPECT_EQ(action(CommandId::Undo)->text(), u"&Undo 'Project -> Paste'"_s);

    press(Qt::CTRL | Qt::Key_Z);  // the Edit menu is hidden; its Undo is not
    EXPECT_FALSE(nodeNames(*h_.project()).contains(u"Pasted"_s));

    ASSERT_TRUE(h_.form->projectPanel().isVisible());
    press(Qt::SHIFT | Qt::Key_F3);
    EXPECT_FALSE(h_.form->projectPanel().isVisible());
    EXPECT_FALSE(action(CommandId::ViewProjectWindow)->isChecked());

    press(Qt::SHIFT | Qt::Key_F1);  // a leftover pane: only its mark changes
    EXPECT_FALSE(action(CommandId::ViewFolderTree)->isChecked());

    // Tabs change from the keyboard wherever the focus is.
    ASSERT_EQ(h_.form->tabs().currentIndex(), 0);
    press(Qt::CTRL | Qt::Key_Tab);
    EXPECT_EQ(h_.form->tabs().currentIndex(), 1);
    press(Qt::CTRL | Qt::Key_PageUp);
    press(Qt::CTRL | Qt::Key_PageUp);
    EXPECT_EQ(h_.form->tabs().currentIndex(), 3);
}

TEST_F(GenericCommandsTest, ViewTogglesKeepTheirMarkAndTheirRegionTogether) {
    struct Toggle {
        CommandId id;
        std::function<bool()> shown;
    };
    const QList<Toggle> toggles{
        {CommandId::ViewToolbar, [&] { return h_.form->toolBar().isVisible(); }},
        {CommandId::ViewStatusbar, [&] { return h_.form->statusBar()->isVisible(); }},
    };
    for (const Toggle& t : toggles) {
        SCOPED_TRACE(action(t.id)->text().toStdString());
        ASSERT_TRUE(action(t.id)->isChecked());
        ASSERT_TRUE(t.shown());
        // As a menu click does it: Qt flips the mark before the command runs.
        action(t.id)->trigger();
        EXPECT_FALSE(action(t.id)->isChecked());
        EXPECT_FALSE(t.shown());
        h_.actions.execute(t.id);
        EXPECT_TRUE(action(t.id)->isChecked());
        EXPECT_TRUE(t.shown());
    }
    // "Main Window" has no function and stays checked.
    action(CommandId::ViewBrowser)->trigger();
    EXPECT_TRUE(action(CommandId::ViewBrowser)->isChecked());
}

TEST_F(GenericCommandsTest, PasteRefusesWhatIsNoProjectAndChangesNothing) {
    h_.app.docHandler().New();
    const QStringList before = nodeNames(*h_.project());
    struct Case {
        const char* what;
        std::function<void()> arrange;
    };
    const QList<Case> cases{
        {"not a project", [] { putOnClipboard("just some text"); }},
        {"the helper file's place taken by a folder",
         [&] {
             putOnClipboard(projectText({u"A"_s}, h_.path(QString())));
             QFile::remove(clipboardHelperFile());
             QDir().mkpath(clipboardHelperFile());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        script({});
        h_.form->UpdateUI();
        h_.actions.execute(CommandId::Paste);
        EXPECT_EQ(nodeNames(*h_.project()), before);
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_TRUE(shownBoxes().first().text.contains(u"Cannot paste"_s));
        QDir(clipboardHelperFile()).removeRecursively();
        QFile::remove(clipboardHelperFile());
    }
    // A picture alone is accepted by the rule but pastes nothing.
    QGuiApplication::clipboard()->setImage(QImage(2, 2, QImage::Format_RGB32));
    h_.form->UpdateUI();
    EXPECT_TRUE(action(CommandId::Paste)->isEnabled());
    h_.actions.execute(CommandId::Paste);
    EXPECT_EQ(nodeNames(*h_.project()), before);
}

TEST_F(GenericCommandsTest, HelpCommandsOpenTheirAddressesOrSayWhereTheyAre) {
    h_.actions.execute(CommandId::WWWProduct);
    h_.actions.execute(CommandId::WWWkazmo);
    h_.actions.execute(CommandId::Mail);
    ASSERT_EQ(h_.commandPrompts.opened.size(), 3);
    EXPECT_EQ(h_.commandPrompts.opened[0].scheme(), u"http"_s);
    EXPECT_EQ(h_.commandPrompts.opened[1].scheme(), u"http"_s);
    EXPECT_EQ(h_.commandPrompts.opened[2].scheme(), u"mailto"_s);
    EXPECT_TRUE(h_.commandPrompts.opened[2].toString().contains(u"?subject=Quillmere"_s));

    h_.commandPrompts.openUrlResult = false;
    script({});
    h_.actions.execute(CommandId::WWWProduct);
    h_.actions.execute(CommandId::Mail);
    ASSERT_EQ(shownBoxes().size(), 2);
    EXPECT_TRUE(shownBoxes()[0].text.contains(
        u"Unable to start your internet browser. \nThe address containing the information is "
        u"\"http://"_s));
    EXPECT_TRUE(shownBoxes()[1].text.contains(u"Unable to start your mail program"_s));

    // No help file in the program folder: its name is shown instead.
    h_.actions.execute(CommandId::HelpContents);
    ASSERT_EQ(shownBoxes().size(), 3);
    EXPECT_TRUE(shownBoxes()[2].text.contains(u"Quillmere Help.chm"_s));
}

TEST_F(GenericCommandsTest, AboutComesFromTheFormFactory) {
    h_.commandPrompts.dialogAnswers << [](QDialog& d) {
        EXPECT_STREQ(d.metaObject()->className(), "qm::TAboutForm");
        return int(QDialog::Accepted);
    };
    h_.actions.execute(CommandId::About);
    EXPECT_EQ(h_.commandPrompts.dialogsShown, QStringList{u"About Quillmere"_s});

    // Names match ignoring case, and the class registered last wins.
    TFormFactory factory;
    factory.registerForm(u"TThing"_s, [](QWidget*) { return std::make_unique<QDialog>(); });
    factory.registerForm(u"tthing"_s, [](QWidget*) {
        auto d = std::make_unique<QDialog>();
        d->setObjectName(u"second"_s);
        return d;
    });
    EXPECT_EQ(factory.CreateByClassName(u"TTHING"_s)->objectName(), u"second"_s);
    EXPECT_EQ(factory.CreateByClassName(u"TOther"_s), nullptr);
}

TEST_F(GenericCommandsTest, EditSettingsDropsItsUndoStepWhenCancelled) {
    h_.app.docHandler().New();
    h_.form->UpdateUI();
    h_.commandPrompts.dialogAnswers << [](QDialog&) { return int(QDialog::Rejected); };
    h_.actions.execute(CommandId::EditPrjSettings);
    EXPECT_EQ(h_.commandPrompts.dialogsShown, QStringList{u"Edit Settings"_s});
    EXPECT_FALSE(h_.app.undo().CanUndo()) << h_.app.undo().UndoCaption().toStdString();

    h_.commandPrompts.dialogAnswers << [](QDialog& d) {
        for (QLineEdit* edit : d.findChildren<QLineEdit*>()) {
            edit->setText(edit->text());  // unchanged, but written back
        }
        static_cast<TPropListForm&>(d).apply();
        return int(QDialog::Accepted);
    };
    h_.actions.execute(CommandId::EditPrjSettings);
    EXPECT_EQ(h_.app.undo().UndoCaption(), u"'Project -> Edit Settings'"_s);
}

}  // namespace

namespace {

// Every shortcut of the command table, pressed on the shown window, runs its
// command exactly when the command is enabled (hidden ones included).
TEST_F(GenericCommandsTest, EveryShortcutRunsItsCommandWhenEnabled) {
    h_.app.docHandler().New();
    h_.form->UpdateUI();
    int checked = 0;
    for (const CommandEntry& entry : CommandTable()) {
        QAction* act = action(entry.id);
        if (act->shortcut().isEmpty() || entry.id == CommandId::Exit) {
            continue;
        }
        SCOPED_TRACE(act->objectName().toStdString());
        h_.form->UpdateUI();
        const bool enabled = act->isEnabled();
        int runs = 0;
        const auto connection = QObject::connect(act, &QAction::triggered, [&] { ++runs; });
        script({});
        const QKeyCombination keys = act->shortcut()[0];
        QTest::keyClick(h_.form.get(), keys.key(), keys.keyboardModifiers());
        MainWindowHarness::settle();
        QObject::disconnect(connection);
        EXPECT_EQ(runs, enabled ? 1 : 0);
        ++checked;
        // Commands that hide regions or change tabs are put back.
        for (CommandId view :
             {CommandId::ViewProjectWindow, CommandId::ViewToolbar, CommandId::ViewStatusbar}) {
            if (!action(view)->isChecked()) {
                h_.actions.execute(view);
            }
        }
        h_.form->activateWindow();
    }
    EXPECT_GE(checked, 12);
}

}  // namespace
