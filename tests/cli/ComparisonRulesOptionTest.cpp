// Comparison rules on the command line: --rules and its shorthands for
// compare and script, project set-rules and show, and a project's rules in a
// run.
#include "support/CliRunner.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Row 1 differs in the name's letter case and in the note, row 2 in the
// price by 0.001, row 3 in a trailing blank of the name; 5 is only in the
// source, 4 only in the target.
class ComparisonRulesOptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString create =
            u"CREATE TABLE p (id INTEGER PRIMARY KEY, name TEXT, price REAL, "
            "note TEXT)"_s;
        folder.addSqlite(u"Src"_s, {create,
                                    u"INSERT INTO p VALUES (1, 'Anna', 10.5, 'new'), "
                                    "(2, 'Bob', 20.25, 'y'), (3, 'Cy', 30.5, 'z'), "
                                    "(5, 'Eve', 1.5, 'e')"_s});
        folder.addSqlite(u"Dst"_s, {create,
                                    u"INSERT INTO p VALUES (1, 'anna', 10.5, 'old'), "
                                    "(2, 'Bob', 20.251, 'y'), (3, 'Cy ', 30.5, 'z'), "
                                    "(4, 'Dan', 4.5, 'd')"_s});
        project = folder.path(u"people.qmp"_s);
    }

    QStringList adHoc(const QString& command) const {
        QStringList args = {command,
                            u"--source-alias"_s,
                            u"Src"_s,
                            u"--target-alias"_s,
                            u"Dst"_s,
                            u"--source-sql"_s,
                            kSql,
                            u"--target-sql"_s,
                            kSql,
                            u"--key"_s,
                            u"id"_s,
                            u"--aliases"_s,
                            folder.aliasFile()};
        if (command == u"script"_s) {
            args << u"--table"_s << u"p"_s;
        }
        return args;
    }

    CliResult cli(QStringList args) const {
        if (args.value(0) != u"project"_s) {
            args << u"--aliases"_s << folder.aliasFile();
        }
        return runCli(args);
    }

    void createProject() {
        ASSERT_EQ(cli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                       u"--target-alias"_s, u"Dst"_s})
                      .exitCode,
                  0);
        const CliResult r = cli({u"project"_s, u"add-table-setup"_s, project, u"--name"_s,
                                 u"People"_s, u"--source-sql"_s, kSql, u"--target-sql"_s, kSql,
                                 u"--key"_s, u"id"_s, u"--table"_s, u"p"_s});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    static inline const QString kSql = u"SELECT * FROM p ORDER BY id"_s;
    AliasFolder folder;
    QString project;
};

// The lines of the scripts, each once; a script is its header and some of
// them in this order.
const QString kUpdate1 =
    u"UPDATE p SET name = 'Anna'/* Was: 'anna' */, note = 'new'/* Was: 'old' */ WHERE id = 1;"_s;
const QString kUpdate1Name = u"UPDATE p SET name = 'Anna'/* Was: 'anna' */ WHERE id = 1;"_s;
const QString kUpdate1Note = u"UPDATE p SET note = 'new'/* Was: 'old' */ WHERE id = 1;"_s;
const QString kUpdate2 = u"UPDATE p SET price = 20.25/* Was: 20.251 */ WHERE id = 2;"_s;
const QString kUpdate3 = u"UPDATE p SET name = 'Cy'/* Was: 'Cy ' */ WHERE id = 3;"_s;
// A new row is a copy of the source row: ignored columns included.
const QString kInsert5 = u"INSERT INTO p (id, name, price, note) VALUES (5, 'Eve', 1.5, 'e');"_s;
const QString kDelete4 = u"DELETE FROM p WHERE id = 4;"_s;

QString script(const QString& header, const QStringList& lines) {
    QString text = u"/* Statements for Table Setup \"%1\" */\r\n"_s.arg(header);
    for (const QString& line : lines) {
        text += line + u"\r\n"_s;
    }
    return text;
}

// Rows equal under the rules get no statement; an UPDATE sets only the
// columns that differ under them.
TEST_F(ComparisonRulesOptionTest, RulesDecideTheStatementsAndTheCounts) {
    const struct {
        QStringList options;
        QStringList lines;
        int different;
    } cases[] = {
        {{}, {kUpdate1, kUpdate2, kUpdate3, kInsert5, kDelete4}, 3},
        {{u"--ignore"_s, u"note"_s}, {kUpdate1Name, kUpdate2, kUpdate3, kInsert5, kDelete4}, 3},
        {{u"--nocase"_s, u"--trim"_s, u"--abs-tolerance"_s, u"0.01"_s, u"--ignore"_s, u"NOTE"_s},
         {kInsert5, kDelete4},
         0},
        {{u"--rules"_s, u"name: nocase trim; price: rel=0.001"_s},
         {kUpdate1Note, kInsert5, kDelete4},
         1},
        // The shorthand sets the rule for all columns; note's own rule in
        // --rules replaces it.
        {{u"--trim"_s, u"--rules"_s, u"note: ignore"_s},
         {kUpdate1Name, kUpdate2, kInsert5, kDelete4},
         2},
        {{u"--rules"_s, u"*: nocase trim; note: exact"_s, u"--ignore"_s, u"price"_s},
         {kUpdate1Note, kInsert5, kDelete4},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        const CliResult scripted = runCli(adHoc(u"script"_s) + c.options);
        EXPECT_EQ(scripted.exitCode, 0) << scripted.err.toStdString();
        EXPECT_EQ(scripted.out, script(u"p"_s, c.lines));

        const CliResult compared = runCli(adHoc(u"compare"_s) + c.options);
        EXPECT_EQ(compared.exitCode, 0) << compared.err.toStdString();
        EXPECT_EQ(compared.out.split(u'\n').value(5),
                  c.different == 0 ? u"No dual records different"_s
                                   : u"Records with differences: %1"_s.arg(c.different));
    }
}

TEST_F(ComparisonRulesOptionTest, MalformedRuleOptionsAreUsageErrors) {
    const struct {
        QStringList options;
        QString message;
    } cases[] = {
        {{u"--abs-tolerance"_s, u"abc"_s},
         u"--abs-tolerance takes a number of 0 or more, not \"abc\"."_s},
        {{u"--abs-tolerance"_s, u"-1"_s}, u"--abs-tolerance takes a number of 0 or more"_s},
        {{u"--rel-tolerance"_s, u"inf"_s}, u"--rel-tolerance takes a number of 0 or more"_s},
        {{u"--time-precision"_s, u"hour"_s},
         u"--time-precision takes second, minute or day, not \"hour\"."_s},
        {{u"--ignore"_s, QString()}, u"--ignore needs a column name."_s},
        {{u"--ignore"_s, u"*"_s}, u"--ignore takes one column name"_s},
        {{u"--rules"_s, u"price: abz=1"_s},
         u"--rules: Table setup \"%1\": the comparison rule \"price: abz=1\" is not understood"_s},
        {{u"--rules"_s, u"price abs=1"_s}, u"an entry is COLUMN: WORDS"_s},
        {{u"--rules"_s, u"*: abs=1"_s, u"--abs-tolerance"_s, u"2"_s},
         u"--abs-tolerance cannot be combined with the rule for all columns"_s},
        {{u"--rules"_s, u"*: time=day"_s, u"--time-precision"_s, u"day"_s},
         u"--time-precision cannot be combined"_s},
        {{u"--rules"_s, u"a: trim"_s, u"--rules"_s, u"b: trim"_s},
         u"Option --rules is given more than once."_s},
        {{u"--nocase"_s, u"--nocase"_s}, u"Option --nocase is given more than once."_s},
    };
    for (const QString& command : {u"compare"_s, u"script"_s}) {
        // The ad-hoc table setup is named "compare", or after --table.
        const QString name = command == u"compare"_s ? u"compare"_s : u"p"_s;
        for (const auto& c : cases) {
            SCOPED_TRACE((command + u' ' + c.options.join(u' ')).toStdString());
            const CliResult r = runCli(adHoc(command) + c.options);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, QString());
            const QString message = c.message.contains(u"%1"_s) ? c.message.arg(name) : c.message;
            EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
        }
    }
    // --ignore may be repeated.
    const CliResult twice =
        runCli(adHoc(u"compare"_s) << u"--ignore"_s << u"note"_s << u"--ignore"_s << u"name"_s);
    EXPECT_EQ(twice.exitCode, 0) << twice.err.toStdString();
}

// set-rules stores the rules in their text form, show prints them, a run
// applies them; --rules with the project replaces them for that run only.
TEST_F(ComparisonRulesOptionTest, ProjectRulesAreSetShownAndApplied) {
    createProject();
    const QByteArray withoutRules = readBytes(project);

    const CliResult set =
        cli({u"project"_s, u"set-rules"_s, project, u"--table-setup"_s, u"People"_s, u"--nocase"_s,
             u"--ignore"_s, u"note"_s, u"--abs-tolerance"_s, u"0.01"_s});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    const QString rules = u"*: nocase abs=0.01; note: ignore"_s;
    EXPECT_EQ(set.out, u"Set the comparison rules of table setup \"People\": %1\n"_s.arg(rules));
    const QByteArray withRules = readBytes(project);
    EXPECT_TRUE(withRules.contains("CompareRules=\"\"" + rules.toUtf8() + "\"\"\r\n"))
        << withRules.toStdString();

    const CliResult shown = cli({u"project"_s, u"show"_s, project});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_TRUE(shown.out.contains(u"   Script:       off\n   Rules:        "_s + rules +
                                   u"\n   Source query:"_s))
        << shown.out.toStdString();

    const struct {
        QStringList options;
        QStringList lines;
    } runs[] = {
        // The project's rules: only the trailing blank of row 3 still counts.
        {{}, {kUpdate3, kInsert5, kDelete4}},
        // Replaced by no rules at all, or by other rules, for this run.
        {{u"--rules"_s, QString()}, {kUpdate1, kUpdate2, kUpdate3, kInsert5, kDelete4}},
        {{u"--trim"_s}, {kUpdate1, kUpdate2, kInsert5, kDelete4}},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.options.join(u' ').toStdString());
        const CliResult r = cli(QStringList{u"script"_s, project} + run.options);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, script(u"People"_s, run.lines));
        EXPECT_EQ(readBytes(project), withRules) << "a run never changes the project";
    }

    // A rule the run gives that cannot be read names the chosen table setup.
    const CliResult bad = cli({u"compare"_s, project, u"--rules"_s, u"x: loud"_s});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(
        bad.err.contains(u"--rules: Table setup \"People\": the comparison rule \"x: "
                         "loud\" is not understood"_s))
        << bad.err.toStdString();

    // Cleared, the file is what it was before the rules, to the byte.
    const CliResult cleared = cli({u"project"_s, u"set-rules"_s, project, u"--table-setup"_s,
                                   u"People"_s, u"--rules"_s, QString()});
    ASSERT_EQ(cleared.exitCode, 0) << cleared.err.toStdString();
    EXPECT_EQ(cleared.out, u"Cleared the comparison rules of table setup \"People\".\n"_s);
    EXPECT_EQ(readBytes(project), withoutRules);
    EXPECT_FALSE(cli({u"project"_s, u"show"_s, project}).out.contains(u"Rules:"_s));
}

TEST_F(ComparisonRulesOptionTest, SetRulesRefusesWhatItCannotStore) {
    createProject();
    const QString bad = folder.path(u"bad.qmp"_s);
    writeBytes(bad,
               "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nName=\"A\"\r\nPrimaryKeySpec=\"id\"\r\n"
               "CompareRules=\"price: abz=1\"\r\n[Settings]\r\nSourceDBAlias=\"Src\"\r\n"
               "DestDBAlias=\"Dst\"\r\n");
    const QString badRule =
        u"Table setup \"A\": the comparison rule \"price: abz=1\" is not understood"_s;
    const QStringList setRules = {u"project"_s, u"set-rules"_s, project, u"--table-setup"_s};
    const struct {
        QStringList args;
        int exitCode;
        QString message;
    } cases[] = {
        {setRules + QStringList{u"Nobody"_s, u"--nocase"_s}, 2,
         u"has no table setup named \"Nobody\"; it holds: \"People\"."_s},
        {setRules + QStringList{u"People"_s, u"--rules"_s, u"name: shout"_s}, 2,
         u"Table setup \"People\": the comparison rule \"name: shout\" is not understood"_s},
        {setRules + QStringList{u"People"_s}, 2, u"Missing option(s): --rules"_s},
        {{u"project"_s, u"set-rules"_s, project, u"--rules"_s, u"*: trim"_s},
         2,
         u"Missing option(s): --table-setup"_s},
        {setRules + QStringList{u"People"_s, u"--abs-tolerance"_s, u"much"_s}, 2,
         u"--abs-tolerance takes a number of 0 or more"_s},
        // A project whose rules cannot be read is refused when it is opened,
        // by every command, and never saved over.
        {{u"project"_s, u"set-rules"_s, bad, u"--table-setup"_s, u"A"_s, u"--nocase"_s},
         1,
         u"Cannot open project \"%1\":\n  %2"_s.arg(bad, badRule)},
        {{u"project"_s, u"show"_s, bad}, 1, badRule},
        {{u"compare"_s, bad}, 1, badRule},
        {{u"script"_s, bad}, 1, badRule},
    };
    const QByteArray projectBefore = readBytes(project);
    const QByteArray badBefore = readBytes(bad);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(readBytes(project), projectBefore);
        EXPECT_EQ(readBytes(bad), badBefore);
    }
}

// The demo project, as scripts/make-demo.sh builds it, keeps every byte when
// rules are set on a table setup and cleared again.
TEST_F(ComparisonRulesOptionTest, DemoProjectKeepsItsBytes) {
    for (const QString& tool : {u"bash"_s, u"sqlite3"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            GTEST_SKIP() << "the demo is made with " << tool.toStdString();
        }
    }
    const QString out = folder.path(u"demo"_s);
    QProcess make;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QUILLMERE_CLI"_s, QString::fromUtf8(QUILLMERE_CLI_PATH));
    make.setProcessEnvironment(env);
    make.setWorkingDirectory(QString::fromUtf8(QUILLMERE_SOURCE_DIR));
    make.start(u"bash"_s, {u"scripts/make-demo.sh"_s, out});
    ASSERT_TRUE(make.waitForFinished(120000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    const QString demo = out + u"/demo.qmp"_s;
    const QByteArray before = readBytes(demo);
    EXPECT_FALSE(before.contains("CompareRules"));

    for (const QString& rules : {u"*: nocase; City: ignore"_s, QString()}) {
        const CliResult r = runCli({u"project"_s, u"set-rules"_s, demo, u"--table-setup"_s,
                                    u"Customers"_s, u"--rules"_s, rules});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    EXPECT_EQ(readBytes(demo), before);
}

}  // namespace
}  // namespace qm::test
