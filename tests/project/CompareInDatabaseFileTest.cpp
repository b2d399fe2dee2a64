// "Compare inside the databases" in the project file and the default
// database-setup file: written only when set, so files that never set it
// keep every byte, and read back when set.
#include "project/PrjDataSaved.h"
#include "project/ProjectDescription.h"
#include "project/ProjectFiles.h"
#include "project/QMUtils.h"
#include "support/EngineHarness.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::EngineHarness;
using qm::test::readBytes;

namespace {

const QString kExample = QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/data/project/customers.qmp");

// What the window does on an edit of the Database tab: the database-setup
// row goes back into the project's settings by column name.
void settingsFromEngine(EngineHarness& h, TPrjData& p) {
    TQMUtils::DataSetToProps(p.settings(), h.dm.DBSetupMemData());
}

QByteArray saved(TPrjDataSaved& p, const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    const ProjectFileProblem problem = saveProjectFile(p, path);
    EXPECT_TRUE(problem.ok()) << problem.message().toStdString();
    return readBytes(path);
}

TEST(CompareInDatabaseFile, WrittenOnlyWhenSetAndReadBack) {
    QTemporaryDir dir;
    TPrjDataSaved p;
    ASSERT_TRUE(loadProjectFile(kExample, p).ok());
    EngineHarness h{QString()};
    h.dm.LoadTableSetups(p);
    EXPECT_FALSE(h.dm.CompareInDatabase());
    settingsFromEngine(h, p);
    EXPECT_EQ(saved(p, dir, u"same.qmp"_s), readBytes(kExample));
    EXPECT_FALSE(describeProject(p).contains(u"inside the databases"_s));

    p.SetCompareInDatabase(true);
    const QByteArray ticked = saved(p, dir, u"ticked.qmp"_s);
    EXPECT_TRUE(ticked.contains("CompareInDatabase=")) << ticked.toStdString();
    TPrjDataSaved back;
    ASSERT_TRUE(loadProjectFile(dir.filePath(u"ticked.qmp"_s), back).ok());
    EXPECT_TRUE(back.CompareInDatabase());
    EXPECT_TRUE(describeProject(back).contains(u"Compare inside the databases: yes\n"_s));
    EngineHarness again{QString()};
    again.dm.LoadTableSetups(back);
    EXPECT_TRUE(again.dm.CompareInDatabase());

    // Cleared through the engine's list, the file is the example's again.
    MemData& d = again.dm.DBSetupMemData();
    d.edit();
    d.setValue(again.dm.compareInDatabaseField(), Value());
    d.post();
    settingsFromEngine(again, back);
    EXPECT_EQ(saved(back, dir, u"cleared.qmp"_s), readBytes(kExample));
}

TEST(CompareInDatabaseFile, DefaultFileHasTheColumnOnlyWhenSet) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const struct {
        bool ticked;
        QByteArray file;
    } cases[] = {
        {false, "SourceDBAlias\tDestDBAlias\r\nSrc\tDst\r\n"},
        {true, "SourceDBAlias\tDestDBAlias\tCompareInDatabase\r\nSrc\tDst\tTrue\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticked);
        {
            EngineHarness h{QString()};
            h.dm.PrepareTableLists(false);
            MemData& d = h.dm.DBSetupMemData();
            d.setAsText(h.dm.sourceDBAliasField(), u"Src"_s);
            d.setAsText(h.dm.destDBAliasField(), u"Dst"_s);
            if (c.ticked) {
                d.setAsBool(h.dm.compareInDatabaseField(), true);
            }
            h.dm.TablesMemData().post();
            h.dm.SaveDefaultFiles();
        }
        EXPECT_EQ(readBytes(TDM::defaultDBSetupFile()), c.file);
        EngineHarness h{QString()};
        h.dm.PrepareTableLists(true);
        EXPECT_EQ(h.dm.CompareInDatabase(), c.ticked);
    }
    QDir::setCurrent(previous);
}

}  // namespace
