// The column store: values across chunk and block boundaries, stable
// addresses, copies of rows, and true/false columns without cells.

#include "list/RowStore.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>

namespace qm::test {
namespace {

std::string textOf(std::uint32_t row) {
    // Lengths vary from empty to well beyond an arena block's largest shared
    // value; the first rows hold values larger than the first blocks.
    const std::size_t size = row % 997 == 0 ? 300000
                             : row < 4      ? std::size_t{1} << (10 + 4 * row)
                                            : row % 7;
    return std::string(size, static_cast<char>('a' + row % 26)) + std::to_string(row);
}

TEST(RowStore, KeepsEveryKindOfValueAcrossManyChunksAndBlocks) {
    RowStore st({StorageClass::Int, StorageClass::Float, StorageClass::Bool, StorageClass::Bytes,
                 StorageClass::Micros});
    const std::uint32_t rows = 3 * ChunkedArray<std::uint64_t>::kChunk + 17;
    std::vector<const char*> addresses;
    for (std::uint32_t r = 0; r < rows; ++r) {
        ASSERT_EQ(st.appendRow(), r);
        if (r % 5 == 0) {
            continue;  // a whole row of nulls
        }
        st.setInt(r, 0, -static_cast<std::int64_t>(r) * 1000003);
        st.setFloat(r, 1, r / 4.0);
        st.setBool(r, 2, r % 3 == 0);
        const std::string t = textOf(r);
        st.setBytes(r, 3, t.data(), t.size());
        st.setInt(r, 4, static_cast<std::int64_t>(r) << 20);
        if (r % 1000 == 1) {
            addresses.push_back(st.bytesAt(r, 3).data());
        }
    }
    ASSERT_EQ(st.rowCount(), rows);
    std::size_t seen = 0;
    for (std::uint32_t r = 0; r < rows; ++r) {
        SCOPED_TRACE(r);
        if (r % 5 == 0) {
            for (std::size_t c = 0; c < st.columnCount(); ++c) {
                EXPECT_TRUE(st.isNull(r, c));
                EXPECT_TRUE(st.valueAt(r, c).isNull());
            }
            continue;
        }
        EXPECT_EQ(st.intAt(r, 0), -static_cast<std::int64_t>(r) * 1000003);
        EXPECT_EQ(st.floatAt(r, 1), r / 4.0);
        EXPECT_EQ(st.boolAt(r, 2), r % 3 == 0);
        EXPECT_EQ(st.intAt(r, 2), r % 3 == 0 ? 1 : 0);
        EXPECT_FALSE(st.isNull(r, 2));
        EXPECT_EQ(st.bytesAt(r, 3), textOf(r));
        EXPECT_EQ(st.valueAt(r, 4), Value::fromMicros(static_cast<std::int64_t>(r) << 20));
        if (r % 1000 == 1) {
            // Growing the store moved no value already held.
            EXPECT_EQ(st.bytesAt(r, 3).data(), addresses[seen++]);
        }
    }
}

TEST(RowStore, CopiesShareBytesAndChangeApart) {
    RowStore st({StorageClass::Bytes, StorageClass::Bool});
    const std::uint32_t a = st.appendRow();
    st.setBytes(a, 0, "abc", 3);
    st.setBool(a, 1, true);
    const std::uint32_t b = st.appendCopyOf(a);
    EXPECT_EQ(st.bytesAt(b, 0).data(), st.bytesAt(a, 0).data());
    EXPECT_TRUE(st.boolAt(b, 1));
    st.setBool(b, 1, false);
    st.setNull(b, 0);
    EXPECT_TRUE(st.boolAt(a, 1));
    EXPECT_EQ(st.bytesAt(a, 0), "abc");
    EXPECT_TRUE(st.isNull(b, 0));
    EXPECT_FALSE(st.boolAt(b, 1));
    EXPECT_FALSE(st.isNull(b, 1));
    // A true/false column set through a number keeps only true or false:
    // any number but 0 is true, -1 (true as a number) and the extremes
    // included; set to null it reads as null and false.
    const std::pair<std::int64_t, bool> numbers[] = {
        {5, true},
        {-1, true},
        {0, false},
        {std::numeric_limits<std::int64_t>::min(), true},
        {std::numeric_limits<std::int64_t>::max(), true},
    };
    for (const auto& [number, truth] : numbers) {
        SCOPED_TRACE(number);
        st.setInt(b, 1, number);
        EXPECT_EQ(st.valueAt(b, 1), Value::fromBool(truth));
        EXPECT_EQ(st.intAt(b, 1), truth ? 1 : 0);
        st.setNull(b, 1);
        st.set(b, 1, Value::fromInt(number));
        EXPECT_EQ(st.boolAt(b, 1), truth);
        EXPECT_FALSE(st.isNull(b, 1));
    }
    st.setNull(b, 1);
    EXPECT_TRUE(st.isNull(b, 1));
    EXPECT_FALSE(st.boolAt(b, 1));
}

TEST(RowStore, TaggedAndEmptyBytesAndConversion) {
    RowStore st({StorageClass::Bytes, StorageClass::Int});
    const std::uint32_t r0 = st.appendRow();
    st.setTagged(r0, 0, 'T', "xy", 2);
    st.setInt(r0, 1, 42);
    const std::uint32_t r1 = st.appendRow();
    st.setBytes(r1, 0, "", 0);
    const std::uint32_t r2 = st.appendRow();
    st.setInt(r2, 1, 7);
    EXPECT_EQ(st.bytesAt(r0, 0), std::string_view("Txy", 3));
    EXPECT_FALSE(st.isNull(r1, 0));
    EXPECT_TRUE(st.bytesAt(r1, 0).empty());
    st.convertToBytes(1, [](const Value& v) {
        return v.asInt() == 7 ? Value() : Value::fromText(QString::number(v.asInt()));
    });
    EXPECT_EQ(st.storageClass(1), StorageClass::Bytes);
    EXPECT_EQ(st.bytesAt(r0, 1), "42");
    EXPECT_TRUE(st.isNull(r1, 1));
    EXPECT_TRUE(st.isNull(r2, 1));  // converted to null
}

}  // namespace
}  // namespace qm::test
