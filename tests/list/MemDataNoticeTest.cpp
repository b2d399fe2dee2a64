// Which change notices the in-memory list sends to its observers, and that
// a view following them row by row ends up showing what the list holds.

#include "ListTestSupport.h"
#include "list/Frozen.h"
#include "list/MemData.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

/// Records row notices as text and keeps a mirror of column 1 the way a
/// grid model would: only from the notices, reading changed rows back.
struct RecordingObserver : ListObserver {
    explicit RecordingObserver(const MemData& l) : list(l), mirror(columnTexts(l, 1)) {}

    QString text(int pos) const { return columnTexts(list, 1).at(pos); }
    void rowsChanged(int first, int last) override {
        log << u"changed %1-%2"_s.arg(first).arg(last);
        for (int p = first; p <= last; ++p) {
            mirror[p] = text(p);
        }
    }
    void rowsInserted(int pos, int count) override {
        log << u"inserted %1+%2"_s.arg(pos).arg(count);
        for (int i = 0; i < count; ++i) {
            mirror.insert(pos + i, text(pos + i));
        }
    }
    void rowsRemoved(int pos, int count) override {
        log << u"removed %1+%2"_s.arg(pos).arg(count);
        mirror.remove(pos, count);
    }
    void listReset() override {
        log << u"reset"_s;
        mirror = list.isOpen() ? columnTexts(list, 1) : QStringList();
    }
    void currentMoved(int) override {}  // the row line is not the rows

    const MemData& list;
    QStringList mirror;
    QStringList log;
};

struct NoticeCase {
    const char* name;
    bool sorted;  // rows kept in order of column 1
    std::function<void(MemData&)> act;
    QStringList expected;
};

TEST(MemDataNotices, EachOperationSendsItsNoticesAndAMirrorStaysEqual) {
    const std::vector<NoticeCase> cases = {
        {"edit and post",
         false,
         [](MemData& l) {
             l.moveTo(1);
             l.edit();
             l.setAsText(1, u"x"_s);
             l.post();
         },
         {u"changed 1-1"_s}},
        {"append and post",
         false,
         [](MemData& l) { appendTexts(l, {u"x"_s}); },
         {u"inserted 3+1"_s}},
        {"insert before the current row and post",
         false,
         [](MemData& l) {
             l.moveTo(1);
             l.insert();
             l.setAsText(1, u"x"_s);
             l.post();
         },
         {u"inserted 1+1"_s}},
        {"delete",
         false,
         [](MemData& l) {
             l.moveTo(0);
             l.deleteRow();
         },
         {u"removed 0+1"_s}},
        {"delete the last row",
         false,
         [](MemData& l) {
             l.moveTo(2);
             l.deleteRow();
         },
         {u"removed 2+1"_s}},
        {"cancel of a new row: the list never showed it",
         false,
         [](MemData& l) {
             l.append();
             l.setAsText(1, u"x"_s);
             l.cancel();
         },
         {}},
        {"cancel of an edit",
         false,
         [](MemData& l) {
             l.edit();
             l.setAsText(1, u"x"_s);
             l.cancel();
         },
         {}},
        {"direct write",
         false,
         [](MemData& l) { l.writeAt(2, 1, Value::fromText(u"x"_s)); },
         {u"changed 2-2"_s}},
        {"direct write of the same value",
         false,
         [](MemData& l) { l.writeAt(2, 1, Value::fromText(u"e"_s)); },
         {}},
        {"raw row from a loader",
         false,
         [](MemData& l) {
             const std::uint32_t row = l.beginRawRow();
             l.rawStore().set(row, static_cast<std::size_t>(l.storeColumn(1)),
                              Value::fromText(u"x"_s));
             l.commitRawRow(row);
         },
         {u"inserted 3+1"_s}},
        {"frozen burst",
         false,
         [](MemData& l) {
             Frozen outer(l);
             {
                 Frozen inner(l);
                 appendTexts(l, {u"x"_s});
             }
             l.first();
             l.deleteRow();
             l.writeAt(0, 1, Value::fromText(u"y"_s));
         },
         {u"reset"_s}},
        {"frozen without a change",
         false,
         [](MemData& l) {
             Frozen frozen(l);
             l.last();
         },
         {}},
        {"sort", false, [](MemData& l) { l.setSortField(1); }, {u"reset"_s}},
        {"close and open",
         false,
         [](MemData& l) {
             l.close();
             l.open();
         },
         {u"reset"_s, u"reset"_s}},
        {"sorted: new row goes to its place",
         true,
         [](MemData& l) { appendTexts(l, {u"d"_s}); },
         {u"inserted 2+1"_s}},
        {"sorted: edit of the sort column moves the row",
         true,
         [](MemData& l) {
             l.first();  // "a"
             l.edit();
             l.setAsText(1, u"d"_s);
             l.post();
         },
         {u"removed 0+1"_s, u"inserted 1+1"_s}},
        {"sorted: edit that keeps the row in place",
         true,
         [](MemData& l) {
             l.moveTo(1);  // "c"
             l.edit();
             l.setAsText(1, u"b"_s);
             l.post();
         },
         {u"changed 1-1"_s}},
    };
    for (const NoticeCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = openList(u"Letters"_s, {{u"Name"_s}});
        for (const QString& t : {u"c"_s, u"a"_s, u"e"_s}) {
            appendTexts(*list, {t});
        }
        if (c.sorted) {
            list->setSortField(1);
        }
        RecordingObserver obs(*list);
        list->addObserver(&obs);
        c.act(*list);
        EXPECT_EQ(obs.log, c.expected);
        EXPECT_EQ(obs.mirror, list->isOpen() ? columnTexts(*list, 1) : QStringList());
        list->removeObserver(&obs);
    }
}

// An observer that knows only the whole-list notice still hears of every
// change, scrolling included, as before the finer notices existed.
TEST(MemDataNotices, WholeListObserverHearsEveryKind) {
    struct Counting : ListObserver {
        int notices = 0;
        void listChanged() override { ++notices; }
    };
    auto list = openList(u"Letters"_s, {{u"Name"_s}});
    Counting obs;
    list->addObserver(&obs);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"append", [&] { list->append(); }},
        {"post", [&] { list->post(); }},
        {"edit and post",
         [&] {
             list->edit();
             list->setAsText(1, u"x"_s);
             list->post();
         }},
        {"write", [&] { list->writeAt(0, 1, Value::fromText(u"y"_s)); }},
        {"move", [&] { list->first(); }},
        {"append another", [&] { appendTexts(*list, {u"a"_s}); }},
        {"sort", [&] { list->setSortField(1); }},
        {"delete", [&] { list->deleteRow(); }},
        {"close", [&] { list->close(); }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        const int before = obs.notices;
        step();
        EXPECT_GT(obs.notices, before);
    }
    list->removeObserver(&obs);
}

}  // namespace
}  // namespace qm::test
