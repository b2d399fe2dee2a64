#include "SqliteEngineFixture.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

class StatementsTest : public SqliteEngineTest {
protected:
    void nameTableSetup(const QString& name, const QString& table) {
        MemData& t = h.dm.TablesMemData();
        t.edit();
        t.setAsText(h.dm.tableFields().Name, name);
        t.setAsText(h.dm.tableFields().DestTableName, table);
        t.post();
    }
    void editTarget(int pos, const QString& column, const Value& v) {
        target().moveTo(pos);
        target().setValue(target().fieldIndex(column), v);
        target().post();
    }
};

TEST_F(StatementsTest, MarksGiveUpdatesThenInsertsThenDeletes) {
    const QStringList rows{u"CREATE TABLE cust (ID INTEGER, NAME TEXT, CITY TEXT)"_s,
                           u"INSERT INTO cust VALUES (1, 'Smith', 'a*/b'), (2, 'Jones', 'Bergen'), "
                           "(3, 'Gone', 'X')"_s};
    makeDatabases(rows, rows);
    configure({u"SELECT * FROM cust"_s, u"SELECT * FROM cust"_s, u"ID"_s});
    nameTableSetup(u"Customers */ all"_s, u"CUST"_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());

    editTarget(0, u"NAME"_s, Value::fromText(u"O'Smyth"_s));
    editTarget(0, u"CITY"_s, Value::fromText(u"Oslo"_s));
    editTarget(1, u"CITY"_s, Value::fromText(u"Bergen"_s));  // posted, but nothing changed
    editTarget(2, u"Del"_s, Value::fromBool(true));
    MemData& d = target();
    d.append();
    d.setAsInt(d.fieldIndex(u"ID"_s), 4);
    d.setAsText(d.fieldIndex(u"NAME"_s), u"New"_s);
    d.post();
    editTarget(3, u"Del"_s, Value::fromBool(true));  // inserted and deleted
    d.append();
    d.setAsText(d.fieldIndex(u"NAME"_s), u"Auto"_s);  // the database supplies the key
    d.post();

    h.view.script = QStringList{u"-- earlier line"_s};
    h.dm.ScriptCurrentTableSetup(false);
    EXPECT_EQ(h.view.script,
              (QStringList{
                  u"-- earlier line"_s,
                  u"/* Statements for Table Setup \"Customers * / all\" */"_s,
                  u"UPDATE CUST SET NAME = 'O''Smyth'/* Was: 'Smith' */, CITY = 'Oslo'/* Was: "
                  "'a* /b' */ WHERE ID = 1;"_s,
                  u"INSERT INTO CUST (ID, NAME, CITY) VALUES (4, 'New', '');"_s,
                  u"INSERT INTO CUST (NAME, CITY) VALUES ('Auto', '');"_s,
                  u"DELETE FROM CUST WHERE ID = 3;"_s,
                  u"DELETE FROM CUST WHERE ID = 4;"_s,
              }));
    EXPECT_EQ(d.position(), 0);
    const QStringList firstScript = h.view.script;

    h.dm.MakeScript();
    EXPECT_EQ(h.view.script.size(), 6) << "emptied first";
    EXPECT_EQ(h.view.script, firstScript.mid(1)) << "the same statements again, and only those";
    EXPECT_EQ(h.view.scriptTabShown, 1);
}

TEST_F(StatementsTest, TwoKeyFieldsAndAChangedKey) {
    const QStringList rows{u"CREATE TABLE lines (A INTEGER, B INTEGER, QTY INTEGER)"_s,
                           u"INSERT INTO lines VALUES (1, 1, 5), (1, 2, 6)"_s};
    makeDatabases(rows, rows);
    configure({u"SELECT * FROM lines"_s, u"SELECT * FROM lines"_s, u"A;B"_s});
    nameTableSetup(u"Lines"_s, u"LINES"_s);
    ASSERT_TRUE(h.openSource());
    ASSERT_TRUE(h.openTarget());
    editTarget(0, u"QTY"_s, Value::fromInt(7));
    editTarget(1, u"B"_s, Value::fromInt(3));  // the original row can no longer be found
    editTarget(1, u"Del"_s, Value::fromBool(true));
    h.dm.ScriptCurrentTableSetup(true);
    EXPECT_EQ(h.view.script,
              (QStringList{u"/* Statements for Table Setup \"Lines\" */"_s,
                           u"UPDATE LINES SET QTY = 7/* Was: 5 */ WHERE A = 1 AND B = 1;"_s,
                           u"DELETE FROM LINES WHERE A = 1 AND B = 3;"_s}));
    ASSERT_EQ(h.view.errors.size(), 1);
    EXPECT_TRUE(h.view.errors.first().startsWith(u"Was unable to locate matching record"_s));
}

TEST_F(StatementsTest, NoTargetDataMeansNoScript) {
    makeDatabases({u"CREATE TABLE t (id INTEGER)"_s}, {u"CREATE TABLE t (id INTEGER)"_s});
    configure({u"SELECT * FROM t"_s, u"SELECT * FROM t"_s, u"id"_s});
    h.view.script = QStringList{u"kept"_s};
    h.dm.MakeScript();
    EXPECT_EQ(
        h.view.infos,
        QStringList{u"Unable to script because there is no target data open to script from"_s});
    EXPECT_EQ(h.view.script, QStringList{u"kept"_s});
}

}  // namespace
}  // namespace qm::test
