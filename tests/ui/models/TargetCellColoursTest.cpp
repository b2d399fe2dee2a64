// The colour of target grid cells, worked out from the engine's lists after
// real comparisons and merges of two SQLite tables.

#include "engine/SqliteEngineFixture.h"
#include "models/LegendColours.h"
#include "models/MemDataModel.h"
#include "models/TargetCellColours.h"

#include <gtest/gtest.h>
#include <QBrush>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Source and target share rows 1 and 2 (row 2's name differs); 3 is only in
// the source, 4 only in the target.
const QStringList kSource = {
    u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)"_s,
    u"INSERT INTO t VALUES (1, 'a', 10), (2, 'b', 20), (3, 'c', 30)"_s,
};
const QStringList kTarget = {
    u"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER)"_s,
    u"INSERT INTO t VALUES (1, 'a', 10), (2, 'B', 20), (4, 'd', 40)"_s,
};
const QStringList kMarks = {u"OnlyInDest"_s, u"NewField"_s, u"UpdateField"_s, u"Del"_s,
                            u"Difference"_s};

class TargetCellColoursTest : public SqliteEngineTest {
protected:
    void SetUp() override {
        makeDatabases(kSource, kTarget);
        configure({u"SELECT * FROM t ORDER BY id"_s, u"SELECT * FROM t ORDER BY id"_s, u"id"_s});
        ASSERT_TRUE(h.openSource());
        ASSERT_TRUE(h.openTarget());
    }

    /// RecId of the target row with that id; the row being inserted counts.
    int recIdOf(int id) {
        MemData& d = target();
        const int f = d.fieldIndex(u"id"_s);
        if (d.state() == ListState::Insert && d.ref(f).i == id) {
            return static_cast<int>(d.ref(0).i);
        }
        for (int p = 0; p < d.recordCount(); ++p) {
            if (d.valueAt(p, f).asInt() == id) {
                return d.recIdAt(p);
            }
        }
        ADD_FAILURE() << "no target row " << id;
        return -1;
    }
    /// The legend caption of a cell's colour, or "none".
    QString colour(int id, const QString& column) {
        const auto kind = colours.kindOf(recIdOf(id), target().fieldIndex(column));
        return kind ? LegendColours::captionOf(*kind) : u"none"_s;
    }
    /// The captions of the data columns id, name, qty of a row.
    QStringList dataColours(int id) {
        return {colour(id, u"id"_s), colour(id, u"name"_s), colour(id, u"qty"_s)};
    }
    QStringList markColours(int id) {
        QStringList out;
        for (const QString& m : kMarks) {
            out << colour(id, m);
        }
        return out;
    }
    static QStringList all(const QString& caption, int n) { return QStringList(n, caption); }

    TargetCellColours colours{h.dm};
};

TEST_F(TargetCellColoursTest, ComparedRowsAfterOpening) {
    const QString same = u"Dublicate Record"_s;
    struct Case {
        int id;
        QStringList data;
    };
    const Case cases[] = {
        {1, {same, same, same}},
        {2, {same, u"Different Field"_s, same}},
        {4, {u"none"_s, u"none"_s, u"none"_s}},  // target-only: never red, never silver
    };
    // Whichever source row is current, the colours stay, and so does the source.
    for (const int sourcePos : {0, 1, 2}) {
        source().moveTo(sourcePos);
        for (const Case& c : cases) {
            EXPECT_EQ(dataColours(c.id), c.data) << "row " << c.id << ", source at " << sourcePos;
            EXPECT_EQ(markColours(c.id), all(u"Info Fields"_s, 5)) << "row " << c.id;
        }
        EXPECT_EQ(source().position(), sourcePos);
    }
}

TEST_F(TargetCellColoursTest, CellsFollowTheComparisonRulesOfTheirColumns) {
    const QString same = u"Dublicate Record"_s;
    const QString different = u"Different Field"_s;
    struct Case {
        const char* rules;
        QStringList row2;
    };
    const Case cases[] = {
        {"name: nocase", {same, same, same}},
        {"name: ignore", {same, same, same}},
        {"*: nocase; name: exact", {same, different, same}},
        {"qty: abs=100", {same, different, same}},
        {"", {same, different, same}},
    };
    for (const Case& c : cases) {
        MemData& t = h.dm.TablesMemData();
        t.edit();
        qm::TableSetup::setRulesInList(t,
                                       ComparisonRules::parse(QString::fromUtf8(c.rules), u"t"_s));
        t.post();
        h.dm.CompareAll();
        EXPECT_EQ(dataColours(2), c.row2) << c.rules;
        EXPECT_EQ(dataColours(1), (QStringList{same, same, same})) << c.rules;
    }
}

TEST_F(TargetCellColoursTest, RecordAddedByHandIsNewExceptItsMarks) {
    MemData& d = target();
    d.append();
    d.setAsInt(d.fieldIndex(u"id"_s), 5);
    // Not posted yet: the copy of the target list does not hold it.
    EXPECT_EQ(dataColours(5), all(u"Not in copy"_s, 3));
    EXPECT_EQ(colours.colourOf(recIdOf(5), d.fieldIndex(u"name"_s)), QColor(0, 0, 255));
    d.setAsText(d.fieldIndex(u"name"_s), u"e"_s);
    d.post();
    EXPECT_EQ(dataColours(5), all(u"New Record"_s, 3));
    EXPECT_EQ(markColours(5), all(u"Info Fields"_s, 5));
}

TEST_F(TargetCellColoursTest, RecordCopiedFromSourceIsNewExceptItsMarks) {
    h.dm.CopySourceOnlyRecordsToDest();
    EXPECT_EQ(dataColours(3), all(u"New Record"_s, 3));
    EXPECT_EQ(markColours(3), all(u"Info Fields"_s, 5));
    EXPECT_EQ(dataColours(1), all(u"Dublicate Record"_s, 3)) << "other rows keep theirs";
}

TEST_F(TargetCellColoursTest, FieldChangedToTheSourceValueDiffersFromOriginal) {
    h.dm.ChangeRecsWithDifferencesToEqualSource();
    EXPECT_EQ(dataColours(2), (QStringList{u"Dublicate Record"_s, u"Different From Original"_s,
                                           u"Dublicate Record"_s}));
    // A hand edit away from both the source and the loaded value is red.
    MemData& d = target();
    d.moveTo(d.positionOfRecId(recIdOf(1)));
    d.edit();
    d.setAsInt(d.fieldIndex(u"qty"_s), 11);
    d.post();
    EXPECT_EQ(colour(1, u"qty"_s), u"Different Field"_s);
    // On a target-only row the same edit is only a change from the loaded value.
    d.moveTo(d.positionOfRecId(recIdOf(4)));
    d.edit();
    d.setAsInt(d.fieldIndex(u"qty"_s), 41);
    d.post();
    EXPECT_EQ(colour(4, u"qty"_s), u"Different From Original"_s);
}

TEST_F(TargetCellColoursTest, WithTheSourceClosedUnchangedRecordsHaveNoColour) {
    h.dm.CloseSource();
    EXPECT_EQ(dataColours(1), all(u"none"_s, 3));
    EXPECT_EQ(dataColours(2), all(u"none"_s, 3)) << "no source to differ from";
    EXPECT_EQ(markColours(1), all(u"Info Fields"_s, 5));
}

TEST_F(TargetCellColoursTest, RowsAfterADeletedRowKeepTheirOwnColours) {
    // Deleting row 1 leaves a gap in the target's RecIds, while the copy
    // numbers its rows afresh.
    MemData& d = target();
    d.moveTo(d.positionOfRecId(recIdOf(1)));
    d.deleteRow();
    EXPECT_EQ(dataColours(2),
              (QStringList{u"Dublicate Record"_s, u"Different Field"_s, u"Dublicate Record"_s}));
    EXPECT_EQ(dataColours(4), all(u"none"_s, 3));
}

TEST_F(TargetCellColoursTest, NothingWhileTheTargetIsClosedOrEmpty) {
    const int name = target().fieldIndex(u"name"_s);
    const int recId = recIdOf(2);
    MemData& d = target();
    while (d.recordCount() > 0) {
        d.first();
        d.deleteRow();
    }
    EXPECT_FALSE(colours.kindOf(recId, name));
    h.dm.CloseTarget();
    EXPECT_FALSE(colours.kindOf(recId, name));
}

TEST_F(TargetCellColoursTest, TheTargetGridPaintsTheLegendColours) {
    MemDataModel model(target(), MemDataModel::Mode::Editable);
    model.setColourProvider(colours.provider());
    const int name = model.columnOfField(target().fieldIndex(u"name"_s));
    const int del = model.columnOfField(h.dm.fieldDel());
    ASSERT_GE(name, 0);
    ASSERT_GE(del, 0);
    const auto paint = [&](int row, int column) {
        return model.data(model.index(row, column), Qt::BackgroundRole).value<QBrush>().color();
    };
    const int row2 = model.rowOfRecId(recIdOf(2));
    EXPECT_EQ(paint(row2, name), QColor(255, 0, 0));
    EXPECT_EQ(paint(row2, del), QColor(255, 255, 255));
    const int newLine = model.rowCount() - 1;
    ASSERT_TRUE(model.isNewRowLine(newLine));
    EXPECT_FALSE(model.data(model.index(newLine, name), Qt::BackgroundRole).isValid());
}

TEST(LegendColoursTest, OneTableForTheStripAndTheGrid) {
    QStringList rows;
    for (const LegendEntry& e : LegendColours::entries()) {
        rows << u"%1 \"%2\" %3,%4,%5 at %6 width %7"_s.arg(e.name, e.caption)
                    .arg(e.colour.red())
                    .arg(e.colour.green())
                    .arg(e.colour.blue())
                    .arg(e.left)
                    .arg(e.width);
        EXPECT_EQ(LegendColours::colourOf(e.kind), e.colour);
    }
    EXPECT_EQ(rows, (QStringList{
                        u"DiffLabel \"Different Field\" 255,0,0 at 64 width 105"_s,
                        u"NewLabel \"New Record\" 255,255,0 at 184 width 105"_s,
                        u"DifferentFromOriginalLabel \"Different From Original\" 0,255,255 at 304 "
                        u"width 137"_s,
                        u"SameLabel \"Dublicate Record\" 192,192,192 at 456 width 105"_s,
                        u"InfoFieldLabel \"Info Fields\" 255,255,255 at 576 width 73"_s,
                    }));
    EXPECT_EQ(LegendColours::colourOf(CellColour::NotInCopy), QColor(0, 0, 255));
}

}  // namespace
}  // namespace qm::test
