// The command-line tool's files under faults: a nearly full disk, devices
// and FIFOs in place of files, links planted beside a project or at its
// path, a named alias file that is missing, a standard output that takes
// nothing.

#include "support/CliRunner.h"
#include "support/EngineHarness.h"
#include "support/FaultFiles.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

mode_t typeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

QStringList projectArgs(const QString& subcommand, const QString& project,
                        const QStringList& more = {}) {
    return QStringList{u"project"_s, subcommand, project} + more;
}

QStringList addTableSetupArgs(const QString& project, const QString& name, const QString& sql) {
    return projectArgs(u"add-table-setup"_s, project,
                       {u"--name"_s, name, u"--source-sql"_s, sql, u"--target-sql"_s, sql,
                        u"--key"_s, u"id"_s, u"--table"_s, u"t"_s});
}

const QStringList kTable = {u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"_s,
                            u"INSERT INTO t VALUES (1, 'a')"_s};

// A project save that runs out of room, while writing the temporary copy
// (little room) or while replacing the project (room for one copy only),
// reports the failure and leaves the project file as it was.
TEST(FullDisk, AProjectSaveThatDoesNotFitKeepsTheOldFile) {
    for (const qint64 spare : {qint64(4096), qint64(40 * 1024)}) {
        SCOPED_TRACE(spare);
        SmallDisk disk;
        if (!disk.mounted()) {
            GTEST_SKIP() << disk.reason().toStdString();
        }
        const QString project = disk.path(u"sync.qmp"_s);
        ASSERT_EQ(runCli(projectArgs(u"create"_s, project,
                                     {u"--source-alias"_s, u"S"_s, u"--target-alias"_s, u"D"_s}))
                      .exitCode,
                  0);
        const QByteArray before = readBytes(project);
        disk.fill(spare);

        // About 24 kB: more than a little room, less than the room for one
        // copy, so the second case fails at the final replacement.
        const QString sql = u"SELECT * FROM t WHERE name <> '%1'"_s.arg(QString(12000, u'x'));
        const CliResult r = runCli(addTableSetupArgs(project, u"Big"_s, sql));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"Cannot save project \"%1\""_s.arg(project)) &&
                    r.err.contains(u"No space left on device"_s))
            << r.err.toStdString();
        EXPECT_EQ(readBytes(project), before);
        EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  (QStringList{u"filler"_s, u"sync.qmp"_s}));
    }
}

class DeviceOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, kTable);
        folder.addSqlite(u"Dst"_s, kTable);
    }
    CliResult script(const QString& output) const {
        const QString sql = u"SELECT * FROM t"_s;
        return runCli({u"script"_s, u"--source-alias"_s, u"Src"_s, u"--target-alias"_s, u"Dst"_s,
                       u"--source-sql"_s, sql, u"--target-sql"_s, sql, u"--key"_s, u"id"_s,
                       u"--table"_s, u"t"_s, u"--aliases"_s, folder.aliasFile(), u"--output"_s,
                       output});
    }
    AliasFolder folder;
};

TEST_F(DeviceOutputTest, ADeviceIsWrittenToAndStaysADevice) {
    const QString null = folder.path(u"null"_s);
    const QString full = folder.path(u"full"_s);
    if (!makeDeviceLike(null, "/dev/null") || !makeDeviceLike(full, "/dev/full")) {
        GTEST_SKIP() << "cannot make device nodes here (needs root)";
    }
    const CliResult written = script(null);
    EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_EQ(typeOf(null), S_IFCHR);

    const CliResult refused = script(full);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(full) && refused.err.contains(u"No space left"_s))
        << refused.err.toStdString();
    EXPECT_EQ(typeOf(full), S_IFCHR);
}

TEST_F(DeviceOutputTest, AFifoGetsTheScriptWhenSomeoneReads) {
    const QString fifo = folder.path(u"fifo"_s);
    ASSERT_TRUE(makeFifo(fifo));
    const CliResult unread = script(fifo);
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_TRUE(unread.err.contains(u"no program is reading from the FIFO"_s))
        << unread.err.toStdString();

    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const CliResult read = script(fifo);
    QByteArray got(4096, '\0');
    const auto n = ::read(reader, got.data(), static_cast<size_t>(got.size()));
    ::close(reader);
    EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
    got.truncate(std::max<qsizetype>(n, 0));
    EXPECT_TRUE(got.startsWith("/* Statements for Table Setup \"t\" */\r\n")) << got.toStdString();
    EXPECT_EQ(typeOf(fifo), S_IFIFO);
}

// Reading a FIFO would wait for a writer and /dev/zero never ends: both are
// refused at once, for projects and alias files alike.
TEST(NonRegularInput, IsRefusedAtOnce) {
    AliasFolder folder;
    const QString fifo = folder.path(u"fifo"_s);
    ASSERT_TRUE(makeFifo(fifo));
    const QString sql = u"SELECT 1 AS id"_s;
    const QStringList compare = {u"compare"_s, u"--source-alias"_s, u"S"_s, u"--target-alias"_s,
                                 u"D"_s,       u"--source-sql"_s,   sql,    u"--target-sql"_s,
                                 sql,          u"--key"_s,          u"id"_s};
    struct Case {
        QStringList args;
        QStringList env;
        QString message;
    };
    const Case cases[] = {
        {projectArgs(u"show"_s, fifo), {}, u"it is a FIFO"_s},
        {projectArgs(u"show"_s, u"/dev/zero"_s), {}, u"it is a device"_s},
        {projectArgs(
             u"add-lookup"_s, u"/dev/zero"_s,
             {u"--table-setup"_s, u"T"_s, u"--lookup-name"_s, u"L"_s, u"--field"_s, u"F"_s}),
         {},
         u"it is a device"_s},
        {compare + QStringList{u"--aliases"_s, fifo}, {}, u"it is a FIFO"_s},
        {compare, {u"QUILLMERE_ALIASES=/dev/zero"_s}, u"it is a device"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QElapsedTimer timer;
        timer.start();
        const CliResult r = runCli(c.args, c.env);
        EXPECT_LT(timer.elapsed(), 20000);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    EXPECT_EQ(typeOf(fifo), S_IFIFO);
}

// The project's temporary copy used to be named after the process id. A
// link planted at that name led the save into another file; the temporary
// copy now has a name nobody can know beforehand.
TEST(PlantedLink, AtThePredictableTemporaryNameIsNotFollowed) {
    AliasFolder folder;
    const QString project = folder.path(u"sync.qmp"_s);
    const QString victim = folder.path(u"victim.txt"_s);
    writeBytes(victim, "precious\n");

    // The shell waits for a line, then becomes the command-line tool: the
    // tool's process id is known before it starts.
    ensureCoreApplication();
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"QUILLMERE_ALIASES"_s);
    p.setProcessEnvironment(env);
    p.start(u"/bin/sh"_s,
            QStringList{u"-c"_s, u"read go; exec \"$0\" \"$@\""_s,
                        QString::fromUtf8(QUILLMERE_CLI_PATH)} +
                projectArgs(u"create"_s, project,
                            {u"--source-alias"_s, u"S"_s, u"--target-alias"_s, u"D"_s}));
    ASSERT_TRUE(p.waitForStarted());
    const QString planted = folder.path(u".sync.qmp.%1.tmp"_s.arg(p.processId()));
    ASSERT_TRUE(QFile::link(victim, planted));
    p.write("go\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();

    EXPECT_EQ(readBytes(victim), QByteArray("precious\n"));
    EXPECT_EQ(typeOf(planted), S_IFLNK);
    EXPECT_TRUE(readBytes(project).contains("[Nodes]\r\nCount=0\r\n"));
}

// A symbolic link at the path of a new project counts as an existing file,
// also when it leads nowhere: without --force nothing is created where it
// points. With --force, the file a link names is replaced and the link stays.
TEST(ProjectCreate, TakesASymbolicLinkForAnExistingFile) {
    AliasFolder folder;
    const QStringList aliases = {u"--source-alias"_s, u"S"_s, u"--target-alias"_s, u"D"_s};
    const QString dangling = folder.path(u"dangling.qmp"_s);
    const QString elsewhere = folder.path(u"elsewhere/new.qmp"_s);
    ASSERT_TRUE(QDir(folder.path(QString())).mkdir(u"elsewhere"_s));
    ASSERT_TRUE(QFile::link(elsewhere, dangling));
    const QString linked = folder.path(u"linked.qmp"_s);
    const QString victim = folder.path(u"victim.txt"_s);
    writeBytes(victim, "precious\n");
    ASSERT_TRUE(QFile::link(victim, linked));

    for (const QString& path : {dangling, linked}) {
        SCOPED_TRACE(path.toStdString());
        const CliResult r = runCli(projectArgs(u"create"_s, path, aliases));
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, u"\"%1\" already exists; give --force to replace it.\n"_s.arg(path));
        EXPECT_EQ(typeOf(path), S_IFLNK);
    }
    EXPECT_FALSE(QFile::exists(elsewhere));
    EXPECT_EQ(readBytes(victim), QByteArray("precious\n"));

    const CliResult forced =
        runCli(projectArgs(u"create"_s, linked, aliases + QStringList{u"--force"_s}));
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_EQ(typeOf(linked), S_IFLNK);
    EXPECT_TRUE(readBytes(victim).contains("[Nodes]\r\nCount=0\r\n"));
}

// Results that cannot be written to standard output (here /dev/full) fail
// the run with a message, whichever command printed them.
TEST(FullStandardOutput, FailsTheRunWithAMessage) {
    AliasFolder folder;
    folder.addSqlite(u"Src"_s, kTable);
    folder.addSqlite(u"Dst"_s, kTable);
    const QString project = folder.path(u"sync.qmp"_s);
    ASSERT_EQ(runCli(projectArgs(u"create"_s, project,
                                 {u"--source-alias"_s, u"Src"_s, u"--target-alias"_s, u"Dst"_s}))
                  .exitCode,
              0);
    ASSERT_EQ(runCli(addTableSetupArgs(project, u"T"_s, u"SELECT * FROM t"_s)).exitCode, 0);
    const QString sql = u"SELECT * FROM t"_s;
    const QStringList compare = {u"compare"_s,
                                 u"--source-alias"_s,
                                 u"Src"_s,
                                 u"--target-alias"_s,
                                 u"Dst"_s,
                                 u"--source-sql"_s,
                                 sql,
                                 u"--target-sql"_s,
                                 sql,
                                 u"--key"_s,
                                 u"id"_s,
                                 u"--aliases"_s,
                                 folder.aliasFile()};
    struct Case {
        QStringList args;
        QString message;
    };
    const Case cases[] = {
        {compare, u"Error: cannot write to standard output: No space left on device\n"_s},
        {{u"compare"_s, project, u"--aliases"_s, folder.aliasFile()},
         u"Error: cannot write to standard output: No space left on device\n"_s},
        {projectArgs(u"show"_s, project),
         u"Error: cannot write to standard output: No space left on device\n"_s},
        {{u"compare"_s, u"--help"_s},
         u"Error: cannot write to standard output: No space left on device\n"_s},
        {{u"--help"_s}, u"Error: cannot write to standard output: No space left on device\n"_s},
        {{u"script"_s, project, u"--aliases"_s, folder.aliasFile()},
         u"Error: cannot write the script to standard output: No space left on device\n"_s},
    };
    ensureCoreApplication();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QUILLMERE_ALIASES"_s);
        p.setProcessEnvironment(env);
        p.setStandardOutputFile(u"/dev/full"_s);
        p.start(QString::fromUtf8(QUILLMERE_CLI_PATH), c.args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardError()), c.message);
    }
}

TEST(NamedAliasFile, ThatIsMissingIsAnErrorNotAFallback) {
    // The per-user alias file defines the alias too: falling back to it would
    // run on its database.
    AliasFolder user;
    const QString database = user.addSqlite(u"Src"_s, kTable);
    ASSERT_TRUE(QDir(user.path(QString())).mkpath(u"config/Quillmere"_s));
    writeBytes(user.path(u"config/Quillmere/Aliases.ini"_s),
               "[Src]\nDriver=SQLITE\nDatabase=" + database.toUtf8() + "\n");
    const QString sql = u"SELECT * FROM t"_s;
    const QStringList compare = {u"compare"_s, u"--source-alias"_s, u"Src"_s, u"--target-alias"_s,
                                 u"Src"_s,     u"--source-sql"_s,   sql,      u"--target-sql"_s,
                                 sql,          u"--key"_s,          u"id"_s};
    const QString configHome = u"XDG_CONFIG_HOME="_s + user.path(u"config"_s);
    ASSERT_EQ(runCli(compare, {configHome}).exitCode, 0);

    const QString missing = user.path(u"gone.ini"_s);
    const CliResult r = runCli(compare, {configHome, u"QUILLMERE_ALIASES="_s + missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QString());
    EXPECT_TRUE(
        r.err.contains(u"Cannot read alias file \"%1\" (named by QUILLMERE_ALIASES): the "
                       "file does not exist"_s.arg(missing)))
        << r.err.toStdString();
}

}  // namespace
}  // namespace qm::test
