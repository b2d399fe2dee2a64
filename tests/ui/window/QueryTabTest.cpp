// The "Query" tab over real databases: running a typed query on the chosen
// side, what the result grid and its heading show, and that the tab only
// ever reads.

#include "commands/TActionsDM.h"
#include "models/MemDataModel.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/HeaderSorting.h"
#include "window/QueryTab.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

/// The rows of a query on an SQLite file, read apart from the program, one
/// text per row with the values joined by "|".
QStringList sqliteRows(const QString& path, const QString& sql) {
    const QString name = QUuid::createUuid().toString();
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i) {
                values << q.value(i).toString();
            }
            rows << values.join(u'|');
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

class QueryTabTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        sourcePath_ =
            aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s,
                                          u"INSERT INTO t VALUES (1, 'source one')"_s});
        targetPath_ = aliases_.addSqlite(
            u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, r REAL, x)"_s,
                       u"INSERT INTO t VALUES (1, 'trailing  ', 0.1 + 0.2, 1)"_s,
                       u"INSERT INTO t VALUES (2, 'ünï ✓', 1e-300, 'one')"_s,
                       u"INSERT INTO t VALUES (3, NULL, 123456789.123456789, 2.5)"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        h_.show();
        setAliases(u"Src"_s, u"Dst"_s);
    }

    void setAliases(const QString& source, const QString& target) {
        DatabaseTab& db = h_.form->databaseTab();
        db.aliasEdit(Side::Source).clear();
        db.aliasEdit(Side::Target).clear();
        QTest::keyClicks(&db.aliasEdit(Side::Source), source);
        QTest::keyClicks(&db.aliasEdit(Side::Target), target);
    }

    QueryTab& tab() const { return h_.form->queryTab(); }

    /// Types the query into the tab and runs it with the "&Open" command.
    void run(const QString& sql) {
        tab().SQLMemo().setPlainText(sql);
        h_.actions.execute(CommandId::QueryOpen);
    }

    QStringList headers() const {
        QStringList texts;
        for (int c = 0; c < tab().model().columnCount(); ++c) {
            texts << tab().model().headerData(c, Qt::Horizontal).toString();
        }
        return texts;
    }

    /// The grid's rows as shown, one text per row joined by "|".
    QStringList shownRows() const {
        const MemDataModel& model = tab().model();
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList values;
            for (int c = 0; c < model.columnCount(); ++c) {
                values << model.index(r, c).data().toString();
            }
            rows << values.join(u'|');
        }
        return rows;
    }

    AliasFolder aliases_;
    QString sourcePath_;
    QString targetPath_;
    MainWindowHarness h_;
};

TEST_F(QueryTabTest, RunningOnTheTargetConnectsItAndShowsTheValuesAsStored) {
    EXPECT_TRUE(tab().sideButton(Side::Target).isChecked()) << "the target is chosen at start";
    EXPECT_EQ(tab().recordCountText(), u"Not open"_s);

    run(u"SELECT k, v, r, x FROM t ORDER BY k"_s);

    EXPECT_TRUE(h_.engine.Connected(Side::Target));
    EXPECT_TRUE(h_.form->databaseTab().connected(Side::Target)) << "its box is ticked";
    EXPECT_FALSE(h_.engine.Connected(Side::Source));
    EXPECT_TRUE(shownBoxes().isEmpty()) << shownBoxes().last().text.toStdString();
    EXPECT_EQ(tab().recordCountText(), u"3 records"_s);
    EXPECT_EQ(headers(), (QStringList{u"k"_s, u"v"_s, u"r"_s, u"x"_s}));
    // Text keeps its blanks, floats their last digit; a column of values of
    // several storage classes shows each value as it is.
    EXPECT_EQ(shownRows(), (QStringList{u"1|trailing  |0.30000000000000004|1"_s,
                                        u"2|ünï ✓|1e-300|one"_s, u"3||123456789.12345679|2.5"_s}));
    EXPECT_FALSE(tab().model().flags(tab().model().index(0, 1)).testFlag(Qt::ItemIsEditable));

    // A result naming a column twice shows both under that name.
    run(u"SELECT k, v AS K, 'z' AS k FROM t WHERE k = 1"_s);
    EXPECT_EQ(headers(), (QStringList{u"k"_s, u"K"_s, u"k"_s}));
    EXPECT_EQ(shownRows(), QStringList{u"1|trailing  |z"_s});
}

TEST_F(QueryTabTest, TheChosenSideIsTheOneQueried) {
    struct Case {
        Side side;
        QStringList rows;
    };
    const QList<Case> cases{
        {Side::Source, {u"1|source one"_s}},
        {Side::Target, {u"1|trailing  "_s, u"2|ünï ✓"_s, u"3|"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side == Side::Source ? "source" : "target");
        tab().chooseSide(c.side);
        EXPECT_FALSE(
            tab().sideButton(c.side == Side::Source ? Side::Target : Side::Source).isChecked());
        run(u"SELECT k, v FROM t ORDER BY k"_s);
        EXPECT_TRUE(h_.form->databaseTab().connected(c.side));
        EXPECT_EQ(shownRows(), c.rows);
        EXPECT_EQ(tab().recordCountText(), u"%1 records"_s.arg(c.rows.size()));
    }
}

TEST_F(QueryTabTest, ARejectedQueryShowsTheErrorAndLeavesTheDatabaseAsItWas) {
    struct Case {
        QString sql;
        QString message;  // part of the error shown
    };
    const QList<Case> cases{
        {u"SELECT * FROM nowhere"_s, u"no such table: nowhere"_s},
        {u"   "_s, u"The query text is empty"_s},
        {u"UPDATE t SET v = 'changed'"_s, u"is not read-only"_s},
        {u"DELETE FROM t RETURNING *"_s, u"is not read-only"_s},
        {u"DROP TABLE t"_s, u"is not read-only"_s},
        {u"SELECT * FROM t;\nDELETE FROM t"_s, u"more than one statement"_s},
    };
    const QStringList before = sqliteRows(targetPath_, u"SELECT * FROM t ORDER BY k"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        run(u"SELECT k FROM t"_s);
        ASSERT_EQ(tab().recordCountText(), u"3 records"_s);
        script({});
        run(c.sql);
        ASSERT_EQ(shownBoxes().size(), 1);
        EXPECT_TRUE(shownBoxes()[0].text.contains(c.message)) << shownBoxes()[0].text.toStdString();
        EXPECT_EQ(tab().recordCountText(), u"Not open"_s);
        EXPECT_EQ(tab().model().columnCount(), 0) << "the last result is gone";
        EXPECT_EQ(sqliteRows(targetPath_, u"SELECT * FROM t ORDER BY k"_s), before);
    }
}

TEST_F(QueryTabTest, AFailedConnectionShowsItsErrorOnce) {
    setAliases(u"Src"_s, u"Nowhere"_s);
    run(u"SELECT 1"_s);
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_TRUE(shownBoxes()[0].text.contains(u"Nowhere"_s)) << shownBoxes()[0].text.toStdString();
    EXPECT_FALSE(h_.form->databaseTab().connected(Side::Target));
    EXPECT_EQ(tab().recordCountText(), u"Not open"_s);
}

TEST_F(QueryTabTest, TheHeadingTexts) {
    const QList<std::pair<std::optional<qsizetype>, QString>> cases{
        {std::nullopt, u"Not open"_s},
        {-1, u"Unknown # of records"_s},
        {0, u"0 records"_s},
        {1234567, u"1234567 records"_s},
    };
    for (const auto& [records, text] : cases) {
        EXPECT_EQ(QueryTab::countText(records), text);
    }
}

TEST_F(QueryTabTest, ABigResultIsSortableAndItsColumnsFitASampleOfRows) {
    QStringList fill{u"CREATE TABLE big (n INTEGER, s TEXT)"_s,
                     u"WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                     "WHERE n < 20000) INSERT INTO big SELECT n, 'x' || (n % 3) FROM c"_s,
                     u"UPDATE big SET s = replace(hex(zeroblob(100)), '0', 'z') WHERE n = 20000"_s};
    sqliteExec(targetPath_, fill);
    run(u"SELECT n, s FROM big ORDER BY n"_s);
    ASSERT_EQ(tab().recordCountText(), u"20000 records"_s);
    QTableView& grid = tab().Grid();
    EXPECT_LT(grid.columnWidth(1), 150) << "the long value far down was not measured";

    // A click sorts by s; Shift adds n, a second Shift click turns it round.
    HeaderSorting* sorting = grid.findChild<HeaderSorting*>();
    ASSERT_NE(sorting, nullptr);
    sorting->clicked(1, false);
    sorting->clicked(0, true);
    sorting->clicked(0, true);
    EXPECT_EQ(tab().model().index(0, 0).data().toString(), u"19998"_s);
    EXPECT_EQ(tab().model().index(0, 1).data().toString(), u"x0"_s);
    EXPECT_EQ(grid.selectionMode(), QAbstractItemView::ExtendedSelection);

    // A new query starts unsorted.
    run(u"SELECT n FROM big WHERE n <= 2 ORDER BY n"_s);
    EXPECT_EQ(shownRows(), (QStringList{u"1"_s, u"2"_s}));
}

TEST_F(QueryTabTest, APostgreSqlResultIsExactAndReadOnly) {
    QM_REQUIRE_PG(pg);
    PgScratch scratch(pg);
    const QString table = scratch.create(u"qm_target"_s, u"querytab"_s,
                                         u"k integer PRIMARY KEY, d numeric(12,4), t text"_s,
                                         u"(1, 1.1000, 'a  '), (2, -0.0001, NULL)"_s);
    aliases_.addPg(u"PgDst"_s, pg, u"qm_target"_s);
    setAliases(u"Src"_s, u"PgDst"_s);

    run(u"SELECT k, d, t FROM %1 ORDER BY k"_s.arg(table));
    EXPECT_TRUE(shownBoxes().isEmpty()) << shownBoxes().last().text.toStdString();
    EXPECT_EQ(shownRows(), (QStringList{u"1|1.1000|a  "_s, u"2|-0.0001|"_s}));
    EXPECT_EQ(tab().recordCountText(), u"2 records"_s);

    script({});
    run(u"DELETE FROM %1"_s.arg(table));
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(tab().recordCountText(), u"Not open"_s);
    run(u"SELECT count(*) AS n FROM %1"_s.arg(table));
    EXPECT_EQ(shownRows(), QStringList{u"2"_s}) << "nothing was deleted";
}

}  // namespace
