// Counting true flags and sharing rows between lists.

#include "ListTestSupport.h"
#include "common/Errors.h"
#include "list/MemData.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

int recountTrue(const MemData& list, int f) {
    int n = 0;
    for (int p = 0; p < list.recordCount(); ++p) {
        n += list.valueAt(p, f).asBool() ? 1 : 0;
    }
    return n;
}

TEST(MemDataCountTrue, MatchesARecountThroughPostsEditsAndDeletes) {
    std::mt19937 rng(555);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto list = openList(u"C"_s, {{u"Flag"_s, FieldType::Boolean}, {u"Other"_s}});
    const auto randomFlag = [&]() -> Value {
        const int r = pick(3);
        return r == 0 ? Value() : Value::fromBool(r == 1);
    };
    EXPECT_EQ(list->countTrue(1), 0);

    for (int step = 0; step < 2000; ++step) {
        const int n = list->recordCount();
        const int op = n < 5 ? 0 : pick(7);
        if (op <= 1) {
            list->append();
            list->setValue(1, randomFlag());
            list->post();
        } else if (op == 2) {
            list->moveTo(pick(n));
            list->insert();
            list->setValue(1, randomFlag());
            list->post();
        } else if (op == 3) {
            list->moveTo(pick(n));
            list->setValue(1, randomFlag());
            list->post();
        } else if (op == 4) {
            // Assigning the flag the value it has, and editing another column.
            list->moveTo(pick(n));
            list->setValue(1, list->value(1));
            list->setAsText(2, u"x"_s);
            list->post();
        } else if (op == 5) {
            list->moveTo(pick(n));
            list->deleteRow();
        } else {
            list->moveTo(pick(n));
            list->setAsBool(1, !list->asBool(1));
            if (pick(2) == 0) {
                list->cancel();
            } else {
                list->deleteRow();
            }
        }
        ASSERT_EQ(list->countTrue(1), recountTrue(*list, 1)) << "step " << step << " op " << op;
    }
    list->close();
    EXPECT_EQ(list->countTrue(1), 0);
}

// Original and copy: the copy takes the original's rows without copying
// their values, and from then on each list changes only itself.
class MemDataShareTest : public testing::Test {
protected:
    void SetUp() override {
        original =
            openList(u"Target"_s,
                     {{u"Id"_s, FieldType::Integer}, {u"Name"_s}, {u"Flag"_s, FieldType::Boolean}});
        const QStringList names{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
        for (qsizetype i = 0; i < names.size(); ++i) {
            appendTexts(*original,
                        {QString::number(i + 1), names[i], i % 2 ? u"True"_s : u"False"_s});
        }
        original->moveTo(1);
        original->deleteRow();  // RecIds 1, 3, 4 remain
        copy = openList(
            u"Copy"_s,
            {{u"Id2"_s, FieldType::Integer}, {u"Name2"_s}, {u"Flag2"_s, FieldType::Boolean}});
    }

    std::unique_ptr<MemData> original;
    std::unique_ptr<MemData> copy;
};

TEST_F(MemDataShareTest, CopyHasTheRowsNumberedAfresh) {
    ASSERT_EQ(recIds(*original), (std::vector<int>{1, 3, 4}));
    copy->shareRowsFrom(*original);
    EXPECT_EQ(recIds(*copy), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(columnTexts(*copy, 2), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(columnTexts(*copy, 3), (QStringList{u"False"_s, u"False"_s, u"True"_s}));
    EXPECT_EQ(copy->countTrue(3), 1);
    EXPECT_EQ(copy->position(), 0);
    EXPECT_EQ(copy->findRow({2}, {Value::fromText(u"d"_s)}), 2);

    appendTexts(*copy, {u"9"_s, u"z"_s});
    EXPECT_EQ(copy->recIdAt(3), 4);
}

TEST_F(MemDataShareTest, ChangesInOneListDoNotShowInTheOther) {
    copy->shareRowsFrom(*original);
    original->first();
    original->setAsText(2, u"A-edited"_s);
    original->setAsBool(3, true);
    original->post();
    original->last();
    original->deleteRow();
    appendTexts(*original, {u"5"_s, u"e"_s, u"True"_s});

    EXPECT_EQ(columnTexts(*original, 2), (QStringList{u"A-edited"_s, u"c"_s, u"e"_s}));
    EXPECT_EQ(columnTexts(*copy, 2), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(columnTexts(*copy, 3), (QStringList{u"False"_s, u"False"_s, u"True"_s}));
    EXPECT_EQ(copy->countTrue(3), 1);
    EXPECT_EQ(copy->findRow({2}, {Value::fromText(u"a"_s)}), 0);

    copy->moveTo(1);
    copy->setAsText(2, u"C-copy"_s);
    copy->post();
    EXPECT_EQ(columnTexts(*original, 2), (QStringList{u"A-edited"_s, u"c"_s, u"e"_s}));
    EXPECT_EQ(columnTexts(*copy, 2), (QStringList{u"a"_s, u"C-copy"_s, u"d"_s}));

    // The original's rows stay whole after the copy is gone.
    copy->close();
    EXPECT_EQ(columnTexts(*original, 1), (QStringList{u"1"_s, u"3"_s, u"5"_s}));
}

TEST_F(MemDataShareTest, RefusesAFilledListOrDifferentColumns) {
    appendTexts(*copy, {u"1"_s});
    EXPECT_THROW(copy->shareRowsFrom(*original), Error);

    auto other = openList(
        u"Other"_s, {{u"Id"_s, FieldType::Integer}, {u"Name"_s}, {u"Flag"_s, FieldType::Integer}});
    EXPECT_THROW(other->shareRowsFrom(*original), Error);
    EXPECT_EQ(other->recordCount(), 0);
}

}  // namespace
}  // namespace qm::test
