#include "DbSides.h"
#include "db/Connection.h"
#include "db/Query.h"
#include "db/Session.h"
#include "engine/SqlIdentifier.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

struct QuotedCase {
    const char* name;
    Backend source;
};

class QuotedNamesTest : public ::testing::TestWithParam<QuotedCase> {};

// Mixed-case names, reserved words and a blank in names of a PostgreSQL
// target: the script runs and the next comparison is clean.
TEST_P(QuotedNamesTest, MixedCaseAndReservedNamesReachAPostgresTarget) {
    QM_REQUIRE_PG(pg);
    DbSides sides(pg);
    const QString columns =
        u"\"CustNo\" INTEGER, \"order\" VARCHAR(20), \"user\" VARCHAR(20), \"Group\" INTEGER, "
        "\"my col\" VARCHAR(20), plain VARCHAR(20)"_s;
    const SideTable src =
        sides.make(GetParam().source, true, columns,
                   u"(1, 'o', 'u', 1, 'm', 'p'), (2, 'p', 'v', 2, 'n', 'q'), (3, 'q', 'w', 3, "
                   "'o', 'r')"_s);
    const SideTable dst = sides.make(Backend::Pg, false, columns,
                                     u"(1, 'o', 'u', 1, 'm', 'p'), (2, 'P', 'v', 5, 'N', 'Q'), "
                                     "(4, 's', 'x', 4, 'p', 's')"_s);
    EngineHarness h(sides.folder().aliasFile());
    const auto query = [](const QString& table) {
        return u"SELECT * FROM %1 ORDER BY \"CustNo\""_s.arg(table);
    };
    h.configure(src.alias, dst.alias, {query(src.table), query(dst.table), u"CustNo"_s});
    MemData& tables = h.dm.TablesMemData();
    tables.edit();
    tables.setAsText(h.dm.tableFields().Name, u"T"_s);
    tables.setAsText(h.dm.tableFields().DestTableName, dst.table);
    tables.post();
    ASSERT_TRUE(h.openSource()) << h.view.messages().join(u'\n').toStdString();
    ASSERT_TRUE(h.openTarget()) << h.view.messages().join(u'\n').toStdString();
    h.dm.ChangeDataToEqualSource();
    h.dm.ScriptCurrentTableSetup(true);
    ASSERT_EQ(h.view.messages(), QStringList());
    EXPECT_EQ(
        h.view.script,
        (QStringList{
            u"/* Statements for Table Setup \"T\" */"_s,
            u"UPDATE %1 SET \"order\" = 'p'/* Was: 'P' */, \"Group\" = 2/* Was: 5 */, \"my "
            "col\" = 'n'/* Was: 'N' */, plain = 'q'/* Was: 'Q' */ WHERE \"CustNo\" = 2;"_s.arg(
                dst.table),
            u"INSERT INTO %1 (\"CustNo\", \"order\", \"user\", \"Group\", \"my col\", plain) "
            "VALUES (3, 'q', 'w', 3, 'o', 'r');"_s.arg(dst.table),
            u"DELETE FROM %1 WHERE \"CustNo\" = 4;"_s.arg(dst.table),
        }));
    pgExec(pg, u"qm_target"_s, h.view.script);

    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    EXPECT_EQ(
        EngineHarness::rows(h.dm.DestMemData(), {u"CustNo"_s, u"OnlyInDest"_s, u"Difference"_s}),
        (QStringList{u"1|False|False"_s, u"2|False|False"_s, u"3|False|False"_s}));
    EXPECT_EQ(EngineHarness::column(h.dm.SourceMemData(), u"OnlyInSource"_s),
              (QStringList{u"False"_s, u"False"_s, u"False"_s}));
}

INSTANTIATE_TEST_SUITE_P(Sources, QuotedNamesTest,
                         ::testing::Values(QuotedCase{"FromSqlite", Backend::Sqlite},
                                           QuotedCase{"FromPostgres", Backend::Pg}),
                         [](const auto& param) { return std::string(param.param.name); });

// Every keyword the server knows, as a column name in the statements the
// engine writes, names that column: each statement runs and hits its row.
TEST(QuotedNames, EveryPostgresKeywordWorksAsAColumnName) {
    QM_REQUIRE_PG(pg);
    AliasFolder folder;
    folder.addPg(u"Pg"_s, pg, u"qm_test"_s);
    ensureCoreApplication();
    Session session;
    session.setAliasFilePath(folder.aliasFile());
    Connection conn(u"Keywords"_s, session);
    conn.setAliasName(u"Pg"_s);
    conn.connect();
    QStringList words;
    {
        Query q(conn);
        q.setSql(u"SELECT word FROM pg_get_keywords() ORDER BY word"_s);
        q.open();
        for (; !q.eof(); q.next()) {
            words << q.text(0);
        }
    }
    conn.disconnect();
    ASSERT_GT(words.size(), 400);
    const QString table = uniqueTableName(u"qm_keywords"_s);
    QStringList columns{u"id INTEGER"_s};
    QStringList statements;
    for (qsizetype i = 0; i < words.size(); ++i) {
        columns << u"\"%1\" INTEGER"_s.arg(words[i]);
        const QString col = SqlIdentifier::of(words[i], SqlDialect::PostgreSQL);
        statements
            << u"INSERT INTO %1 (id, %2) VALUES (%3, 1)"_s.arg(table, col).arg(i)
            << u"UPDATE %1 SET %2 = 2/* Was: 1 */ WHERE %2 = 1 AND id = %3"_s.arg(table, col).arg(i)
            << u"DELETE FROM %1 WHERE %2 = 2 AND id = %3"_s.arg(table, col).arg(i);
    }
    QStringList all{u"BEGIN"_s, u"CREATE TEMP TABLE %1 (%2)"_s.arg(table, columns.join(u", "_s))};
    all << statements
        << u"DO $$ BEGIN IF (SELECT count(*) FROM %1) <> 0 THEN RAISE EXCEPTION 'rows left'; "
           "END IF; END $$"_s.arg(table)
        << u"ROLLBACK"_s;
    pgExec(pg, u"qm_test"_s, all);
}

}  // namespace
}  // namespace qm::test
