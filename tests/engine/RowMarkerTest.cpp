// The marks of a comparison worked out from two lists made by hand, without
// an engine: which rows have a partner, which differ under the columns'
// rules, and that the lists are only read.

#include "common/Cancellation.h"
#include "common/Errors.h"
#include "engine/ComparedColumns.h"
#include "engine/RowMarker.h"
#include "list/ListTestSupport.h"
#include "list/TaggedValue.h"
#include "support/FakeEngineView.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

constexpr std::uint8_t kFound = RowMarker::kFound;
constexpr std::uint8_t kBoth = RowMarker::kFound | RowMarker::kDifferent;

// id is the key; note is ignored, name compared without letter case, price
// within 0.5; code is a SQLite TEXT column on the target, of any storage
// class on the source.
class RowMarkerTest : public ::testing::Test {
protected:
    struct Row {
        int id;
        QString name;
        QString note;
        double price;
        std::optional<Value> code;  // null when not given
    };
    void SetUp() override {
        target = openList(u"target"_s, {{u"id"_s, FieldType::Integer},
                                        {u"name"_s},
                                        {u"note"_s},
                                        {u"price"_s, FieldType::Float},
                                        {u"code"_s}});
        source = openList(u"source"_s, {{u"ID"_s, FieldType::Integer},
                                        {u"Name"_s},
                                        {u"Note"_s},
                                        {u"Price"_s, FieldType::Float},
                                        {u"Code"_s, FieldType::Variant}});
    }
    static void add(MemData& list, const Row& r) {
        appendTexts(list, {QString::number(r.id), r.name, r.note, QString::number(r.price)});
        if (r.code) {
            list.writeAt(list.recordCount() - 1, 5, *r.code);
        }
    }
    ComparedColumns compared() const {
        return comparedColumns(
            *target, *source, u"id"_s,
            ComparisonRules::parse(u"note: ignore; name: nocase; price: abs=0.5"_s, u"t"_s),
            {false, false, false, false, false, true});
    }

    std::unique_ptr<MemData> target;
    std::unique_ptr<MemData> source;
    FakeEngineView view;
    KeyMatcher matcher{view};
};

TEST_F(RowMarkerTest, MarksEachTargetRowAndEachSourceRow) {
    struct Case {
        const char* what;
        Row target;
        std::optional<Row> source;  // none: a row of the target only
        std::uint8_t mark;
    };
    const Case cases[] = {
        {"equal", {1, u"Ann"_s, u"x"_s, 1.0, {}}, Row{1, u"Ann"_s, u"x"_s, 1.0, {}}, kFound},
        {"letter case under nocase",
         {2, u"ANN"_s, u"x"_s, 1.0, {}},
         Row{2, u"Ann"_s, u"x"_s, 1.0, {}},
         kFound},
        {"other text", {3, u"Bob"_s, u"x"_s, 1.0, {}}, Row{3, u"Rob"_s, u"x"_s, 1.0, {}}, kBoth},
        {"ignored column only",
         {4, u"Ann"_s, u"x"_s, 1.0, {}},
         Row{4, u"Ann"_s, u"y"_s, 1.0, {}},
         kFound},
        {"within the tolerance",
         {5, u"Ann"_s, u"x"_s, 1.0, {}},
         Row{5, u"Ann"_s, u"x"_s, 1.4, {}},
         kFound},
        {"beyond the tolerance",
         {6, u"Ann"_s, u"x"_s, 1.0, {}},
         Row{6, u"Ann"_s, u"x"_s, 2.0, {}},
         kBoth},
        {"target only", {7, u"Ann"_s, u"x"_s, 1.0, {}}, std::nullopt, 0},
        // The column stored the number 0.1 + 0.2 as SQLite's text of it,
        // which reads back as another number.
        {"number stored as its text",
         {8, u"Ann"_s, u"x"_s, 1.0, Value::fromText(u"0.3"_s)},
         Row{8, u"Ann"_s, u"x"_s, 1.0, TaggedValue::ofReal(0.1 + 0.2)},
         kFound},
        {"other number's text",
         {9, u"Ann"_s, u"x"_s, 1.0, Value::fromText(u"0.3"_s)},
         Row{9, u"Ann"_s, u"x"_s, 1.0, TaggedValue::ofReal(0.25)},
         kBoth},
        {"null against a number",
         {10, u"Ann"_s, u"x"_s, 1.0, {}},
         Row{10, u"Ann"_s, u"x"_s, 1.0, TaggedValue::ofInt(12)},
         kBoth},
    };
    for (const Case& c : cases) {
        add(*target, c.target);
        if (c.source) {
            add(*source, *c.source);
        }
    }
    add(*source, {11, u"source only"_s, u"x"_s, 1.0, {}});
    const std::uint64_t targetChanges = target->changeCount();
    const std::uint64_t sourceChanges = source->changeCount();

    int asked = 0;
    RowMarker marker(*target, *source, matcher, [&asked] {
        ++asked;
        return false;
    });
    const std::vector<std::uint8_t> marks =
        marker.targetMarks(KeyMatcher::plan(*source, *target, u"id"_s), compared());
    ASSERT_EQ(marks.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(marks[i], cases[i].mark) << cases[i].what;
    }
    const std::vector<bool> found = marker.sourceFound(KeyMatcher::plan(*target, *source, u"id"_s));
    std::vector<bool> expected(found.size(), true);
    expected.back() = false;
    EXPECT_EQ(found, expected);

    EXPECT_EQ(asked, 2) << "once per 1024 rows, from the first";
    EXPECT_TRUE(view.infos.isEmpty());
    EXPECT_EQ(target->changeCount(), targetChanges) << "the lists are only read";
    EXPECT_EQ(source->changeCount(), sourceChanges);
}

// After a merge only the rows it touched are worked out again; the source
// rows known to have a partner are not searched.
TEST_F(RowMarkerTest, RenewsOnlyTheRowsGiven) {
    add(*target, {1, u"a"_s, u"x"_s, 1.0, {}});
    add(*target, {2, u"b"_s, u"x"_s, 1.0, {}});
    add(*target, {3, u"c"_s, u"x"_s, 1.0, {}});
    add(*source, {1, u"a"_s, u"x"_s, 9.0, {}});
    add(*source, {3, u"c"_s, u"x"_s, 1.0, {}});
    add(*source, {4, u"d"_s, u"x"_s, 1.0, {}});
    RowMarker marker(*target, *source, matcher, {});
    const std::vector<std::uint8_t> marks =
        marker.targetMarks(KeyMatcher::plan(*source, *target, u"id"_s), compared(),
                           {false, true, true}, {kFound, kBoth, kBoth});
    EXPECT_EQ(marks, (std::vector<std::uint8_t>{kFound, 0, kFound}));
    const std::vector<bool> found =
        marker.sourceFound(KeyMatcher::plan(*target, *source, u"id"_s), {false, false, true});
    EXPECT_EQ(found, (std::vector<bool>{true, true, true}));
}

TEST_F(RowMarkerTest, WithTheOtherSideClosedNothingIsFoundButKeysAreChecked) {
    add(*target, {1, u"a"_s, u"x"_s, 1.0, {}});
    add(*source, {1, u"a"_s, u"x"_s, 1.0, {}});
    appendTexts(*source, {QString(), u"no key"_s});
    const auto closed = std::make_unique<MemData>(u"closed"_s);

    RowMarker noSource(*target, *closed, matcher, {});
    EXPECT_EQ(noSource.targetMarks(KeyPlan(), {}), std::vector<std::uint8_t>{0});

    RowMarker noTarget(*closed, *source, matcher, {});
    EXPECT_THROW(noTarget.sourceFound(KeyMatcher::plan(*closed, *source, u"id"_s)), SilentAbort);
    ASSERT_EQ(view.infos.size(), 1);
    EXPECT_EQ(view.infos[0],
              u"Key field \"id\" contained a null value. Primary key fields should not be "
              "allowed to contain null"_s);
    EXPECT_THROW(noTarget.sourceFound(KeyMatcher::plan(*closed, *source, u"nope"_s)), SilentAbort);
    EXPECT_EQ(view.infos.value(1), u"Key field \"nope\" not found"_s);
}

TEST_F(RowMarkerTest, AStopEndsTheWorkWithCancelled) {
    for (int id = 1; id <= 1500; ++id) {
        add(*target, {id, u"a"_s, u"x"_s, 1.0, {}});
        add(*source, {id, u"a"_s, u"x"_s, 1.0, {}});
    }
    int asked = 0;
    const auto stopOnSecond = [&asked] { return ++asked == 2; };
    RowMarker marker(*target, *source, matcher, stopOnSecond);
    EXPECT_THROW(marker.targetMarks(KeyMatcher::plan(*source, *target, u"id"_s), compared()),
                 Cancelled);
    EXPECT_EQ(asked, 2);
    asked = 0;
    EXPECT_THROW(marker.sourceFound(KeyMatcher::plan(*target, *source, u"id"_s)), Cancelled);
}

}  // namespace
}  // namespace qm::test
