#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Runs each test in an empty temporary current folder, where the engine
/// looks for its default files.
class TableSetupFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    static void writeFile(const QString& name, const QByteArray& bytes) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    MemData& tables(EngineHarness& e) { return e.dm.TablesMemData(); }
    const TDM::TableFields& tf(EngineHarness& e) { return e.dm.tableFields(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

TEST_F(TableSetupFilesTest, WithoutFilesOneNewSetupIsStarted) {
    for (const bool useFiles : {true, false}) {
        SCOPED_TRACE(useFiles ? "files wanted" : "files not wanted");
        EngineHarness e{QString()};
        e.dm.PrepareTableLists(useFiles);
        MemData& t = tables(e);
        EXPECT_EQ(t.state(), ListState::Insert);
        EXPECT_EQ(t.asText(tf(e).SourceQuerySQL), u"SELECT * FROM "_s);
        EXPECT_EQ(t.asText(tf(e).DestQuerySQL), u"SELECT * FROM "_s);
        EXPECT_TRUE(t.isNull(tf(e).Name));
        EXPECT_EQ(e.dm.DBSetupMemData().state(), ListState::Insert);
        t.post();
        EXPECT_EQ(t.recordCount(), 1);
    }
}

TEST_F(TableSetupFilesTest, HeaderOnlyFileStartsABlankSetup) {
    writeFile(TDM::defaultTablesFile(),
              "Name\tSourceQuerySQL\tDestQuerySQL\tPrimaryKeySpec\tDestTableName\tDisplayOrder\t"
              "ScriptOn\tScriptTableChanged\r\n");
    writeFile(TDM::defaultDBSetupFile(), "SourceDBAlias\tDestDBAlias\r\n");
    EngineHarness e{QString()};
    e.dm.PrepareTableLists(true);
    MemData& t = tables(e);
    EXPECT_EQ(t.state(), ListState::Insert);
    EXPECT_EQ(t.asText(tf(e).SourceQuerySQL), QString());
    EXPECT_EQ(t.asText(tf(e).DestQuerySQL), QString());
    EXPECT_EQ(e.dm.DBSetupMemData().state(), ListState::Insert);
}

TEST_F(TableSetupFilesTest, NullDisplayOrderGetsTheNextNumber) {
    struct Case {
        std::vector<int> existing;
        int expected;
    };
    const Case cases[] = {{{}, 1}, {{7}, 8}, {{3, 7, 2}, 8}, {{-4}, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.existing));
        EngineHarness e{QString()};
        MemData& t = tables(e);
        t.open();
        for (const int order : c.existing) {
            t.append();
            t.setAsInt(tf(e).DisplayOrder, order);
            t.post();
        }
        t.append();
        t.setAsText(tf(e).Name, u"new"_s);
        t.post();
        ASSERT_TRUE(e.dm.FindTableSetup(u"new"_s));
        EXPECT_EQ(t.asInt(tf(e).DisplayOrder), c.expected);
        EXPECT_EQ(t.recordCount(), static_cast<int>(c.existing.size()) + 1);
    }
}

TEST_F(TableSetupFilesTest, SavedSetupsReadBackAndAreFoundByExactName) {
    {
        EngineHarness e{QString()};
        e.dm.PrepareTableLists(false);
        MemData& t = tables(e);
        t.setAsText(tf(e).Name, u"Orders"_s);
        t.setAsText(tf(e).SourceQuerySQL, u"SELECT * FROM orders"_s);
        t.setAsText(tf(e).PrimaryKeySpec, u"OrderNo;LineNo"_s);
        t.post();
        t.append();
        t.setAsText(tf(e).Name, u"Order lines"_s);
        t.setAsText(tf(e).DestQuerySQL, u"SELECT a,\tb\nFROM lines"_s);
        t.post();
        MemData& d = e.dm.DBSetupMemData();
        d.setAsText(e.dm.sourceDBAliasField(), u"Src"_s);
        d.setAsText(e.dm.destDBAliasField(), u"Dst"_s);
        e.dm.SaveDefaultFiles();
    }
    ASSERT_TRUE(QFile::exists(TDM::defaultTablesFile()));
    ASSERT_TRUE(QFile::exists(TDM::defaultDBSetupFile()));

    EngineHarness e{QString()};
    e.dm.PrepareTableLists(true);
    MemData& t = tables(e);
    EXPECT_EQ(t.state(), ListState::Edit);
    EXPECT_EQ(EngineHarness::rows(t, {u"Name"_s, u"DisplayOrder"_s}),
              (QStringList{u"Orders|1"_s, u"Order lines|2"_s}));
    MemData& d = e.dm.DBSetupMemData();
    EXPECT_EQ(EngineHarness::rows(d, {u"SourceDBAlias"_s, u"DestDBAlias"_s}),
              QStringList{u"Src|Dst"_s});

    ASSERT_TRUE(e.dm.FindTableSetup(u"Order lines"_s));
    EXPECT_EQ(t.asText(tf(e).DestQuerySQL), u"SELECT a,\tb\nFROM lines"_s);
    ASSERT_TRUE(e.dm.FindTableSetup(u"Orders"_s));
    EXPECT_EQ(t.asText(tf(e).PrimaryKeySpec), u"OrderNo;LineNo"_s);
    for (const QString& miss : {u"orders"_s, u"ORDERS"_s, u"Order"_s, u"Orders "_s, QString()}) {
        EXPECT_FALSE(e.dm.FindTableSetup(miss)) << miss.toStdString();
        EXPECT_EQ(t.asText(tf(e).Name), u"Orders"_s) << "a failed search does not move";
    }
}

TEST_F(TableSetupFilesTest, FindTableSetupNeedsAnOpenList) {
    EngineHarness e{QString()};
    EXPECT_FALSE(e.dm.FindTableSetup(u"Orders"_s));
}

}  // namespace
}  // namespace qm::test
