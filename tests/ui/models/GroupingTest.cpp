// Grouping the rows of the table model over an in-memory list: order and
// group captions, collapsing, group rows holding no record, and regrouping
// as the list changes.

#include "list/MemData.h"
#include "models/MemDataModel.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QPersistentModelIndex>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Region (text), City (text), Qty (integer). RecIds 1..6 in this order.
std::unique_ptr<MemData> makeList() {
    auto list = std::make_unique<MemData>(u"Sales"_s);
    for (const auto& [name, type] :
         {std::pair{u"Region"_s, FieldType::String}, std::pair{u"City"_s, FieldType::String},
          std::pair{u"Qty"_s, FieldType::Integer}}) {
        FieldDef def;
        def.name = name;
        def.type = type;
        def.size = hasSize(type) ? 40 : 0;
        list->addField(def);
    }
    list->open();
    const QStringList rows[] = {{u"North"_s, u"Oslo"_s, u"3"_s},   {u"South"_s, u"Rome"_s, u"1"_s},
                                {u"north"_s, u"Bergen"_s, u"2"_s}, {u"South"_s, u"Rome"_s, u"5"_s},
                                {{}, u"Nowhere"_s, u"4"_s},        {u"North"_s, u"Oslo"_s, u"6"_s}};
    for (const QStringList& row : rows) {
        list->append();
        for (int c = 0; c < 3; ++c) {
            if (!row[c].isEmpty()) {
                list->setAsText(c + 1, row[c]);
            }
        }
        list->post();
    }
    return list;
}

/// The grid's rows as text: a group row as its caption, indented by its
/// level and marked + when collapsed; a record row as City/Qty.
QStringList shown(const MemDataModel& model) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.isGroupRow(r)) {
            out << QString(model.groupLevel(r) * 2, u' ') +
                       (model.isGroupExpanded(r) ? u"- "_s : u"+ "_s) +
                       model.data(model.index(r, 0)).toString();
        } else {
            out << model.data(model.index(r, 1)).toString() + u'/' +
                       model.data(model.index(r, 2)).toString();
        }
    }
    return out;
}

/// Every record row reads its own record; group rows read none.
void expectRowsMapToRecords(const MemDataModel& model) {
    for (int r = 0; r < model.rowCount(); ++r) {
        const int pos = model.listPosition(r);
        if (model.isGroupRow(r)) {
            EXPECT_EQ(pos, -1) << r;
            EXPECT_EQ(model.recIdAt(r), -1) << r;
            EXPECT_EQ(model.headerData(r, Qt::Vertical), QVariant()) << r;
        } else if (pos >= 0) {
            EXPECT_EQ(model.recIdAt(r), model.list().recIdAt(pos)) << r;
            EXPECT_EQ(model.rowOfPosition(pos), r);
            EXPECT_EQ(model.rowOfRecId(model.recIdAt(r)), r);
        }
    }
}

struct GroupCase {
    const char* name;
    std::vector<int> groupColumns;
    std::vector<std::pair<int, Qt::SortOrder>> sort;
    QStringList rows;
};

class GroupingOrderTest : public testing::TestWithParam<GroupCase> {};

TEST_P(GroupingOrderTest, OrdersByTheGroupingColumnsWithACaptionBeforeEachGroup) {
    const GroupCase& c = GetParam();
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    if (!c.sort.empty()) {
        model.sortBy(c.sort);
    }
    model.groupBy(c.groupColumns);
    EXPECT_EQ(model.groupColumns(), c.groupColumns);
    EXPECT_EQ(shown(model), c.rows);
    expectRowsMapToRecords(model);
    for (int r = 0; r < model.rowCount(); ++r) {
        EXPECT_FALSE(model.isGroupRow(r) && model.flags(model.index(r, 0)) & Qt::ItemIsEditable);
    }
    // The list itself keeps its order.
    EXPECT_EQ(list->recIdAt(0), 1);
    EXPECT_EQ(list->recIdAt(5), 6);

    model.groupBy({});
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.recIdAt(0), c.sort.empty() ? 1 : model.recIdAt(0));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupingOrderTest,
    testing::Values(
        // Null first; text groups without regard to case, captioned by the
        // first record's value; records keep list order within a group.
        GroupCase{"OneColumn",
                  {0},
                  {},
                  {u"- Region: (1 record)"_s, u"Nowhere/4"_s, u"- Region: North (3 records)"_s,
                   u"Oslo/3"_s, u"Bergen/2"_s, u"Oslo/6"_s, u"- Region: South (2 records)"_s,
                   u"Rome/1"_s, u"Rome/5"_s}},
        // The grid's sort orders the records within each group.
        GroupCase{"OneColumnSortedWithin",
                  {0},
                  {{2, Qt::DescendingOrder}},
                  {u"- Region: (1 record)"_s, u"Nowhere/4"_s, u"- Region: North (3 records)"_s,
                   u"Oslo/6"_s, u"Oslo/3"_s, u"Bergen/2"_s, u"- Region: South (2 records)"_s,
                   u"Rome/5"_s, u"Rome/1"_s}},
        // A grouping column that is also sorted by gives its direction to the groups.
        GroupCase{"GroupsDescending",
                  {0},
                  {{0, Qt::DescendingOrder}},
                  {u"- Region: South (2 records)"_s, u"Rome/1"_s, u"Rome/5"_s,
                   u"- Region: North (3 records)"_s, u"Oslo/3"_s, u"Bergen/2"_s, u"Oslo/6"_s,
                   u"- Region: (1 record)"_s, u"Nowhere/4"_s}},
        GroupCase{"TwoColumns",
                  {0, 1},
                  {},
                  {u"- Region: (1 record)"_s, u"  - City: Nowhere (1 record)"_s, u"Nowhere/4"_s,
                   u"- Region: north (3 records)"_s, u"  - City: Bergen (1 record)"_s,
                   u"Bergen/2"_s, u"  - City: Oslo (2 records)"_s, u"Oslo/3"_s, u"Oslo/6"_s,
                   u"- Region: South (2 records)"_s, u"  - City: Rome (2 records)"_s, u"Rome/1"_s,
                   u"Rome/5"_s}},
        GroupCase{"InnerColumnFirst",
                  {1, 0},
                  {},
                  {u"- City: Bergen (1 record)"_s, u"  - Region: north (1 record)"_s, u"Bergen/2"_s,
                   u"- City: Nowhere (1 record)"_s, u"  - Region: (1 record)"_s, u"Nowhere/4"_s,
                   u"- City: Oslo (2 records)"_s, u"  - Region: North (2 records)"_s, u"Oslo/3"_s,
                   u"Oslo/6"_s, u"- City: Rome (2 records)"_s, u"  - Region: South (2 records)"_s,
                   u"Rome/1"_s, u"Rome/5"_s}}),
    [](const testing::TestParamInfo<GroupCase>& param) { return std::string(param.param.name); });

TEST(GroupingTest, CollapsesAndExpandsGroupsAndKeepsThemCollapsedWhenRegrouped) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.groupBy({0, 1});
    // North is rows 3 .. 8; its Oslo group row is row 6.
    // The caption shows the first record's value: Bergen comes first.
    ASSERT_EQ(model.data(model.index(3, 0)).toString(), u"Region: north (3 records)"_s);
    model.setGroupExpanded(6, false);
    model.setGroupExpanded(3, false);
    EXPECT_EQ(
        shown(model),
        (QStringList{u"- Region: (1 record)"_s, u"  - City: Nowhere (1 record)"_s, u"Nowhere/4"_s,
                     u"+ Region: north (3 records)"_s, u"- Region: South (2 records)"_s,
                     u"  - City: Rome (2 records)"_s, u"Rome/1"_s, u"Rome/5"_s}));
    expectRowsMapToRecords(model);
    EXPECT_EQ(model.rowOfRecId(1), -1) << "a record of a collapsed group has no row";

    // A new record and a resort regroup; the collapsed groups stay collapsed.
    list->append();
    list->setAsText(1, u"NORTH"_s);
    list->setAsText(2, u"Oslo"_s);
    list->setAsText(3, u"7"_s);
    list->post();
    model.sort(2, Qt::DescendingOrder);
    EXPECT_EQ(model.data(model.index(3, 0)).toString(), u"Region: north (4 records)"_s);
    EXPECT_FALSE(model.isGroupExpanded(3));
    model.setGroupExpanded(3, true);
    EXPECT_EQ(shown(model).mid(3, 6),
              (QStringList{u"- Region: north (4 records)"_s, u"  - City: Bergen (1 record)"_s,
                           u"Bergen/2"_s, u"  + City: Oslo (3 records)"_s,
                           u"- Region: South (2 records)"_s, u"  - City: Rome (2 records)"_s}));
    model.setGroupExpanded(6, true);
    EXPECT_EQ(shown(model).mid(6, 4), (QStringList{u"  - City: Oslo (3 records)"_s, u"Oslo/7"_s,
                                                   u"Oslo/6"_s, u"Oslo/3"_s}));
    expectRowsMapToRecords(model);
}

TEST(GroupingTest, RegroupsAsTheListChangesAndTheCurrentRowKeepsItsRecord) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.groupBy({0});
    const auto rowOf = [&](int recId) { return model.rowOfRecId(recId); };
    QPersistentModelIndex current = model.index(rowOf(4), 1);  // Rome/5
    QPersistentModelIndex southRow = model.index(rowOf(2) - 1, 0);
    ASSERT_TRUE(model.isGroupRow(southRow.row()));

    struct Step {
        const char* what;
        std::function<void()> change;
        QStringList rows;
    };
    const std::vector<Step> steps{
        {"a record is added to its group",
         [&] {
             list->append();
             list->setAsText(1, u"South"_s);
             list->setAsText(2, u"Pisa"_s);
             list->post();
         },
         {u"- Region: (1 record)"_s, u"Nowhere/4"_s, u"- Region: North (3 records)"_s, u"Oslo/3"_s,
          u"Bergen/2"_s, u"Oslo/6"_s, u"- Region: South (3 records)"_s, u"Rome/1"_s, u"Rome/5"_s,
          u"Pisa/"_s, u"/"_s}},
        {"the last record of a group is deleted",
         [&] {
             list->moveTo(list->positionOfRecId(5));
             list->deleteRow();
         },
         {u"- Region: North (3 records)"_s, u"Oslo/3"_s, u"Bergen/2"_s, u"Oslo/6"_s,
          u"- Region: South (3 records)"_s, u"Rome/1"_s, u"Rome/5"_s, u"Pisa/"_s, u"/"_s}},
        {"a record moves to another group once the change is over",
         [&] {
             list->moveTo(list->positionOfRecId(3));
             list->edit();
             list->setAsText(1, u"South"_s);
             list->post();
             QCoreApplication::processEvents();
         },
         {u"- Region: North (2 records)"_s, u"Oslo/3"_s, u"Oslo/6"_s,
          u"- Region: South (4 records)"_s, u"Rome/1"_s, u"Bergen/2"_s, u"Rome/5"_s, u"Pisa/"_s,
          u"/"_s}},
        {"a record of a new value makes a new group",
         [&] {
             list->moveTo(list->positionOfRecId(1));
             list->edit();
             list->setAsText(1, u"East"_s);
             list->post();
             QCoreApplication::processEvents();
         },
         {u"- Region: East (1 record)"_s, u"Oslo/3"_s, u"- Region: North (1 record)"_s, u"Oslo/6"_s,
          u"- Region: South (4 records)"_s, u"Rome/1"_s, u"Bergen/2"_s, u"Rome/5"_s, u"Pisa/"_s,
          u"/"_s}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(shown(model), step.rows);
        expectRowsMapToRecords(model);
        EXPECT_EQ(model.recIdAt(current.row()), 4);
        EXPECT_TRUE(model.isGroupRow(southRow.row()));
        EXPECT_TRUE(model.data(southRow).toString().startsWith(u"Region: South"_s));
    }
}

TEST(GroupingTest, ANewRowTypedIntoTheGridJoinsItsGroupWhenPosted) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.groupBy({0});
    const int line = model.rowCount() - 1;
    ASSERT_TRUE(model.isNewRowLine(line));
    ASSERT_TRUE(model.setData(model.index(line, 0), u"North"_s));
    ASSERT_TRUE(model.setData(model.index(line, 1), u"Tromso"_s));
    EXPECT_TRUE(model.isInsertingRow(line)) << "shown last until posted";
    EXPECT_EQ(model.data(model.index(line, 1)).toString(), u"Tromso"_s);
    ASSERT_TRUE(model.submit());
    const int row = model.rowOfRecId(7);
    EXPECT_EQ(shown(model).mid(row - 4, 5),
              (QStringList{u"- Region: North (4 records)"_s, u"Oslo/3"_s, u"Bergen/2"_s,
                           u"Oslo/6"_s, u"Tromso/"_s}));
    EXPECT_TRUE(model.isNewRowLine(model.rowCount() - 1));
    EXPECT_FALSE(model.isInsertingRow(model.rowCount() - 2));
    expectRowsMapToRecords(model);
}

}  // namespace
}  // namespace qm::test
