#include "list/CountingVector.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace qm {
namespace {

std::vector<int> contents(const CountingVector<int>& v) {
    std::vector<int> out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        out.push_back(v[i]);
    }
    return out;
}

// Each change applied to 1, 2, 3, 4: what stays a count stores nothing, and
// whatever breaks the count keeps every number it had.
TEST(CountingVectorTest, ChangesKeepEveryNumberWhetherTheCountHoldsOrNot) {
    struct Case {
        const char* name;
        std::function<void(CountingVector<int>&)> change;
        std::vector<int> expected;
        bool counting;
    };
    const Case cases[] = {
        {"append the next", [](auto& v) { v.push_back(5); }, {1, 2, 3, 4, 5}, true},
        {"append another", [](auto& v) { v.push_back(9); }, {1, 2, 3, 4, 9}, false},
        {"remove the last", [](auto& v) { v.erase(3); }, {1, 2, 3}, true},
        {"remove in the middle", [](auto& v) { v.erase(1); }, {1, 3, 4}, false},
        {"insert in the middle", [](auto& v) { v.insert(2, 7); }, {1, 2, 7, 3, 4}, false},
        {"insert at the end", [](auto& v) { v.insert(4, 5); }, {1, 2, 3, 4, 5}, true},
        {"set the same", [](auto& v) { v.set(2, 3); }, {1, 2, 3, 4}, true},
        {"set another", [](auto& v) { v.set(2, 8); }, {1, 2, 8, 4}, false},
        {"stored, then counted anew",
         [](auto& v) {
             v.set(0, 5);
             v.assignCounting(2);
         },
         {1, 2},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingVector<int> v(1);
        v.assignCounting(4);
        c.change(v);
        EXPECT_EQ(contents(v), c.expected);
        EXPECT_EQ(v.counting(), c.counting);
        // A copy reads the same, and changing it leaves the original alone.
        CountingVector<int> copy = v;
        copy.push_back(100);
        EXPECT_EQ(contents(v), c.expected);
    }
}

}  // namespace
}  // namespace qm
