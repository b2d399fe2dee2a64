// What the main window does when it is first shown: the project it opens or
// creates, and what it stores when it closes.

#include "engine/ProjectTableSetups.h"
#include "prefs/OptionsForm.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"
#include "ui/window/MainWindowHarness.h"
#include "window/StatusStrip.h"

#include <QFile>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

/// A project file with one table setup named "Customers".
void writeProject(TDM& engine, const QString& path) {
    TPrjDataSaved project;
    engine.PrepareTableLists(false);
    MemData& tables = engine.TablesMemData();
    tables.edit();
    tables.setAsText(engine.tableFields().Name, u"Customers"_s);
    tables.post();
    ProjectTableSetups::AddTableSetup(project, tables);
    ASSERT_TRUE(saveProjectFile(project, path).ok());
}

class StartupTest : public MainWindowTest {};

TEST_F(StartupTest, TheFirstShowingOpensTheLastProjectOrANewOneAsThePreferencesSay) {
    enum class Last { None, Existing, Deleted };
    enum class Expect { NoProject, Named, Unnamed };
    struct Case {
        const char* what;
        bool loadLast;
        Last last;
        bool createNew;
        Expect expect;
    };
    const QList<Case> cases{
        {"last project on, its file exists", true, Last::Existing, false, Expect::Named},
        {"last project on wins over a new one", true, Last::Existing, true, Expect::Named},
        {"last project's file deleted: nothing, not even a new one", true, Last::Deleted, true,
         Expect::NoProject},
        {"last project on, none remembered, new project on", true, Last::None, true,
         Expect::Unnamed},
        {"last project off, new project on", false, Last::Existing, true, Expect::Unnamed},
        {"both off", false, Last::Existing, false, Expect::NoProject},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness h;
        const QString file = h.path(u"last.QMP"_s);
        writeProject(h.engine, file);
        if (c.last == Last::Deleted) {
            QFile::remove(file);
        }
        setStartupPreferences(c.loadLast, c.last == Last::None ? QString() : file, c.createNew);
        h.show();

        switch (c.expect) {
            case Expect::NoProject:
                EXPECT_EQ(h.project(), nullptr);
                EXPECT_EQ(h.form->windowTitle(), u"Quillmere"_s);
                break;
            case Expect::Named:
                ASSERT_NE(h.project(), nullptr);
                EXPECT_EQ(h.project()->FileName(), file);
                EXPECT_EQ(h.form->windowTitle(), u"Quillmere - \"last.QMP\""_s);
                break;
            case Expect::Unnamed:
                ASSERT_NE(h.project(), nullptr);
                EXPECT_EQ(h.form->windowTitle(), u"Quillmere - (unnamed project)"_s);
                break;
        }
        EXPECT_EQ(h.form->statusStrip().statusText(), u"Ready"_s);
        EXPECT_TRUE(shownBoxes().isEmpty()) << "no message, also for a deleted file";
        // Without a project the engine's lists come from the default files
        // (or one blank row each).
        EXPECT_TRUE(h.engine.TablesMemData().isOpen());
        EXPECT_EQ(h.engine.TablesMemData().recordCount(), 1);
    }
}

}  // namespace
