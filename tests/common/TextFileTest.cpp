// Reading and writing the program's files: only regular files are read,
// devices and FIFOs are written to and never replaced, and a failed write
// leaves the old file as it was.

#include "common/Errors.h"
#include "common/TextFile.h"
#include "support/FaultFiles.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// The message of the Error `action` raises, or "no error".
template <typename Action>
QString failureOf(Action action) {
    try {
        action();
    } catch (const Error& e) {
        return e.message();
    }
    return u"no error"_s;
}

mode_t typeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

class TextFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList entries() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir;
};

TEST_F(TextFileTest, OnlyRegularFilesAreRead) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder"_s));
    ASSERT_TRUE(makeFifo(path(u"fifo"_s)));
    const bool device = makeDeviceLike(path(u"zero"_s), "/dev/zero");
    struct Case {
        QString path;
        QString reason;
    };
    QList<Case> cases = {
        {path(u"folder"_s), u"it is a folder"_s},
        // Opening a FIFO for reading would wait for a writer; reading
        // /dev/zero would never end.
        {path(u"fifo"_s), u"it is a FIFO"_s},
        {u"/dev/zero"_s, u"it is a device"_s},
        {path(u"missing"_s), u"does not exist"_s},
    };
    if (device) {
        cases.append({path(u"zero"_s), u"it is a device"_s});
    }
    for (const Case& c : cases) {
        const QString message = failureOf([&] { TextFile::read(c.path); });
        EXPECT_TRUE(message.contains(c.path) && message.contains(c.reason))
            << c.path.toStdString() << ": " << message.toStdString();
    }
}

TEST_F(TextFileTest, ALinkToARegularFileIsRead) {
    writeBytes(path(u"real.txt"_s), "caf\xe9");
    ASSERT_TRUE(QFile::link(path(u"real.txt"_s), path(u"link.txt"_s)));
    EXPECT_EQ(TextFile::read(path(u"link.txt"_s)), u"café"_s);
}

TEST_F(TextFileTest, DevicesAreWrittenToAndNeverReplaced) {
    if (!makeDeviceLike(path(u"null"_s), "/dev/null") ||
        !makeDeviceLike(path(u"full"_s), "/dev/full")) {
        GTEST_SKIP() << "cannot make device nodes here (needs root)";
    }
    TextFile::writeAtomically(path(u"null"_s), "script\r\n");
    EXPECT_EQ(typeOf(path(u"null"_s)), S_IFCHR);

    // A device that refuses the bytes is an error, not a success.
    const QString message =
        failureOf([&] { TextFile::writeAtomically(path(u"full"_s), "script\r\n"); });
    EXPECT_TRUE(message.contains(path(u"full"_s)) && message.contains(u"No space left"_s))
        << message.toStdString();
    EXPECT_EQ(typeOf(path(u"full"_s)), S_IFCHR);
    EXPECT_EQ(entries(), (QStringList{u"full"_s, u"null"_s}));
}

TEST_F(TextFileTest, AFifoGetsTheBytesOrARefusalAndStaysAFifo) {
    const QString fifo = path(u"fifo"_s);
    ASSERT_TRUE(makeFifo(fifo));

    // Nobody reads: refused at once instead of waiting.
    const QString message = failureOf([&] { TextFile::writeAtomically(fifo, "lines\r\n"); });
    EXPECT_TRUE(message.contains(u"no program is reading"_s)) << message.toStdString();
    EXPECT_EQ(typeOf(fifo), S_IFIFO);

    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    TextFile::writeAtomically(fifo, "lines\r\n");
    char buffer[64] = {};
    const auto got = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(QByteArray(buffer, static_cast<qsizetype>(std::max<ssize_t>(got, 0))),
              QByteArray("lines\r\n"));
    EXPECT_EQ(typeOf(fifo), S_IFIFO);
    EXPECT_EQ(entries(), QStringList{u"fifo"_s});
}

TEST_F(TextFileTest, AFolderIsNotReplaced) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"out.sql"_s));
    const QString message = failureOf([&] { TextFile::writeAtomically(path(u"out.sql"_s), "x"); });
    EXPECT_TRUE(message.contains(u"it is a folder"_s)) << message.toStdString();
    EXPECT_TRUE(QFileInfo(path(u"out.sql"_s)).isDir());
}

// What a caller can check before it starts work that ends in a write.
TEST_F(TextFileTest, WriteProblemNamesOnlyTargetsThatAreRefused) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder"_s));
    ASSERT_TRUE(makeFifo(path(u"fifo"_s)));
    writeBytes(path(u"file"_s), "x");
    EXPECT_EQ(TextFile::writeProblem(path(u"folder"_s)), u"it is a folder, not a file"_s);
    for (const QString& fine :
         {path(u"missing"_s), path(u"file"_s), path(u"fifo"_s), u"/dev/null"_s}) {
        EXPECT_EQ(TextFile::writeProblem(fine), QString()) << fine.toStdString();
    }
}

TEST_F(TextFileTest, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"real"_s));
    writeBytes(path(u"real/data.ini"_s), "old");
    ASSERT_TRUE(QFile::link(path(u"real/data.ini"_s), path(u"data.ini"_s)));
    TextFile::writeAtomically(path(u"data.ini"_s), "new");
    EXPECT_EQ(typeOf(path(u"data.ini"_s)), S_IFLNK);
    EXPECT_EQ(readBytes(path(u"real/data.ini"_s)), QByteArray("new"));
    EXPECT_EQ(QDir(path(u"real"_s)).entryList(QDir::Files | QDir::Hidden),
              QStringList{u"data.ini"_s});
}

// Files are UTF-8 when their bytes are valid UTF-8; anything else was
// written by earlier versions in Windows-1252, whose 0x80 to 0x9F are
// typographic characters rather than control codes.
TEST(TextFileDecode, Utf8WhenValidElseWindows1252) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {QByteArray(), QString()},
        {"plain [A]\r\nk=v", u"plain [A]\r\nk=v"_s},
        {"caf\xc3\xa9 \xe2\x82\xac", u"caf\u00e9 \u20ac"_s},
        {"caf\xe9", u"caf\u00e9"_s},
        {"\x80 \x85 \x93q\x94 \x9f", u"\u20ac \u2026 \u201cq\u201d \u0178"_s},
        // one invalid sequence makes the whole file Windows-1252
        {"\xc3\xa9\xe9", u"\u00c3\u00a9\u00e9"_s},
        {QByteArray("a\0b", 3), u"a"_s + QChar(0) + u"b"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextFile::decode(c.bytes), c.text) << c.bytes.toHex().toStdString();
    }
}

TEST_F(TextFileTest, ReadGivesTheDecodedText) {
    writeBytes(path(u"utf8.ini"_s), "[A]\r\nName=Z\xc3\xbcrich\r\n");
    writeBytes(path(u"ansi.ini"_s), "[A]\r\nName=Z\xfcrich\r\n");
    for (const QString& name : {u"utf8.ini"_s, u"ansi.ini"_s}) {
        EXPECT_EQ(TextFile::read(path(name)), u"[A]\r\nName=Z\u00fcrich\r\n"_s)
            << name.toStdString();
    }
}

// The new bytes replace the file as a whole: a reader that opened the old
// file still reads all of the old bytes, a shorter text leaves nothing of
// the longer one, and no working file stays beside it.
TEST_F(TextFileTest, AWriteReplacesTheFileAsAWhole) {
    const QString file = path(u"out.sql"_s);
    const QByteArray old(10000, 'o');
    TextFile::writeAtomically(file, old);
    QFile reader(file);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    TextFile::writeAtomically(file, "new");
    EXPECT_EQ(reader.readAll(), old);
    EXPECT_EQ(readBytes(file), QByteArray("new"));
    EXPECT_EQ(entries(), QStringList{u"out.sql"_s});
}

TEST_F(TextFileTest, AWriteIntoAMissingFolderNamesTheFileAndMakesNothing) {
    const QString file = path(u"missing/out.sql"_s);
    const QString message = failureOf([&] { TextFile::writeAtomically(file, "x"); });
    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    EXPECT_TRUE(entries().isEmpty()) << entries().join(u' ').toStdString();
}

TEST(TextFileFullDisk, AFailedWriteLeavesTheOldFileByteIdentical) {
    SmallDisk disk;
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.reason().toStdString();
    }
    const QString file = disk.path(u"settings.ini"_s);
    const QByteArray old = "[old]\r\nk=v\r\n";
    TextFile::writeAtomically(file, old);
    disk.fill(4096);

    const QString message =
        failureOf([&] { TextFile::writeAtomically(file, QByteArray(64 * 1024, 'n')); });
    EXPECT_TRUE(message.contains(file) && message.contains(u"No space left"_s))
        << message.toStdString();
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(QDir(disk.folder()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"filler"_s, u"settings.ini"_s}));
}

}  // namespace
}  // namespace qm::test
