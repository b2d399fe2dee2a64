#include "DbSides.h"
#include "common/Errors.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// New rows in a PostgreSQL target: columns only the target has take the
// database's defaults (a Boolean is not written as FALSE, a date not as ''),
// and a key the target's column would change refuses the script.
class PgNewRowsTest : public ::testing::Test {
protected:
    void open(const QString& sourceColumns, const QString& sourceRows, const QString& targetColumns,
              const QString& targetRows, const QString& key) {
        src = sides.make(Backend::Sqlite, true, sourceColumns, sourceRows);
        dst = sides.make(Backend::Pg, false, targetColumns, targetRows);
        h = std::make_unique<EngineHarness>(sides.folder().aliasFile());
        const QString order = u" ORDER BY "_s + key;
        h->configure(src.alias, dst.alias,
                     {u"SELECT * FROM "_s + src.table + order,
                      u"SELECT * FROM "_s + dst.table + order, key});
        MemData& tables = h->dm.TablesMemData();
        tables.edit();
        tables.setAsText(h->dm.tableFields().Name, u"T"_s);
        tables.setAsText(h->dm.tableFields().DestTableName, dst.table);
        tables.post();
        ASSERT_TRUE(h->openSource()) << h->view.messages().join(u'\n').toStdString();
        ASSERT_TRUE(h->openTarget()) << h->view.messages().join(u'\n').toStdString();
    }
    std::optional<PgServer> server = pgServer();
    DbSides sides{server};
    SideTable src;
    SideTable dst;
    std::unique_ptr<EngineHarness> h;
};

TEST_F(PgNewRowsTest, TargetOnlyColumnsTakeTheDatabaseDefaults) {
    QM_REQUIRE_PG(pg);
    open(u"id INTEGER, name VARCHAR(10)"_s, u"(1, 'a'), (2, 'b')"_s,
         u"id INTEGER, name VARCHAR(10), active BOOLEAN NOT NULL DEFAULT TRUE, born DATE DEFAULT "
         "'2000-01-01', note TEXT DEFAULT 'none', seen TIMESTAMP"_s,
         u"(1, 'a', FALSE, '1990-05-06', 'kept', NULL)"_s, u"id"_s);
    h->dm.ChangeDataToEqualSource();
    h->dm.ScriptCurrentTableSetup(true);
    ASSERT_EQ(h->view.messages(), QStringList());
    EXPECT_EQ(h->view.script.mid(1),
              QStringList{u"INSERT INTO %1 (id, name) VALUES (2, 'b');"_s.arg(dst.table)});
    pgExec(pg, u"qm_target"_s, h->view.script);
    ASSERT_TRUE(h->openTarget());
    EXPECT_EQ(EngineHarness::rows(h->dm.DestMemData(),
                                  {u"id"_s, u"active"_s, u"born"_s, u"note"_s, u"seen"_s}),
              (QStringList{u"1|False|1990-05-06|kept|"_s, u"2|True|2000-01-01|none|"_s}));
}

TEST_F(PgNewRowsTest, AKeyTheTargetWouldChangeRefusesTheScript) {
    QM_REQUIRE_PG(pg);
    static_cast<void>(pg);  // the fixture reaches the server itself
    open(u"k VARCHAR(10), v VARCHAR(10)"_s, u"('007', 'new'), ('8', 'b')"_s,
         u"k INTEGER, v VARCHAR(10)"_s, u"(7, 'old')"_s, u"k"_s);
    h->dm.ChangeDataToEqualSource();
    h->view.script = QStringList{u"kept"_s};
    EXPECT_THROW(h->dm.ScriptCurrentTableSetup(true), SilentAbort);
    EXPECT_EQ(h->view.errors,
              QStringList{u"The source row with key field \"k\" = '007' cannot be copied to the "
                          "target: its key column would hold 7, which is another key. No script "
                          "was written"_s});
    EXPECT_EQ(h->view.script, QStringList{u"kept"_s});
}

}  // namespace
}  // namespace qm::test
