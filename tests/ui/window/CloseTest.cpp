// Closing the main window: the save question, what is stored for the next
// start, and the default files when no project is open.

#include "document/TkzEditorDocHandler.h"
#include "prefs/OptionsForm.h"
#include "project/PrjDataSaved.h"
#include "ui/window/MainWindowHarness.h"
#include "window/TkzFormViewController.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class CloseTest : public MainWindowTest {};

TEST_F(CloseTest, AModifiedProjectIsKeptSavedOrDroppedAsTheAnswerSays) {
    struct Case {
        const char* what;
        BoxButton answer;
        bool closes;
        bool saved;
    };
    const QList<Case> cases{
        {"Cancel keeps the program running, nothing saved", BoxButton::Cancel, false, false},
        {"No closes without saving", BoxButton::No, true, false},
        {"Yes saves, then closes", BoxButton::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness h;
        h.show();
        h.actions.execute(CommandId::PrjNew);
        const QString file = h.path(u"kept.QMP"_s);
        h.prompts.saveName = file;
        h.actions.execute(CommandId::PrjSaveAs);
        ASSERT_TRUE(QFileInfo::exists(file));
        h.project()->PrjData().SetSourceDBAlias(u"changed"_s);
        ASSERT_TRUE(h.project()->GetModified());
        TOptionsForm::instance().setLastProject(u"before"_s);

        h.prompts.saveAnswers = {c.answer};
        QFile::remove(file);  // shows whether the close wrote it again
        const bool closed = h.form->close();

        EXPECT_EQ(h.prompts.asked, QStringList{u"Save changes to the current project?"_s});
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(h.form->isVisible(), !c.closes);
        EXPECT_EQ(QFileInfo::exists(file), c.saved);
        // The path of the project open at closing is the next start's.
        EXPECT_EQ(TOptionsForm::instance().lastProject(), c.closes ? file : u"before"_s);
        EXPECT_EQ(h.project() != nullptr, !c.closes);
    }
}

TEST_F(CloseTest, ClosingWithoutAProjectWritesTheDefaultFilesAndForgetsTheLastProject) {
    MainWindowHarness h;
    h.show();
    TOptionsForm::instance().setLastProject(u"before"_s);
    EXPECT_TRUE(h.form->close());
    EXPECT_TRUE(QFileInfo::exists(h.path(u"DefaultTables.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(h.path(u"DefaultDBSetup.txt"_s)));
    EXPECT_EQ(TOptionsForm::instance().lastProject(), QString());
    EXPECT_TRUE(h.prompts.asked.isEmpty());
    // The placement is stored for the next start.
    EXPECT_TRUE(
        stored(u"Software/kazmo/Quillmere/Form state for MainForm/WindowState"_s).isValid());
}

}  // namespace
