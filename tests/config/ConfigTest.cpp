#include "common/ProgramFolder.h"
#include "config/Config.h"
#include "config/JobLog.h"
#include "support/FaultFiles.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

// A configuration read from a file of the test's choosing.
class FileConfig : public TPrjConfig {
public:
    explicit FileConfig(QString path) : path_(std::move(path)) { LoadValues(); }
    QString GetFileName() const override { return path_; }

private:
    QString path_;
};

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    return path;
}

TEST(Config, DefaultsWithoutAFile) {
    const TPrjConfig& c = TPrjConfig::instance();
    EXPECT_EQ(c.GetFileName(), QDir(programFolder()).filePath(u"Config.dat"_s));
    EXPECT_EQ(c.LogLevel, 0);
    EXPECT_EQ(c.HelpFilename, QDir(programFolder()).filePath(u"Quillmere Help.chm"_s));
    EXPECT_TRUE(c.ShowSplash());
}

TEST(Config, ValuesFollowTheProfileRules) {
    QTemporaryDir dir;
    const struct {
        QByteArray logLevel;
        int expected;
    } levels[] = {{"0x10", 16}, {"$10", 16}, {"abc", 0},        {"258", 2},
                  {"-1", 255},  {"", 0},     {"99999999999", 0}};
    for (const auto& l : levels) {
        const QString path =
            writeFile(dir, u"Config.dat"_s, "[settings]\r\n LOGLEVEL =" + l.logLevel + "\r\n");
        EXPECT_EQ(FileConfig(path).LogLevel, l.expected) << l.logLevel.toStdString();
    }
    const QString path = writeFile(dir, u"Config.dat"_s,
                                   "; by hand\n[Files]\nHelpFilename=D:\\help\\q=1.chm\n"
                                   "[Div]\nShowSplash=0\n");
    FileConfig c(path);
    EXPECT_EQ(c.HelpFilename, u"D:\\help\\q=1.chm"_s) << "only the first = ends the key";
    EXPECT_FALSE(c.ShowSplash());
    writeFile(dir, u"Config.dat"_s, "[Div]\nShowSplash=yes\n");
    EXPECT_TRUE(c.ShowSplash());  // read again at each call; "yes" is no integer
    writeFile(dir, u"Config.dat"_s, QByteArray("\x00\xff[Div\x01\nShowSplash\n", 18));
    EXPECT_TRUE(c.ShowSplash());
}

QStringList lines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {u"<no file>"_s};
    }
    QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.endsWith(u"\r\n"_s));
    text.chop(2);
    return text.split(u"\r\n"_s);
}

TEST(JobLog, EntriesPassTheLevelFilterAndEachRunStartsAfresh) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"JobLog.txt"_s);
    writeFile(dir, u"JobLog.txt"_s, "an earlier run\r\n");
    {
        TPrjJobLog log;
        log.FileName = path;
        log.Level = 0;
        log.ActionAt(u"Program started"_s, 2);
        EXPECT_FALSE(log.Opened());  // below the level: the old file stays
    }
    EXPECT_EQ(lines(path), QStringList{u"an earlier run"_s});
    {
        TPrjJobLog log;
        log.FileName = path;
        log.Level = 2;
        log.ActionAt(u"Program started"_s, 2);
        log.EnterAt(u"TMainForm"_s, u"FormShow"_s, 2);
        log.LeaveAt(u"TMainForm"_s, u"FormShow"_s, 3);
        log.LeaveAt(u"TMainForm"_s, u"FormShow"_s, 2);
    }
    const QStringList written = lines(path);
    ASSERT_EQ(written.size(), 9);
    const QStringList entries = {u"Action: Program started"_s, u"Proc entry: TMainForm.FormShow"_s,
                                 u"Proc exit: TMainForm.FormShow"_s};
    const QRegularExpression stamp(u"^Current time is: \\d\\d:\\d\\d:\\d\\d$"_s);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(written[3 * i], QString());
        EXPECT_EQ(written[3 * i + 1], entries[i]);
        EXPECT_TRUE(stamp.match(written[3 * i + 2]).hasMatch()) << written[3 * i + 2].toStdString();
    }
}

TEST(JobLog, UnwritableFolderOrAPathThatIsNoFileTurnsLoggingOff) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder"_s));
    // Opening a FIFO for writing would wait for a reader.
    ASSERT_TRUE(test::makeFifo(dir.filePath(u"fifo"_s)));
    for (const QString& path : {u"/nonexistent-folder/JobLog.txt"_s, dir.filePath(u"folder"_s),
                                dir.filePath(u"fifo"_s)}) {
        SCOPED_TRACE(path.toStdString());
        TPrjJobLog log;
        log.FileName = path;
        log.Level = 2;
        log.ActionAt(u"Program started"_s, 2);
        EXPECT_FALSE(log.Opened());
        EXPECT_TRUE(log.FileName.isEmpty());
        log.ActionAt(u"again"_s, 2);  // no further attempt, no failure
    }
    EXPECT_TRUE(QFileInfo(dir.filePath(u"fifo"_s)).exists());
}

}  // namespace
