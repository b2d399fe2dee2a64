// Searching by column values and keeping a list sorted.

#include "ListTestSupport.h"
#include "common/Errors.h"
#include "list/KeyIndex.h"
#include "list/MemData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <tuple>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// --- locate ----------------------------------------------------------------------

TEST(MemDataLocate, FindsTheFirstMatchingRowInListOrder) {
    auto list = openList(u"L"_s, {{u"K"_s, FieldType::Integer}, {u"T"_s}});
    appendTexts(*list, {u"1"_s, u"x"_s});
    appendTexts(*list, {u"2"_s, u"y"_s});
    appendTexts(*list, {u"1"_s, u"z"_s});
    appendTexts(*list, {QString(), u"n"_s});
    appendTexts(*list, {u"2"_s, u"y"_s});

    EXPECT_EQ(list->findRow({1}, {Value::fromInt(1)}), 0);
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(2)}), 1);
    EXPECT_EQ(list->findRow({1, 2}, {Value::fromInt(1), Value::fromText(u"z"_s)}), 2);
    EXPECT_EQ(list->findRow({2, 1}, {Value::fromText(u"y"_s), Value::fromInt(2)}), 1);
    EXPECT_EQ(list->findRow({1}, {Value()}), 3) << "null finds null";
    EXPECT_EQ(list->findRow({0}, {Value::fromInt(3)}), 2) << "by RecId";
    EXPECT_EQ(list->findRow({1, 2}, {Value::fromInt(2), Value::fromText(u"x"_s)}), -1);

    list->moveTo(4);
    EXPECT_FALSE(list->locate({1}, {Value::fromInt(3)}));
    EXPECT_EQ(list->position(), 4) << "a failed search does not move";
    EXPECT_TRUE(list->locate({1}, {Value::fromInt(2)}));
    EXPECT_EQ(list->position(), 1);

    // A pending edit is posted before searching, so the search sees it.
    list->moveTo(0);
    list->setAsText(2, u"w"_s);
    EXPECT_TRUE(list->locate({2}, {Value::fromText(u"w"_s)}));
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(list->position(), 0);
}

TEST(MemDataLocate, TextIsConvertedToTheColumnType) {
    auto list = openList(u"L"_s, {{u"I"_s, FieldType::Integer},
                                  {u"F"_s, FieldType::Float},
                                  {u"D"_s, FieldType::Date},
                                  {u"B"_s, FieldType::Boolean},
                                  {u"N"_s, FieldType::BCD}});
    appendTexts(*list, {u"4"_s, u"4.5"_s, u"2024-01-04"_s, u"False"_s, u"4.50"_s});
    appendTexts(*list, {u"5"_s, u"5"_s, u"2024-01-05"_s, u"True"_s, u"0.000"_s});
    // Fixed-point numbers are kept as the database wrote them ("1.5000"
    // from a column with four decimals) and -0.0 is a float of its own:
    // both must still be found by value.
    appendTexts(*list, {QString(), u"-0"_s, QString(), QString(), u"1.5000"_s});

    struct Case {
        int field;
        QString text;
        int position;  // -1: not found
    };
    // The last rows: fixed-point keys compare by number, and 0.0 and -0.0
    // are one number.
    const Case cases[] = {
        {1, u"5"_s, 1},     {1, u" 5 "_s, 1},         {2, u"5"_s, 1},   {2, u"5.0"_s, 1},
        {2, u"4.5"_s, 0},   {3, u"2024-01-05"_s, 1},  {4, u"t"_s, 1},   {4, u"FALSE"_s, 0},
        {1, u"6"_s, -1},    {3, u"2024-01-06"_s, -1}, {5, u"1.5"_s, 2}, {5, u"+1.50"_s, 2},
        {5, u"15e-1"_s, 2}, {5, u"4.5"_s, 0},         {5, u"-0"_s, 1},  {5, u"1.5001"_s, -1},
        {2, u"0"_s, 2},     {2, u"-0"_s, 2},          {2, u"0.0"_s, 2},
    };
    for (const Case& c : cases) {
        list->moveTo(0);
        const bool found = list->locateText({c.field}, {c.text});
        EXPECT_EQ(found, c.position >= 0) << c.field << " " << c.text.toStdString();
        if (found) {
            EXPECT_EQ(list->position(), c.position) << c.field << " " << c.text.toStdString();
        }
    }
    EXPECT_TRUE(list->locateText({1, 4}, {u"5"_s, u"true"_s}));
    EXPECT_FALSE(list->locateText({1, 4}, {u"5"_s, u"false"_s}));

    EXPECT_THROW(list->locateText({1}, {u"x"_s}), ConversionError);
    EXPECT_THROW(list->locateText({2}, {u"five"_s}), ConversionError);
    EXPECT_THROW(list->locateText({3}, {u"2024-13-01"_s}), ConversionError);
}

// Key kinds besides a spread (key number k times the spread): keys at both
// ends of the 64-bit range at once, which no range of keys can be counted
// for, and keys packed against either end, whose index may reach no further.
constexpr std::int64_t kBothEnds = -1;
constexpr std::int64_t kNearMax = -2;
constexpr std::int64_t kNearMin = -3;

// The key of number k (k from -200 to 349) for a key kind; distinct numbers
// give distinct keys.
std::int64_t keyFor(std::int64_t kind, std::int64_t k) {
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    switch (kind) {
        case kBothEnds: {
            // Thirds: INT64_MIN and up, INT64_MAX and down, 0 and up; keys
            // below the first numbers are small negative ones.
            if (k < 0) {
                return k * 1000 - 7;
            }
            const std::int64_t j = k / 3;
            return k % 3 == 0 ? lowest + j : k % 3 == 1 ? highest - j : j;
        }
        case kNearMax:
            return highest - 400 + k;
        case kNearMin:
            return lowest + 400 + k;
        default:
            return k * kind;
    }
}

// Every search must agree with a plain scan of the rows, whatever was done
// to the list since the last search: appends, inserts in the middle,
// deletes, edits of searched and other columns, and resorting.
// Run with null keys among the rows, and with integer keys that hold no
// null until one is written halfway (an index of plain integers then gives
// way to the general one); the keys fill their range, lie far apart, or sit
// at the ends of the 64-bit range.
class MemDataLocateRandom : public testing::TestWithParam<std::tuple<bool, std::int64_t>> {};

TEST_P(MemDataLocateRandom, AgreesWithAScanThroughRandomChanges) {
    const auto [nullKeys, spread] = GetParam();
    std::mt19937 rng(20240105);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const QStringList words{u"red"_s, u"green"_s, u"blue"_s, u"Red"_s, u""_s};

    auto list = openList(
        u"L"_s, {{u"K"_s, FieldType::Integer}, {u"T"_s}, {u"F"_s, FieldType::Float}, {u"Note"_s}});
    const auto randomKey = [&]() -> Value {
        return nullKeys && pick(40) == 0 ? Value() : Value::fromInt(keyFor(spread, pick(150)));
    };
    const auto randomWord = [&] { return Value::fromText(words[pick(5)]); };
    const auto fillRow = [&] {
        list->setValue(1, randomKey());
        list->setValue(2, randomWord());
        list->setValue(3, Value::fromFloat(pick(20) * 0.5));
        list->setValue(4, Value::fromText(QString::number(pick(1000))));
    };
    const std::vector<std::vector<int>> keySets{{1}, {1, 2}, {2}, {3, 1}};
    const auto scan = [&](const std::vector<int>& fields, const std::vector<Value>& values) {
        for (int p = 0; p < list->recordCount(); ++p) {
            bool all = true;
            for (std::size_t k = 0; k < fields.size() && all; ++k) {
                all = list->valueAt(p, fields[k]) == values[k];
            }
            if (all) {
                return p;
            }
        }
        return -1;
    };
    const auto checkSearches = [&](int step) {
        for (const auto& fields : keySets) {
            for (int probe = 0; probe < 4; ++probe) {
                std::vector<Value> values;
                // Mostly values of an existing row (duplicates abound), some
                // that may match nothing.
                const int row = pick(list->recordCount());
                for (int f : fields) {
                    values.push_back(probe == 3 && f == 1
                                         ? Value::fromInt(keyFor(spread, 140 + pick(20)) - pick(2))
                                         : list->valueAt(row, f));
                }
                ASSERT_EQ(list->findRow(fields, values), scan(fields, values))
                    << "step " << step << ", fields " << fields.size() << "/" << fields[0];
            }
        }
        // The first row whose key, not null, an earlier row holds.
        int repeated = -1;
        for (int p = 0; p < list->recordCount() && repeated < 0; ++p) {
            const Value key = list->valueAt(p, 1);
            if (!key.isNull() && scan({1}, {key}) < p) {
                repeated = p;
            }
        }
        ASSERT_EQ(list->findRepeatedRow({1}) >= 0, repeated >= 0) << "step " << step;
        if (list->sortField() <= 0) {
            ASSERT_EQ(list->findRepeatedRow({1}), repeated) << "step " << step;
        }
    };

    // Searching while the list fills lets the indexes grow row by row.
    for (int i = 0; i < 3000; ++i) {
        list->append();
        fillRow();
        list->post();
        if (i % 97 == 0) {
            checkSearches(-1);
        }
    }
    // Rows appended after the searches with keys beyond those held, above
    // and below, and back inside.
    for (int i = 0; i < 200; ++i) {
        list->append();
        fillRow();
        const std::int64_t beyond = keyFor(spread, i % 3 == 0 ? 150 + i : i % 3 == 1 ? -1 - i : i);
        list->setValue(1, Value::fromInt(beyond));
        list->post();
        if (i % 7 == 0) {
            checkSearches(-2);
        }
    }
    const int sortFields[] = {1, 2, -1, 3};
    for (int step = 0; step < 600; ++step) {
        if (step % 100 == 50) {
            list->setSortField(sortFields[(step / 100) % 4]);
        }
        const int op = pick(6);
        const int n = list->recordCount();
        if (!nullKeys && step == 300 && n > 0) {
            list->moveTo(pick(n));
            list->setValue(1, Value());
            list->post();
        }
        if (op == 0) {
            list->append();
            fillRow();
            list->post();
        } else if (op == 1 && n > 0) {
            list->moveTo(pick(n));
            list->insert();
            fillRow();
            list->post();
        } else if (op == 2 && n > 0) {
            list->moveTo(pick(n));
            list->deleteRow();
        } else if (op == 3 && n > 0) {
            list->moveTo(pick(n));
            list->setValue(1, randomKey());
            list->post();
        } else if (op == 4 && n > 0) {
            list->moveTo(pick(n));
            list->setValue(2, randomWord());
            list->post();
        } else if (op == 5 && n > 0) {
            // A column no search uses: the indexes stay as they are.
            list->moveTo(pick(n));
            list->setValue(4, Value::fromText(u"edited"_s));
            list->post();
        }
        checkSearches(step);
        if (testing::Test::HasFatalFailure()) {
            return;
        }
    }

    // locate moves to what findRow reports.
    const std::vector<Value> key{list->valueAt(list->recordCount() / 2, 1)};
    ASSERT_TRUE(list->locate({1}, key));
    EXPECT_EQ(list->position(), scan({1}, key));
}

INSTANTIATE_TEST_SUITE_P(KeyKinds, MemDataLocateRandom,
                         testing::Combine(testing::Bool(), testing::Values(1, 1000003, kBothEnds,
                                                                           kNearMax, kNearMin)));

// A list loaded in key order is searched from the row after the last hit
// first; that shortcut must give way as soon as the order is broken.
TEST(MemDataLocate, KeysLoadedInOrderStayRightWhenTheOrderBreaks) {
    auto list = openList(u"L"_s, {{u"K"_s, FieldType::Integer}, {u"V"_s}});
    for (int k = 0; k < 500; ++k) {
        appendTexts(*list, {QString::number(k * 2), u"v"_s});
    }
    const auto scan = [&](std::int64_t key) {
        for (int p = 0; p < list->recordCount(); ++p) {
            const Value v = list->valueAt(p, 1);
            if (!v.isNull() && v.asInt() == key) {
                return p;
            }
        }
        return -1;
    };
    const auto checkAll = [&](const char* stage) {
        // In order, backwards, and keys that fall between rows.
        for (std::int64_t key = -1; key < 1010; ++key) {
            ASSERT_EQ(list->findRow({1}, {Value::fromInt(key)}), scan(key)) << stage << " " << key;
        }
        for (std::int64_t key = 1010; key >= -1; key -= 3) {
            ASSERT_EQ(list->findRow({1}, {Value::fromInt(key)}), scan(key)) << stage << " " << key;
        }
    };
    checkAll("loaded");
    appendTexts(*list, {u"1000"_s, u"v"_s});
    checkAll("appended in order");
    appendTexts(*list, {u"4"_s, u"again"_s});  // a duplicate: the earlier row is the first
    checkAll("duplicate appended");
    EXPECT_EQ(list->findRepeatedRow({1}), 501);
    // Right after a hit on the row before the duplicate.
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(1000)}), 500);
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(4)}), 2);
    appendTexts(*list, {u"7"_s, u"late"_s});  // out of order
    checkAll("out of order");
    list->moveTo(3);
    list->setAsInt(1, 9);
    list->post();
    checkAll("key edited");
    list->moveTo(0);
    list->deleteRow();
    checkAll("row deleted");
    // Several rows appended between searches, the first in order, the next not.
    for (const char* key : {"2000", "3", "1999"}) {
        appendTexts(*list, {QString::fromLatin1(key), u"burst"_s});
    }
    checkAll("appended in a burst");
}

// Each way the index keeps integer keys: strictly ascending (found by
// position), filling their range (an array by value) and far apart (a hash
// table). Once the index is built, a row appended with the last row's key
// again is a repeat, found by neither search; a fractional search value
// finds no integer key, not even the 0 it truncates to.
TEST(MemDataLocate, EveryIntegerIndexSeesRepeatsAndNoFractions) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> keys;  // key 0 among them
    };
    const Case cases[] = {
        {"ascending", {-3, 0, 2, 5, 9}},
        {"dense", {5, 0, -3, 2, 9}},
        {"far apart", {5000000000, 0, -7000000000, 9}},
        {"at both ends of the range",
         {std::numeric_limits<std::int64_t>::min(), 0, std::numeric_limits<std::int64_t>::max()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = openList(u"L"_s, {{u"K"_s, FieldType::Integer}});
        for (const std::int64_t k : c.keys) {
            list->append();
            list->setValue(1, Value::fromInt(k));
            list->post();
        }
        EXPECT_EQ(list->findRow({1}, {Value::fromInt(0)}), 1);
        EXPECT_EQ(list->findRow({1}, {Value::fromFloat(0.5)}), -1);
        EXPECT_EQ(list->findRow({1}, {Value::fromFloat(-0.5)}), -1);
        EXPECT_EQ(list->findRepeatedRow({1}), -1);
        const int last = list->recordCount() - 1;
        list->append();
        list->setValue(1, Value::fromInt(c.keys.back()));
        list->post();
        EXPECT_EQ(list->findRepeatedRow({1}), last + 1);
        EXPECT_EQ(list->findRow({1}, {Value::fromInt(c.keys.back())}), last);
        EXPECT_EQ(list->findRow({1}, {Value::fromFloat(0.5)}), -1);
    }
}

// A row being inserted has no position yet: the rows at every position stay
// readable and searchable, and only the current row's reads see the new one.
TEST(MemDataLocate, RowBeingInsertedHidesNoStoredRow) {
    auto list = openList(u"L"_s, {{u"Name"_s}});
    appendTexts(*list, {u"a"_s});
    appendTexts(*list, {u"b"_s});
    list->first();
    list->insert();
    list->setAsText(1, u"new"_s);
    EXPECT_EQ(list->asText(1), u"new"_s);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"b"_s}));
    EXPECT_EQ(list->findRow({1}, {Value::fromText(u"a"_s)}), 0);
    list->post();
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"new"_s, u"a"_s, u"b"_s}));
}

// Many rows with one key (or null keys) still give the first of them, and
// building the index does not probe through all the others each time.
TEST(MemDataLocate, ManyEqualKeysFindTheFirstRow) {
    auto list = openList(u"L"_s, {{u"K"_s, FieldType::Integer}, {u"V"_s, FieldType::Integer}});
    const auto k = static_cast<std::size_t>(list->storeColumn(1));
    const auto v = static_cast<std::size_t>(list->storeColumn(2));
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t row = list->beginRawRow();
        if (i % 2 == 0) {
            list->rawStore().setInt(row, k, 7);  // odd rows keep a null key
        }
        list->rawStore().setInt(row, v, i);
        list->commitRawRow(row);
    }
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(7)}), 0);
    EXPECT_EQ(list->findRow({1}, {Value()}), 1);
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(8)}), -1);
    list->moveTo(0);
    list->setAsInt(1, 8);
    list->post();
    EXPECT_EQ(list->findRow({1}, {Value::fromInt(7)}), 2);
}

// The index compares a slot's stored part of the hash before the values, so
// a lookup only reaches the value comparison when two keys' hashes agree.
// Two keys that differ in their last field alone and whose hashes agree in
// the upper half and in the low bits (so they start probing at one slot of
// a small table) make every field's comparison count.
TEST(MemDataLocate, KeysWhoseHashesCollideAreToldApartByEveryField) {
    const auto intHash = [](std::int64_t i) {
        return KeyIndex::keyHash(ValueRef::of(Value::fromInt(i)), false);
    };
    const std::int64_t first = 7;
    const std::uint64_t prefix = KeyIndex::foldKeyHash(0, intHash(first));
    std::unordered_map<std::uint64_t, std::int64_t> seen;
    std::int64_t a = -1, b = -1;
    for (std::int64_t c = 0; c < 20000000 && b < 0; ++c) {
        const std::uint64_t h = KeyIndex::foldKeyHash(prefix, intHash(c));
        const std::uint64_t probe = (h & 0xFFFFFFFF00000000ULL) | (h & 0xFFULL);
        const auto [it, added] = seen.emplace(probe, c);
        if (!added) {
            a = it->second;
            b = c;
        }
    }
    ASSERT_GE(b, 0) << "no two keys with colliding hashes found";

    auto list = openList(u"L"_s, {{u"K1"_s, FieldType::Integer}, {u"K2"_s, FieldType::Integer}});
    appendTexts(*list, {QString::number(first), QString::number(a)});
    appendTexts(*list, {QString::number(first), QString::number(b)});
    const std::vector<int> key{1, 2};
    EXPECT_EQ(list->findRow(key, {Value::fromInt(first), Value::fromInt(a)}), 0);
    EXPECT_EQ(list->findRow(key, {Value::fromInt(first), Value::fromInt(b)}), 1);
    EXPECT_EQ(list->findRepeatedRow(key), -1);
    list->first();
    list->deleteRow();
    EXPECT_EQ(list->findRow(key, {Value::fromInt(first), Value::fromInt(a)}), -1);
    EXPECT_EQ(list->findRow(key, {Value::fromInt(first), Value::fromInt(b)}), 0);
}

// --- sorted lists --------------------------------------------------------------------

TEST(MemDataSort, KeepsRowsAscendingThroughSortingPostsAndEdits) {
    auto list = openList(u"S"_s, {{u"N"_s, FieldType::Integer}, {u"Name"_s}});
    const QStringList start{u"30"_s, u"10"_s, u"20"_s, u"10"_s, QString(), u"40"_s};
    for (qsizetype i = 0; i < start.size(); ++i) {
        appendTexts(*list, {start[i], QString::number(i)});
    }
    list->setSortField(1);
    EXPECT_EQ(list->sortField(), 1);
    EXPECT_EQ(columnTexts(*list, 1),
              (QStringList{QString(), u"10"_s, u"10"_s, u"20"_s, u"30"_s, u"40"_s}));
    EXPECT_EQ(columnTexts(*list, 2), (QStringList{u"4"_s, u"1"_s, u"3"_s, u"2"_s, u"0"_s, u"5"_s}))
        << "nulls first, equal values keep their order";

    // New rows go after the rows with an equal or smaller value.
    list->first();
    appendTexts(*list, {u"20"_s, u"a"_s});
    EXPECT_EQ(list->asText(2), u"a"_s);
    EXPECT_EQ(list->position(), 4);
    list->first();
    list->insert();
    list->setAsText(1, u"50"_s);
    list->post();
    EXPECT_EQ(list->position(), 7) << "insert too follows the sort order";

    // Editing the sort column moves the row; editing another column does not.
    list->moveTo(1);  // 10 "1"
    list->setAsText(1, u"35"_s);
    list->post();
    EXPECT_EQ(list->asText(2), u"1"_s);
    EXPECT_EQ(list->position(), 5);
    list->moveTo(2);
    list->setAsText(2, u"renamed"_s);
    list->post();
    EXPECT_EQ(list->position(), 2);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{QString(), u"10"_s, u"20"_s, u"20"_s, u"30"_s,
                                                  u"35"_s, u"40"_s, u"50"_s}));
    EXPECT_EQ(columnTexts(*list, 2).at(2), u"renamed"_s);
}

TEST(MemDataSort, TextIsSortedWithoutRegardToCase) {
    auto list = openList(u"S"_s, {{u"Name"_s}});
    for (const QString& n : {u"b"_s, u"C"_s, u"a"_s, u"B2"_s}) {
        appendTexts(*list, {n});
    }
    list->setSortField(1);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"b"_s, u"B2"_s, u"C"_s}));
}

// A new row must find its place by the values of the stored rows, whichever
// row was current when it was started.
TEST(MemDataSort, NewRowIsPlacedByStoredValuesWhateverRowIsCurrent) {
    auto list = openList(u"S"_s, {{u"N"_s, FieldType::Integer}});
    for (const QString& n : {u"10"_s, u"20"_s, u"30"_s, u"40"_s}) {
        appendTexts(*list, {n});
    }
    list->setSortField(1);
    list->moveTo(2);  // 30
    appendTexts(*list, {u"15"_s});
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"10"_s, u"15"_s, u"20"_s, u"30"_s, u"40"_s}));

    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        list->moveTo(static_cast<int>(rng() % static_cast<unsigned>(list->recordCount())));
        appendTexts(*list, {QString::number(rng() % 100)});
    }
    QList<int> values;
    for (const QString& t : columnTexts(*list, 1)) {
        values << t.toInt();
    }
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
}

}  // namespace
}  // namespace qm::test
