// Sorting a grid from its header: one column by a click, further columns by
// Shift+click, the order turned round by clicking a sorted column again.

#include "list/MemData.h"
#include "models/MemDataModel.h"
#include "window/HeaderSorting.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Group (text) and N (integer), rows b/2, a/3, b/1, a/1.
std::unique_ptr<MemData> makeList() {
    auto list = std::make_unique<MemData>(u"Rows"_s);
    for (const auto& [name, type] :
         {std::pair{u"Group"_s, FieldType::String}, std::pair{u"N"_s, FieldType::Integer}}) {
        FieldDef def;
        def.name = name;
        def.type = type;
        def.size = type == FieldType::String ? 10 : 0;
        list->addField(def);
    }
    list->open();
    for (const auto& [group, n] :
         {std::pair{u"b"_s, 2}, std::pair{u"a"_s, 3}, std::pair{u"b"_s, 1}, std::pair{u"a"_s, 1}}) {
        list->append();
        list->setAsText(1, group);
        list->setAsInt(2, n);
        list->post();
    }
    return list;
}

QString shown(const MemDataModel& model) {
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.listPosition(r) >= 0) {
            rows << model.index(r, 0).data().toString() + model.index(r, 1).data().toString();
        }
    }
    return rows.join(u' ');
}

struct ClickCase {
    const char* name;
    std::vector<std::pair<int, bool>> clicks;  // column, with Shift
    QString rows;
    int indicator;
    Qt::SortOrder order;
};

TEST(HeaderSorting, ClicksChooseTheSortKeys) {
    const ClickCase cases[] = {
        {"no click keeps list order", {}, u"b2 a3 b1 a1"_s, -1, Qt::AscendingOrder},
        {"one column", {{0, false}}, u"a3 a1 b2 b1"_s, 0, Qt::AscendingOrder},
        {"the same column again turns it round",
         {{1, false}, {1, false}},
         u"a3 b2 b1 a1"_s,
         1,
         Qt::DescendingOrder},
        {"Shift adds a second key",
         {{0, false}, {1, true}},
         u"a1 a3 b1 b2"_s,
         0,
         Qt::AscendingOrder},
        {"Shift on a key turns only that key round",
         {{0, false}, {1, true}, {1, true}},
         u"a3 a1 b2 b1"_s,
         0,
         Qt::AscendingOrder},
        {"a plain click after several keys sorts by that column alone",
         {{0, false}, {1, true}, {1, false}},
         u"b1 a1 b2 a3"_s,
         1,
         Qt::AscendingOrder},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = makeList();
        MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
        QTableView view;
        view.setModel(&model);
        HeaderSorting sorting(view, model);
        for (const auto& [column, shift] : c.clicks) {
            sorting.clicked(column, shift);
        }
        EXPECT_EQ(shown(model), c.rows);
        EXPECT_EQ(view.horizontalHeader()->sortIndicatorSection(), c.indicator);
        if (c.indicator >= 0) {
            EXPECT_EQ(view.horizontalHeader()->sortIndicatorOrder(), c.order);
        }
        // The list the engine walks keeps its own order.
        EXPECT_EQ(list->refAt(0, 2).i, 2);
    }
}

TEST(HeaderSorting, ShiftClickOnTheHeaderAddsAKey) {
    auto list = makeList();
    MemDataModel model(*list, MemDataModel::Mode::ReadOnly);
    QTableView view;
    view.setModel(&model);
    new HeaderSorting(view, model);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QHeaderView* header = view.horizontalHeader();
    const auto centre = [header](int column) {
        return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                      header->height() / 2);
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, centre(0));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(1));
    EXPECT_EQ(shown(model), u"a1 a3 b1 b2"_s);
}

}  // namespace
}  // namespace qm::test
