// Saving lists to and loading them from the TAB-separated default files.

#include "ListTestSupport.h"
#include "common/Errors.h"
#include "list/DefaultFile.h"
#include "list/MemData.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include <sys/resource.h>
#include <csignal>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

class DefaultFileTest : public testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QString write(const QByteArray& bytes, const QString& name = u"in.txt"_s) const {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }

    static QByteArray read(const QString& file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll();
    }

    /// Name, Count, Active, Price, Day, Notes, and two columns that never
    /// go to a file: a binary one and a calculated one.
    static std::unique_ptr<MemData> setupList() {
        return openList(u"Setup"_s, {{u"Name"_s},
                                     {u"Count"_s, FieldType::Integer},
                                     {u"Active"_s, FieldType::Boolean},
                                     {u"Price"_s, FieldType::Float},
                                     {u"Day"_s, FieldType::Date},
                                     {u"Notes"_s, FieldType::Memo},
                                     {u"Pic"_s, FieldType::Blob},
                                     {u"Calc"_s, FieldType::Integer, FieldKind::Calculated}});
    }

    static QStringList rowTexts(const MemData& list, int pos) {
        QStringList r;
        for (int f = 1; f < list.fieldCount(); ++f) {
            r << ValueText::toText(list.valueAt(pos, f), list.field(f).type);
        }
        return r;
    }

    QTemporaryDir dir;
};

TEST_F(DefaultFileTest, SavesStoredTextColumnsAndReadsThemBack) {
    auto list = setupList();
    appendTexts(*list,
                {u"alpha"_s, u"1"_s, u"True"_s, u"0.1"_s, u"2024-01-05"_s, u"memo"_s, u"bin"_s});
    appendTexts(*list, {QString(), QString(), u"False"_s});
    appendTexts(*list, {u"Zoë"_s, u"-7"_s, QString(), u"1e+300"_s});
    list->moveTo(1);

    const QString file = path(u"Default.txt"_s);
    DefaultFile::save(*list, file);
    EXPECT_EQ(read(file), QByteArray("Name\tCount\tActive\tPrice\tDay\tNotes\r\n"
                                     "alpha\t1\tTrue\t0.1\t2024-01-05\tmemo\r\n"
                                     "\t\tFalse\t\t\t\r\n"
                                     "Zo\xC3\xAB\t-7\t\t1e+300\t\t\r\n"));
    EXPECT_EQ(list->position(), 1) << "saving keeps the current row";

    auto loaded = setupList();
    DefaultFile::load(*loaded, file);
    ASSERT_EQ(loaded->recordCount(), 3);
    for (int p = 0; p < 3; ++p) {
        QStringList expected = rowTexts(*list, p);
        expected[6] = QString();  // the binary column is not in the file
        EXPECT_EQ(rowTexts(*loaded, p), expected) << p;
    }
    EXPECT_TRUE(loaded->valueAt(1, 1).isNull()) << "an empty text reads as null";
    EXPECT_EQ(loaded->state(), ListState::Browse);
}

TEST_F(DefaultFileTest, SavingReplacesTheWholeFile) {
    const QString file = write(QByteArray(10000, 'x'), u"Default.txt"_s);
    auto list = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*list, {u"a"_s});
    DefaultFile::save(*list, file);
    EXPECT_EQ(read(file), QByteArray("Name\r\na\r\n"));

    auto empty = openList(u"L"_s, {{u"Name"_s}});
    DefaultFile::save(*empty, file);
    EXPECT_EQ(read(file), QByteArray("Name\r\n"));
}

TEST_F(DefaultFileTest, ReadingToleratesUnknownNamesShortLinesAndBooleanPrefixes) {
    const QString file = write(
        "Extra\tActive\tName\tPic\tCalc\r\n"
        "x\tf\tone\tbytes\t5\r\n"
        "y\tTR\ttwo\r\n"
        "z\tFALSE\r\n"
        "\ttRuE\tfour\n"  // a bare LF ends a line too
        "\t0\tfive\r\n"
        "\t1\r\n"
        "\r\n");
    auto list = setupList();
    DefaultFile::load(*list, file);
    EXPECT_EQ(columnTexts(*list, 3),
              (QStringList{u"False"_s, u"True"_s, u"False"_s, u"True"_s, u"False"_s, u"True"_s}));
    EXPECT_EQ(columnTexts(*list, 1),
              (QStringList{u"one"_s, u"two"_s, QString(), u"four"_s, u"five"_s, QString()}));
    EXPECT_TRUE(list->valueAt(0, 7).isNull()) << "binary columns are not read";
    EXPECT_TRUE(list->valueAt(0, 8).isNull()) << "calculated columns are not read";
    EXPECT_TRUE(list->valueAt(0, 2).isNull());
}

TEST_F(DefaultFileTest, FilesWithoutRowsGiveNoRows) {
    for (const QByteArray& content : {QByteArray("Name\tCount\r\n"), QByteArray("Name"),
                                      QByteArray(), QByteArray("\r\n\r\n")}) {
        auto list = setupList();
        DefaultFile::load(*list, write(content));
        EXPECT_EQ(list->recordCount(), 0) << content.toStdString();
    }
}

TEST_F(DefaultFileTest, BadFilesRaiseAndKeepTheRowsBefore) {
    enum class Raised { Nothing, Conversion, OtherError };
    struct Case {
        const char* content;
        Raised expected;
        int rowsKept;
    };
    const Case cases[] = {
        {"Name\tCount\r\na\t1\r\nb\t2\textra\r\n", Raised::OtherError, 1},
        {"Name\tCount\r\na\t1\r\nb\tx\r\n", Raised::Conversion, 1},
        {"Name\tCount\r\na\t1.5\r\n", Raised::Conversion, 0},
        {"Name\tDay\r\na\t2024-02-30\r\n", Raised::Conversion, 0},
        {"Name\tActive\r\na\tyes\r\n", Raised::Conversion, 0},
    };
    for (const Case& c : cases) {
        auto list = setupList();
        Raised raised = Raised::Nothing;
        try {
            DefaultFile::load(*list, write(c.content));
        } catch (const ConversionError&) {
            raised = Raised::Conversion;
        } catch (const Error&) {
            raised = Raised::OtherError;
        }
        EXPECT_EQ(raised, c.expected) << c.content;
        EXPECT_EQ(list->recordCount(), c.rowsKept) << c.content;
        EXPECT_EQ(list->state(), ListState::Browse) << c.content;
    }

    auto list = setupList();
    EXPECT_THROW(DefaultFile::load(*list, path(u"missing.txt"_s)), Error);
}

TEST_F(DefaultFileTest, ControlCharactersAndBackslashesRoundTrip) {
    const QStringList awkward{u"tab\there"_s,      u"two\r\nlines"_s, u"lf\nonly"_s,
                              u"C:\\new\\table"_s, u"ends with \\"_s, u"\\t literally"_s,
                              u"plain"_s};
    auto list = openList(u"L"_s, {{u"Name"_s}, {u"Notes"_s, FieldType::Memo}});
    for (const QString& s : awkward) {
        appendTexts(*list, {s, s});
    }
    const QString file = path(u"Escaped.txt"_s);
    DefaultFile::save(*list, file);
    const QByteArray bytes = read(file);
    EXPECT_TRUE(bytes.startsWith("Name\tNotes\t#escaped\r\n"));
    EXPECT_TRUE(bytes.contains("C:\\\\new\\\\table\tC:\\\\new\\\\table\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), awkward.size() + 1) << "one line per row";

    auto loaded = openList(u"L"_s, {{u"Name"_s}, {u"Notes"_s, FieldType::Memo}});
    DefaultFile::load(*loaded, file);
    EXPECT_EQ(columnTexts(*loaded, 1), awkward);
    EXPECT_EQ(columnTexts(*loaded, 2), awkward);

    // Without such values there is no marker, and a file without the marker
    // is taken literally.
    auto plain = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*plain, {u"plain"_s});
    DefaultFile::save(*plain, file);
    EXPECT_EQ(read(file), QByteArray("Name\r\nplain\r\n"));

    // A backslash alone is enough for the marker.
    auto backslash = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*backslash, {u"C:\\new"_s});
    DefaultFile::save(*backslash, file);
    EXPECT_EQ(read(file), QByteArray("Name\t#escaped\r\nC:\\\\new\r\n"));

    auto literal = openList(u"L"_s, {{u"Name"_s}});
    DefaultFile::load(*literal, write("Name\r\nC:\\new\r\na\\tb\\\\c\r\n"));
    EXPECT_EQ(columnTexts(*literal, 1), (QStringList{u"C:\\new"_s, u"a\\tb\\\\c"_s}));
}

TEST_F(DefaultFileTest, ReadsWindows1252AndUtf8) {
    struct Case {
        QByteArray bytes;
        QString expected;
    };
    const Case cases[] = {
        {"Caf\xE9 \x80 \x93x\x94", u"Café € “x”"_s},
        {"Caf\xC3\xA9 \xE2\x82\xAC", u"Café €"_s},
        {"plain", u"plain"_s},
    };
    for (const Case& c : cases) {
        auto list = openList(u"L"_s, {{u"Name"_s}, {u"N"_s, FieldType::Integer}});
        DefaultFile::load(*list, write("Name\tN\r\n" + c.bytes + "\t1\r\n"));
        ASSERT_EQ(list->recordCount(), 1) << c.bytes.toStdString();
        EXPECT_EQ(list->valueAt(0, 1).asBytes(), c.expected.toUtf8());
        EXPECT_EQ(list->valueAt(0, 2).asInt(), 1);
    }
}

TEST_F(DefaultFileTest, SaveIntoAPlaceThatCannotHoldTheFileRaises) {
    auto list = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*list, {u"a"_s});
    const QString notAFolder = write("I am a file", u"plain"_s);
    EXPECT_THROW(DefaultFile::save(*list, notAFolder + u"/Default.txt"_s), Error);
    EXPECT_EQ(read(notAFolder), QByteArray("I am a file"));
}

// A save that fails while writing leaves the previous file as it was:
// limit the size of files this process may write, so that the new content
// cannot be written in full.
TEST_F(DefaultFileTest, FailedSaveLeavesTheOldFileUntouched) {
    const QString file = write("Name\r\nold\r\n", u"Default.txt"_s);
    auto list = openList(u"L"_s, {{u"Name"_s}});
    for (int i = 0; i < 100; ++i) {
        appendTexts(*list, {u"a fairly long value number %1"_s.arg(i)});
    }

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    try {
        DefaultFile::save(*list, file);
    } catch (const Error&) {
        raised = true;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(raised);
    EXPECT_EQ(read(file), QByteArray("Name\r\nold\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"Default.txt"_s})
        << "no half-written file is left behind";
}

TEST_F(DefaultFileTest, OneColumnRowsThatAreNullSurviveARoundTrip) {
    auto list = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*list, {u"a"_s});
    appendTexts(*list, {QString()});
    appendTexts(*list, {QString()});
    const QString file = path(u"Default.txt"_s);
    DefaultFile::save(*list, file);
    ASSERT_EQ(read(file), QByteArray("Name\r\na\r\n\r\n\r\n"));

    auto loaded = openList(u"L"_s, {{u"Name"_s}});
    DefaultFile::load(*loaded, file);
    EXPECT_EQ(loaded->recordCount(), 3);
}

// A column named to be omitted while empty leaves the file as it was
// without the column until some row holds a value in it; files with and
// without it read back.
TEST_F(DefaultFileTest, ColumnsOmittedWhileEmptyAppearOnlyWithAValue) {
    const auto list = [] {
        return openList(
            u"L"_s, {{u"Name"_s}, {u"Rules"_s, FieldType::Memo}, {u"Count"_s, FieldType::Integer}});
    };
    struct Case {
        const char* name;
        std::optional<QString> rules;  // of the second row; none: null
        QByteArray file;
    };
    const Case cases[] = {
        {"null", std::nullopt, "Name\tCount\r\na\t1\r\nb\t2\r\n"},
        {"empty text", QString(u""_s), "Name\tCount\r\na\t1\r\nb\t2\r\n"},
        {"a value", u"*: nocase"_s, "Name\tRules\tCount\r\na\t\t1\r\nb\t*: nocase\t2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto saved = list();
        appendTexts(*saved, {u"a"_s, QString(), u"1"_s});
        appendTexts(*saved, {u"b"_s, QString(), u"2"_s});
        if (c.rules) {
            saved->edit();
            saved->setValue(2, Value::fromText(*c.rules));
            saved->post();
        }
        const QString file = path(u"Default.txt"_s);
        DefaultFile::save(*saved, file, {u"rules"_s});
        EXPECT_EQ(read(file), c.file);

        auto loaded = list();
        DefaultFile::load(*loaded, file);
        ASSERT_EQ(loaded->recordCount(), 2);
        EXPECT_EQ(columnTexts(*loaded, 1), (QStringList{u"a"_s, u"b"_s}));
        EXPECT_EQ(columnTexts(*loaded, 3), (QStringList{u"1"_s, u"2"_s}));
        EXPECT_TRUE(loaded->valueAt(0, 2).isNull());
        EXPECT_EQ(loaded->valueAt(1, 2).isNull(), !c.rules || c.rules->isEmpty());
        if (c.rules && !c.rules->isEmpty()) {
            EXPECT_EQ(columnTexts(*loaded, 2).value(1), *c.rules);
        }
    }
    // Without the name, the column is written as every other one.
    auto plain = list();
    appendTexts(*plain, {u"a"_s});
    DefaultFile::save(*plain, path(u"Plain.txt"_s));
    EXPECT_EQ(read(path(u"Plain.txt"_s)), QByteArray("Name\tRules\tCount\r\na\t\t\r\n"));
}

}  // namespace
}  // namespace qm::test
