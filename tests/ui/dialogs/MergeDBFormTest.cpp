// The selection dialog of the project script: its rows, its ticks and what
// the user may not do in its grid.

#include "dialogs/TMergeDBForm.h"
#include "ui/window/TableSetupProject.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QTableView>

using namespace Qt::StringLiterals;
using namespace qm;
using namespace qm::test;

namespace {

class MergeDBFormTest : public MainWindowTest {
protected:
    MainWindowHarness h_;
};

// The grid's texts row by row: "ticked|name|table".
QStringList gridRows(const QTableView& grid) {
    const QAbstractItemModel& m = *grid.model();
    QStringList rows;
    for (int row = 0; row < m.rowCount(); ++row) {
        const bool ticked = m.index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
        rows << u"%1|%2|%3"_s.arg(ticked ? u"x"_s : u"-"_s, m.index(row, 1).data().toString(),
                                  m.index(row, 2).data().toString());
    }
    return rows;
}

TEST_F(MergeDBFormTest, ShowsEveryTableSetupInProjectOrderAllTickedAndOnlyTheTicksChange) {
    openSampleProject(h_, h_.path(u"Sample.qmp"_s));
    TMergeDBForm form(u"Create Script Automatically"_s);
    form.FormShow(h_.project()->PrjData());

    EXPECT_EQ(form.windowTitle(), u"Create Script Automatically"_s);
    EXPECT_FALSE(form.visualize());
    EXPECT_EQ(form.visualizeBox().text(), u"Visualize on screen while making script"_s);
    QTableView& grid = form.grid();
    QAbstractItemModel& model = *grid.model();
    ASSERT_EQ(model.columnCount(), 3) << "RecId stays hidden";
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), u"Selected"_s);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"Setup Name"_s);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), u"Dest. Table"_s);
    EXPECT_EQ(gridRows(grid),
              (QStringList{u"x|Customers|CUST"_s, u"x|Orders|ORD"_s, u"x|Lines|LIN"_s}))
        << "no new-row line below the table setups";
    EXPECT_EQ(form.selectedPositions(), (std::vector<int>{0, 1, 2}));

    // Only the tick can be changed; names and tables are read-only.
    for (int column = 0; column < 3; ++column) {
        const Qt::ItemFlags f = model.flags(model.index(1, column));
        EXPECT_FALSE(f & Qt::ItemIsEditable) << column;
        EXPECT_EQ(bool(f & Qt::ItemIsUserCheckable), column == 0) << column;
    }
    EXPECT_TRUE(model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(form.selectedPositions(), (std::vector<int>{1, 2}));
    EXPECT_EQ(gridRows(grid).first(), u"-|Customers|CUST"_s);

    // Rows can be neither deleted nor added: positions stay project positions.
    EXPECT_FALSE(model.removeRows(0, 1));
    EXPECT_FALSE(model.insertRows(0, 1));
    EXPECT_EQ(form.ParamsSetups().recordCount(), 3);
    EXPECT_EQ(gridRows(grid).size(), 3);
}

TEST_F(MergeDBFormTest, ANewProjectListsWhatItHolds) {
    h_.show();
    h_.actions.execute(CommandId::PrjNew);
    TMergeDBForm form(u"Create Script Automatically"_s);
    form.FormShow(h_.project()->PrjData());
    const int nodes = h_.project()->PrjData().NodeCount();
    EXPECT_EQ(form.grid().model()->rowCount(), nodes);
    EXPECT_EQ(static_cast<int>(form.selectedPositions().size()), nodes);
}

}  // namespace
