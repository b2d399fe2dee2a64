// Saving the project from the window when the file system says no: a place
// where no file can be made, a folder that is a file, a device, a full
// disk, a symbolic link, and the program killed in the middle of a save.
// The project file on disk stays whole, the project keeps its name and its
// unsaved changes, and a message says why.

#include "project/PrjDataSaved.h"
#include "project/ProjectFiles.h"
#include "support/FaultFiles.h"
#include "support/FileBytes.h"
#include "ui/window/TableSetupProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

mode_t typeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

QString storedSourceAlias(const QString& path) {
    TPrjDataSaved read;
    const ProjectFileProblem problem = loadProjectFile(path, read);
    return problem.ok() ? read.SourceDBAlias() : u"<"_s + problem.message() + u">"_s;
}

class SaveFaultsTest : public MainWindowTest {
protected:
    /// The sample project saved as `file` with the source alias "saved",
    /// then changed (source alias "changed") and not saved.
    void openChanged(const QString& file) {
        openSampleProject(h_, file);
        h_.project()->PrjData().SetSourceDBAlias(u"saved"_s);
        h_.actions.execute(CommandId::PrjSave);
        ASSERT_EQ(storedSourceAlias(file), u"saved"_s);
        h_.project()->PrjData().SetSourceDBAlias(u"changed"_s);
        script({});
    }
    /// The project is still the unsaved one under its old name.
    void expectUnsaved(const QString& file) {
        EXPECT_EQ(h_.project()->FileName(), file);
        EXPECT_TRUE(h_.project()->GetModified());
        EXPECT_EQ(h_.project()->PrjData().SourceDBAlias(), u"changed"_s);
        EXPECT_EQ(storedSourceAlias(file), u"saved"_s);
    }
    QString lastMessage() const {
        return shownBoxes().isEmpty() ? QString() : shownBoxes().constLast().text;
    }

    MainWindowHarness h_;
};

TEST_F(SaveFaultsTest, SaveAsWhereNoProjectFileCanBeMadeSaysWhyAndKeepsTheProject) {
    const QString file = h_.path(u"shop.QMP"_s);
    openChanged(file);
    writeBytes(h_.path(u"blocked"_s), "a file where a folder should be");
    const struct {
        QString target;
        QString reason;
    } cases[] = {
        // Even root cannot make a file there.
        {u"/proc/quillmere-test.QMP"_s, u"Cannot create a temporary file in \"/proc\""_s},
        {h_.path(u"blocked/shop.QMP"_s), u"does not exist"_s},
        {u"/dev/null"_s, u"It is a device, FIFO or socket, not a regular file."_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        h_.prompts.saveName = c.target;
        h_.actions.execute(CommandId::PrjSaveAs);
        EXPECT_TRUE(lastMessage().contains(u"Cannot save project \"%1\""_s.arg(c.target)))
            << lastMessage().toStdString();
        EXPECT_TRUE(lastMessage().contains(c.reason)) << lastMessage().toStdString();
        expectUnsaved(file);
    }
    EXPECT_EQ(typeOf(u"/dev/null"_s), S_IFCHR);
    EXPECT_FALSE(QFileInfo::exists(u"/proc/quillmere-test.QMP"_s));

    // The same name once more: saving in place still works.
    h_.actions.execute(CommandId::PrjSave);
    EXPECT_EQ(storedSourceAlias(file), u"changed"_s);
    EXPECT_FALSE(h_.project()->GetModified());
}

TEST_F(SaveFaultsTest, ASaveThatDoesNotFitOnTheDiskKeepsTheOldFile) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.reason().toStdString();
    }
    const QString file = disk.path(u"shop.QMP"_s);
    openChanged(file);
    const QByteArray before = readBytes(file);
    // About 40 kB more than the disk has room for.
    h_.project()->PrjData().SetSourceDBAlias(u"changed"_s + QString(40000, u'x'));
    disk.fill(4096);

    h_.actions.execute(CommandId::PrjSave);
    EXPECT_TRUE(lastMessage().contains(u"Cannot save project \"%1\""_s.arg(file)) &&
                lastMessage().contains(u"No space left on device"_s))
        << lastMessage().toStdString();
    EXPECT_EQ(readBytes(file), before);
    EXPECT_TRUE(h_.project()->GetModified());
    EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{u"filler"_s, u"shop.QMP"_s}))
        << "no partial copy is left behind";
}

// A project opened through a symbolic link is saved into the file the link
// names; the link stays a link.
TEST_F(SaveFaultsTest, SavingThroughASymbolicLinkReplacesTheFileItNames) {
    const QString real = h_.path(u"real.QMP"_s);
    const QString link = h_.path(u"link.QMP"_s);
    openSampleProject(h_, real);
    ASSERT_TRUE(QFile::link(real, link));
    h_.prompts.openName = link;
    h_.actions.execute(CommandId::PrjOpen);
    ASSERT_EQ(h_.project()->FileName(), link);
    h_.project()->PrjData().SetSourceDBAlias(u"through the link"_s);
    script({});

    h_.actions.execute(CommandId::PrjSave);
    EXPECT_TRUE(shownBoxes().isEmpty()) << lastMessage().toStdString();
    EXPECT_EQ(typeOf(link), S_IFLNK);
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), real);
    EXPECT_EQ(storedSourceAlias(real), u"through the link"_s);
    EXPECT_FALSE(h_.project()->GetModified());
}

// The program killed at some moment of a save leaves a project file that
// loads: the old one or the new one, never a part of either.
TEST_F(SaveFaultsTest, AKillDuringASaveLeavesAWholeProjectFile) {
    const QString file = h_.path(u"shop.QMP"_s);
    openChanged(file);
    // A project large enough that a save takes a while.
    h_.project()->PrjData().GetItem(0)->props().setString(u"SourceQuerySQL"_s,
                                                          u"SELECT "_s + QString(400000, u'x'));
    for (const int delayMicroseconds : {0, 700, 2000, 5000, 11000}) {
        SCOPED_TRACE(delayMicroseconds);
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child saves over and over, telling the parent each start.
            ::close(started[0]);
            for (int i = 0;; ++i) {
                h_.project()->PrjData().SetSourceDBAlias(i % 2 ? u"odd"_s : u"even"_s);
                if (::write(started[1], "s", 1) != 1) {
                    ::_exit(1);
                }
                h_.actions.execute(CommandId::PrjSave);
            }
        }
        ::close(started[1]);
        // Killed during its second save at the latest.
        int marks = 0;
        char mark = 0;
        while (marks < 2 && ::read(started[0], &mark, 1) == 1) {
            ++marks;
        }
        ::usleep(static_cast<useconds_t>(delayMicroseconds));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(started[0]);
        ASSERT_EQ(marks, 2) << "the child did not start saving";
        EXPECT_TRUE(WIFSIGNALED(status));
        const QString stored = storedSourceAlias(file);
        EXPECT_TRUE(stored == u"saved"_s || stored == u"odd"_s || stored == u"even"_s)
            << stored.toStdString();
    }
}

}  // namespace
