#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "support/CliRunner.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Orders refer to customers by CustomerID; the order of customer 2 differs
// between the databases.
const QStringList kTables = {
    u"CREATE TABLE Customer (CustomerID INTEGER PRIMARY KEY, CustomerName TEXT)"_s,
    u"INSERT INTO Customer VALUES (1, 'Ann'), (2, 'Bob')"_s,
    u"CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER, Amount INTEGER)"_s,
};

class FindLookupsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, kTables + QStringList{u"INSERT INTO Orders VALUES (1, 1, 10), "
                                                         "(2, 2, 20)"_s});
        folder.addSqlite(u"Dst"_s, kTables + QStringList{u"INSERT INTO Orders VALUES (1, 1, 10), "
                                                         "(2, 2, 25)"_s});
        project = folder.path(u"shop.qmp"_s);
        run({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s, u"--target-alias"_s,
             u"Dst"_s});
        for (const QString& table : {u"Orders"_s, u"Customer"_s}) {
            const QString sql = u"SELECT * FROM %1 ORDER BY 1"_s.arg(table);
            run({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, table, u"--source-sql"_s,
                 sql, u"--target-sql"_s, sql, u"--key"_s,
                 table == u"Orders"_s ? u"OrderID"_s : u"CustomerID"_s, u"--table"_s, table});
        }
    }
    void run(const QStringList& args) {
        const CliResult r = runCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    CliResult findLookups(const QStringList& extra = {}) const {
        return runCli(QStringList{u"project"_s, u"find-lookups"_s, project, u"--aliases"_s,
                                  folder.aliasFile()} +
                      extra);
    }
    CliResult withAliases(const QString& command) const {
        return runCli({command, project, u"--aliases"_s, folder.aliasFile()});
    }

    AliasFolder folder;
    QString project;
};

const QString kTable =
    u"Table setup  Field       Lookup name     Table     Key         Display\n"
    "Orders       CustomerID  CustomerLookup  Customer  CustomerID  CustomerName\n"_s;

TEST_F(FindLookupsCommandTest, PrintsProposalsAndAddsThemOnlyWhenAsked) {
    const QByteArray before = readBytes(project);
    const CliResult compared = withAliases(u"compare"_s);
    const CliResult scripted = withAliases(u"script"_s);
    ASSERT_EQ(scripted.exitCode, 0) << scripted.err.toStdString();

    const CliResult shown = findLookups();
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, kTable);
    EXPECT_EQ(readBytes(project), before);

    const CliResult applied = findLookups({u"--apply"_s, u"--table-setup"_s, u"Orders"_s});
    EXPECT_EQ(applied.exitCode, 0) << applied.err.toStdString();
    EXPECT_EQ(applied.out, kTable + u"Added 1 lookup definition to \"%1\"."_s.arg(project) + u'\n');

    // Saved, and read back as the desktop program reads it.
    TPrjDataSaved p;
    p.LoadFromIniFile(project);
    auto& orders = dynamic_cast<TFrameNodeData&>(*p.GetItem(0));
    ASSERT_EQ(orders.ObjectCount(), 1);
    TPropValueList& lookup = orders.Objects(0).props();
    EXPECT_EQ(lookup.getString(u"LookupName"_s), u"CustomerLookup"_s);
    EXPECT_EQ(lookup.getString(u"FieldName"_s), u"CustomerID"_s);
    EXPECT_EQ(lookup.getString(u"LookupTableName"_s), u"Customer"_s);
    EXPECT_EQ(lookup.getString(u"LookupKeyFieldName"_s), u"CustomerID"_s);
    EXPECT_EQ(lookup.getString(u"LookupDisplayFieldName"_s), u"CustomerName"_s);
    EXPECT_TRUE(runCli({u"project"_s, u"show"_s, project})
                    .out.contains(u"   Lookup:       CustomerLookup (field CustomerID, table "
                                  "Customer, key CustomerID, display CustomerName)\n"_s));

    // Nothing more to propose; the comparison and the script are as before.
    const QByteArray after = readBytes(project);
    const CliResult again = findLookups({u"--apply"_s});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(again.out,
              u"No lookups proposed.\nAdded 0 lookup definitions to \"%1\".\n"_s.arg(project));
    EXPECT_EQ(readBytes(project), after);
    const CliResult comparedAfter = withAliases(u"compare"_s);
    EXPECT_EQ(comparedAfter.out, compared.out);
    EXPECT_EQ(comparedAfter.exitCode, compared.exitCode);
    EXPECT_EQ(withAliases(u"script"_s).out, scripted.out);
}

TEST_F(FindLookupsCommandTest, BadInputChangesNothing) {
    run({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, u"Broken"_s, u"--source-sql"_s,
         u"SELECT 1"_s, u"--target-sql"_s, u"SELECT * FROM Nowhere"_s, u"--key"_s, u"id"_s,
         u"--table"_s, u"Nowhere"_s});
    const QByteArray before = readBytes(project);
    struct Case {
        const char* what;
        QStringList args;
        int exitCode;
        QString err;
    };
    const Case cases[] = {
        {"unknown table setup",
         {u"--table-setup"_s, u"Ordres"_s, u"--apply"_s},
         2,
         u"Unknown table setup(s) \"Ordres\" in project \"%1\"; it holds: \"Orders\", "
         "\"Customer\", \"Broken\".\n"_s.arg(project)},
        {"target query that cannot be read", {u"--apply"_s}, 1, u"no such table: Nowhere"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliResult r = findLookups(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
        EXPECT_EQ(readBytes(project), before);
    }
}

}  // namespace
}  // namespace qm::test
