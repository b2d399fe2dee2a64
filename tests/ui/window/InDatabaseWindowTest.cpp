// "Compare inside the databases" on the Database tab: ticked, Open Source &
// Target loads only the rows of key segments that differ, the record counts
// include the rows the databases counted, the script is the command line's,
// and the queries the user typed stay as they are.

#include "commands/TActionsDM.h"
#include "common/Errors.h"
#include "document/TUndoHandler.h"
#include "document/TableSetupEditor.h"
#include "project/PrjDataSaved.h"
#include "project/QMNodeData.h"
#include "support/CliRunner.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"
#include "window/ScriptTab.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

const QString kQuery = u"SELECT k, v, n FROM t ORDER BY k"_s;

// 300 source rows; the target lacks row 50, has rows 1000 and 1001 of its
// own, and differs in v of row 17 and in n of row 120: 301 rows.
QStringList sourceRows() {
    return {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, n REAL)"_s,
            u"WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 300) "
            "INSERT INTO t SELECT i, 'v' || i, i * 0.5 FROM s"_s};
}
QStringList targetRows() {
    return sourceRows() << u"DELETE FROM t WHERE k = 50"_s
                        << u"INSERT INTO t VALUES (1000, 'x', 1), (1001, 'y', 2)"_s
                        << u"UPDATE t SET v = 'changed' WHERE k = 17"_s
                        << u"UPDATE t SET n = 99 WHERE k = 120"_s;
}

class InDatabaseWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        aliases_.addSqlite(u"Src"_s, sourceRows());
        aliases_.addSqlite(u"Dst"_s, targetRows());
        aliases_.addAlias(u"Odbc"_s, {u"Driver=ODBC"_s, u"Database=DSN=none"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        // Small segments, split while more than a few rows differ: several
        // segments exist and most are equal.
        h_.engine.setInDatabaseTuning(4, 3);
        h_.show();
        h_.actions.execute(CommandId::PrjNew);
        h_.commandPrompts.inputAnswers = {u"T"_s};
        h_.actions.execute(CommandId::AddTableSetup);
        ASSERT_EQ(h_.project()->PrjData().NodeCount(), 1);
        setAliases(u"Src"_s, u"Dst"_s);
        MergeTab& merge = h_.form->mergeTab();
        QTest::keyClicks(&merge.keyEdit(), u"k"_s);
        QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
        merge.side(Side::Source).queryEditor().setPlainText(kQuery);
        merge.side(Side::Target).queryEditor().setPlainText(kQuery);
        h_.prompts.saveName = h_.path(u"indb.QMP"_s);
        h_.actions.execute(CommandId::PrjSaveAs);
        ASSERT_FALSE(h_.project()->GetModified());
    }

    void setAliases(const QString& source, const QString& target) {
        DatabaseTab& db = h_.form->databaseTab();
        const std::pair<Side, QString> sides[] = {{Side::Source, source}, {Side::Target, target}};
        for (const auto& [side, alias] : sides) {
            db.aliasEdit(side).selectAll();
            QTest::keyClicks(&db.aliasEdit(side), alias);
        }
    }
    QCheckBox& box() { return h_.form->databaseTab().inDatabaseBox(); }
    QLabel& hint() { return h_.form->databaseTab().inDatabaseHint(); }
    void openBoth() {
        h_.actions.execute(CommandId::OpenBothSourceAndTarget);
        h_.settle();
    }
    // The integer keys a list holds, ascending.
    QList<qint64> keys(MemData& list) {
        QList<qint64> out;
        const int f = list.fieldIndex(u"k"_s);
        for (int p = 0; p < list.recordCount(); ++p) {
            out << list.refAt(p, f).i;
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    QString recordText(Side side) { return h_.form->mergeTab().recordCountText(side); }
    QString script() {
        h_.actions.execute(CommandId::ChangeDataToEqualSource);
        h_.engine.ScriptCurrentTableSetup(true);
        return h_.form->scriptTab().ScriptMemo().toPlainText();
    }
    QString nodeQuery(const char* name) {
        return h_.project()->PrjData().GetItem(0)->props().getString(QString::fromUtf8(name));
    }

    AliasFolder aliases_;
    MainWindowHarness h_;
};

TEST_F(InDatabaseWindowTest, TickedOpenLoadsTheDifferingSegmentsAndCountsTheRest) {
    ASSERT_TRUE(box().isEnabled()) << hint().text().toStdString();
    box().click();
    EXPECT_TRUE(h_.project()->PrjData().CompareInDatabase());
    EXPECT_TRUE(h_.project()->GetModified());

    openBoth();
    MemData& source = h_.engine.SourceMemData();
    MemData& target = h_.engine.DestMemData();
    ASSERT_TRUE(source.isOpen());
    ASSERT_TRUE(target.isOpen());
    const QList<qint64> sourceKeys = keys(source);
    const QList<qint64> targetKeys = keys(target);
    EXPECT_LT(sourceKeys.size(), 100) << "most equal rows stay in the database";
    for (const qint64 k : {17, 50, 120}) {
        EXPECT_TRUE(sourceKeys.contains(k)) << k;
    }
    for (const qint64 k : {17, 120, 1000, 1001}) {
        EXPECT_TRUE(targetKeys.contains(k)) << k;
    }
    EXPECT_EQ(recordText(Side::Source),
              u"300 records (%1 equal, not loaded)"_s.arg(300 - sourceKeys.size()));
    EXPECT_EQ(recordText(Side::Target),
              u"301 records initially (%1 equal, not loaded)"_s.arg(301 - targetKeys.size()));
    // The counts of the loaded rows are those of the whole tables: the
    // rows left out are equal.
    const QStringList statistics = h_.form->mergeTab().statistics();
    ASSERT_EQ(statistics.size(), 5);
    EXPECT_EQ(statistics.mid(3),
              (QStringList{u"Records with differences: 2"_s, u"Local records: 2"_s}))
        << statistics.join(u" | "_s).toStdString();

    // The queries the user typed stay in the fields, the list and the project.
    MergeTab& merge = h_.form->mergeTab();
    EXPECT_EQ(merge.side(Side::Source).queryEditor().toPlainText(), kQuery);
    EXPECT_EQ(merge.side(Side::Target).queryEditor().toPlainText(), kQuery);
    const TDM::TableFields& f = h_.engine.tableFields();
    EXPECT_EQ(h_.engine.TablesMemData().asText(f.SourceQuerySQL), kQuery);
    EXPECT_EQ(h_.engine.TablesMemData().asText(f.DestQuerySQL), kQuery);
    EXPECT_EQ(nodeQuery("SourceQuerySQL"), kQuery);
    EXPECT_EQ(nodeQuery("DestQuerySQL"), kQuery);

    // The script is the command line's for the same pair.
    const QString windowScript = script();
    const CliResult cli =
        runCli({u"script"_s, u"--in-database"_s, u"--source-alias"_s, u"Src"_s, u"--target-alias"_s,
                u"Dst"_s, u"--source-sql"_s, kQuery, u"--target-sql"_s, kQuery, u"--key"_s, u"k"_s,
                u"--table"_s, u"t"_s, u"--name"_s, u"T"_s, u"--aliases"_s, aliases_.aliasFile()});
    ASSERT_EQ(cli.exitCode, 0) << cli.err.toStdString();
    EXPECT_EQ(windowScript.trimmed(), QString(cli.out).replace(u"\r\n"_s, u"\n"_s).trimmed());
    EXPECT_EQ(windowScript.count(u"DELETE"_s), 2) << windowScript.toStdString();

    // Cleared, the next open loads every row again, with today's texts.
    box().click();
    EXPECT_FALSE(h_.project()->PrjData().CompareInDatabase());
    openBoth();
    EXPECT_EQ(source.recordCount(), 300);
    EXPECT_EQ(target.recordCount(), 301);
    EXPECT_EQ(recordText(Side::Source), u"300 records"_s);
    EXPECT_EQ(recordText(Side::Target), u"301 records initially"_s);
    EXPECT_EQ(h_.form->mergeTab().statistics(), statistics);
}

// A side opened again alone (as after running a script) keeps to the other
// side's segments: all of its rows would show the other's unloaded rows as
// missing. Once the table setup changed, the restriction no longer fits.
TEST_F(InDatabaseWindowTest, OneSideOpenedAgainKeepsToTheSegments) {
    box().click();
    openBoth();
    const int loaded = h_.engine.DestMemData().recordCount();
    const QStringList statistics = h_.form->mergeTab().statistics();
    const QString targetText = recordText(Side::Target);
    for (const CommandId id : {CommandId::OpenTarget, CommandId::OpenSource}) {
        h_.actions.execute(id);
        h_.settle();
        EXPECT_EQ(h_.engine.DestMemData().recordCount(), loaded);
        EXPECT_EQ(h_.form->mergeTab().statistics(), statistics);
        EXPECT_EQ(recordText(Side::Target), targetText);
    }
    EXPECT_EQ(h_.engine.TablesMemData().asText(h_.engine.tableFields().DestQuerySQL), kQuery);

    h_.form->mergeTab().side(Side::Target).queryEditor().setPlainText(kQuery + u" "_s);
    EXPECT_THROW(h_.engine.OpenSideRestricted(Side::Target), Error);
    EXPECT_EQ(h_.engine.DestMemData().recordCount(), loaded) << "nothing was opened";

    // Closed, nothing is restricted any more: a side opens with every row.
    h_.engine.CloseBoth();
    EXPECT_FALSE(h_.engine.OpenSideRestricted(Side::Target));
    h_.actions.execute(CommandId::OpenTarget);
    EXPECT_EQ(h_.engine.DestMemData().recordCount(), 301);
    EXPECT_EQ(recordText(Side::Target), u"301 records initially"_s);
}

TEST_F(InDatabaseWindowTest, TheChoiceIsOneUndoStep) {
    box().click();
    ASSERT_TRUE(h_.app.undo().CanUndo());
    EXPECT_EQ(h_.actions.action(CommandId::Undo)->text(),
              u"&Undo 'Project -> Compare inside the databases'"_s);
    h_.project()->SetModified(false);
    h_.actions.execute(CommandId::Undo);
    EXPECT_FALSE(box().isChecked());
    EXPECT_FALSE(h_.engine.CompareInDatabase());
    EXPECT_FALSE(h_.project()->PrjData().CompareInDatabase());
    EXPECT_TRUE(h_.project()->GetModified());
}

// Where the pair cannot compare inside the databases, the box is disabled
// with the reason beside it, and Open Source & Target loads every row.
TEST_F(InDatabaseWindowTest, DisabledWithTheReasonWhereThePairCannot) {
    box().click();
    ASSERT_TRUE(box().isEnabled());
    EXPECT_TRUE(hint().isHidden());

    setAliases(u"Src"_s, u"Odbc"_s);
    EXPECT_FALSE(box().isEnabled());
    EXPECT_TRUE(box().isChecked()) << "the project's choice stays";
    EXPECT_FALSE(hint().isHidden());
    EXPECT_EQ(hint().text(),
              u"Comparing inside the databases needs a source and a target on the "
              "same engine, both SQLite or both PostgreSQL; the source is on "
              "SQLite and the target on ODBC."_s);
    EXPECT_EQ(box().toolTip(), hint().text());

    setAliases(u"Src"_s, u"Dst"_s);
    EXPECT_TRUE(box().isEnabled());
    EXPECT_TRUE(hint().isHidden());

    // A relative tolerance keeps no fixed cut of the values; an absolute one does.
    const struct {
        const char* rules;
        const char* hint;
    } cases[] = {
        {"n: rel=0.01",
         "The comparison rule of column \"n\" has a relative tolerance (rel=), which the "
         "databases cannot compare; an absolute tolerance (abs=) they can."},
        {"*: rel=1e-9",
         "The comparison rule for all columns (*) has a relative tolerance (rel=), which the "
         "databases cannot compare; an absolute tolerance (abs=) they can."},
        {"n: abs=0.01", ""},
        {"n: rel=0.01 ignore", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        TableSetupEditor::WriteRules(h_.engine, h_.project(), QString::fromUtf8(c.rules));
        h_.settle();
        EXPECT_EQ(hint().text(), QString::fromUtf8(c.hint));
        EXPECT_EQ(box().isEnabled(), QString::fromUtf8(c.hint).isEmpty());
    }

    TableSetupEditor::WriteRules(h_.engine, h_.project(), u"n: rel=0.01"_s);
    openBoth();
    EXPECT_EQ(h_.engine.SourceMemData().recordCount(), 300);
    EXPECT_EQ(recordText(Side::Source), u"300 records"_s);
}

// The same on two PostgreSQL databases of the test server.
TEST_F(InDatabaseWindowTest, PostgreSqlPair) {
    QM_REQUIRE_PG(pg);
    PgScratch scratch(pg);
    const QString rows = u"(SELECT i, 'v' || i, i * 0.5 FROM generate_series(1, 300) i)"_s;
    const QString src = scratch.create(u"qm_source"_s, u"indb_src"_s,
                                       u"k integer PRIMARY KEY, v text, n numeric"_s, QString());
    const QString dst = scratch.create(u"qm_target"_s, u"indb_dst"_s,
                                       u"k integer PRIMARY KEY, v text, n numeric"_s, QString());
    pgExec(pg, u"qm_source"_s, {u"INSERT INTO %1 %2"_s.arg(src, rows)});
    pgExec(pg, u"qm_target"_s,
           {u"INSERT INTO %1 %2"_s.arg(dst, rows), u"DELETE FROM %1 WHERE k = 50"_s.arg(dst),
            u"UPDATE %1 SET v = 'changed' WHERE k = 17"_s.arg(dst)});
    aliases_.addPg(u"PgSrc"_s, pg, u"qm_source"_s);
    aliases_.addPg(u"PgDst"_s, pg, u"qm_target"_s);
    setAliases(u"PgSrc"_s, u"PgDst"_s);
    MergeTab& merge = h_.form->mergeTab();
    merge.side(Side::Source).queryEditor().setPlainText(u"SELECT * FROM "_s + src);
    merge.side(Side::Target).queryEditor().setPlainText(u"SELECT * FROM "_s + dst);
    ASSERT_TRUE(box().isEnabled()) << hint().text().toStdString();
    box().click();
    openBoth();
    ASSERT_TRUE(h_.engine.DestMemData().isOpen());
    EXPECT_LT(h_.engine.SourceMemData().recordCount(), 100);
    EXPECT_EQ(recordText(Side::Source), u"300 records (%1 equal, not loaded)"_s.arg(
                                            300 - h_.engine.SourceMemData().recordCount()));
    EXPECT_EQ(h_.form->mergeTab().statistics().value(3), u"Records with differences: 1"_s);
}

}  // namespace
