// quillmere-grid-bench: times what a grid asks of its model while the user
// scrolls a million-row target list: one screen of cells is the display
// text and the background colour of 40 rows by every column. The same reads
// straight from the list, without the model, are the baseline, so the
// figures are ratios as well as milliseconds.

#include "list/MemData.h"
#include "list/ValueText.h"
#include "models/MemDataModel.h"
#include "models/TargetCellColours.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRows = 1000000;
constexpr int kScreenRows = 40;
constexpr int kScreens = 200;
constexpr double kGoalScreenMs = 10.0;  // one screen of cells, at most

void out(const QString& text) {
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

std::int64_t residentKiB() {
    QFile f(u"/proc/self/status"_s);
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

// The engine's lists for one compared table t(id, name, qty, price, day,
// note), filled directly: the target list with its five marks, its copy
// and snapshot sharing its rows, and the source list.
struct Lists {
    qm::MemData source{u"SourceMemData"_s};
    qm::MemData target{u"DestMemData"_s};
    qm::MemData copy{u"DestMemDataCopy"_s};
    qm::MemData orig{u"OrigMemData"_s};
    int onlyInDest = -1;
    int newField = -1;
};

void addField(qm::MemData& list, const QString& name, qm::FieldType type, int tag = 0) {
    qm::FieldDef def;
    def.name = name;
    def.type = type;
    def.size = qm::hasSize(type) ? 255 : 0;
    def.tag = tag;
    list.addField(def);
}

void addDataFields(qm::MemData& list) {
    addField(list, u"id"_s, qm::FieldType::Integer);
    addField(list, u"name"_s, qm::FieldType::String);
    addField(list, u"qty"_s, qm::FieldType::Integer);
    addField(list, u"price"_s, qm::FieldType::Float);
    addField(list, u"day"_s, qm::FieldType::Date);
    addField(list, u"note"_s, qm::FieldType::String);
}

void addTargetFields(qm::MemData& list) {
    for (const QString& mark :
         {u"OnlyInDest"_s, u"NewField"_s, u"UpdateField"_s, u"Del"_s, u"Difference"_s}) {
        addField(list, mark, qm::FieldType::Boolean, qm::kFlagTag);
    }
    addDataFields(list);
}

// One row of t. `variant` makes the target differ from the source where
// the comparison would find differences.
void writeRow(qm::MemData& list, int firstData, std::int64_t id, int variant) {
    qm::RowStore& st = list.rawStore();
    const std::uint32_t row = list.beginRawRow();
    const auto col = [&](int k) {
        return static_cast<std::size_t>(list.storeColumn(firstData + k));
    };
    const QByteArray name = "name " + QByteArray::number(id) + (variant == 1 ? "x" : "");
    const QByteArray note = "a note of some length for row " + QByteArray::number(id);
    st.setInt(row, col(0), id);
    st.setBytes(row, col(1), name.constData(), static_cast<std::size_t>(name.size()));
    st.setInt(row, col(2), id % 1000 + (variant == 2 ? 1 : 0));
    st.setFloat(row, col(3), static_cast<double>(id) / 100.0);
    st.setInt(row, col(4), 45000LL * 86400000000LL + (id % 3650) * 86400000000LL);
    st.setBytes(row, col(5), note.constData(), static_cast<std::size_t>(note.size()));
    list.commitRawRow(row);
}

void build(Lists& l) {
    addField(l.source, u"OnlyInSource"_s, qm::FieldType::Boolean, qm::kFlagTag);
    addDataFields(l.source);
    addTargetFields(l.target);
    addTargetFields(l.copy);
    addTargetFields(l.orig);
    l.onlyInDest = l.target.fieldIndex(u"OnlyInDest"_s);
    l.newField = l.target.fieldIndex(u"NewField"_s);
    const int firstTargetData = l.target.fieldIndex(u"id"_s);
    const int firstSourceData = l.source.fieldIndex(u"id"_s);
    l.source.open();
    l.target.open();
    l.source.reserveRows(kRows);
    l.target.reserveRows(kRows);
    // Every 10th target row has another name than its source row, every
    // 7th is target-only (its id is not in the source), every 13th is new.
    for (int i = 0; i < kRows; ++i) {
        writeRow(l.source, firstSourceData, i, 0);
        const bool targetOnly = i % 7 == 3;
        writeRow(l.target, firstTargetData, targetOnly ? kRows + i : i, i % 10 == 1 ? 1 : 0);
    }
    for (int p = 0; p < kRows; ++p) {
        if (p % 7 == 3) {
            l.target.writeAt(p, l.onlyInDest, qm::Value::fromBool(true));
        }
        if (p % 13 == 5) {
            l.target.writeAt(p, l.newField, qm::Value::fromBool(true));
        }
    }
    l.orig.open();
    l.orig.shareRowsFrom(l.target);
    l.copy.open();
    l.copy.shareRowsFrom(l.target);
    // Edits after loading: every 11th row's qty, seen by the target and its
    // copy but not by the snapshot.
    const int qty = l.target.fieldIndex(u"qty"_s);
    for (int p = 0; p < kRows; p += 11) {
        l.target.writeAt(p, qty, qm::Value::fromInt(-1));
        l.copy.writeAt(p, qty, qm::Value::fromInt(-1));
    }
}

struct Figures {
    double median = 0.0;
    double worst = 0.0;
};

// Times `screen` at the same random scroll positions for every contender.
template <typename Screen>
Figures timeScreens(const std::vector<int>& tops, Screen screen) {
    std::vector<double> ms;
    ms.reserve(tops.size());
    QElapsedTimer timer;
    for (const int top : tops) {
        timer.start();
        screen(top);
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    return {sorted[sorted.size() / 2], sorted.back()};
}

QString figures(const QString& what, const Figures& f, const Figures& base) {
    return u"%1: median %2 ms, worst %3 ms per screen (%4x the baseline median)"_s.arg(what)
        .arg(f.median, 0, 'f', 3)
        .arg(f.worst, 0, 'f', 3)
        .arg(base.median > 0 ? f.median / base.median : 0.0, 0, 'f', 1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    out(u"Building a %1-row source and target list..."_s.arg(kRows));
    Lists lists;
    build(lists);

    const qm::TargetCellColours colours([&lists] {
        qm::TargetCellColours::Lists l;
        l.target = &lists.target;
        l.copy = &lists.copy;
        l.orig = &lists.orig;
        l.source = &lists.source;
        // Both lists key on "id" of the same type: a plain key lookup.
        l.sourceMatch = [&lists](int copyPos) {
            const int sf = lists.source.findDataField(u"id");
            const int cf = lists.copy.findDataField(u"id");
            return lists.source.findRow({sf}, {lists.copy.valueAt(copyPos, cf)});
        };
        l.newField = lists.newField;
        l.onlyInDest = lists.onlyInDest;
        return l;
    });

    const std::int64_t before = residentKiB();
    qm::MemDataModel model(lists.target, qm::MemDataModel::Mode::Editable);
    model.setColourProvider(colours.provider());
    const std::int64_t after = residentKiB();
    const int columns = model.columnCount();

    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> topOf(0, kRows - kScreenRows);
    std::vector<int> tops(kScreens);
    for (int& t : tops) {
        t = topOf(random);
    }
    std::vector<int> fields;
    for (int c = 0; c < columns; ++c) {
        fields.push_back(model.fieldOfColumn(c));
    }

    volatile qsizetype sink = 0;
    // Baseline: the display texts read straight from the list.
    const Figures base = timeScreens(tops, [&](int top) {
        for (int r = top; r < top + kScreenRows; ++r) {
            for (const int f : fields) {
                sink = sink +
                       qm::ValueText::toText(lists.target.valueAt(r, f), lists.target.field(f).type)
                           .size();
            }
        }
    });
    const auto modelScreen = [&](bool withColours) {
        return [&, withColours](int top) {
            for (int r = top; r < top + kScreenRows; ++r) {
                for (int c = 0; c < columns; ++c) {
                    const QModelIndex i = model.index(r, c);
                    sink = sink + model.data(i, Qt::DisplayRole).toString().size();
                    if (withColours) {
                        sink = sink + (model.data(i, Qt::BackgroundRole).isValid() ? 1 : 0);
                    }
                }
            }
        };
    };
    // The first coloured screen builds the source list's key index.
    QElapsedTimer first;
    first.start();
    modelScreen(true)(0);
    const double firstMs = static_cast<double>(first.nsecsElapsed()) / 1e6;

    const Figures text = timeScreens(tops, modelScreen(false));
    const Figures full = timeScreens(tops, modelScreen(true));

    QElapsedTimer sortTimer;
    sortTimer.start();
    model.sortBy({{model.columnOfField(lists.target.fieldIndex(u"name"_s)), Qt::DescendingOrder}});
    const double sortMs = static_cast<double>(sortTimer.nsecsElapsed()) / 1e6;
    const Figures sorted = timeScreens(tops, modelScreen(true));
    const std::size_t sortedMemory = model.extraMemory();

    // Grouping by one column against sorting by it alone, in this run.
    const auto timed = [](const auto& work) {
        QElapsedTimer timer;
        timer.start();
        work();
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    };
    struct GroupFigures {
        QString column;
        double sortMs = 0.0;
        double groupMs = 0.0;
        double collapseMs = 0.0;
        int groupRows = 0;
        Figures screens;
        std::size_t memory = 0;
    };
    std::vector<GroupFigures> grouping;
    for (const QString& name : {u"qty"_s, u"name"_s}) {
        GroupFigures g;
        g.column = name;
        const int column = model.columnOfField(lists.target.fieldIndex(name));
        model.clearSort();
        g.sortMs = timed([&] { model.sortBy({{column, Qt::AscendingOrder}}); });
        model.clearSort();
        g.groupMs = timed([&] { model.groupBy({column}); });
        g.groupRows = model.rowCount() - kRows - 1;  // less the records and the new-row line
        g.screens = timeScreens(tops, modelScreen(true));
        g.memory = model.extraMemory();
        g.collapseMs = timed([&] { model.setGroupExpanded(0, false); });
        model.groupBy({});
        grouping.push_back(g);
    }

    out(u"One screen = %1 rows x %2 columns, %3 random scroll positions"_s.arg(kScreenRows)
            .arg(columns)
            .arg(kScreens));
    out(figures(u"Baseline (list reads, display text)"_s, base, base));
    out(figures(u"Model, display text"_s, text, base));
    out(figures(u"Model, display text and colour"_s, full, base));
    out(figures(u"Model sorted by name, display text and colour"_s, sorted, base));
    // Which rules coloured the first screen's cells, as a check that they ran.
    std::map<QString, int> seen;
    for (int r = 0; r < kScreenRows; ++r) {
        for (const int f : fields) {
            const auto kind = colours.kindOf(model.recIdAt(r), f);
            ++seen[kind ? qm::LegendColours::captionOf(*kind) : u"none"_s];
        }
    }
    QStringList tally;
    for (const auto& [caption, n] : seen) {
        tally << u"%1 %2"_s.arg(caption).arg(n);
    }
    out(u"Cells of one screen by colour: "_s + tally.join(u", "_s));
    out(u"First coloured screen (builds the source key index): %1 ms"_s.arg(firstMs, 0, 'f', 1));
    out(u"Sorting %1 rows by name: %2 ms"_s.arg(kRows).arg(sortMs, 0, 'f', 0));
    for (const GroupFigures& g : grouping) {
        out(u"Grouping %1 rows by %2 (%3 groups): %4 ms; sorting by %2 alone: %5 ms (%6x)"_s
                .arg(kRows)
                .arg(g.column)
                .arg(g.groupRows)
                .arg(g.groupMs, 0, 'f', 0)
                .arg(g.sortMs, 0, 'f', 0)
                .arg(g.sortMs > 0 ? g.groupMs / g.sortMs : 0.0, 0, 'f', 2));
        out(figures(u"Model grouped by %1, display text and colour"_s.arg(g.column), g.screens,
                    base));
        out(u"Grouped by %1: collapsing the first group %2 ms, model memory %3 KiB"_s.arg(g.column)
                .arg(g.collapseMs, 0, 'f', 2)
                .arg(static_cast<double>(g.memory) / 1024.0, 0, 'f', 0));
    }
    out(u"Model memory: %1 KiB unsorted (resident growth when made), %2 KiB sorted"_s
            .arg(after - before)
            .arg(static_cast<double>(sortedMemory) / 1024.0, 0, 'f', 0));
    const bool met = full.median < kGoalScreenMs && sorted.median < kGoalScreenMs &&
                     std::all_of(grouping.begin(), grouping.end(), [](const GroupFigures& g) {
                         return g.screens.median < kGoalScreenMs;
                     });
    out(u"Goal: under %1 ms a screen: %2"_s.arg(kGoalScreenMs, 0, 'f', 0)
            .arg(met ? u"met"_s : u"NOT met"_s));
    return met ? 0 : 1;
}
