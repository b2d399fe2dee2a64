#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "support/CliRunner.h"
#include "support/FileBytes.h"
#include "support/MachineTools.h"
#include "support/QtPrinters.h"
#include "support/TestDatabases.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Three tables: o (two-field key) and c differ between the databases, e does
// not. The project lists "Order lines" before "Customers", so project order
// is neither alphabetical nor the order tests name them in.
class ProjectCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.addSqlite(u"Src"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1,'a'), (2,'b'), (3,'c')"_s,
                                    u"CREATE TABLE o (no INTEGER, line INTEGER, qty INTEGER)"_s,
                                    u"INSERT INTO o VALUES (1,1,5), (1,2,7)"_s,
                                    u"CREATE TABLE e (id INTEGER PRIMARY KEY)"_s,
                                    u"INSERT INTO e VALUES (1)"_s});
        folder.addSqlite(u"Dst"_s, {u"CREATE TABLE c (id INTEGER PRIMARY KEY, name TEXT)"_s,
                                    u"INSERT INTO c VALUES (1,'a'), (2,'B'), (4,'d')"_s,
                                    u"CREATE TABLE o (no INTEGER, line INTEGER, qty INTEGER)"_s,
                                    u"INSERT INTO o VALUES (1,1,5), (1,2,8), (2,1,1)"_s,
                                    u"CREATE TABLE e (id INTEGER PRIMARY KEY)"_s,
                                    u"INSERT INTO e VALUES (1)"_s});
        project = folder.path(u"sync.qmp"_s);
    }

    CliResult cli(QStringList args) const {
        if (args.value(0) != u"project"_s) {
            args << u"--aliases"_s << folder.aliasFile();
        }
        return runCli(args);
    }

    void addTableSetup(const QString& name, const QString& table, const QString& key) {
        const QString sql = u"SELECT * FROM %1"_s.arg(table);
        const CliResult r =
            cli({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, name, u"--source-sql"_s,
                 sql, u"--target-sql"_s, sql, u"--key"_s, key, u"--table"_s, table});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    // The project of the script tests: Order lines, Customers, Empty.
    void createSyncProject() {
        const CliResult r = cli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                                 u"--target-alias"_s, u"Dst"_s});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        addTableSetup(u"Order lines"_s, u"o"_s, u"no;line"_s);
        addTableSetup(u"Customers"_s, u"c"_s, u"id"_s);
        addTableSetup(u"Empty"_s, u"e"_s, u"id"_s);
    }

    AliasFolder folder;
    QString project;
};

const QString kOrderLinesBlock =
    u"/* Statements for Table Setup \"Order lines\" */\r\n"
    "UPDATE o SET qty = 7/* Was: 8 */ WHERE no = 1 AND line = 2;\r\n"
    "DELETE FROM o WHERE no = 2 AND line = 1;\r\n"_s;
const QString kCustomersBlock =
    u"/* Statements for Table Setup \"Customers\" */\r\n"
    "UPDATE c SET name = 'b'/* Was: 'B' */ WHERE id = 2;\r\n"
    "INSERT INTO c (id, name) VALUES (3, 'c');\r\n"
    "DELETE FROM c WHERE id = 4;\r\n"_s;
const QString kEmptyBlock = u"/* Statements for Table Setup \"Empty\" */\r\n"_s;

TEST_F(ProjectCommandTest, BuildsAProjectThatShowsAndLoadsBack) {
    ASSERT_EQ(cli({u"project"_s, u"create"_s, project, u"--source-alias"_s, u"Src"_s,
                   u"--target-alias"_s, u"Dst"_s})
                  .out,
              u"Created project \"%1\".\n"_s.arg(project));
    // A multi-line query with an empty line, typed with LF line ends and a
    // final line break; script flag on. It is stored as the file gives it
    // back: CR LF, no single final line break.
    const QString query = u"SELECT id, name\nFROM c\n\nORDER BY id\n"_s;
    const CliResult added =
        cli({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, u"Customers"_s,
             u"--source-sql"_s, u"SELECT * FROM c"_s, u"--target-sql"_s, query, u"--key"_s, u"id"_s,
             u"--table"_s, u"c"_s, u"--script-on"_s});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, u"Added table setup \"Customers\" as number 1.\n"_s);
    addTableSetup(u"Order lines"_s, u"o"_s, u"no;line"_s);
    // One lookup with every value given, one with the defaults (lookup table
    // = field, key ID, display Name).
    for (const QStringList& extra :
         {QStringList{u"--lookup-name"_s, u"Country"_s, u"--field"_s, u"COUNTRY"_s,
                      u"--lookup-table"_s, u"countries"_s, u"--key-field"_s, u"CODE"_s,
                      u"--display-field"_s, u"CAPITAL"_s},
          QStringList{u"--lookup-name"_s, u"Rep"_s, u"--field"_s, u"REP"_s}}) {
        const CliResult r = cli(QStringList{u"project"_s, u"add-lookup"_s, project,
                                            u"--table-setup"_s, u"Customers"_s} +
                                extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }

    const CliResult shown = cli({u"project"_s, u"show"_s, project});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.err, QString());
    EXPECT_EQ(shown.out,
              u"Source alias: Src\n"
              "Target alias: Dst\n"
              "Table setups: 2\n"
              "\n"
              "1. Customers\n"
              "   Key:          id\n"
              "   Target table: c\n"
              "   Script:       on\n"
              "   Source query: SELECT * FROM c\n"
              "   Target query: SELECT id, name\n"
              "                 FROM c\n"
              "\n"
              "                 ORDER BY id\n"
              "   Lookup:       Country (field COUNTRY, table countries, key CODE, display "
              "CAPITAL)\n"
              "   Lookup:       Rep (field REP, table REP, key ID, display Name)\n"
              "\n"
              "2. Order lines\n"
              "   Key:          no;line\n"
              "   Target table: o\n"
              "   Script:       off\n"
              "   Source query: SELECT * FROM o\n"
              "   Target query: SELECT * FROM o\n"
              "   Lookups:      none\n"_s);

    // What the desktop program reads from the file.
    TPrjDataSaved p;
    p.LoadFromIniFile(project);
    EXPECT_FALSE(p.IsModified());
    EXPECT_EQ(p.SourceDBAlias(), u"Src"_s);
    EXPECT_EQ(p.DestDBAlias(), u"Dst"_s);
    ASSERT_EQ(p.NodeCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(TQMNodeData::NodeKindOf(*p.GetItem(i)), 6);
        EXPECT_EQ(p.GetItem(i)->props().getInteger(u"DisplayOrder"_s), i + 1);
        EXPECT_FALSE(p.GetItem(i)->props().getBoolean(u"ScriptTableChanged"_s));
    }
    TPropValueList& customers = p.GetItem(0)->props();
    EXPECT_EQ(customers.getString(u"DestQuerySQL"_s),
              u"SELECT id, name\r\nFROM c\r\n\r\nORDER BY id"_s);
    EXPECT_TRUE(customers.getBoolean(u"ScriptOn"_s));
    EXPECT_FALSE(p.GetItem(1)->props().getBoolean(u"ScriptOn"_s));
    auto& frame = dynamic_cast<TFrameNodeData&>(*p.GetItem(0));
    ASSERT_EQ(frame.ObjectCount(), 2);
    EXPECT_EQ(frame.Objects(0).TypeCode(), 1);
    TPropValueList& lookup = frame.Objects(0).props();
    EXPECT_EQ(lookup.getString(u"LookupName"_s), u"Country"_s);
    EXPECT_EQ(lookup.getString(u"LookupKeyFieldName"_s), u"CODE"_s);
    EXPECT_EQ(lookup.getString(u"CustomLookupSQLQuery"_s), QString());
    EXPECT_EQ(dynamic_cast<TFrameNodeData&>(*p.GetItem(1)).ObjectCount(), 0);
}

// The commands write the example project of the file format to the byte.
TEST_F(ProjectCommandTest, WritesTheExampleProjectByteForByte) {
    const QString sql = u"SELECT * FROM CUSTOMER"_s;
    for (const QStringList& args :
         {QStringList{u"create"_s, project, u"--source-alias"_s, u"SRC"_s, u"--target-alias"_s,
                      u"DST"_s},
          QStringList{u"add-table-setup"_s, project, u"--name"_s, u"Customers"_s, u"--source-sql"_s,
                      sql, u"--target-sql"_s, sql, u"--key"_s, u"CUSTNO"_s, u"--table"_s,
                      u"CUSTOMER"_s, u"--script-on"_s},
          QStringList{u"add-lookup"_s, project, u"--table-setup"_s, u"Customers"_s,
                      u"--lookup-name"_s, u"Country"_s, u"--field"_s, u"COUNTRY"_s,
                      u"--key-field"_s, u"NAME"_s, u"--display-field"_s, u"CAPITAL"_s}}) {
        const CliResult r = cli(QStringList{u"project"_s} + args);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    const QByteArray example =
        readBytes(QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/data/project/customers.qmp"));
    EXPECT_EQ(readBytes(project), example);

    // Creating over it needs --force; then it is a new project again.
    const QStringList create = {u"project"_s, u"create"_s,         project, u"--source-alias"_s,
                                u"A"_s,       u"--target-alias"_s, u"B"_s};
    const CliResult refused = cli(create);
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(u"already exists; give --force"_s))
        << refused.err.toStdString();
    EXPECT_EQ(readBytes(project), example);
    ASSERT_EQ(cli(create + QStringList{u"--force"_s}).exitCode, 0);
    EXPECT_EQ(cli({u"project"_s, u"show"_s, project}).out,
              u"Source alias: A\nTarget alias: B\nTable setups: 0\n"_s);
    // No temporary file is left beside the project.
    EXPECT_EQ(QDir(folder.path(QString())).entryList(QDir::Files | QDir::Hidden).size(), 4)
        << QDir(folder.path(QString()))
               .entryList(QDir::Files | QDir::Hidden)
               .join(u' ')
               .toStdString();
}

TEST_F(ProjectCommandTest, ScriptsTheChosenTableSetupsInProjectOrder) {
    createSyncProject();
    const struct {
        QStringList names;
        QString script;
    } cases[] = {
        {{}, kOrderLinesBlock + kCustomersBlock + kEmptyBlock},
        {{u"Customers"_s, u"Order lines"_s}, kOrderLinesBlock + kCustomersBlock},
        {{u"Empty"_s, u"Order lines"_s, u"Empty"_s}, kOrderLinesBlock + kEmptyBlock},
        {{u"Customers"_s}, kCustomersBlock},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names.join(u", "_s).toStdString());
        QStringList args = {u"script"_s, project};
        for (const QString& name : c.names) {
            args << u"--table-setup"_s << name;
        }
        const CliResult r = cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, c.script);
        EXPECT_EQ(r.err, QString());
    }
    // --output holds the same bytes.
    const QString output = folder.path(u"all.sql"_s);
    ASSERT_EQ(cli({u"script"_s, project, u"--output"_s, output}).exitCode, 0);
    EXPECT_EQ(readBytes(output), (kOrderLinesBlock + kCustomersBlock + kEmptyBlock).toUtf8());

    const CliResult compared = cli({u"compare"_s, project, u"--table-setup"_s, u"Empty"_s,
                                    u"--table-setup"_s, u"Customers"_s});
    EXPECT_EQ(compared.exitCode, 0) << compared.err.toStdString();
    EXPECT_EQ(compared.out,
              u"Table setup \"Customers\":\n"
              "  3 records\n"
              "  3 records initially\n"
              "  No inserts\n"
              "  No updates\n"
              "  No deletes\n"
              "  Records with differences: 1\n"
              "  Local records: 1\n"
              "\n"
              "Table setup \"Empty\":\n"
              "  1 records\n"
              "  1 records initially\n"
              "  No inserts\n"
              "  No updates\n"
              "  No deletes\n"
              "  No dual records different\n"
              "  No records unique to target\n"_s);
}

TEST_F(ProjectCommandTest, ExecuteOnTheProjectsTargetMakesItEqualTheSource) {
    createSyncProject();
    const QString script = folder.path(u"sync.sql"_s);
    const QString log = folder.path(u"sync.log"_s);
    ASSERT_EQ(cli({u"script"_s, project, u"--output"_s, script}).exitCode, 0);
    const CliResult r = cli({u"execute"_s, project, u"--script"_s, script, u"--log"_s, log});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The log names the project's target alias in front of the run.
    EXPECT_TRUE(readBytes(log).startsWith("/* Target odbc alias \"Dst\" */ \r\n\r\n/* Statements"))
        << readBytes(log).toStdString();
    for (const char* table : {"c", "o", "e"}) {
        EXPECT_TRUE(sqldiffFindsNoDifference(folder.path(u"Src.db"_s), folder.path(u"Dst.db"_s),
                                             {u"--table"_s, QString::fromLatin1(table)}))
            << table;
    }
    EXPECT_EQ(cli({u"script"_s, project}).out,
              u"/* Statements for Table Setup \"Order lines\" */\r\n"
              "/* Statements for Table Setup \"Customers\" */\r\n"
              "/* Statements for Table Setup \"Empty\" */\r\n"_s);
}

// A query that fails leaves its table setup without statements: the script
// is not written, and a previous output file stays as it was.
TEST_F(ProjectCommandTest, ScriptWritesNothingWhenATableSetupFails) {
    createSyncProject();
    ASSERT_EQ(cli({u"project"_s, u"add-table-setup"_s, project, u"--name"_s, u"Broken"_s,
                   u"--source-sql"_s, u"SELECT * FROM missing"_s, u"--target-sql"_s,
                   u"SELECT * FROM c"_s, u"--key"_s, u"id"_s, u"--table"_s, u"c"_s})
                  .exitCode,
              0);
    const QString output = folder.path(u"out.sql"_s);
    writeBytes(output, "previous");
    const CliResult r = cli({u"script"_s, project, u"--output"_s, output});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"no such table: missing"_s)) << r.err.toStdString();
    EXPECT_EQ(readBytes(output), "previous");
    // The other table setups still script on their own.
    EXPECT_EQ(cli({u"script"_s, project, u"--table-setup"_s, u"Customers"_s}).out, kCustomersBlock);
}

TEST_F(ProjectCommandTest, BadInputFailsWithAClearMessage) {
    createSyncProject();
    const QString missing = folder.path(u"missing.qmp"_s);
    const QString garbage = folder.path(u"garbage.qmp"_s);
    writeBytes(garbage, QByteArray("\x00\x9f\xff\xfe\x01PK\x03\x04=\r\n\x7f", 14));
    const QString twoCounted = folder.path(u"two.qmp"_s);
    writeBytes(twoCounted, "[Nodes]\r\nCount=2\r\n\r\n[Nodes0]\r\nKind=6\r\nName=\"A\"\r\n");
    const QString mediaObject = folder.path(u"media.qmp"_s);
    writeBytes(mediaObject,
               "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nName=\"A\"\r\n"
               "ObjectCount=1\r\n[Nodes0 Object0]\r\nType=2\r\n");
    const QString badCount = folder.path(u"count.qmp"_s);
    writeBytes(badCount, "[Nodes]\r\nCount=many\r\n[Nodes0]\r\nKind=6\r\nName=\"A\"\r\n");
    const QString noAliases = folder.path(u"bare.qmp"_s);
    writeBytes(noAliases, "[Nodes]\r\nCount=0\r\n");
    const QStringList lookup = {u"--lookup-name"_s, u"L"_s, u"--field"_s, u"F"_s};
    const QStringList newSetup = {u"--source-sql"_s, u"S"_s, u"--target-sql"_s, u"T"_s,
                                  u"--key"_s,        u"K"_s, u"--table"_s,      u"X"_s};
    const auto opening = [](const QString& path) {
        return u"Cannot open project \"%1\":\n"_s.arg(path);
    };
    const struct {
        QStringList args;
        int exitCode;
        QString message;
    } cases[] = {
        {{u"project"_s, u"show"_s, missing}, 1, opening(missing) + u"  The file does not exist."_s},
        {{u"project"_s, u"show"_s, garbage},
         1,
         opening(garbage) + u"  \""_s + garbage +
             u"\" is not a project file: it has no node count (key \"Count\" in section "
             u"[Nodes])"_s},
        {{u"project"_s, u"show"_s, twoCounted},
         1,
         u"  Section [Nodes] counts 2 node(s), but the file has no section [Nodes1]\n"_s},
        {{u"compare"_s, twoCounted}, 1, opening(twoCounted)},
        {{u"project"_s, u"show"_s, mediaObject},
         1,
         u"  Section [Nodes0 Object0] has the object type \"2\", which is not known\n"_s},
        {{u"project"_s, u"show"_s, badCount},
         1,
         u"The node count \"many\" in section [Nodes] is not a number"_s},
        // A file that cannot be read as a project is never saved over.
        {QStringList{u"project"_s, u"add-table-setup"_s, garbage, u"--name"_s, u"N"_s} + newSetup,
         1, opening(garbage)},
        {QStringList{u"project"_s, u"add-lookup"_s, badCount, u"--table-setup"_s, u"A"_s} + lookup,
         1, opening(badCount)},
        {QStringList{u"project"_s, u"add-lookup"_s, twoCounted, u"--table-setup"_s, u"A"_s} +
             lookup,
         1, u"has no section [Nodes1]"_s},
        {{u"script"_s, noAliases}, 1, u"it names no source alias (SourceDBAlias is not set)"_s},
        // Names that do not fit the project.
        {{u"compare"_s, project, u"--table-setup"_s, u"Nope"_s},
         2,
         u"Unknown table setup(s) \"Nope\" in project \"%1\"; it holds: \"Order lines\", "
         "\"Customers\", \"Empty\"."_s.arg(project)},
        {{u"script"_s, project, u"--table-setup"_s, u"customers"_s}, 2, u"\"customers\""_s},
        {QStringList{u"project"_s, u"add-table-setup"_s, project, u"--name"_s, u"Customers"_s} +
             newSetup,
         2, u"Project \"%1\" already has a table setup named \"Customers\""_s.arg(project)},
        {QStringList{u"project"_s, u"add-lookup"_s, project, u"--table-setup"_s, u"Nope"_s} +
             lookup,
         2,
         u"has no table setup named \"Nope\"; it holds: \"Order lines\", \"Customers\", "
         "\"Empty\"."_s},
        // Mixed or incomplete command lines.
        {{u"compare"_s, project, u"--key"_s, u"id"_s}, 2, u"--key cannot be used with"_s},
        {{u"script"_s, u"--table-setup"_s, u"Customers"_s}, 2, u"needs a project file"_s},
        {{u"execute"_s, project, u"--script"_s, missing, u"--target-alias"_s, u"Dst"_s},
         2,
         u"--target-alias cannot be used with"_s},
        {QStringList{u"project"_s, u"add-table-setup"_s, project, u"--name"_s, QString()} +
             newSetup,
         2, u"--name is empty."_s},
        {{u"project"_s, u"show"_s}, 2, u"Missing the project file."_s},
        {{u"project"_s, u"show"_s, project, project}, 2, u"Unexpected argument"_s},
        {{u"project"_s}, 2, u"Usage: quillmere-cli project SUBCOMMAND"_s},
        {{u"project"_s, u"remove"_s, project}, 2, u"Unknown project subcommand: remove"_s},
    };
    const QStringList files = {project, garbage, twoCounted, mediaObject, badCount, noAliases};
    QList<QByteArray> before;
    for (const QString& f : files) {
        before << readBytes(f);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliResult r = cli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        for (int i = 0; i < files.size(); ++i) {
            EXPECT_EQ(readBytes(files[i]), before[i]) << files[i].toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(ProjectCommandTest, HelpNamesTheProjectForms) {
    const CliResult general = runCli({u"--help"_s});
    EXPECT_TRUE(general.out.contains(u"project"_s));
    const struct {
        QStringList args;
        QStringList words;
    } cases[] = {
        {{u"project"_s, u"--help"_s},
         {u"create"_s, u"add-table-setup"_s, u"add-lookup"_s, u"show"_s}},
        {{u"project"_s, u"create"_s, u"--help"_s},
         {u"project create [options] FILE"_s, u"--source-alias"_s, u"--force"_s}},
        {{u"project"_s, u"add-table-setup"_s, u"--help"_s},
         {u"--name"_s, u"--source-sql"_s, u"--target-sql"_s, u"--key"_s, u"--table"_s,
          u"--script-on"_s}},
        {{u"project"_s, u"add-lookup"_s, u"--help"_s},
         {u"--table-setup"_s, u"--lookup-name"_s, u"--field"_s, u"--lookup-table"_s,
          u"--key-field"_s, u"--display-field"_s}},
        {{u"project"_s, u"show"_s, u"--help"_s}, {u"project show [options] FILE"_s}},
        {{u"project"_s, u"set-rules"_s, u"--help"_s},
         {u"project set-rules [options] FILE"_s, u"--table-setup"_s, u"--rules"_s, u"--ignore"_s}},
        {{u"project"_s, u"--help"_s}, {u"set-rules"_s}},
        {{u"compare"_s, u"--help"_s},
         {u"[PROJECT.QMP]"_s, u"--table-setup"_s, u"--rules"_s, u"--ignore"_s, u"--nocase"_s,
          u"--trim"_s, u"--null-empty"_s, u"--abs-tolerance"_s, u"--rel-tolerance"_s,
          u"--time-precision"_s}},
        {{u"script"_s, u"--help"_s},
         {u"[PROJECT.QMP]"_s, u"--table-setup"_s, u"--rules"_s, u"--ignore"_s,
          u"--time-precision"_s}},
        {{u"execute"_s, u"--help"_s}, {u"[PROJECT.QMP]"_s}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 0);
        for (const QString& word : c.words) {
            EXPECT_TRUE(r.out.contains(word)) << word.toStdString() << "\n" << r.out.toStdString();
        }
    }
}

}  // namespace
}  // namespace qm::test
