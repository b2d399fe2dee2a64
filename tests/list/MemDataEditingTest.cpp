// Rows, states, values and columns of the in-memory list.

#include "ListTestSupport.h"
#include "common/Errors.h"
#include "list/MemData.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

std::unique_ptr<MemData> nameList() {
    return openList(u"People"_s, {{u"Name"_s}});
}

// --- RecId -------------------------------------------------------------------

TEST(MemDataRecId, CountsPostedNewRowsAndNeverReusesNumbers) {
    auto list = nameList();
    for (const QString& n : {u"a"_s, u"b"_s, u"c"_s}) {
        appendTexts(*list, {n});
    }
    list->moveTo(1);
    list->deleteRow();
    appendTexts(*list, {u"d"_s});
    EXPECT_EQ(recIds(*list), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"c"_s, u"d"_s}));

    // A cancelled new row is not posted, so its number is handed out again.
    list->append();
    EXPECT_EQ(list->value(0).asInt(), 5);
    list->cancel();
    appendTexts(*list, {u"e"_s});
    EXPECT_EQ(list->recIdAt(list->recordCount() - 1), 5);

    // Deleting every row does not restart the count; closing does.
    while (list->recordCount() > 0) {
        list->deleteRow();
    }
    appendTexts(*list, {u"f"_s});
    EXPECT_EQ(list->recIdAt(0), 6);
    list->close();
    list->open();
    appendTexts(*list, {u"g"_s});
    EXPECT_EQ(recIds(*list), std::vector<int>{1});
}

TEST(MemDataRecId, InsertedRowInTheMiddleTakesTheNextNumber) {
    auto list = nameList();
    for (const QString& n : {u"a"_s, u"b"_s, u"c"_s}) {
        appendTexts(*list, {n});
    }
    list->moveTo(1);
    list->insert();
    list->setAsText(1, u"x"_s);
    list->post();
    EXPECT_EQ(list->position(), 1);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"x"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(recIds(*list), (std::vector<int>{1, 4, 2, 3}));
}

TEST(MemDataRecId, NewRecordHandlerSeesTheNewNumber) {
    auto list = nameList();
    std::vector<std::int64_t> seen;
    std::vector<ListState> states;
    list->onNewRecord = [&] {
        seen.push_back(list->value(0).asInt());
        states.push_back(list->state());
        // Handlers commonly fill defaults; the new row must take them.
        list->setAsText(1, u"default"_s);
    };
    list->append();
    list->post();
    appendTexts(*list, {u"b"_s});
    list->first();
    list->deleteRow();
    list->insert();
    list->post();
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(states, std::vector<ListState>(3, ListState::Insert));
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"default"_s, u"b"_s}));
}

// --- states and navigation -----------------------------------------------------

TEST(MemDataStates, AppendEditPostAndCancel) {
    MemData closed(u"C"_s);
    EXPECT_EQ(closed.state(), ListState::Inactive);
    EXPECT_THROW(closed.first(), Error);
    EXPECT_THROW(closed.append(), Error);

    auto list = nameList();
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_TRUE(list->eof());
    EXPECT_EQ(list->position(), -1);

    list->append();
    EXPECT_EQ(list->state(), ListState::Insert);
    list->setAsText(1, u"a"_s);
    EXPECT_EQ(list->recordCount(), 0) << "a new row counts once posted";
    list->post();
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(list->recordCount(), 1);

    list->edit();
    EXPECT_EQ(list->state(), ListState::Edit);
    list->setAsText(1, u"changed"_s);
    EXPECT_EQ(list->asText(1), u"changed"_s) << "the current row shows the pending edit";
    list->cancel();
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(list->asText(1), u"a"_s);

    list->append();
    list->setAsText(1, u"dropped"_s);
    list->cancel();
    EXPECT_EQ(list->recordCount(), 1);
    EXPECT_EQ(list->asText(1), u"a"_s);

    // Assigning in browse state starts an edit of the current row.
    list->setAsText(1, u"b"_s);
    EXPECT_EQ(list->state(), ListState::Edit);
    list->post();
    EXPECT_EQ(columnTexts(*list, 1), QStringList{u"b"_s});
}

TEST(MemDataStates, InsertGoesBeforeTheCurrentRowAppendAtTheEnd) {
    auto list = nameList();
    appendTexts(*list, {u"a"_s});
    appendTexts(*list, {u"c"_s});
    list->first();
    list->next();
    list->insert();
    list->setAsText(1, u"b"_s);
    list->post();
    list->first();
    list->append();
    list->setAsText(1, u"d"_s);
    list->post();
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(list->position(), 3);
}

TEST(MemDataStates, FirstNextWalksEveryRowThenReportsEof) {
    auto list = nameList();
    list->first();
    EXPECT_TRUE(list->eof()) << "empty list";
    for (const QString& n : {u"a"_s, u"b"_s, u"c"_s}) {
        appendTexts(*list, {n});
    }
    QStringList seen;
    for (list->first(); !list->eof(); list->next()) {
        seen << list->asText(1);
    }
    EXPECT_EQ(seen, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(list->position(), 2) << "next at the last row stays there";
}

TEST(MemDataStates, MovingAwayPostsThePendingChange) {
    auto list = nameList();
    appendTexts(*list, {u"a"_s});
    appendTexts(*list, {u"b"_s});

    list->first();
    list->edit();
    list->setAsText(1, u"edited"_s);
    list->next();
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(list->asText(1), u"b"_s);

    list->append();
    list->setAsText(1, u"new"_s);
    list->first();
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"edited"_s, u"b"_s, u"new"_s}));
}

TEST(MemDataStates, DeleteRow) {
    auto list = nameList();
    EXPECT_THROW(list->deleteRow(), Error) << "nothing to delete";
    for (const QString& n : {u"a"_s, u"b"_s, u"c"_s}) {
        appendTexts(*list, {n});
    }
    list->moveTo(2);
    list->deleteRow();
    EXPECT_EQ(list->position(), 1) << "the last row gone, the new last row is current";

    // Deleting while inserting drops only the new row; while editing,
    // the edit is dropped with the row.
    list->append();
    list->setAsText(1, u"x"_s);
    list->deleteRow();
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"b"_s}));
    list->first();
    list->setAsText(1, u"y"_s);
    list->deleteRow();
    EXPECT_EQ(columnTexts(*list, 1), QStringList{u"b"_s});
    EXPECT_EQ(list->state(), ListState::Browse);
}

TEST(MemDataStates, ReadOnlyListRefusesEveryChange) {
    auto list = nameList();
    appendTexts(*list, {u"a"_s});
    list->setReadOnly(true);
    EXPECT_THROW(list->edit(), Error);
    EXPECT_THROW(list->append(), Error);
    EXPECT_THROW(list->insert(), Error);
    EXPECT_THROW(list->setAsText(1, u"b"_s), Error);
    EXPECT_THROW(list->deleteRow(), Error);
    EXPECT_EQ(list->state(), ListState::Browse);
    EXPECT_EQ(columnTexts(*list, 1), QStringList{u"a"_s});

    list->setReadOnly(false);
    list->setAsText(1, u"b"_s);
    list->post();
    EXPECT_EQ(columnTexts(*list, 1), QStringList{u"b"_s});
}

// --- values ----------------------------------------------------------------------

TEST(MemDataValues, AccessorsConvertToAndFromTheColumnType) {
    auto list = openList(u"V"_s, {{u"S"_s, FieldType::String},
                                  {u"I"_s, FieldType::Integer},
                                  {u"B"_s, FieldType::Boolean},
                                  {u"F"_s, FieldType::Float},
                                  {u"D"_s, FieldType::Date}});
    list->append();
    // Everything null in a fresh row; a null Boolean reads false.
    for (int f = 1; f <= 5; ++f) {
        EXPECT_TRUE(list->isNull(f)) << f;
        EXPECT_FALSE(list->asVariant(f).isValid()) << f;
    }
    EXPECT_FALSE(list->asBool(3));
    EXPECT_EQ(list->asInt(2), 0);

    list->setAsText(1, u"text"_s);
    list->setAsText(2, u"42"_s);
    list->setAsBool(3, true);
    list->setAsInt(4, 7);
    list->setAsVariant(5, QVariant(QDate(2024, 1, 5)));
    list->post();

    EXPECT_EQ(list->asVariant(1), QVariant(u"text"_s));
    EXPECT_EQ(list->asVariant(2).toLongLong(), 42);
    EXPECT_EQ(list->asText(3), u"True"_s);
    EXPECT_EQ(list->asInt(3), -1) << "true counts as -1";
    EXPECT_EQ(list->value(4).storage(), StorageClass::Float);
    EXPECT_EQ(list->value(4).asFloat(), 7.0);
    EXPECT_EQ(list->asText(5), u"2024-01-05"_s);
    EXPECT_EQ(list->asVariant(5), QVariant(QDate(2024, 1, 5)));

    list->setAsVariant(2, QVariant(u"-3"_s));
    list->setAsVariant(3, QVariant(u"f"_s));
    list->setAsText(4, u"2.5"_s);
    list->post();
    EXPECT_EQ(list->asInt(2), -3);
    EXPECT_FALSE(list->asBool(3));
    EXPECT_FALSE(list->isNull(3)) << "false is a value, not null";
    EXPECT_EQ(list->asVariant(4).toDouble(), 2.5);

    EXPECT_THROW(list->setAsText(2, u"x"_s), ConversionError);
    EXPECT_THROW(list->setAsVariant(2, QVariant(2.5)), ConversionError);
    EXPECT_THROW(list->setAsText(3, u"maybe"_s), ConversionError);
    list->cancel();
    EXPECT_EQ(list->asInt(2), -3);
}

TEST(MemDataValues, RecIdCannotBeAssigned) {
    auto list = nameList();
    appendTexts(*list, {u"a"_s});
    EXPECT_THROW(list->setAsInt(0, 9), Error);
    EXPECT_EQ(list->asInt(0), 1);
}

TEST(MemDataValues, ChangeHandlerRunsOnEveryAssignment) {
    auto list = openList(u"H"_s, {{u"A"_s}, {u"B"_s}});
    int calls = 0;
    QString seenValue;
    list->setFieldChangeHandler(1, [&] {
        ++calls;
        seenValue = list->asText(1);
    });
    list->append();
    list->setAsText(1, u"x"_s);
    EXPECT_EQ(seenValue, u"x"_s) << "the handler sees the new value";
    list->setAsText(1, u"x"_s);
    list->setAsText(2, u"other column"_s);
    list->post();
    list->setValue(1, Value::fromText(u"x"_s));
    list->post();
    EXPECT_EQ(calls, 3);
}

// --- columns -----------------------------------------------------------------------

TEST(MemDataColumns, NamesMustBeNewAmongTheirKind) {
    MemData list(u"Setup"_s);
    FieldDef def;
    def.name = u"Name"_s;
    EXPECT_EQ(list.addField(def), 1);
    FieldDef flag;
    flag.name = u"Del"_s;
    flag.type = FieldType::Boolean;
    flag.tag = kFlagTag;
    EXPECT_EQ(list.addField(flag), 2);
    // Any name a query can return is a data column's name, also one of the
    // list's own columns (RecId, a flag).
    int next = 3;
    for (const QString& name :
         {u"My Field"_s, u"a-b"_s, u"x.y"_s, u"1st"_s, u"recid"_s, u"DEL"_s}) {
        def.name = name;
        EXPECT_EQ(list.addField(def), next++) << name.toStdString();
    }
    for (const QString& taken : {u"NAME"_s, u"my field"_s}) {
        def.name = taken;
        EXPECT_THROW(list.addField(def), Error) << taken.toStdString();
    }
    flag.name = u"del"_s;
    EXPECT_THROW(list.addField(flag), Error) << "a second flag of that name";
    def.name = u"Odd"_s;
    def.type = FieldType::Guid;
    EXPECT_THROW(list.addField(def), Error) << "not a column type";
    EXPECT_EQ(list.fieldCount(), next);

    // Own columns come first for findField; findDataField passes them by.
    EXPECT_EQ(list.findField(u"recid"), 0);
    EXPECT_EQ(list.findDataField(u"RecId"), 7);
    EXPECT_EQ(list.findField(u"del"), 2);
    EXPECT_EQ(list.findDataField(u"del"), 8);
    EXPECT_EQ(list.findDataField(u"name"), 1);
    EXPECT_EQ(list.findDataField(u"OnlyInDest"), -1);
    EXPECT_THROW(list.dataFieldIndex(u"OnlyInDest"), Error);

    list.open();
    def.type = FieldType::String;
    def.name = u"Late"_s;
    EXPECT_THROW(list.addField(def), Error) << "list is open";
    list.close();
    EXPECT_EQ(list.addField(def), next);
}

TEST(MemDataColumns, FieldLookupIgnoresCase) {
    auto list = openList(u"L"_s, {{u"Name"_s}, {u"Amount"_s, FieldType::Integer}});
    EXPECT_EQ(list->findField(u"recid"), 0);
    EXPECT_EQ(list->findField(u"NAME"), 1);
    EXPECT_EQ(list->fieldIndex(u"amount"), 2);
    EXPECT_EQ(list->findField(u"Nam"), -1);
    EXPECT_THROW(list->fieldIndex(u"Missing"), Error);
    EXPECT_FALSE(list->field(0).visible);
    EXPECT_EQ(list->field(0).kind, FieldKind::Calculated);
}

// --- bookmarks ------------------------------------------------------------------------

TEST(MemDataBookmarks, FindTheSameRowAfterDeletesAndSorting) {
    auto list = openList(u"B"_s, {{u"Name"_s}, {u"N"_s, FieldType::Integer}});
    EXPECT_EQ(list->bookmark(), QString()) << "empty list";
    const QStringList names{u"e"_s, u"d"_s, u"c"_s, u"b"_s, u"a"_s};
    for (qsizetype i = 0; i < names.size(); ++i) {
        appendTexts(*list, {names[i], QString::number(i)});
    }
    list->moveTo(3);
    const QString markB = list->bookmark();
    list->moveTo(1);
    const QString markD = list->bookmark();

    list->first();
    list->deleteRow();  // "e"
    list->gotoBookmark(markB);
    EXPECT_EQ(list->asText(1), u"b"_s);

    list->setSortField(1);
    EXPECT_EQ(columnTexts(*list, 1), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    list->gotoBookmark(markD);
    EXPECT_EQ(list->asText(1), u"d"_s);
    EXPECT_EQ(list->position(), 3);
    EXPECT_EQ(list->positionOfRecId(markB.toInt()), 1);

    list->gotoBookmark(QString());
    EXPECT_EQ(list->position(), 0) << "an empty bookmark goes to the first row";

    list->gotoBookmark(markD);
    list->deleteRow();
    EXPECT_THROW(list->gotoBookmark(markD), Error);
    EXPECT_EQ(list->positionOfRecId(markD.toInt()), -1);
    EXPECT_EQ(list->positionOfRecId(99), -1);
    EXPECT_THROW(list->gotoBookmark(u"garbage"_s), Error);

    appendTexts(*list, {u"z"_s, u"9"_s});
    EXPECT_EQ(list->positionOfRecId(6), list->recordCount() - 1);
}

// --- frozen display --------------------------------------------------------------------

struct CountingObserver : ListObserver {
    int notices = 0;
    void listChanged() override { ++notices; }
};

TEST(MemDataObservers, FrozenListSendsOneNoticeAfterTheOutermostUnfreeze) {
    auto list = nameList();
    CountingObserver obs;
    list->addObserver(&obs);

    appendTexts(*list, {u"a"_s});
    EXPECT_GT(obs.notices, 0) << "a posted row is announced";

    obs.notices = 0;
    list->disableControls();
    list->disableControls();
    EXPECT_TRUE(list->controlsDisabled());
    appendTexts(*list, {u"b"_s});
    list->first();
    list->setAsText(1, u"c"_s);
    list->post();
    list->deleteRow();
    list->enableControls();
    EXPECT_EQ(obs.notices, 0) << "still frozen once";
    EXPECT_TRUE(list->controlsDisabled());
    list->enableControls();
    EXPECT_EQ(obs.notices, 1);
    EXPECT_FALSE(list->controlsDisabled());

    list->enableControls();  // unbalanced: ignored
    EXPECT_FALSE(list->controlsDisabled());
    list->removeObserver(&obs);
    appendTexts(*list, {u"d"_s});
    EXPECT_EQ(obs.notices, 1);
}

}  // namespace
}  // namespace qm::test
