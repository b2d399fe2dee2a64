// Loading, writing and saving the in-memory INI store.

#include "common/Errors.h"
#include "ini/FastMemIniFile.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct LoadCase {
    const char* name;
    QString input;
    QString written;  // what text() gives for the loaded store
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class IniLoading : public testing::TestWithParam<LoadCase> {};

TEST_P(IniLoading, ReadsTheLinesAsWritten) {
    const auto store = TFastMemIniFile::fromText(GetParam().input);
    EXPECT_EQ(store->text(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniLoading,
    testing::Values(
        LoadCase{"LinesBeforeTheFirstSectionAreIgnored", u"k=v\r\nplain\r\n[A]\r\nx=1\r\n"_s,
                 u"[A]\r\nx=1\r\n\r\n"_s},
        LoadCase{"BlankBeforeTheBracketMakesAKeyLine", u"[A]\r\n [x]\r\n"_s,
                 u"[A]\r\n= [x]\r\n\r\n"_s},
        LoadCase{"LineWithoutEqualsIsAnEmptyKey", u"[A]\r\njust text\r\n=v\r\n"_s,
                 u"[A]\r\n=just text\r\n=v\r\n\r\n"_s},
        LoadCase{"OnlyTheFirstEqualsSplits", u"[A]\r\nk=a=b\r\n"_s, u"[A]\r\nk=a=b\r\n\r\n"_s},
        LoadCase{"CommentsAndEmptyLinesAreSkipped", u"[A]\r\n\r\n;k=v\r\n x=1\r\n ;y\r\n"_s,
                 u"[A]\r\n x=1\r\n= ;y\r\n\r\n"_s},
        LoadCase{"CrLfCrAndLfAllEndLines", u"[A]\nx=1\ry=2\r\nz=3\r\r\nw=4"_s,
                 u"[A]\r\nx=1\r\ny=2\r\nz=3\r\nw=4\r\n\r\n"_s},
        LoadCase{"EmptyAndOddSectionNames", u"[]\r\nk=v\r\n[\r\n[a]b]\r\n[ c ]\r\n"_s,
                 u"[]\r\nk=v\r\n=[\r\n\r\n[ c ]\r\n\r\n[a]b]\r\n\r\n"_s},
        LoadCase{"DuplicateSectionsAndKeysStayInFileOrder",
                 u"[b]\r\nk=1\r\nK=2\r\n[a]\r\n[B]\r\nk=3\r\n"_s,
                 u"[a]\r\n\r\n[b]\r\nk=1\r\nK=2\r\n\r\n[B]\r\nk=3\r\n\r\n"_s},
        LoadCase{"ByteOrderMarkIsNotPartOfTheFirstHeader", u"\uFEFF[A]\r\nk=v\r\n"_s,
                 u"[A]\r\nk=v\r\n\r\n"_s},
        LoadCase{"NothingButNoise", u"\r\n\n;x\r\nno section\r\n"_s, QString()}),
    [](const testing::TestParamInfo<LoadCase>& c) { return std::string(c.param.name); });

TEST(IniStore, BlanksAroundTheEqualsSignBelongToKeyAndValue) {
    const auto store = TFastMemIniFile::fromText(u"[A]\r\nk = v \r\n"_s);
    EXPECT_EQ(store->ReadString(u"A"_s, u"k "_s, u"-"_s), u" v "_s);
    EXPECT_EQ(store->ReadString(u"A"_s, u"k"_s, u"-"_s), u"-"_s);
    EXPECT_FALSE(store->ValueExists(u"A"_s, u"k"_s));
    EXPECT_TRUE(store->ValueExists(u"a"_s, u"K "_s));
}

// Only the first "=" of a line ends its key: values may hold "=" (a
// connection string, a condition), keys never do.
TEST(IniStore, TheFirstEqualsSignEndsTheKey) {
    struct Case {
        QString line;
        QString key;
        QString value;
    };
    const Case cases[] = {
        {u"k=a=b"_s, u"k"_s, u"a=b"_s},
        {u"k==b"_s, u"k"_s, u"=b"_s},
        {u"k=a="_s, u"k"_s, u"a="_s},
        {u"=a=b"_s, QString(), u"a=b"_s},
        {u"Where=x = 1 AND y=2"_s, u"Where"_s, u"x = 1 AND y=2"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const auto store = TFastMemIniFile::fromText(u"[A]\r\n"_s + c.line + u"\r\n"_s);
        QStringList keys;
        store->ReadSection(u"A"_s, keys);
        EXPECT_EQ(keys, QStringList{c.key});
        EXPECT_EQ(store->ReadValue(u"A"_s, c.key), std::optional<QString>(c.value));
    }
}

TEST(IniStore, LookupsIgnoreCaseAndReachTheFirstOfEqualNames) {
    const auto store =
        TFastMemIniFile::fromText(u"[Sec]\r\nKey=1\r\nkey=2\r\n[SEC]\r\nother=3\r\n"_s);
    EXPECT_EQ(store->ReadString(u"sec"_s, u"KEY"_s, QString()), u"1"_s);
    EXPECT_EQ(store->ReadString(u"sec"_s, u"other"_s, u"missing"_s), u"missing"_s);
    EXPECT_EQ(store->ReadString(u"nosuch"_s, u"Key"_s, u"d"_s), u"d"_s);

    QStringList names;
    store->ReadSections(names);
    EXPECT_EQ(names, (QStringList{u"Sec"_s, u"SEC"_s}));
    store->ReadSection(u"sec"_s, names);
    EXPECT_EQ(names, (QStringList{u"Key"_s, u"key"_s}));
    store->ReadSectionValues(u"sec"_s, names);
    EXPECT_EQ(names, (QStringList{u"Key=1"_s, u"key=2"_s}));
}

TEST(IniStore, WritingReplacesTheFirstEqualKeyAndTakesItsSpelling) {
    const auto store = TFastMemIniFile::fromText(u"[S]\r\nCount=1\r\nother=2\r\nCOUNT=9\r\n"_s);
    store->WriteString(u"s"_s, u"count"_s, u"5"_s);
    store->WriteString(u"S"_s, u"new"_s, u"x"_s);
    EXPECT_EQ(store->text(), u"[S]\r\ncount=5\r\nother=2\r\nCOUNT=9\r\nnew=x\r\n\r\n"_s);
}

TEST(IniStore, NewSectionsGoToTheirSortedPlace) {
    const auto store = TFastMemIniFile::fromText(QString());
    store->WriteString(u"Zeta"_s, u"k"_s, u"1"_s);
    store->WriteString(u"alpha"_s, u"k"_s, u"2"_s);
    store->WriteString(u"Mid"_s, u"k"_s, u"3"_s);
    store->WriteString(u"ALPHA"_s, u"j"_s, u"4"_s);
    EXPECT_EQ(store->text(),
              u"[alpha]\r\nk=2\r\nj=4\r\n\r\n[Mid]\r\nk=3\r\n\r\n[Zeta]\r\nk=1\r\n\r\n"_s);
}

TEST(IniStore, ClearForgetsEverySectionAlsoTheOneLastLookedUp) {
    const auto store = TFastMemIniFile::fromText(u"[A]\r\nk=old\r\n[B]\r\nx=1\r\n"_s);
    ASSERT_EQ(store->ReadString(u"A"_s, u"k"_s, QString()), u"old"_s);
    store->Clear();
    EXPECT_EQ(store->ReadString(u"A"_s, u"k"_s, u"gone"_s), u"gone"_s);
    store->WriteString(u"A"_s, u"k"_s, u"new"_s);
    EXPECT_EQ(store->text(), u"[A]\r\nk=new\r\n\r\n"_s);
}

class IniFileTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, UpdateFileWritesSortedSectionsWithCrLf) {
    const QString file = path(u"out.ini"_s);
    TFastMemIniFile store(file);
    store.WriteString(u"b"_s, u"x"_s, u"1"_s);
    store.WriteString(u"A"_s, u"k"_s, u"v"_s);
    store.WriteString(u"A"_s, u"m"_s, QString());
    EXPECT_FALSE(QFileInfo::exists(file)) << "nothing reaches the disk before UpdateFile";
    store.UpdateFile();
    EXPECT_EQ(readBytes(file), QByteArray("[A]\r\nk=v\r\nm=\r\n\r\n[b]\r\nx=1\r\n\r\n"));
}

TEST_F(IniFileTest, AnEmptyStoreWritesAnEmptyFile) {
    const QString file = path(u"empty.ini"_s);
    writeBytes(file, "[old]\r\nk=v\r\n");
    TFastMemIniFile store(file);
    ASSERT_EQ(store.sectionCount(), 1);
    store.Clear();
    store.UpdateFile();
    EXPECT_EQ(readBytes(file), QByteArray());
}

TEST_F(IniFileTest, MissingFileOrEmptyNameGivesAnEmptyStore) {
    EXPECT_EQ(TFastMemIniFile(path(u"none.ini"_s)).sectionCount(), 0);
    EXPECT_EQ(TFastMemIniFile(QString()).sectionCount(), 0);
}

TEST_F(IniFileTest, TextIsUtf8AndWindows1252FilesStillRead) {
    const QString legacy = path(u"legacy.ini"_s);
    writeBytes(legacy, "[Caf\xe9]\r\nCity=Z\xfcrich \x80 \x93q\x94\r\n");
    TFastMemIniFile store(legacy);
    EXPECT_EQ(store.ReadString(u"Café"_s, u"City"_s, QString()), u"Zürich € “q”"_s);

    store.UpdateFile();
    EXPECT_EQ(readBytes(legacy), QByteArray("[Caf\xc3\xa9]\r\nCity=Z\xc3\xbcrich \xe2\x82\xac "
                                            "\xe2\x80\x9cq\xe2\x80\x9d\r\n\r\n"));
    EXPECT_EQ(TFastMemIniFile(legacy).ReadString(u"café"_s, u"city"_s, QString()),
              u"Zürich € “q”"_s);
}

TEST_F(IniFileTest, DuplicatesAreWrittenBack) {
    const QString file = path(u"dup.ini"_s);
    writeBytes(file, "[x]\nk=1\nk=2\n[X]\nk=3\n");
    TFastMemIniFile(file).UpdateFile();
    EXPECT_EQ(readBytes(file), QByteArray("[x]\r\nk=1\r\nk=2\r\n\r\n[X]\r\nk=3\r\n\r\n"));
}

TEST_F(IniFileTest, UpdateFileIntoAMissingFolderNamesTheFile) {
    const QString file = path(u"no/such/folder/out.ini"_s);
    TFastMemIniFile store(file);
    store.WriteString(u"A"_s, u"k"_s, u"v"_s);
    try {
        store.UpdateFile();
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(file)) << e.message().toStdString();
    }
}

TEST_F(IniFileTest, AFailedUpdateFileLeavesThePreviousFileAsItWas) {
    const QString file = path(u"keep.ini"_s);
    writeBytes(file, "[old]\r\nk=v\r\n");
    TFastMemIniFile store(file);
    for (int i = 0; i < 50; ++i) {
        store.WriteString(u"new"_s, u"key%1"_s.arg(i), u"a value long enough"_s);
    }

    // The process may not write more than 64 bytes to any file: the write
    // fails half-way, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString message;
    try {
        store.UpdateFile();
    } catch (const Error& e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    EXPECT_EQ(readBytes(file), QByteArray("[old]\r\nk=v\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"keep.ini"_s});
}

TEST_F(IniFileTest, AFolderInPlaceOfTheFileCannotBeRead) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sub.ini"_s));
    EXPECT_THROW(TFastMemIniFile{path(u"sub.ini"_s)}, Error);
}

}  // namespace
}  // namespace qm::test
