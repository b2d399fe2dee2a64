// The grid's row order over text: the quick comparison of a sort (the first
// bytes of each text read once) orders exactly as the pairwise rule does.

#include "list/MemData.h"
#include "list/ValueText.h"
#include "models/RowOrder.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

std::unique_ptr<MemData> textList(const QStringList& values) {
    auto list = std::make_unique<MemData>(u"Texts"_s);
    FieldDef def;
    def.name = u"Name"_s;
    def.type = FieldType::String;
    def.size = 100;
    list->addField(def);
    list->open();
    for (const QString& v : values) {
        list->append();
        if (!v.isNull()) {
            list->setAsText(1, v);
        }
        list->post();
    }
    return list;
}

QStringList inOrder(const MemData& list, const std::vector<int>& perm) {
    QStringList out;
    for (const int p : perm) {
        out << (list.refAt(p, 1).null ? u"<null>"_s
                                      : ValueText::toText(list.valueAt(p, 1), FieldType::String));
    }
    return out;
}

TEST(RowOrderTest, TextSortsWithoutRegardToCaseStablyAndAsThePairwiseRule) {
    // Long texts alike in their first eight bytes, case differences after
    // them, a zero byte, numbers as text, non-ASCII letters, nulls, equal
    // keys in several cases (which keep list order).
    const QStringList values{u"Same"_s,
                             u"abcdefghZ"_s,
                             u"ABCDEFGHa"_s,
                             QString(),
                             u"abcdefgh"_s,
                             u"10"_s,
                             u"9"_s,
                             u"same"_s,
                             u"ab"_s + QChar(0) + u"c"_s,
                             u"ab"_s,
                             u"\u00e9t\u00e9"_s,
                             u"ete"_s,
                             u"\u00c9T\u00c9"_s,
                             u"f"_s,
                             QString(),
                             u"SAME"_s,
                             u"abcdefghijklmnop"_s,
                             u"ABCDEFGHIJKLMNOQ"_s,
                             u""_s};
    auto list = textList(values);
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        SCOPED_TRACE(order == Qt::AscendingOrder ? "ascending" : "descending");
        const SortKey key{1, order};
        std::vector<int> expected(values.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return RowOrder::compareAt(*list, key, a, b) < 0; });
        EXPECT_EQ(inOrder(*list, RowOrder::sorted(*list, {key})), inOrder(*list, expected));
    }
    // Today's rules spelled out for the ASCII part: nulls first, case
    // ignored, equal keys in list order, text compared as text.
    const std::vector<int> perm = RowOrder::sorted(*list, {{1, Qt::AscendingOrder}});
    const QStringList sorted = inOrder(*list, perm);
    EXPECT_EQ(sorted.mid(0, 3), (QStringList{u"<null>"_s, u"<null>"_s, u""_s}));
    EXPECT_LT(sorted.indexOf(u"10"_s), sorted.indexOf(u"9"_s));
    EXPECT_LT(sorted.indexOf(u"ABCDEFGHa"_s), sorted.indexOf(u"abcdefghZ"_s));
    EXPECT_LT(sorted.indexOf(u"abcdefghijklmnop"_s), sorted.indexOf(u"ABCDEFGHIJKLMNOQ"_s));
    const qsizetype same = sorted.indexOf(u"Same"_s);
    EXPECT_EQ(sorted.mid(same, 3), (QStringList{u"Same"_s, u"same"_s, u"SAME"_s}));
}

}  // namespace
}  // namespace qm::test
