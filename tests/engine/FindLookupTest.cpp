#include "SqliteEngineFixture.h"
#include "engine/ProjectTableSetups.h"
#include "engine/TFindLookup.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

TEST(FindLookupNames, StemsComeFromTheFirstSuffixThatLeavesSomething) {
    const std::pair<QString, QString> cases[] = {
        {u"CustomerID"_s, u"Customer"_s},
        {u"OrderNr"_s, u"Order"_s},
        {u"CustomerNummer"_s, u"Customer"_s},
        {u"ProductKey"_s, u"Product"_s},
        {u"NoteText"_s, u"teText"_s},  // holds "No"
        {u"IDCardID"_s, u"Card"_s},    // every occurrence goes
        {u"CustomerId"_s, QString()},  // letter case counts
        {u"ID"_s, QString()},
        {u"Name"_s, QString()},
    };
    for (const auto& [column, stem] : cases) {
        EXPECT_EQ(TFindLookup::GetStem(column), stem) << qPrintable(column);
    }
    EXPECT_EQ(TFindLookup::StripSuffix(u"CustomerID"_s, u"Key"_s), QString());
}

// Orders refers to the table setups customer (by CustomerID and CustomerNo)
// and CustomerAccountHolder; PRODUCTS has no ProductName, so ProductRef
// refers to nothing.
const QStringList kTarget = {
    u"CREATE TABLE ORDERS (OrderID INTEGER PRIMARY KEY, CustomerID INTEGER, CustomerNo "
    "INTEGER, CustomerId2 INTEGER, ProductRef INTEGER, CustomerAccountHolderID INTEGER)"_s,
    u"INSERT INTO ORDERS VALUES (1, 1, 1, 1, 1, 1)"_s,
    u"CREATE TABLE CUSTOMERS (customerid INTEGER PRIMARY KEY, CustomerName TEXT)"_s,
    u"CREATE TABLE PRODUCTS (ProductID INTEGER PRIMARY KEY, Title TEXT)"_s,
    u"CREATE TABLE ACCOUNTS (CustomerAccountHolderID INTEGER, CustomerAccountHolderName TEXT)"_s,
};

class FindLookupTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases({u"CREATE TABLE x (id INTEGER)"_s}, kTarget);
        configure({u"SELECT * FROM x"_s, u"SELECT * FROM x"_s, u"id"_s});
        addTableSetup(u"Orders"_s, u"ORDERS"_s,
                      u"SELECT * FROM ORDERS WHERE OrderID > 0\nORDER BY OrderID;"_s);
        addTableSetup(u"customer"_s, u"CUSTOMERS"_s, u"SELECT * FROM CUSTOMERS"_s);
        addTableSetup(u"Product"_s, u"PRODUCTS"_s, u"SELECT * FROM PRODUCTS ORDER BY Title"_s);
        addTableSetup(u"CustomerAccountHolder"_s, u"ACCOUNTS"_s, u"SELECT * FROM ACCOUNTS"_s);
        h.dm.ConnectTarget();
    }
    void addTableSetup(const QString& name, const QString& table, const QString& sql) {
        MemData& t = h.dm.TablesMemData();
        const TDM::TableFields& tf = h.dm.tableFields();
        t.edit();
        t.setAsText(tf.Name, name);
        t.setAsText(tf.DestTableName, table);
        t.setAsText(tf.DestQuerySQL, sql);
        t.post();
        ProjectTableSetups::AddTableSetup(project, t);
    }
    TFrameNodeData& tableSetup(int i) { return static_cast<TFrameNodeData&>(*project.GetItem(i)); }
    std::vector<LookupProposal> discoverAll() {
        TFindLookup find(project, h.dm.DestDatabase());
        return find.Discover(std::vector<int>{3, 2, 1, 0});
    }

    TPrjDataSaved project;
};

const LookupProposal kById{true,           u"Orders"_s,     u"CustomerID"_s,   u"CustomerLookup"_s,
                           u"CUSTOMERS"_s, u"customerid"_s, u"CustomerName"_s, QString()};

TEST_F(FindLookupTest, ProposalsFollowTheNamingConvention) {
    EXPECT_EQ(TFindLookup(project, h.dm.DestDatabase()).FindTableSetupByName(u"Customer"_s),
              project.GetItem(1));
    LookupProposal byNo = kById;
    byNo.fieldName = u"CustomerNo"_s;
    LookupProposal holder = kById;
    holder.fieldName = u"CustomerAccountHolderID"_s;  // longer than 20 characters
    holder.lookupName = u"CustomerAccountHolderLookup"_s;
    holder.lookupTableName = u"ACCOUNTS"_s;
    holder.lookupKeyFieldName = u"CustomerAccountHolderID"_s;
    holder.lookupDisplayFieldName = u"CustomerAccountHolderName"_s;
    // Last column first; the key column keeps the letter case the database
    // reports; a table setup's own table and a table without a display
    // column give nothing.
    EXPECT_EQ(discoverAll(), (std::vector<LookupProposal>{holder, byNo, kById}));

    // Through the review list and back, every proposal ticked and whole.
    MemData list(u"NewLookupsMemData"_s);
    TFindLookup::CreateProposalFields(list);
    list.open();
    TFindLookup::FillList(list, discoverAll());
    EXPECT_EQ(list.field(1).label(), u"Create"_s);
    EXPECT_EQ(TFindLookup::ReadList(list), (std::vector<LookupProposal>{holder, byNo, kById}));
}

TEST_F(FindLookupTest, OnlyTickedProposalsBecomeDefinitionsAndAreNotProposedAgain) {
    std::vector<LookupProposal> proposals = discoverAll();
    ASSERT_EQ(proposals.size(), 3U);
    proposals[1].create = false;  // CustomerNo
    EXPECT_EQ(TFindLookup::Apply(project, proposals), 2);
    TFrameNodeData& orders = tableSetup(0);
    ASSERT_EQ(orders.ObjectCount(), 2);
    TPropValueList& made = orders.Objects(0).props();
    EXPECT_EQ(made.getString(u"FieldName"_s), u"CustomerAccountHolderID"_s);
    EXPECT_EQ(made.getString(u"LookupName"_s), u"CustomerAccountHolderLookup"_s);
    EXPECT_EQ(made.getString(u"LookupKeyFieldName"_s), u"CustomerAccountHolderID"_s);
    EXPECT_EQ(orders.Objects(1).props().getString(u"FieldName"_s), u"CustomerID"_s);

    // A second run proposes only the field still without a definition.
    LookupProposal byNo = kById;
    byNo.fieldName = u"CustomerNo"_s;
    EXPECT_EQ(discoverAll(), std::vector<LookupProposal>{byNo});
}

TEST_F(FindLookupTest, AProposalForAnUnknownTableSetupCreatesNothing) {
    std::vector<LookupProposal> proposals = discoverAll();
    proposals[2].tableSetupName = u"Ordres"_s;
    try {
        TFindLookup::Apply(project, proposals);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  u"No lookup definition was created: the project has no table setup named "
                  "\"Ordres\"."_s);
    }
    EXPECT_EQ(tableSetup(0).ObjectCount(), 0);
    // An unticked row does not count.
    proposals[2].create = false;
    EXPECT_EQ(TFindLookup::Apply(project, proposals), 2);
}

TEST_F(FindLookupTest, AQueryThatCannotBeReadEndsTheRun) {
    addTableSetup(u"Broken"_s, u"BROKEN"_s, u"SELECT * FROM nosuch"_s);
    TFindLookup find(project, h.dm.DestDatabase());
    EXPECT_THROW(find.Discover(std::vector<int>{0, 4}), DatabaseError);
    // So does a referenced table setup whose target table is missing.
    addTableSetup(u"Ghost"_s, u"GHOSTS"_s, u"SELECT * FROM ORDERS"_s);
    addTableSetup(u"Pointer"_s, u"ORDERS2"_s, u"SELECT OrderID AS GhostID FROM ORDERS"_s);
    EXPECT_THROW(find.Discover(std::vector<int>{6}), DatabaseError);
}

}  // namespace
}  // namespace qm::test
