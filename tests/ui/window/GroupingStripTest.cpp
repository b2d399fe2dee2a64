// The grouping strip above a grid: grouping from the header menu and by
// dropping a header, ungrouping from its buttons, group rows spanning the
// grid and collapsing by click or key; and the source and target grids of
// the main window grouped: the "Grouping Panel" command, the grids still
// following each other, and commands passing over group rows.

#include "commands/TActionsDM.h"
#include "list/MemData.h"
#include "models/MemDataModel.h"
#include "support/TestDatabases.h"
#include "ui/window/MainWindowHarness.h"
#include "window/DatabaseTab.h"
#include "window/GroupRowsView.h"
#include "window/GroupingStrip.h"
#include "window/MergeGrids.h"
#include "window/MergeSidePanel.h"
#include "window/MergeTab.h"

#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

/// Region and City, five records in two regions.
std::unique_ptr<MemData> makeList() {
    auto list = std::make_unique<MemData>(u"Places"_s);
    for (const QString& name : {u"Region"_s, u"City"_s}) {
        FieldDef def;
        def.name = name;
        def.type = FieldType::String;
        def.size = 40;
        list->addField(def);
    }
    list->open();
    for (const auto& [region, city] : {std::pair{u"South"_s, u"Rome"_s},
                                       {u"North"_s, u"Oslo"_s},
                                       {u"South"_s, u"Pisa"_s},
                                       {u"North"_s, u"Bergen"_s},
                                       {u"South"_s, u"Bari"_s}}) {
        list->append();
        list->setAsText(1, region);
        list->setAsText(2, city);
        list->post();
    }
    return list;
}

/// A grid in a panel with a box layout, as the windows hold their grids.
class StripTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        list_ = makeList();
        model_ = std::make_unique<MemDataModel>(*list_, MemDataModel::Mode::Editable);
        panel_ = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(panel_.get());
        layout->addWidget(new QLabel(u"title"_s));
        view_ = new QTableView;
        layout->addWidget(view_);
        view_->setModel(model_.get());
        panel_->resize(500, 400);
        strip_ = GroupingStrip::attachAbove(*view_, *model_);
        panel_->show();
        settle();
    }
    void TearDown() override {
        panel_.reset();
        UiTest::TearDown();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
        }
    }
    void drop(const QMimeData& data, int x) {
        QDropEvent event(QPointF(x, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the widget: the application passes drops on only
        // while a drag of its own is under way.
        static_cast<QObject*>(strip_)->event(&event);
    }

    std::unique_ptr<MemData> list_;
    std::unique_ptr<MemDataModel> model_;
    std::unique_ptr<QWidget> panel_;
    QTableView* view_ = nullptr;
    GroupingStrip* strip_ = nullptr;
};

TEST_F(StripTest, GroupsFromTheHeaderMenuAndByADropAndUngroupsFromItsButtons) {
    auto* layout = static_cast<QVBoxLayout*>(panel_->layout());
    EXPECT_EQ(layout->indexOf(strip_), layout->indexOf(view_) - 1) << "right above the grid";
    const auto* hint = strip_->findChild<QLabel*>();
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(hint->text(), u"Drag a column header here to group by that column"_s);

    QTableView otherGrid;
    const std::unique_ptr<QMimeData> foreign = GroupingStrip::headerDragData(otherGrid, 1);
    const std::unique_ptr<QMimeData> city = GroupingStrip::headerDragData(*view_, 1);
    struct Step {
        const char* what;
        std::function<void()> act;
        QStringList buttons;
    };
    const std::vector<Step> steps{
        {"header menu",
         [&] {
             const std::unique_ptr<QMenu> menu = strip_->headerMenu(0);
             ASSERT_EQ(menu->actions().size(), 1);
             EXPECT_EQ(menu->actions()[0]->text(), u"Group by this column"_s);
             menu->actions()[0]->trigger();
         },
         {u"Region"_s}},
        {"a header of another grid is not taken", [&] { drop(*foreign, 0); }, {u"Region"_s}},
        {"a drop before a button goes before it",
         [&] { drop(*city, 0); },
         {u"City"_s, u"Region"_s}},
        {"a drop after the buttons moves a grouping column last",
         [&] { drop(*city, strip_->width() - 5); },
         {u"Region"_s, u"City"_s}},
        {"a click on a button ungroups", [&] { strip_->button(0)->click(); }, {u"City"_s}},
        {"so does its menu's Ungroup",
         [&] {
             const std::unique_ptr<QMenu> menu = strip_->buttonMenu(1);
             EXPECT_EQ(menu->actions()[0]->text(), u"Ungroup"_s);
             menu->actions()[0]->trigger();
         },
         {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        settle();
        EXPECT_EQ(strip_->buttonTexts(), step.buttons);
        QStringList grouping;
        for (const int c : model_->groupColumns()) {
            grouping << model_->headerData(c, Qt::Horizontal).toString();
        }
        EXPECT_EQ(grouping, step.buttons);
        EXPECT_EQ(hint->isVisible(), step.buttons.isEmpty());
    }
    EXPECT_EQ(model_->rowCount(), 6) << "five records and the new-row line";
}

TEST_F(StripTest, GroupRowsSpanTheGridAndCollapseByClickOrKeys) {
    strip_->groupBy(0);
    settle();
    // North (2 records) first, then South (3 records).
    ASSERT_EQ(model_->data(model_->index(0, 0)).toString(), u"Region: North (2 records)"_s);
    const int south = 3;
    ASSERT_TRUE(model_->isGroupRow(south));
    EXPECT_EQ(view_->columnSpan(0, 0), 2);
    EXPECT_EQ(view_->columnSpan(south, 0), 2);
    EXPECT_EQ(view_->columnSpan(1, 0), 1) << "record rows have their cells";
    EXPECT_FALSE(model_->flags(model_->index(0, 0)).testFlag(Qt::ItemIsEditable));

    QTest::mouseClick(view_->viewport(), Qt::LeftButton, {},
                      view_->visualRect(model_->index(0, 0)).center());
    settle();
    EXPECT_FALSE(model_->isGroupExpanded(0));
    EXPECT_TRUE(model_->isGroupRow(1)) << "South's row follows the collapsed North";
    EXPECT_EQ(view_->columnSpan(1, 0), 2) << "spans follow the rows";

    view_->setFocus();
    view_->setCurrentIndex(model_->index(0, 0));
    QTest::keyClick(view_, Qt::Key_Plus);
    EXPECT_TRUE(model_->isGroupExpanded(0));
    QTest::keyClick(view_, Qt::Key_Minus);
    EXPECT_FALSE(model_->isGroupExpanded(0));
    EXPECT_EQ(model_->rowCount(), 6) << "two group rows, South's three records, the new-row line";
}

class MergeGroupingTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        aliases_.addSqlite(u"Src"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, g TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a', 'x'), (2, 'b', 'y'), "
                                      u"(3, 'c', 'x'), (4, 'd', 'y')"_s});
        aliases_.addSqlite(u"Dst"_s, {u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT, g TEXT)"_s,
                                      u"INSERT INTO t VALUES (1, 'a', 'x'), (2, 'q', 'y'), "
                                      u"(5, 'e', 'x')"_s});
        h_.engine.session().setAliasFilePath(aliases_.aliasFile());
        h_.show();
        DatabaseTab& db = h_.form->databaseTab();
        QTest::keyClicks(&db.aliasEdit(Side::Source), u"Src"_s);
        QTest::keyClicks(&db.aliasEdit(Side::Target), u"Dst"_s);
        MergeTab& merge = h_.form->mergeTab();
        QTest::keyClicks(&merge.keyEdit(), u"k"_s);
        QTest::keyClicks(&merge.destTableEdit(), u"t"_s);
        merge.side(Side::Source).queryEditor().setPlainText(u"SELECT k, v, g FROM t ORDER BY k"_s);
        merge.side(Side::Target).queryEditor().setPlainText(u"SELECT k, v, g FROM t ORDER BY k"_s);
    }

    /// Groups both grids by column g.
    void groupBothByG() {
        for (const Side side : {Side::Source, Side::Target}) {
            MemDataModel& model = h_.form->grids().model(side);
            MemData& list =
                side == Side::Source ? h_.engine.SourceMemData() : h_.engine.DestMemData();
            h_.form->grids().groupingStrip(side).groupBy(
                model.columnOfField(list.fieldIndex(u"g"_s)));
        }
    }
    /// The grid row showing the record with key k; -1 if none.
    int rowOfKey(Side side, qint64 key) {
        MemDataModel& model = h_.form->grids().model(side);
        MemData& list = model.list();
        for (int row = 0; row < model.rowCount(); ++row) {
            const int pos = model.listPosition(row);
            if (pos >= 0 && list.refAt(pos, list.fieldIndex(u"k"_s)).i == key) {
                return row;
            }
        }
        return -1;
    }

    AliasFolder aliases_;
    MainWindowHarness h_;
};

TEST_F(MergeGroupingTest, TheGroupingPanelCommandTogglesItsCheckMarkAndBothStrips) {
    QAction& action = *h_.actions.action(CommandId::ViewGroupingPanel);
    MergeGrids& grids = h_.form->grids();
    for (const bool shown : {false, true, false}) {
        SCOPED_TRACE(shown);
        if (shown != action.isChecked()) {
            h_.actions.execute(CommandId::ViewGroupingPanel);
        }
        EXPECT_EQ(action.isChecked(), shown);
        EXPECT_EQ(grids.groupingVisible(), shown);
        EXPECT_EQ(grids.groupingStrip(Side::Source).isVisible(), shown);
        EXPECT_EQ(grids.groupingStrip(Side::Target).isVisible(), shown);
    }
}

TEST_F(MergeGroupingTest, GroupedGridsKeepFollowingEachOtherAndCommandsPassOverGroupRows) {
    h_.actions.execute(CommandId::ViewGroupingPanel);
    h_.actions.execute(CommandId::OpenBothSourceAndTarget);
    groupBothByG();
    MergeGrids& grids = h_.form->grids();
    QTableView& sourceGrid = grids.grid(Side::Source);
    QTableView& targetGrid = grids.grid(Side::Target);
    MemDataModel& sourceModel = grids.model(Side::Source);
    MemDataModel& targetModel = grids.model(Side::Target);
    MemData& target = h_.engine.DestMemData();
    const int k = target.fieldIndex(u"k"_s);
    // Source: x (1, 3), y (2, 4); target: x (1, 5), y (2).
    ASSERT_EQ(sourceModel.rowCount(), 6);
    ASSERT_EQ(rowOfKey(Side::Target, 2), 4);

    // Moving to a record moves the other grid to its partner, in its group.
    sourceGrid.setCurrentIndex(sourceModel.index(rowOfKey(Side::Source, 2), 1));
    EXPECT_EQ(target.asInt(k), 2);
    EXPECT_EQ(targetGrid.currentIndex().row(), rowOfKey(Side::Target, 2));
    targetGrid.setCurrentIndex(targetModel.index(rowOfKey(Side::Target, 1), 1));
    MemData& source = h_.engine.SourceMemData();
    EXPECT_EQ(source.asInt(source.fieldIndex(u"k"_s)), 1);
    EXPECT_EQ(sourceGrid.currentIndex().row(), rowOfKey(Side::Source, 1));
    // A group row moves nothing.
    sourceGrid.setCurrentIndex(sourceModel.index(3, 0));
    EXPECT_EQ(target.asInt(k), 1);

    // The Delete key on a group row asks nothing and deletes nothing.
    targetGrid.setCurrentIndex(targetModel.index(0, 0));
    targetGrid.setFocus();
    QTest::keyClick(&targetGrid, Qt::Key_Delete);
    EXPECT_TRUE(shownBoxes().isEmpty());
    EXPECT_EQ(target.recordCount(), 3);

    // Copying the selected source-only records passes over the group rows.
    sourceGrid.clearSelection();
    for (const int row : {0, rowOfKey(Side::Source, 3), 3, rowOfKey(Side::Source, 4)}) {
        sourceGrid.selectionModel()->select(
            sourceModel.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    EXPECT_EQ(grids.selectedSourceRecIds().size(), 2u);
    h_.actions.execute(CommandId::CopySelectedSourceOnlyRecordsToDestination);
    EXPECT_EQ(target.recordCount(), 5);
    EXPECT_EQ(
        targetModel.data(targetModel.index(0, targetModel.columnOfField(target.fieldIndex(u"g"_s))))
            .toString(),
        QString());
    EXPECT_EQ(targetModel.data(targetModel.index(0, 0)).toString(), u"g: x (3 records)"_s)
        << "the copied records join their groups";
    EXPECT_TRUE(rowOfKey(Side::Target, 4) > rowOfKey(Side::Target, 2));
}

}  // namespace
