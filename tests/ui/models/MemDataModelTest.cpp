// The table model over an in-memory list: reading in place, following the
// list's notices row by row, editing through the list, sorting without
// reordering the list, deleting records.

#include "engine/SqliteEngineFixture.h"
#include "list/MemData.h"
#include "list/ValueText.h"
#include "models/MemDataModel.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QBrush>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Collects the warnings Qt's model tester reports, so a test can assert none.
class ModelWarnings {
public:
    ModelWarnings() {
        messages().clear();
        previous_ = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type != QtDebugMsg && type != QtInfoMsg) {
                    messages() << text;
                }
            });
    }
    ~ModelWarnings() { qInstallMessageHandler(previous_); }
    ModelWarnings(const ModelWarnings&) = delete;
    ModelWarnings& operator=(const ModelWarnings&) = delete;
    static QStringList& messages() {
        static QStringList list;
        return list;
    }

private:
    QtMessageHandler previous_ = nullptr;
};

/// Name (text), Qty (integer), Active (Boolean), Price (fixed-point), and
/// three rows: b/2/true/10.5, A/null/false/9, c/1/true/null.
std::unique_ptr<MemData> makeList() {
    auto list = std::make_unique<MemData>(u"Items"_s);
    const std::pair<QString, FieldType> columns[] = {{u"Name"_s, FieldType::String},
                                                     {u"Qty"_s, FieldType::Integer},
                                                     {u"Active"_s, FieldType::Boolean},
                                                     {u"Price"_s, FieldType::BCD}};
    for (const auto& [name, type] : columns) {
        FieldDef def;
        def.name = name;
        def.type = type;
        def.size = hasSize(type) ? 40 : 0;
        if (name == u"Qty"_s) {
            def.displayLabel = u"Quantity"_s;
        }
        list->addField(def);
    }
    list->open();
    const QStringList rows[] = {{u"b"_s, u"2"_s, u"True"_s, u"10.5"_s},
                                {u"A"_s, {}, u"False"_s, u"9"_s},
                                {u"c"_s, u"1"_s, u"True"_s, {}}};
    for (const QStringList& row : rows) {
        list->append();
        for (int c = 0; c < 4; ++c) {
            if (!row[c].isEmpty()) {
                list->setAsText(c + 1, row[c]);
            }
        }
        list->post();
    }
    return list;
}

/// The display texts of one column over the model's list rows.
QStringList texts(const MemDataModel& model, int column, int rows = -1) {
    QStringList out;
    const int n = rows < 0 ? model.rowCount() : rows;
    for (int r = 0; r < n; ++r) {
        out << model.data(model.index(r, column)).toString();
    }
    return out;
}

QStringList listTexts(const MemData& list, int field) {
    QStringList out;
    for (int p = 0; p < list.recordCount(); ++p) {
        out << ValueText::toText(list.valueAt(p, field), list.field(field).type);
    }
    return out;
}

TEST(MemDataModelTest, ReadsTheListInPlace) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    std::vector<std::pair<int, int>> asked;
    model.setColourProvider([&](int recId, int field) -> std::optional<QColor> {
        asked.emplace_back(recId, field);
        return recId == 2 && field == 2 ? std::optional<QColor>(Qt::red) : std::nullopt;
    });

    // RecId is hidden; captions are display labels.
    ASSERT_EQ(model.columnCount(), 4);
    ASSERT_EQ(model.rowCount(), 3);  // read-only: no new-row line
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c) {
        captions << model.headerData(c, Qt::Horizontal).toString();
    }
    EXPECT_EQ(captions, (QStringList{u"Name"_s, u"Quantity"_s, u"Active"_s, u"Price"_s}));
    EXPECT_EQ(texts(model, 0), (QStringList{u"b"_s, u"A"_s, u"c"_s}));
    EXPECT_EQ(texts(model, 1), (QStringList{u"2"_s, u""_s, u"1"_s}));
    EXPECT_EQ(texts(model, 3), (QStringList{u"10.5"_s, u"9"_s, u""_s}));
    EXPECT_FALSE(model.data(model.index(1, 1)).isValid()) << "null shows nothing";
    EXPECT_EQ(model.data(model.index(1, 1), Qt::EditRole), QVariant());

    // Booleans are check boxes.
    EXPECT_EQ(model.data(model.index(0, 2), Qt::CheckStateRole), QVariant(Qt::Checked));
    EXPECT_EQ(model.data(model.index(1, 2), Qt::CheckStateRole), QVariant(Qt::Unchecked));
    EXPECT_FALSE(model.data(model.index(0, 2)).isValid());

    // Background colours come from the provider, by RecId and field index.
    asked.clear();
    EXPECT_EQ(model.data(model.index(1, 1), Qt::BackgroundRole).value<QBrush>().color(),
              QColor(Qt::red));
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{2, 2}, {1, 2}}));

    EXPECT_EQ(model.recIdAt(2), 3);
    EXPECT_EQ(model.rowOfRecId(3), 2);
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model.setData(model.index(0, 0), u"x"_s));
    EXPECT_EQ(list->valueAt(0, 1).asBytes(), "b");
}

// The same changes of the list, seen by an unsorted and by a sorted grid.
class MemDataModelNoticeTest : public testing::TestWithParam<bool> {};

TEST_P(MemDataModelNoticeTest, FollowsTheListRowByRow) {
    const bool sortedByName = GetParam();
    auto list = makeList();
    ModelWarnings warnings;
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    if (sortedByName) {
        model.sort(0, Qt::AscendingOrder);
    }
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    // An edit of one row redraws that row.
    list->moveTo(2);
    list->edit();
    list->setAsText(1, u"cc"_s);
    list->post();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 2);  // "c" is last either way
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 2);

    // A new row is one inserted row (a sorted grid shows it last).
    list->append();
    list->setAsText(1, u"a0"_s);
    list->post();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);

    // A deleted row is one removed row, where the grid showed it.
    list->moveTo(0);  // "b"
    list->deleteRow();
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), sortedByName ? 1 : 0);

    EXPECT_EQ(resets.count(), 0);
    // The new row stays last in the sorted grid too, until the user sorts again.
    EXPECT_EQ(texts(model, 0), (QStringList{u"A"_s, u"cc"_s, u"a0"_s}));
    for (int r = 0; r < model.rowCount(); ++r) {
        EXPECT_EQ(model.recIdAt(r), list->recIdAt(model.listPosition(r)));
    }

    // Closing is a reset to no rows.
    list->close();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(warnings.messages(), QStringList());
}

TEST_P(MemDataModelNoticeTest, ShowsTheRowTheListIsInserting) {
    // A list kept in name order puts a posted row among the others, as the
    // table-setup list does with its display order.
    const bool sortedByName = GetParam();
    auto list = makeList();
    list->setSortField(1);  // A, b, c
    ModelWarnings warnings;
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    if (sortedByName) {
        model.sort(0, Qt::DescendingOrder);  // c, b, A
    }
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    ASSERT_EQ(model.rowCount(), 4);

    // The list begins a row of its own accord: it shows above the new-row line.
    list->append();
    list->setAsText(1, u"B2"_s);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_TRUE(model.isInsertingRow(3));
    EXPECT_TRUE(model.isNewRowLine(4));
    EXPECT_EQ(model.data(model.index(3, 0)).toString(), u"B2"_s);
    EXPECT_EQ(model.recIdAt(3), 4);
    EXPECT_EQ(model.rowOfRecId(4), 3);
    list->cancel();
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_TRUE(model.isNewRowLine(3));

    // Posted, it takes its place in the list (a sorted grid shows it last).
    list->append();
    list->setAsText(1, u"B2"_s);
    list->post();
    EXPECT_EQ(model.rowCount(), 5);
    const QStringList expected = sortedByName ? QStringList{u"c"_s, u"b"_s, u"A"_s, u"B2"_s}
                                              : QStringList{u"A"_s, u"b"_s, u"B2"_s, u"c"_s};
    EXPECT_EQ(texts(model, 0, 4), expected);
    EXPECT_EQ(model.rowOfRecId(4), sortedByName ? 3 : 2) << "a cancelled row uses no RecId";
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(warnings.messages(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(ListOrderAndSorted, MemDataModelNoticeTest, testing::Bool());

TEST(MemDataModelTest, SortsByOneOrSeveralColumnsWithoutReorderingTheList) {
    auto list = makeList();
    list->append();
    list->setAsText(1, u"B"_s);
    list->setAsText(2, u"5"_s);
    list->setAsText(3, u"False"_s);
    list->setAsText(4, u"9.75"_s);
    list->post();
    const QStringList listOrder = listTexts(*list, 1);
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    const QPersistentModelIndex cell = model.index(2, 0);  // "c"

    struct Case {
        std::vector<std::pair<int, Qt::SortOrder>> by;
        QStringList names;
    };
    const Case cases[] = {
        // Text without regard to case; equal keys keep list order.
        {{{0, Qt::AscendingOrder}}, {u"A"_s, u"b"_s, u"B"_s, u"c"_s}},
        {{{0, Qt::DescendingOrder}}, {u"c"_s, u"b"_s, u"B"_s, u"A"_s}},
        // Null first; numbers by value.
        {{{1, Qt::AscendingOrder}}, {u"A"_s, u"c"_s, u"b"_s, u"B"_s}},
        // Fixed-point by number, not by text ("9" before "10.5").
        {{{3, Qt::AscendingOrder}}, {u"c"_s, u"A"_s, u"B"_s, u"b"_s}},
        // Several columns: Active descending, then Qty descending.
        {{{2, Qt::DescendingOrder}, {1, Qt::DescendingOrder}}, {u"b"_s, u"c"_s, u"B"_s, u"A"_s}},
        {{{2, Qt::AscendingOrder}, {1, Qt::AscendingOrder}}, {u"A"_s, u"B"_s, u"c"_s, u"b"_s}},
    };
    for (const Case& c : cases) {
        model.sortBy(c.by);
        EXPECT_EQ(texts(model, 0), c.names) << "sort key column " << c.by.front().first;
        EXPECT_EQ(model.data(cell).toString(), u"c"_s) << "the held cell keeps its record";
    }
    EXPECT_EQ(listTexts(*list, 1), listOrder) << "the list itself is not reordered";
    model.clearSort();
    EXPECT_EQ(texts(model, 0), listOrder);
    EXPECT_TRUE(model.sortKeys().empty());
}

TEST(MemDataModelTest, EditsWriteThroughTheList) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    QSignalSpy failures(&model, &MemDataModel::editFailed);
    ASSERT_EQ(model.rowCount(), 4);
    EXPECT_TRUE(model.isNewRowLine(3));
    EXPECT_TRUE(model.flags(model.index(0, 1)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.flags(model.index(0, 2)).testFlag(Qt::ItemIsUserCheckable));

    // An existing row is posted at once.
    EXPECT_TRUE(model.setData(model.index(1, 1), u"7"_s));
    EXPECT_EQ(list->valueAt(1, 2).asInt(), 7);
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_TRUE(model.setData(model.index(1, 2), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(list->valueAt(1, 3).asBool());
    EXPECT_TRUE(model.setData(model.index(0, 1), u""_s));
    EXPECT_TRUE(list->valueAt(0, 2).isNull()) << "an emptied number cell is null";

    // A value the column cannot hold is refused with a message; nothing changes.
    EXPECT_FALSE(model.setData(model.index(1, 1), u"seven"_s));
    ASSERT_EQ(failures.count(), 1);
    EXPECT_EQ(failures[0][0].toString(), u"'seven' is not a valid Integer value"_s);
    EXPECT_EQ(list->valueAt(1, 2).asInt(), 7);
    EXPECT_EQ(list->state(), ListState::Browse);

    // Typing into the new-row line starts a row, filled column by column.
    EXPECT_TRUE(model.setData(model.index(3, 0), u"d"_s));
    EXPECT_EQ(list->state(), ListState::Insert);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_TRUE(model.isInsertingRow(3));
    EXPECT_TRUE(model.isNewRowLine(4));
    EXPECT_TRUE(model.setData(model.index(3, 1), u"4"_s));
    EXPECT_EQ(texts(model, 1, 4), (QStringList{u""_s, u"7"_s, u"1"_s, u"4"_s}));
    EXPECT_EQ(list->recordCount(), 3);
    EXPECT_TRUE(model.submit());
    EXPECT_EQ(list->recordCount(), 4);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_FALSE(model.isInsertingRow(3));
    EXPECT_EQ(model.recIdAt(3), 4);
    EXPECT_EQ(listTexts(*list, 1).last(), u"d"_s);

    // A row begun and reverted leaves nothing.
    EXPECT_TRUE(model.setData(model.index(4, 0), u"e"_s));
    EXPECT_EQ(model.rowCount(), 6);
    model.revert();
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(list->recordCount(), 4);
}

TEST(MemDataModelTest, AGridViewAddsARowThroughTheNewRowLine) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    QTableView view;
    view.setModel(&model);
    view.resize(600, 300);
    view.show();

    // Type a name into the new-row line and press Enter: the editor writes
    // the value, and closing it with Enter posts the row.
    const QModelIndex cell = model.index(3, 0);
    view.setCurrentIndex(cell);
    view.edit(cell);
    const auto editors = view.findChildren<QLineEdit*>();
    ASSERT_EQ(editors.size(), 1);
    QLineEdit* editor = editors.front();
    ASSERT_NE(editor, nullptr);
    editor->setText(u"d"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the delegate commits on a queued call
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(listTexts(*list, 1), (QStringList{u"b"_s, u"A"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_TRUE(model.isNewRowLine(4));
}

TEST(MemDataModelTest, RemovesTheRecordsOfSelectedRows) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::Editable);
    model.sort(0, Qt::AscendingOrder);                      // A, b, c
    ASSERT_TRUE(model.setData(model.index(3, 0), u"d"_s));  // a row being inserted
    // Rows of A and c, the inserting row and the new-row line.
    EXPECT_TRUE(model.removeRecords({0, 2, 3, 4}));
    EXPECT_EQ(listTexts(*list, 1), (QStringList{u"b"_s}));
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(texts(model, 0, 1), (QStringList{u"b"_s}));

    MemDataModel readOnly(*list, MemDataModel::Mode::ReadOnly);
    EXPECT_FALSE(readOnly.removeRows(0, 1));
    EXPECT_EQ(list->recordCount(), 1);
}

TEST(MemDataModelTest, DeleteConfirmationNamesOneOrAllSelectedRecords) {
    const std::pair<int, QString> cases[] = {
        {1, u"Delete record?"_s},
        {2, u"Delete all selected records?"_s},
        {25, u"Delete all selected records?"_s},
    };
    for (const auto& [rows, text] : cases) {
        EXPECT_EQ(deleteConfirmationText(rows), text) << rows;
    }
}

// The table-setup grid over the engine's own table-setup list.
class TableSetupGridTest : public SqliteEngineTest {};

TEST_F(TableSetupGridTest, ShowsTheDesignedColumnsInDisplayOrder) {
    MemData& tables = h.dm.TablesMemData();
    const TDM::TableFields& tf = h.dm.tableFields();
    tables.open();
    for (const auto& [name, order] :
         {std::pair{u"third"_s, 3}, {u"first"_s, 1}, {u"second"_s, 2}}) {
        tables.append();
        tables.setAsText(tf.Name, name);
        tables.setAsInt(tf.DisplayOrder, order);
        tables.setAsText(tf.PrimaryKeySpec, u"id"_s);
        tables.post();
    }
    MemDataModel model(tables, MemDataModel::Mode::Editable, ColumnPlan::tableSetups());
    QStringList captions;
    std::vector<int> widths;
    for (int c = 0; c < model.columnCount(); ++c) {
        captions << model.headerData(c, Qt::Horizontal).toString();
        widths.push_back(model.columnWidth(c));
    }
    EXPECT_EQ(captions, (QStringList{u"#"_s, u"Table Setup Name"_s, u"Primary Key"_s,
                                     u"Target Table Name"_s}));
    EXPECT_EQ(widths, (std::vector<int>{31, 247, 234, 164}));
    EXPECT_EQ(texts(model, 1, 3), (QStringList{u"first"_s, u"second"_s, u"third"_s}));
    EXPECT_EQ(model.sortKeys(), (std::vector<SortKey>{{tf.DisplayOrder, Qt::AscendingOrder}}));

    // The hidden check-box columns are in the plan for a grid that shows them.
    const ColumnPlan plan = ColumnPlan::tableSetups();
    QStringList hidden;
    for (const qm::ColumnSpec& c : plan.columns) {
        if (!c.shown) {
            hidden << c.field + (c.checkBox ? u" (check box)"_s : QString());
        }
    }
    EXPECT_EQ(hidden,
              (QStringList{u"RecId"_s, u"SourceQuerySQL"_s, u"DestQuerySQL"_s,
                           u"ScriptOn (check box)"_s, u"ScriptTableChanged (check box)"_s}));
}

}  // namespace
}  // namespace qm::test
