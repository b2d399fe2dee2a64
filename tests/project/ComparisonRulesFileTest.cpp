// Comparison rules in project files: what the table-setup node stores, what
// the checked load refuses, and the engine's table-setup list in between.
#include "common/Errors.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/ProjectDescription.h"
#include "project/ProjectFiles.h"
#include "project/QMUtils.h"
#include "project/TableSetup.h"
#include "support/EngineHarness.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::EngineHarness;
using qm::test::readBytes;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/data/project/") + QString::fromUtf8(name);
}

// Two table setups, Orders and Lines; Orders' rules property holds `rules`
// as given (unset when empty).
void fill(TPrjDataSaved& p, const QString& rules = {}) {
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(u"DST"_s);
    for (const QString& name : {u"Orders"_s, u"Lines"_s}) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
        TPropValueList& n = node->props();
        n.setString(u"Name"_s, name);
        n.setString(u"SourceQuerySQL"_s, u"SELECT * FROM "_s + name);
        n.setString(u"DestQuerySQL"_s, u"SELECT * FROM "_s + name);
        n.setString(u"PrimaryKeySpec"_s, u"ID"_s);
        n.setString(u"DestTableName"_s, name);
        n.setInteger(u"DisplayOrder"_s, p.NodeCount() + 1);
        if (name == u"Orders"_s && !rules.isEmpty()) {
            n.setString(TableSetup::rulesProperty(), rules);
        }
        p.InsertNode(p.NodeCount(), std::move(node));
    }
}

// What the window does when a table setup's row is posted: the row goes
// back into the node by column name.
void rowsBackIntoNodes(EngineHarness& h, TPrjData& p) {
    MemData& t = h.dm.TablesMemData();
    for (int i = 0; i < p.NodeCount(); ++i) {
        t.moveTo(i);
        TQMUtils::DataSetToProps(p.GetItem(i)->props(), t);
    }
}

// A project without rules passes through the engine's list and the checked
// save without a byte changed, also after rules were set and cleared again.
TEST(ComparisonRulesFile, ProjectsWithoutRulesKeepEveryByte) {
    const struct {
        const char* what;
        QString file;
        bool setAndClear;
    } cases[] = {
        {"example project", fixture("customers.qmp"), false},
        {"example project, rules set and cleared", fixture("customers.qmp"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TPrjDataSaved p;
        ASSERT_TRUE(loadProjectFile(c.file, p).ok());
        EngineHarness h{QString()};
        h.dm.LoadTableSetups(p);
        MemData& t = h.dm.TablesMemData();
        if (c.setAndClear) {
            for (const char* text : {"*: nocase; price: abs=0.5", ""}) {
                t.first();
                t.edit();
                TableSetup::setRulesInList(t, ComparisonRules::parse(QString::fromUtf8(text), {}));
                t.post();
                rowsBackIntoNodes(h, p);
            }
        } else {
            rowsBackIntoNodes(h, p);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(u"again.qmp"_s);
        const ProjectFileProblem saved = saveProjectFile(p, path);
        ASSERT_TRUE(saved.ok()) << saved.message().toStdString();
        EXPECT_EQ(readBytes(path), readBytes(c.file));
        EXPECT_FALSE(describeProject(p).contains(u"Rules:"_s));
    }
}

// Rules written to a file read back equal: from the node, through the
// engine's list, and in the description the save compares.
TEST(ComparisonRulesFile, RulesReadBackEqual) {
    const char* const texts[] = {
        "*: nocase trim",
        "*: nullempty; price: abs=0.005 rel=1e-09",
        "updated_at: ignore; ts: time=second; day: time=day; at: time=minute",
        "\"my col\": nocase; \"a;b\": ignore; \"say \"\"hi\"\"\": trim; \" pad \": exact",
        "*: abs=1e+300; tiny: rel=1e-12; Zero: abs=0",
        "*: ignore; id_like: exact",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const ComparisonRules rules = ComparisonRules::parse(QString::fromUtf8(text), u"Orders"_s);
        ASSERT_FALSE(rules.isEmpty());
        TPrjDataSaved p;
        fill(p, rules.toText());
        QTemporaryDir dir;
        const QString path = dir.filePath(u"rules.qmp"_s);
        const ProjectFileProblem saved = saveProjectFile(p, path);
        ASSERT_TRUE(saved.ok()) << saved.message().toStdString();
        EXPECT_TRUE(readBytes(path).contains("CompareRules="));

        TPrjDataSaved back;
        const ProjectFileProblem loaded = loadProjectFile(path, back);
        ASSERT_TRUE(loaded.ok()) << loaded.message().toStdString();
        EXPECT_EQ(qm::TableSetup::fromProperties(back.GetItem(0)->props()).rules, rules);
        EXPECT_TRUE(qm::TableSetup::fromProperties(back.GetItem(1)->props()).rules.isEmpty());
        EXPECT_TRUE(
            describeProject(back).contains(u"   Rules:        "_s + rules.toText() + u'\n'));

        EngineHarness h{QString()};
        h.dm.LoadTableSetups(back);
        MemData& t = h.dm.TablesMemData();
        t.first();
        EXPECT_EQ(qm::TableSetup::fromList(t).rules, rules);
        t.next();
        EXPECT_TRUE(qm::TableSetup::fromList(t).rules.isEmpty());
    }
}

// Rules that cannot be read refuse the file when it is opened, with the
// table setup and the rule named; the engine refuses such a project before
// its lists change.
TEST(ComparisonRulesFile, MalformedRulesRefuseTheProject) {
    const struct {
        const char* rules;
        const char* named;
    } cases[] = {
        {"*: nocase; price: abz=1", "\"price: abz=1\""},
        {"price: abs=-1", "\"price: abs=-1\""},
        {"price: abs=x", "a tolerance is a number of 0 or more"},
        {"ts: time=hour", "time= takes second, minute or day"},
        {"\"open: nocase", "a quoted name is not closed"},
        {"nocase", "an entry is COLUMN: WORDS"},
        {"a: trim; A: nocase", "the column has a rule already"},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        TPrjDataSaved bad;
        fill(bad, QString::fromUtf8(c.rules));
        bad.SetSourceDBAlias(u"OTHER"_s);
        const QString path = dir.filePath(u"bad.qmp"_s);
        bad.SaveToFile(path);

        TPrjDataSaved read;
        const ProjectFileProblem problem = loadProjectFile(path, read);
        ASSERT_FALSE(problem.ok());
        EXPECT_EQ(problem.headline, u"Cannot open project \"%1\":"_s.arg(path));
        EXPECT_TRUE(problem.reason.startsWith(u"Table setup \"Orders\": the comparison rule"_s))
            << problem.reason.toStdString();
        EXPECT_TRUE(problem.reason.contains(QString::fromUtf8(c.named)))
            << problem.reason.toStdString();

        EngineHarness h{QString()};
        TPrjDataSaved good;
        fill(good);
        h.dm.LoadTableSetups(good);
        EXPECT_THROW(h.dm.LoadTableSetups(bad), Error);
        EXPECT_EQ(EngineHarness::column(h.dm.TablesMemData(), u"Name"_s),
                  (QStringList{u"Orders"_s, u"Lines"_s}));
        EXPECT_EQ(EngineHarness::column(h.dm.DBSetupMemData(), u"SourceDBAlias"_s),
                  QStringList{u"SRC"_s});
    }
}

// DefaultTables.txt gets the rules column only once some table setup has
// rules: the files of users without rules keep today's bytes, and files
// with and without the column read back.
TEST(ComparisonRulesFile, DefaultTablesFileHoldsRulesOnlyWhenSet) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const struct Restore {
        QString path;
        ~Restore() { QDir::setCurrent(path); }
    } restore{previous};

    const QByteArray header =
        "Name\tSourceQuerySQL\tDestQuerySQL\tPrimaryKeySpec\tDestTableName\tDisplayOrder\t"
        "ScriptOn\tScriptTableChanged";
    const struct {
        const char* rules;
        QByteArray file;
    } cases[] = {
        {"", header + "\r\nOrders\tSELECT 1\tSELECT 2\tid\t\t1\tFalse\tFalse\r\n"},
        {"*: nocase; \"a;b\": abs=0.5",
         header + "\tCompareRules\r\nOrders\tSELECT 1\tSELECT 2\tid\t\t1\tFalse\tFalse\t"
                  "*: nocase; \"a;b\": abs=0.5\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        const ComparisonRules rules = ComparisonRules::parse(QString::fromUtf8(c.rules), {});
        {
            EngineHarness h{QString()};
            h.dm.PrepareTableLists(false);
            MemData& t = h.dm.TablesMemData();
            const TDM::TableFields& tf = h.dm.tableFields();
            t.setAsText(tf.Name, u"Orders"_s);
            t.setAsText(tf.SourceQuerySQL, u"SELECT 1"_s);
            t.setAsText(tf.DestQuerySQL, u"SELECT 2"_s);
            t.setAsText(tf.PrimaryKeySpec, u"id"_s);
            t.setAsBool(tf.ScriptOn, false);
            t.setAsBool(tf.ScriptTableChanged, false);
            TableSetup::setRulesInList(t, rules);
            t.post();
            h.dm.SaveDefaultFiles();
        }
        EXPECT_EQ(QString::fromUtf8(readBytes(TDM::defaultTablesFile())),
                  QString::fromUtf8(c.file));
        EngineHarness h{QString()};
        h.dm.PrepareTableLists(true);
        EXPECT_EQ(qm::TableSetup::fromList(h.dm.TablesMemData()).rules, rules);
    }
}

}  // namespace
