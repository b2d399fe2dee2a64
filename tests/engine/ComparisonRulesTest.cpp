#include "engine/ScriptExecutor.h"
#include "engine/TextScriptEditor.h"
#include "support/EngineHarness.h"
#include "support/PgScratch.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <memory>

using namespace Qt::StringLiterals;

// Comparison rules on real databases: each rule decides which rows are
// Different, what the merge copies and what the script writes, and a script
// run under the rules leaves a target the same rules find equal to the
// source, its ignored columns as they were.

namespace qm::test {
namespace {

enum class Backend { Sqlite, Pg };

// Rows that differ from the source only in ways one rule or another
// forgives: letter case (1), blanks and a small price difference (2), a
// fraction of a second and a note (3), the empty text for a NULL (6); 4 is
// source only, 5 target only.
const QString kSourceRows =
    u"(1, 'Alice', 10.5, '2024-01-01 10:00:00', 'n1'), "
    "(2, 'Bob', 20, '2024-01-02 10:00:00', 'n2'), "
    "(3, 'Carol', 30, '2024-01-03 10:00:00', 'n3'), "
    "(4, 'Dan', 40, '2024-01-04 10:00:00', 'n4'), "
    "(6, NULL, 60, '2024-01-06 10:00:00', 'n6')"_s;
const QString kTargetRows =
    u"(1, 'ALICE', 10.5, '2024-01-01 10:00:00', 'n1'), "
    "(2, ' Bob\t', 20.001, '2024-01-02 10:00:00', 'n2'), "
    "(3, 'Carol', 30, '2024-01-03 10:00:00.75', 'other'), "
    "(5, 'Eve', 50, '2024-01-05 10:00:00', 'n5'), "
    "(6, '', 60, '2024-01-06 10:00:00', 'n6')"_s;

// The statements, %1 standing for the table, %T for a time stamp literal
// of the backend, written as TS(text).
struct RuleCase {
    const char* rules;
    int different;
    QStringList statements;
};

const QString kUpdate1 = u"UPDATE %1 SET name = 'Alice'/* Was: 'ALICE' */ WHERE id = 1;"_s;
const QString kUpdate2Name = u"UPDATE %1 SET name = 'Bob'/* Was: ' Bob\t' */ WHERE id = 2;"_s;
const QString kUpdate2Both =
    u"UPDATE %1 SET name = 'Bob'/* Was: ' Bob\t' */, price = 20/* Was: 20.001 */ WHERE id = 2;"_s;
const QString kUpdate2Price = u"UPDATE %1 SET price = 20/* Was: 20.001 */ WHERE id = 2;"_s;
const QString kUpdate3Both =
    u"UPDATE %1 SET ts = TS(2024-01-03 10:00:00)/* Was: TS(2024-01-03 10:00:00.75) */, note = "
    "'n3'/* Was: 'other' */ WHERE id = 3;"_s;
const QString kUpdate3Ts =
    u"UPDATE %1 SET ts = TS(2024-01-03 10:00:00)/* Was: TS(2024-01-03 10:00:00.75) */ WHERE id "
    "= 3;"_s;
const QString kUpdate3Note = u"UPDATE %1 SET note = 'n3'/* Was: 'other' */ WHERE id = 3;"_s;
const QString kUpdate6 = u"UPDATE %1 SET name = NULL/* Was: '' */ WHERE id = 6;"_s;
// A new row is a copy of the source row: ignored columns included.
const QString kInsert4 =
    u"INSERT INTO %1 (id, name, price, ts, note) VALUES (4, 'Dan', 40, TS(2024-01-04 10:00:00), "
    "'n4');"_s;

const RuleCase kCases[] = {
    {"", 4, {kUpdate1, kUpdate2Both, kUpdate3Both, kUpdate6, kInsert4}},
    {"*: nocase", 3, {kUpdate2Both, kUpdate3Both, kUpdate6, kInsert4}},
    {"name: trim", 4, {kUpdate1, kUpdate2Price, kUpdate3Both, kUpdate6, kInsert4}},
    {"name: nullempty", 3, {kUpdate1, kUpdate2Both, kUpdate3Both, kInsert4}},
    {"name: nocase trim nullempty", 2, {kUpdate2Price, kUpdate3Both, kInsert4}},
    // A column's own rule replaces the rule for all: price is not trimmed,
    // names are not compared with a tolerance.
    {"*: nocase trim nullempty; price: abs=0.01", 1, {kUpdate3Both, kInsert4}},
    {"price: abs=0.0001", 4, {kUpdate1, kUpdate2Both, kUpdate3Both, kUpdate6, kInsert4}},
    // Equal under the rule: the price is not copied, only the name.
    {"price: rel=0.001", 4, {kUpdate1, kUpdate2Name, kUpdate3Both, kUpdate6, kInsert4}},
    {"ts: time=second", 4, {kUpdate1, kUpdate2Both, kUpdate3Note, kUpdate6, kInsert4}},
    {"ts: time=minute; note: ignore", 3, {kUpdate1, kUpdate2Both, kUpdate6, kInsert4}},
    {"note: ignore", 4, {kUpdate1, kUpdate2Both, kUpdate3Ts, kUpdate6, kInsert4}},
    // Key columns are matched and compared exactly, whatever the rules say.
    {"id: ignore", 4, {kUpdate1, kUpdate2Both, kUpdate3Both, kUpdate6, kInsert4}},
    {"*: ignore", 0, {kInsert4}},
    {"*: nocase trim nullempty abs=0.01 time=day; note: exact", 1, {kUpdate3Note, kInsert4}},
};

class ComparisonRulesTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        const bool pg = GetParam() == Backend::Pg;
        const QString columns =
            pg ? u"id integer PRIMARY KEY, name text, price double precision, ts timestamp, "
                 "note text"_s
               : u"id INTEGER PRIMARY KEY, name TEXT, price REAL, ts TIMESTAMP, note TEXT"_s;
        if (pg) {
            const auto server = pgServer();
            if (!server) {
                if (qEnvironmentVariableIsSet("CI")) {
                    FAIL() << "QUILLMERE_TEST_PG_* not set under CI";
                }
                GTEST_SKIP() << "no PostgreSQL test server (QUILLMERE_TEST_PG_PORT)";
            }
            scratch_ = std::make_unique<PgScratch>(*server);
            sourceTable_ = scratch_->create(u"qm_source"_s, u"qm_rules"_s, columns, kSourceRows);
            table_ = scratch_->create(u"qm_target"_s, u"qm_rules"_s, columns, kTargetRows);
            folder_.addPg(u"Src"_s, *server, u"qm_source"_s);
            folder_.addPg(u"Dst"_s, *server, u"qm_target"_s);
        } else {
            sourceTable_ = table_ = u"t"_s;
            folder_.addSqlite(u"Src"_s, {u"CREATE TABLE t (%1)"_s.arg(columns),
                                         u"INSERT INTO t VALUES "_s + kSourceRows});
            folder_.addSqlite(u"Dst"_s, {u"CREATE TABLE t (%1)"_s.arg(columns),
                                         u"INSERT INTO t VALUES "_s + kTargetRows});
        }
        h_ = std::make_unique<EngineHarness>(folder_.aliasFile());
        h_->configure(u"Src"_s, u"Dst"_s,
                      {u"SELECT * FROM %1 ORDER BY id"_s.arg(sourceTable_),
                       u"SELECT * FROM %1 ORDER BY id"_s.arg(table_), u"id"_s});
        MemData& t = h_->dm.TablesMemData();
        t.edit();
        t.setAsText(h_->dm.tableFields().DestTableName, table_);
        t.post();
    }

    TDM& dm() { return h_->dm; }
    void setRules(const QString& text) {
        MemData& t = dm().TablesMemData();
        t.edit();
        qm::TableSetup::setRulesInList(t, ComparisonRules::parse(text, u"test"_s));
        t.post();
    }
    // A statement of the table as the backend writes it.
    QString expected(const QString& statement) const {
        static const QRegularExpression stamp(u"TS\\(([^)]*)\\)"_s);
        QString s = statement.arg(table_);
        s.replace(stamp, GetParam() == Backend::Pg ? u"'\\1'"_s : u"'\\1'"_s);
        return s;
    }
    QStringList script() {
        dm().ScriptCurrentTableSetup(true);
        return h_->view.script;
    }
    // Runs the script on the target and reads the target again.
    void execute(const QStringList& lines) {
        TextScriptEditor editor;
        editor.setText(lines.join(u"\r\n"_s));
        ScriptExecutor executor(dm(), h_->view);
        ASSERT_EQ(executor.run(editor, {}), ScriptExecutor::Outcome::Committed)
            << executor.errorText().toStdString();
        ASSERT_TRUE(h_->openTarget());
    }
    QStringList targetRows(const QStringList& columns) {
        return EngineHarness::rows(dm().DestMemData(), columns);
    }

    AliasFolder folder_;
    std::unique_ptr<PgScratch> scratch_;
    std::unique_ptr<EngineHarness> h_;
    QString sourceTable_;
    QString table_;
};

TEST_P(ComparisonRulesTest, EachRuleDecidesMarksCountsAndStatements) {
    ASSERT_TRUE(h_->openSource());
    for (const RuleCase& c : kCases) {
        SCOPED_TRACE(c.rules);
        setRules(QString::fromUtf8(c.rules));
        ASSERT_TRUE(h_->openTarget());  // reads the rows as loaded, compared under the rules
        EXPECT_EQ(dm().TargetCounts(), (ComparisonCounts{0, 0, 0, c.different, 1}));
        EXPECT_EQ(dm().Counts(), dm().TargetCounts()) << "the statistics follow the marks";

        dm().ChangeDataToEqualSourceNoDelete();
        EXPECT_EQ(dm().TargetCounts()->differences, 0);
        QStringList statements{u"/* Statements for Table Setup \"test\" */"_s};
        for (const QString& s : c.statements) {
            statements << expected(s);
        }
        EXPECT_EQ(script(), statements);
    }
}

TEST_P(ComparisonRulesTest, AScriptRunUnderTheRulesLeavesNoDifferenceAndIgnoredColumnsUntouched) {
    ASSERT_TRUE(h_->openSource());
    setRules(u"name: nocase; price: abs=0.01; note: ignore"_s);
    ASSERT_TRUE(h_->openTarget());
    const QStringList notesBefore = targetRows({u"id"_s, u"note"_s});
    dm().ChangeDataToEqualSourceNoDelete();
    ASSERT_NO_FATAL_FAILURE(execute(script()));

    EXPECT_EQ(dm().TargetCounts(), (ComparisonCounts{0, 0, 0, 0, 1}));
    QStringList notesAfter = targetRows({u"id"_s, u"note"_s});
    EXPECT_EQ(notesAfter.indexOf(u"4|n4"_s), 3) << "the new row has its source's note";
    notesAfter.removeAt(3);
    EXPECT_EQ(notesAfter, notesBefore) << "the existing rows' ignored notes are untouched";
    // What the rules forgave stays as it was; the rest follows the source.
    EXPECT_EQ(targetRows({u"id"_s, u"name"_s}), (QStringList{u"1|ALICE"_s, u"2|Bob"_s, u"3|Carol"_s,
                                                             u"4|Dan"_s, u"5|Eve"_s, u"6|"_s}));

    setRules(QString());
    ASSERT_TRUE(h_->openTarget());
    EXPECT_EQ(dm().TargetCounts()->differences, 3) << "without the rules 1, 2 and 3 differ again";
}

TEST_P(ComparisonRulesTest, ARuleChangedBetweenMergesMarksEveryRowAnew) {
    ASSERT_TRUE(h_->openSource());
    ASSERT_TRUE(h_->openTarget());
    ASSERT_EQ(dm().TargetCounts()->differences, 4);
    // The marks of the exact comparison are current; under the new rule the
    // merge finds nothing to copy into rows that differ no more.
    setRules(u"*: ignore"_s);
    dm().ChangeDataToEqualSourceNoDelete();
    EXPECT_EQ(dm().TargetCounts()->differences, 0);
    EXPECT_EQ(targetRows({u"id"_s, u"name"_s, u"note"_s}),
              (QStringList{u"1|ALICE|n1"_s, u"2| Bob\t|n2"_s, u"3|Carol|other"_s, u"5|Eve|n5"_s,
                           u"6||n6"_s, u"4|Dan|n4"_s}))
        << "only the source-only row was copied";
}

TEST_P(ComparisonRulesTest, MalformedRulesAreRefusedNamingTheTableSetupBeforeOpening) {
    MemData& t = dm().TablesMemData();
    t.edit();
    t.setAsText(dm().tableFields().CompareRules, u"price: abs=lots"_s);
    t.post();
    try {
        dm().OpenSource();
        FAIL() << "opened with a malformed rule";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(u"\"test\""_s)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(u"abs=lots"_s)) << e.message().toStdString();
    }
    EXPECT_FALSE(dm().SourceMemData().isOpen());
    EXPECT_THROW(dm().OpenTarget(), Error);
    EXPECT_FALSE(dm().DestMemData().isOpen());
}

INSTANTIATE_TEST_SUITE_P(Backends, ComparisonRulesTest,
                         ::testing::Values(Backend::Sqlite, Backend::Pg),
                         [](const ::testing::TestParamInfo<Backend>& backend) {
                             return backend.param == Backend::Pg ? "Pg" : "Sqlite";
                         });

}  // namespace
}  // namespace qm::test
