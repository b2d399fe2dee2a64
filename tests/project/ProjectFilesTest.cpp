// The checked load and save of project files that the desktop program and
// the command-line tool share.
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectDescription.h"
#include "project/ProjectFiles.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::readBytes;
using qm::test::writeBytes;

namespace {

// A project with one table setup whose source query is `sourceQuery`.
void fill(TPrjDataSaved& p, const QString& sourceQuery) {
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(u"DST"_s);
    auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
    TPropValueList& n = node->props();
    n.setString(u"Name"_s, u"Orders"_s);
    n.setString(u"SourceQuerySQL"_s, sourceQuery);
    n.setString(u"DestQuerySQL"_s, u"SELECT * FROM ORDERS"_s);
    n.setString(u"PrimaryKeySpec"_s, u"ID"_s);
    n.setString(u"DestTableName"_s, u"ORDERS"_s);
    p.InsertNode(0, std::move(node));
}

// The files of a folder, the hidden ones included: a save leaves no
// temporary file behind.
QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(ProjectFiles, LoadRefusesWhatIsNoProject) {
    QTemporaryDir dir;
    writeBytes(dir.filePath(u"empty.qmp"_s), QByteArray());
    writeBytes(dir.filePath(u"no-nodes.qmp"_s), "[Settings]\r\nSourceDBAlias=\"A\"\r\n");
    writeBytes(dir.filePath(u"word.qmp"_s), "[Nodes]\r\nCount=many\r\n");
    QDir(dir.path()).mkdir(u"folder.qmp"_s);
    const struct {
        QString name;
        QString reason;
    } cases[] = {
        {u"missing.qmp"_s, u"The file does not exist."_s},
        {u"folder.qmp"_s, u"It is a folder, not a file."_s},
        {u"empty.qmp"_s, u"is not a project file"_s},
        {u"no-nodes.qmp"_s, u"is not a project file"_s},
        {u"word.qmp"_s, u"The node count \"many\" in section [Nodes] is not a number"_s},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.name);
        TPrjDataSaved p;
        const ProjectFileProblem problem = loadProjectFile(path, p);
        EXPECT_FALSE(problem.ok()) << c.name.toStdString();
        EXPECT_EQ(problem.headline, u"Cannot open project \"%1\":"_s.arg(path));
        EXPECT_TRUE(problem.reason.contains(c.reason))
            << c.name.toStdString() << ": " << problem.reason.toStdString();
        EXPECT_EQ(p.NodeCount(), 0) << c.name.toStdString();
    }
}

TEST(ProjectFiles, SaveWritesWhatLoadsBackAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"orders.qmp"_s);
    const QString direct = dir.filePath(u"direct.qmp"_s);
    TPrjDataSaved p;
    fill(p, storedForm(u"SELECT *\nFROM ORDERS"_s));
    p.SaveToFile(direct);
    writeBytes(path, "old content");

    const ProjectFileProblem problem = saveProjectFile(p, path);
    ASSERT_TRUE(problem.ok()) << problem.message().toStdString();
    // The same bytes as a direct save, and the project now belongs to the file.
    EXPECT_EQ(readBytes(path), readBytes(direct));
    EXPECT_EQ(p.FileName(), path);
    EXPECT_EQ(filesIn(dir), (QStringList{u"direct.qmp"_s, u"orders.qmp"_s}));

    TPrjDataSaved back;
    ASSERT_TRUE(loadProjectFile(path, back).ok());
    EXPECT_EQ(describeProject(back), describeProject(p));
}

TEST(ProjectFiles, FailedSaveKeepsThePreviousFile) {
    QTemporaryDir dir;
    const QString kept = dir.filePath(u"kept.qmp"_s);
    writeBytes(kept, "previous bytes");
    QDir(dir.path()).mkdir(u"folder.qmp"_s);
    const struct {
        const char* what;
        QString path;
        QString query;
        QString reason;
    } cases[] = {
        {"missing folder", dir.filePath(u"none/x.qmp"_s), u"SELECT 1"_s,
         u"The folder \"%1\" does not exist."_s.arg(dir.filePath(u"none"_s))},
        {"folder", dir.filePath(u"folder.qmp"_s), u"SELECT 1"_s, u"It is a folder, not a file."_s},
        {"device", u"/dev/null"_s, u"SELECT 1"_s,
         u"It is a device, FIFO or socket, not a regular file."_s},
        // A final line break is dropped by the file: the project would load
        // back with another query than the one it holds.
        {"changed on read-back", kept, u"SELECT 1\n"_s,
         u"The written project loads back with other content.\nExpected: \nRead back:    "
         "Target query:"_s},
    };
    for (const auto& c : cases) {
        TPrjDataSaved p;
        fill(p, c.query);
        p.setFileName(u"mine.qmp"_s);
        p.SetModified(true);
        const ProjectFileProblem problem = saveProjectFile(p, c.path);
        EXPECT_EQ(problem.headline, u"Cannot save project \"%1\":"_s.arg(c.path)) << c.what;
        EXPECT_TRUE(problem.reason.startsWith(c.reason))
            << c.what << ": " << problem.reason.toStdString();
        // The project keeps its name and its unsaved edits.
        EXPECT_EQ(p.FileName(), u"mine.qmp"_s) << c.what;
        EXPECT_TRUE(p.IsModified()) << c.what;
    }
    EXPECT_EQ(readBytes(kept), "previous bytes");
    EXPECT_EQ(filesIn(dir), QStringList{u"kept.qmp"_s});
}

TEST(ProjectFiles, StoredFormIsWhatAFileGivesBack) {
    const struct {
        QString value;
        QString stored;
        StoredValue check;
    } cases[] = {
        {u"SELECT 1"_s, u"SELECT 1"_s, StoredValue::Usable},
        {u"a\nb"_s, u"a\r\nb"_s, StoredValue::Usable},
        {u"a\rb"_s, u"a\r\nb"_s, StoredValue::Usable},
        {u"a\r\nb\n"_s, u"a\r\nb"_s, StoredValue::Usable},
        {QString(), QString(), StoredValue::Empty},
        {u" "_s, u" "_s, StoredValue::OnlyBlanks},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(storedForm(c.value), c.stored) << c.value.toStdString();
        // Stored once, a value stays as it is.
        EXPECT_EQ(storedForm(c.stored), c.stored) << c.value.toStdString();
        EXPECT_EQ(checkStoredValue(c.value), c.check) << c.value.toStdString();
    }
}

TEST(ProjectFiles, MissingAliasIsNamed) {
    TPrjDataSaved p;
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(QString());
    EXPECT_EQ(missingAliasProblem(p, u"a.qmp"_s, u"SourceDBAlias"_s), QString());
    EXPECT_EQ(missingAliasProblem(p, u"a.qmp"_s, u"DestDBAlias"_s),
              u"Cannot use project \"a.qmp\": it names no target alias (DestDBAlias is empty)."_s);
}

}  // namespace
