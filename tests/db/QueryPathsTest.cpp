#include "DbSides.h"
#include "common/Errors.h"
#include "engine/AdHocQuery.h"
#include "engine/InDatabaseCompare.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TFindLookup.h"
#include "project/PrjDataSaved.h"
#include "support/EngineHarness.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <functional>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Every way a stored or typed query reaches a database refuses what is no
// single reading statement before the server sees it. The server runs as
// superuser here: COPY ... TO PROGRAM would run its command, in a read-only
// transaction too. %1 stands for the table, %2 for a file the server could
// write.
struct Refusal {
    const char* sql;
    const char* message;
};

const Refusal kPgRefusals[] = {
    {"COPY (SELECT 1) TO PROGRAM 'id > %2'", "is not a reading statement"},
    {"/* all */ COPY %1 TO '%2'", "is not a reading statement"},
    {"WITH d AS (DELETE FROM %1 RETURNING *) SELECT * FROM d", "is not a reading statement"},
    {"SELECT * FROM %1; DELETE FROM %1", "holds more than one statement"},
};

const Refusal kSqliteRefusals[] = {
    {"PRAGMA table_info(%1)", "is not a reading statement"},
    {"DELETE FROM %1 RETURNING *", "is not a reading statement"},
    {"SELECT * FROM %1; DELETE FROM %1", "holds more than one statement"},
};

// Runs the query on one path; the message it was refused with, or "" when
// it ran.
using Path = std::function<QString(EngineHarness&, const SideTable&, const QString&)>;

QString messageOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

QString sideQuery(EngineHarness& h, const SideTable& t, const QString& sql) {
    h.view.errors.clear();
    h.configure(t.alias, t.alias, {sql, u"SELECT * FROM %1"_s.arg(t.table), u"id"_s});
    return h.openSource() ? QString() : h.view.errors.join(u'\n');
}

QString queryTab(EngineHarness& h, const SideTable& t, const QString& sql) {
    h.configure(t.alias, t.alias, {u"SELECT * FROM %1"_s.arg(t.table), sql, u"id"_s});
    AdHocQuery query;
    return messageOf([&] { query.Run(h.dm, Side::Target, sql); });
}

QString findLookups(EngineHarness& h, const SideTable& t, const QString& sql) {
    h.configure(t.alias, t.alias, {u"SELECT * FROM %1"_s.arg(t.table), sql, u"id"_s});
    h.dm.ConnectTarget();
    TPrjDataSaved project;
    ProjectTableSetups::AddTableSetup(project, h.dm.TablesMemData());
    TFindLookup find(project, h.dm.DestDatabase());
    return messageOf([&] { find.Discover(std::vector<int>{0}); });
}

QString inDatabase(EngineHarness& h, const SideTable& t, const QString& sql) {
    h.configure(t.alias, t.alias, {u"SELECT * FROM %1"_s.arg(t.table), sql, u"id"_s});
    return messageOf([&] { InDatabaseCompare(h.dm).restrictCurrentTableSetup(); });
}

void checkEveryPath(Backend backend, std::optional<PgServer> pg, const Refusal* begin,
                    const Refusal* end) {
    DbSides sides(pg);
    const SideTable t =
        sides.make(backend, false, u"id INTEGER, v VARCHAR(20)"_s, u"(1, 'a'), (2, 'b')"_s);
    EngineHarness h(sides.folder().aliasFile());
    const QString file = u"/tmp/%1.txt"_s.arg(uniqueTableName(u"qm_written"_s));
    const std::pair<const char*, Path> paths[] = {{"side query", sideQuery},
                                                  {"query tab", queryTab},
                                                  {"find-lookups", findLookups},
                                                  {"in the database", inDatabase}};
    for (const auto& [pathName, path] : paths) {
        for (const Refusal* r = begin; r != end; ++r) {
            const QString sql = QString::fromUtf8(r->sql).arg(t.table, file);
            SCOPED_TRACE(std::string(pathName) + ": " + sql.toStdString());
            const QString message = path(h, t, sql);
            EXPECT_TRUE(message.contains(QString::fromUtf8(r->message))) << message.toStdString();
            EXPECT_FALSE(QFileInfo::exists(file)) << "the query ran";
            QFile::remove(file);
        }
    }
    // The table is as it was, and reading queries still go every way.
    const QString select = u"SELECT * FROM %1 ORDER BY id"_s.arg(t.table);
    for (const auto& [pathName, path] : paths) {
        SCOPED_TRACE(pathName);
        EXPECT_EQ(path(h, t, select), QString());
    }
    h.configure(t.alias, t.alias, {select, select, u"id"_s});
    ASSERT_TRUE(h.openSource());
    EXPECT_EQ(EngineHarness::rows(h.dm.SourceMemData(), {u"id"_s, u"v"_s}),
              (QStringList{u"1|a"_s, u"2|b"_s}));
}

TEST(QueryPaths, PostgreSqlRefusesWhatIsNoReadingStatementOnEveryPath) {
    QM_REQUIRE_PG(pg);
    checkEveryPath(Backend::Pg, pg, std::begin(kPgRefusals), std::end(kPgRefusals));
}

TEST(QueryPaths, SqliteRefusesWhatIsNoReadingStatementOnEveryPath) {
    checkEveryPath(Backend::Sqlite, std::nullopt, std::begin(kSqliteRefusals),
                   std::end(kSqliteRefusals));
}

// A NUL character would end the text for the database, which then reads
// the query cut short. It is refused naming the table setup.
TEST(QueryPaths, ANulCharacterInAStoredQueryIsRefusedNamingTheTableSetup) {
    DbSides sides(std::nullopt);
    const SideTable t =
        sides.make(Backend::Sqlite, false, u"id INTEGER, v VARCHAR(20)"_s, u"(1, 'a'), (2, 'b')"_s);
    EngineHarness h(sides.folder().aliasFile());
    QString cut = u"SELECT * FROM %1 WHERE id = 1"_s.arg(t.table);
    cut.insert(cut.indexOf(u" WHERE"_s), QChar(0));
    const QString select = u"SELECT * FROM %1"_s.arg(t.table);
    h.configure(t.alias, t.alias, {cut, select, u"id"_s});
    h.dm.TablesMemData().edit();
    h.dm.TablesMemData().setAsText(h.dm.tableFields().Name, u"orders"_s);
    h.dm.TablesMemData().post();
    EXPECT_FALSE(h.openSource());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(
        u"The source query of table setup \"orders\" holds a NUL character"_s))
        << h.view.errors.first().toStdString();
    h.view.errors.clear();
    h.configure(t.alias, t.alias, {select, cut, u"id"_s});
    h.dm.TablesMemData().edit();
    h.dm.TablesMemData().setAsText(h.dm.tableFields().Name, u"orders"_s);
    h.dm.TablesMemData().post();
    EXPECT_FALSE(h.openTarget());
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().contains(u"target query of table setup \"orders\""_s))
        << h.view.errors.first().toStdString();
    const QString inDb = messageOf([&] { InDatabaseCompare(h.dm).restrictCurrentTableSetup(); });
    EXPECT_TRUE(inDb.contains(u"target query of table setup \"orders\" holds a NUL"_s))
        << inDb.toStdString();
    // The Query tab has no table setup; the query itself is refused.
    AdHocQuery query;
    const QString typed = messageOf([&] { query.Run(h.dm, Side::Source, cut); });
    EXPECT_TRUE(typed.contains(u"holds a NUL character"_s)) << typed.toStdString();
}

}  // namespace
}  // namespace qm::test
