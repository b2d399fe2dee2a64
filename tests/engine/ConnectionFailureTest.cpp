#include "SqliteEngineFixture.h"

#include "common/Errors.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

const QStringList kRows = {u"CREATE TABLE t (id INTEGER, v TEXT)"_s,
                           u"INSERT INTO t VALUES (1, 'a'), (2, 'b')"_s};
const TableSetup kSetup{u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s};

class ConnectionFailureTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(kRows, kRows);
        configure(kSetup);
    }
};

TEST_F(ConnectionFailureTest, UnknownAliasNamesItAndLeavesTheListsAlone) {
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    ASSERT_TRUE(h.view.boxes[Side::Source]);

    h.setAliases(u"NoSuchAlias"_s, u"Dst"_s);
    EXPECT_FALSE(h.view.boxes[Side::Source]) << "assigning the alias disconnects";
    EXPECT_THROW(h.dm.OpenSource(), SilentAbort);
    ASSERT_EQ(h.view.errors.size(), 1);
    const QString error = h.view.errors.first();
    EXPECT_TRUE(error.contains(u"\"NoSuchAlias\""_s)) << error.toStdString();
    EXPECT_TRUE(error.contains(folder.aliasFile())) << error.toStdString();
    EXPECT_TRUE(error.contains(u"Aliases are defined in"_s)) << error.toStdString();
    EXPECT_FALSE(h.view.boxes[Side::Source]);
    EXPECT_FALSE(h.dm.SourceDatabase().isConnected());

    // Nothing was opened or closed: both lists keep their rows and marks.
    EXPECT_TRUE(source().isOpen());
    EXPECT_TRUE(target().isOpen());
    EXPECT_EQ(source().recordCount(), 2);
    EXPECT_EQ(EngineHarness::column(target(), u"OnlyInDest"_s),
              (QStringList{u"False"_s, u"False"_s}));
    EXPECT_EQ(h.view.counts[Side::Source], u"2 records"_s);
}

TEST_F(ConnectionFailureTest, UnknownTargetAliasIsReportedAlike) {
    h.setAliases(u"Src"_s, u"Missing"_s);
    EXPECT_FALSE(h.openTarget());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(u"\"Missing\""_s));
    EXPECT_FALSE(h.view.boxes[Side::Target]);
    EXPECT_FALSE(target().isOpen());
}

TEST_F(ConnectionFailureTest, EmptyAliasIsReported) {
    h.setAliases(QString(), u"Dst"_s);
    EXPECT_FALSE(h.openSource());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(u"alias"_s, Qt::CaseInsensitive));
}

TEST_F(ConnectionFailureTest, MissingSqliteFileIsNamedAndNotCreated) {
    folder.addAlias(u"Gone"_s, {u"Driver=SQLITE"_s, u"Database=gone.db"_s});
    h.setAliases(u"Src"_s, u"Gone"_s);
    EXPECT_FALSE(h.openTarget());
    ASSERT_EQ(h.view.errors.size(), 1);
    const QString error = h.view.errors.first();
    EXPECT_TRUE(error.contains(folder.path(u"gone.db"_s))) << error.toStdString();
    EXPECT_TRUE(error.contains(u"does not exist"_s)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(folder.path(u"gone.db"_s)));
    EXPECT_FALSE(h.view.boxes[Side::Target]);
    EXPECT_FALSE(target().isOpen());
}

TEST_F(ConnectionFailureTest, AssigningAnAliasDisconnectsEvenTheSameOne) {
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    ASSERT_TRUE(h.dm.SourceDatabase().isConnected());
    ASSERT_TRUE(h.dm.DestDatabase().isConnected());

    MemData& d = h.dm.DBSetupMemData();
    d.edit();
    d.setAsText(h.dm.sourceDBAliasField(), u"Src"_s);
    EXPECT_FALSE(h.view.boxes[Side::Source]);
    EXPECT_FALSE(h.dm.SourceDatabase().isConnected());
    EXPECT_TRUE(h.view.boxes[Side::Target]);
    EXPECT_TRUE(h.dm.DestDatabase().isConnected());

    d.setAsText(h.dm.destDBAliasField(), u"Dst"_s);
    d.post();
    EXPECT_FALSE(h.view.boxes[Side::Target]);
    EXPECT_FALSE(h.dm.DestDatabase().isConnected());

    // Opening connects again.
    ASSERT_TRUE(h.openSource());
    EXPECT_TRUE(h.view.boxes[Side::Source]);
    EXPECT_TRUE(h.dm.SourceDatabase().isConnected());
}

TEST_F(ConnectionFailureTest, UntickedBoxReconnectsWithTheCurrentAlias) {
    ASSERT_TRUE(h.openSource());
    // A second database with other rows under the same alias name: the
    // engine only notices after the box was unticked.
    folder.addSqlite(u"Other"_s, {kRows[0], u"INSERT INTO t VALUES (9, 'z')"_s});
    h.setAliases(u"Other"_s, u"Dst"_s);
    ASSERT_TRUE(h.openSource());
    EXPECT_EQ(EngineHarness::column(source(), u"id"_s), QStringList{u"9"_s});
    EXPECT_EQ(h.dm.SourceDatabase().aliasName(), u"Other"_s);
}

}  // namespace
}  // namespace qm::test
