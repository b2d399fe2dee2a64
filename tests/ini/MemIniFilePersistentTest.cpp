// Objects that store themselves through TMemIniFilePersistent.

#include "common/Errors.h"
#include "ini/FastMemIniFile.h"
#include "ini/MemIniFilePersistent.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Three values in section "<prefix>Item<index>"; saving can be told to
/// fail after the first value.
class Sample : public TMemIniFilePersistent {
public:
    int number = 0;
    bool flag = false;
    QString text;
    bool failWhileSaving = false;

    QString SectionName(int index) const override {
        return prefix() + u"Item"_s + TMemIniFilePersistent::SectionName(index);
    }
    void LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index) override {
        TMemIniFilePersistent::LoadFromIni(ini, prefix, index);
        number = ReadInteger(index, u"Number"_s);
        flag = ReadBool(index, u"Flag"_s);
        text = ReadString(index, u"Text"_s);
    }
    void SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index) override {
        TMemIniFilePersistent::SaveToIni(ini, prefix, index);
        WriteInteger(index, u"Number"_s, number);
        if (failWhileSaving) {
            throw Error(u"saving failed"_s);
        }
        WriteBool(index, u"Flag"_s, flag);
        WriteString(index, u"Text"_s, text);
    }
};

class MemIniFilePersistentTest : public testing::Test {
protected:
    QString file() const { return dir.filePath(u"sample.ini"_s); }
    QByteArray bytes() const {
        QFile f(file());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    QTemporaryDir dir;
};

TEST_F(MemIniFilePersistentTest, SectionNamesFollowTheIndex) {
    const TMemIniFilePersistent plain;
    EXPECT_EQ(plain.SectionName(-1), QString());
    EXPECT_EQ(plain.SectionName(0), u"0"_s);
    EXPECT_EQ(plain.SectionName(12), u"12"_s);
}

TEST_F(MemIniFilePersistentTest, SavesIntoTheExistingFileAndLoadsBack) {
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Other]\r\nkept=yes\r\n[Item]\r\nStale=1\r\n");
    }
    Sample saved;
    saved.number = 42;
    saved.flag = true;
    saved.text = u"a = b"_s;
    saved.SaveToFile(file());
    EXPECT_EQ(bytes(), QByteArray("[Item]\r\nStale=1\r\nNumber=42\r\nFlag=1\r\nText=a = b\r\n\r\n"
                                  "[Other]\r\nkept=yes\r\n\r\n"));

    Sample loaded;
    loaded.LoadFromFile(file());
    EXPECT_EQ(loaded.number, 42);
    EXPECT_TRUE(loaded.flag);
    EXPECT_EQ(loaded.text, u"a = b"_s);
}

TEST_F(MemIniFilePersistentTest, MissingFileAndKeysGiveTheDefaults) {
    Sample loaded;
    loaded.number = 5;
    loaded.flag = true;
    loaded.text = u"x"_s;
    loaded.LoadFromFile(file());
    EXPECT_EQ(loaded.number, -1);
    EXPECT_FALSE(loaded.flag);
    EXPECT_EQ(loaded.text, QString());
}

TEST_F(MemIniFilePersistentTest, TheStoreIsWrittenEvenWhenSavingFails) {
    Sample failing;
    failing.number = 3;
    failing.failWhileSaving = true;
    EXPECT_THROW(failing.SaveToFile(file()), Error);
    EXPECT_EQ(bytes(), QByteArray("[Item]\r\nNumber=3\r\n\r\n"));
}

TEST_F(MemIniFilePersistentTest, SavingToAnUnwritablePlaceRaisesAnErrorNamingTheFile) {
    Sample s;
    const QString bad = dir.filePath(u"missing/sample.ini"_s);
    try {
        s.SaveToFile(bad);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(bad)) << e.message().toStdString();
    }
}

}  // namespace
}  // namespace qm::test
