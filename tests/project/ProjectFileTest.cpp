#include "common/Errors.h"
#include "ini/FastMemIniFile.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/PrjIniFileSaver.h"
#include "project/QMObject.h"
#include "support/FileBytes.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::readBytes;

namespace {

QString fixture(const char* name) {
    return QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/data/project/") + QString::fromUtf8(name);
}

// The customers project: one table setup with one lookup definition.
void fillCustomers(TPrjDataSaved& p) {
    p.SetSourceDBAlias(u"SRC"_s);
    p.SetDestDBAlias(u"DST"_s);
    auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
    TPropValueList& n = node->props();
    n.setString(u"Name"_s, u"Customers"_s);
    n.setString(u"SourceQuerySQL"_s, u"SELECT * FROM CUSTOMER"_s);
    n.setString(u"DestQuerySQL"_s, u"SELECT * FROM CUSTOMER"_s);
    n.setString(u"PrimaryKeySpec"_s, u"CUSTNO"_s);
    n.setString(u"DestTableName"_s, u"CUSTOMER"_s);
    n.setInteger(u"DisplayOrder"_s, 1);
    n.setBoolean(u"ScriptOn"_s, true);
    n.setBoolean(u"ScriptTableChanged"_s, false);
    auto& frame = dynamic_cast<TFrameNodeData&>(*node);
    TPropValueList& o = frame.AddObject(1).props();
    o.setString(u"LookupName"_s, u"Country"_s);
    o.setString(u"FieldName"_s, u"COUNTRY"_s);
    o.setString(u"LookupTableName"_s, u"COUNTRY"_s);
    o.setString(u"LookupKeyFieldName"_s, u"NAME"_s);
    o.setString(u"LookupDisplayFieldName"_s, u"CAPITAL"_s);
    o.setString(u"CustomLookupSQLQuery"_s, QString());
    p.InsertNode(0, std::move(node));
}

TEST(ProjectFile, ExampleProjectIsWrittenByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"customers.qmp"_s);
    TPrjDataSaved p;
    fillCustomers(p);
    p.SaveToFile(path);
    EXPECT_EQ(readBytes(path), readBytes(fixture("customers.qmp")));
    EXPECT_FALSE(p.IsModified());
    // A second save of the same project gives the same bytes.
    p.SaveToFile(path);
    EXPECT_EQ(readBytes(path), readBytes(fixture("customers.qmp")));
}

TEST(ProjectFile, ExampleProjectLoadsBackCleanAndSavesIdentically) {
    TPrjDataSaved p;
    p.LoadFromIniFile(fixture("customers.qmp"));
    EXPECT_FALSE(p.IsModified());
    ASSERT_EQ(p.NodeCount(), 1);
    TQMNodeData& node = *p.GetItem(0);
    EXPECT_EQ(node.props().getString(u"SourceQuerySQL"_s), u"SELECT * FROM CUSTOMER"_s);
    EXPECT_EQ(node.DestQuerySQL(), u"SELECT * FROM CUSTOMER"_s);
    auto& frame = dynamic_cast<TFrameNodeData&>(node);
    ASSERT_EQ(frame.ObjectCount(), 1);
    EXPECT_EQ(frame.Objects(0).props().getString(u"LookupDisplayFieldName"_s), u"CAPITAL"_s);
    EXPECT_EQ(p.SourceDBAlias(), u"SRC"_s);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"again.qmp"_s);
    p.SaveToFile(path);
    EXPECT_EQ(readBytes(path), readBytes(fixture("customers.qmp")));
}

// A project of more table setups than any fixed limit: loading it reads
// every node, saving it again gives the same bytes, and both take time in
// proportion to its size (the test would run for minutes otherwise).
TEST(ProjectFile, ProjectsOfManyTableSetupsLoadAndSaveWhole) {
    constexpr int kSetups = 12000;
    QTemporaryDir dir;
    const QString first = dir.filePath(u"many.qmp"_s);
    {
        TPrjDataSaved p;
        p.SetSourceDBAlias(u"SRC"_s);
        p.SetDestDBAlias(u"DST"_s);
        for (int i = 0; i < kSetups; ++i) {
            auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
            node->SetName(u"Setup %1"_s.arg(i));
            node->props().setString(u"DestTableName"_s, u"T%1"_s.arg(i));
            node->props().setInteger(u"DisplayOrder"_s, i + 1);
            if (i % 1000 == 999) {
                dynamic_cast<TFrameNodeData&>(*node).AddObject(1).props().setString(
                    u"LookupName"_s, u"Lookup %1"_s.arg(i));
            }
            p.InsertNode(i, std::move(node));
        }
        p.SaveToFile(first);
    }
    const QByteArray written = readBytes(first);
    EXPECT_TRUE(written.contains("[Nodes]\r\nCount=12000\r\n\r\n"));
    EXPECT_TRUE(
        written.contains("[Nodes11999]\r\nKind=6\r\nName=\"\"Setup 11999\"\"\r\n"
                         "DestTableName=\"T11999\"\r\nDisplayOrder=12000\r\n"
                         "ObjectCount=1\r\n\r\n[Nodes11999 Object0]\r\n"))
        << written.mid(written.indexOf("[Nodes11999]"), 200).toStdString();

    TPrjDataSaved back;
    back.LoadFromIniFile(first);
    ASSERT_EQ(back.NodeCount(), kSetups);
    EXPECT_FALSE(back.IsModified());
    for (const int i : {0, 9999, 10000, 11999}) {
        EXPECT_EQ(back.GetItem(i)->Name(), u"Setup %1"_s.arg(i));
        EXPECT_EQ(dynamic_cast<TFrameNodeData&>(*back.GetItem(i)).ObjectCount(),
                  i % 1000 == 999 ? 1 : 0);
    }
    const QString second = dir.filePath(u"again.qmp"_s);
    back.SaveToFile(second);
    EXPECT_TRUE(readBytes(second) == written);
}

}  // namespace

namespace {

QString writeText(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

std::string loadFailure(const QString& path, TPrjDataSaved& p) {
    try {
        p.LoadFromIniFile(path);
    } catch (const Error& e) {
        return e.message().toStdString();
    }
    return "no failure";
}

TEST(ProjectFile, EmptyProjectHoldsTheFixedSections) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"empty.qmp"_s);
    TPrjDataSaved p;
    p.SaveToFile(path);
    auto ini = TFastMemIniFile::fromText(QString::fromUtf8(readBytes(path)));
    QStringList sections;
    ini->ReadSections(sections);
    EXPECT_EQ(sections, (QStringList{u"Div"_s, u"Nodes"_s, u"Paths"_s, u"Settings"_s}));
    EXPECT_EQ(ini->ReadString(u"Nodes"_s, u"Count"_s, QString()), u"0"_s);
    EXPECT_EQ(p.FileName(), path);
}

TEST(ProjectFile, NewNodesAndObjectsWriteOnlyWhatDiffersFromDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"plain.qmp"_s);
    TPrjDataSaved p;
    p.SetSourceDBAlias(u"A"_s);
    p.SetDestDBAlias(u"B"_s);
    auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
    for (const char16_t* name :
         {u"Name", u"SourceQuerySQL", u"DestQuerySQL", u"PrimaryKeySpec", u"DestTableName"}) {
        node->props().setString(QString::fromUtf16(name), QString());
    }
    node->props().setInteger(u"DisplayOrder"_s, 1);
    node->props().setBoolean(u"ScriptOn"_s, false);
    node->props().setBoolean(u"ScriptTableChanged"_s, false);
    dynamic_cast<TFrameNodeData&>(*node).AddObject(1);
    p.InsertNode(0, std::move(node));
    p.SaveToFile(path);
    const QString text = QString::fromUtf8(readBytes(path));
    EXPECT_TRUE(text.contains(u"[Nodes0]\r\nKind=6\r\nDisplayOrder=1\r\nObjectCount=1\r\n\r\n"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"[Nodes0 Object0]\r\nType=1\r\nWidth=100\r\nHeight=70\r\n\r\n"_s))
        << text.toStdString();
}

TEST(ProjectFile, ReaderToleratesOrderCaseAndAbsentKeys) {
    QTemporaryDir dir;
    // Sections out of order, keys in other letter case, no Version, no
    // ObjectCount in the second node, "Div" missing, Windows-1252 text.
    const QString path = writeText(dir, u"hand.qmp"_s,
                                   "[nodes1]\r\nkind=6\r\nNAME=\"Stra\xdf"
                                   "e\"\r\n"
                                   "[Settings]\r\nsourcedbalias=\"S\"\r\nDestDBAlias=\"D\"\r\n"
                                   "[Nodes]\r\nCount=2\r\n"
                                   "[Nodes0]\r\nKind=6\r\nName=\"First\"\r\nObjectCount=1\r\n"
                                   "[Nodes0 Object0]\r\nType=1\r\nlookupname=\"L\"\r\n");
    TPrjDataSaved p;
    p.LoadFromIniFile(path);
    ASSERT_EQ(p.NodeCount(), 2);
    EXPECT_EQ(p.GetItem(0)->Name(), u"First"_s);
    EXPECT_EQ(p.GetItem(1)->Name(), u"Stra\u00dfe"_s);
    EXPECT_EQ(p.SourceDBAlias(), u"S"_s);
    auto& first = dynamic_cast<TFrameNodeData&>(*p.GetItem(0));
    ASSERT_EQ(first.ObjectCount(), 1);
    EXPECT_EQ(first.Objects(0).props().getString(u"LookupName"_s), u"L"_s);
    EXPECT_EQ(first.Objects(0).Width(), 100);  // absent bounds keep the new object's
    EXPECT_EQ(dynamic_cast<TFrameNodeData&>(*p.GetItem(1)).ObjectCount(), 0);
    // A file of another version stays modified, so that saving rewrites it.
    EXPECT_TRUE(p.IsModified());
    EXPECT_EQ(p.settings().getInteger(u"FrameWidth"_s), 800);
}

TEST(ProjectFile, MalformedFilesFailWithTheirReason) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        const char* expected;
        int nodesRead;
    } cases[] = {
        // Counts that do not match the sections: read as given, the next
        // save would drop the sections the counts leave out.
        {"missing-node", "[Nodes]\r\nCount=2\r\n[Nodes0]\r\nKind=6\r\n",
         "Section [Nodes] counts 2 node(s), but the file has no section [Nodes1]", 0},
        {"count-small", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\n[Nodes1]\r\nKind=6\r\n",
         "Section [Nodes1] is not one of the 1 node(s) that section [Nodes] counts", 0},
        {"count-zero", "[Nodes]\r\nCount=0\r\n[nodes0]\r\nKind=6\r\n",
         "Section [nodes0] is not one of the 0 node(s) that section [Nodes] counts", 0},
        {"count-negative", "[Nodes]\r\nCount=-3\r\n[Nodes0]\r\nKind=6\r\n",
         "The node count \"-3\" in section [Nodes] is negative", 0},
        {"odd-index", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\n[Nodes00]\r\nKind=6\r\n",
         "Section [Nodes00] is not one of the 1 node(s)", 0},
        {"objects-beyond",
         "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nObjectCount=1\r\n"
         "[Nodes0 Object0]\r\nType=1\r\n[Nodes0 Object1]\r\nType=1\r\n",
         "Section [Nodes0 Object1] is not one of the 1 object(s) that section [Nodes0] counts", 0},
        {"objects-uncounted",
         "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\n[Nodes0 Object0]\r\nType=1\r\n",
         "Section [Nodes0 Object0] is not one of the 0 object(s) that section [Nodes0] counts", 0},
        {"objects-missing",
         "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nObjectCount=2\r\n"
         "[Nodes0 Object0]\r\nType=1\r\n",
         "Section [Nodes0] counts 2 object(s), but the file has no section [Nodes0 Object1]", 0},
        {"objects-negative", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nObjectCount=-1\r\n",
         "The object count \"-1\" in section [Nodes0] is not a number of objects", 0},
        // Kinds and types name the section and the value as the file has them.
        {"kind-missing", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nName=\"x\"\r\n",
         "Section [Nodes0] has no node kind (key \"Kind\")", 0},
        {"kind-zero", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=256\r\n",
         "Section [Nodes0] has the node kind \"256\"; only kinds 6 (table setup) and 7 can be "
         "loaded",
         0},
        {"sound-node", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=9\r\n",
         "Section [Nodes0] has the node kind \"9\"; only kinds 6 (table setup) and 7 can be loaded",
         0},
        {"kind-word", "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=frame\r\n",
         "Section [Nodes0] has the node kind \"frame\"", 0},
        {"media-object",
         "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nObjectCount=1\r\n"
         "[Nodes0 Object0]\r\nType=2\r\n",
         "Section [Nodes0 Object0] has the object type \"2\", which is not known", 0},
        {"untyped-object",
         "[Nodes]\r\nCount=1\r\n[Nodes0]\r\nKind=6\r\nObjectCount=1\r\n"
         "[Nodes0 Object0]\r\nWidth=5\r\n",
         "Section [Nodes0 Object0] has no object type (key \"Type\")", 0},
        {"garbage", QByteArray("\x00\xff\xfe[Nodes]\r\nCount=99999999999\r\n\x01\x02", 30),
         "is not a project file", 0},
        {"empty", QByteArray(), "is not a project file", 0},
        {"count-word", "[Nodes]\r\nCount=many\r\n[Nodes0]\r\nKind=6\r\n",
         "The node count \"many\" in section [Nodes] is not a number", 0},
        {"count-huge", "[Nodes]\r\nCount=99999999999\r\n", "is not a number", 0},
    };
    for (const auto& c : cases) {
        TPrjDataSaved p;
        const QString path = writeText(dir, QString::fromUtf8(c.name), c.bytes);
        const std::string m = loadFailure(path, p);
        EXPECT_NE(m.find(c.expected), std::string::npos) << c.name << ": " << m;
        // The reader's own source files are no business of the user's.
        EXPECT_EQ(m.find(".cpp"), std::string::npos) << c.name << ": " << m;
        EXPECT_EQ(p.NodeCount(), c.nodesRead) << c.name;
    }
}

TEST(ProjectFile, EveryKindOfValueSurvivesARoundTrip) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"values.qmp"_s);
    const QStringList texts = {
        u"SELECT\r\n  a, b\r\nFROM t\r\nWHERE c = 'x,y' AND d = \"q\""_s,
        u"one"_s,
        u"  leading and trailing  "_s,
        u"line\r\n\r\nafter an empty line"_s,
        u"[not a section]"_s,
        u"key=value; comment"_s,
        u"\u00e9\u20ac\u4e2d"_s,
        u"\""_s,
        u","_s,
        u"tab\there"_s,
    };
    TPrjDataSaved p;
    p.SetSourceDBAlias(u"src alias"_s);
    p.SetDestDBAlias(QString());
    for (int i = 0; i < texts.size(); ++i) {
        auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
        node->props().setString(u"Name"_s, u"n%1"_s.arg(i));
        node->props().setString(u"SourceQuerySQL"_s, texts[i]);
        node->props().setString(u"DestQuerySQL"_s, texts[(i + 1) % texts.size()]);
        node->props().setInteger(u"DisplayOrder"_s, i == 0 ? -2147483647 - 1 : 2147483647);
        node->props().setBoolean(u"ScriptOn"_s, i % 2 == 0);
        TQMObject& o = dynamic_cast<TFrameNodeData&>(*node).AddObject(1);
        o.props().setString(u"CustomLookupSQLQuery"_s, texts[(i + 2) % texts.size()]);
        p.InsertNode(i, std::move(node));
    }
    p.SaveToFile(path);
    TPrjDataSaved back;
    back.LoadFromIniFile(path);
    EXPECT_FALSE(back.IsModified());
    EXPECT_EQ(back.SourceDBAlias(), u"src alias"_s);
    EXPECT_EQ(back.DestDBAlias(), QString());
    ASSERT_EQ(back.NodeCount(), p.NodeCount());
    for (int i = 0; i < p.NodeCount(); ++i) {
        for (const char16_t* name : {u"Name", u"SourceQuerySQL", u"DestQuerySQL"}) {
            const QString key = QString::fromUtf16(name);
            EXPECT_EQ(back.GetItem(i)->props().getString(key),
                      p.GetItem(i)->props().getString(key));
        }
        EXPECT_EQ(back.GetItem(i)->props().getInteger(u"DisplayOrder"_s),
                  p.GetItem(i)->props().getInteger(u"DisplayOrder"_s));
        EXPECT_EQ(back.GetItem(i)->props().getBoolean(u"ScriptOn"_s), i % 2 == 0);
        auto& frame = dynamic_cast<TFrameNodeData&>(*back.GetItem(i));
        EXPECT_EQ(frame.Objects(0).props().getString(u"CustomLookupSQLQuery"_s),
                  texts[(i + 2) % texts.size()]);
    }
}

// A saver that fails after the first node, as a full disk or a broken node
// would.
class FailingSaver : public TPrjIniFileSaver {
public:
    using TPrjIniFileSaver::TPrjIniFileSaver;
    void VisitFrameNode(TFrameNodeData& node) override {
        if (CurrentNodeIndex() == 1) {
            throw Error(u"disk full"_s);
        }
        TPrjIniFileSaver::VisitFrameNode(node);
    }
};

TEST(ProjectFile, FailedSavesKeepThePreviousFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"keep.qmp"_s);
    TPrjDataSaved p;
    p.SetSourceDBAlias(u"S"_s);
    p.SetDestDBAlias(u"D"_s);
    p.SaveToFile(path);
    const QByteArray before = readBytes(path);
    for (int i = 0; i < 2; ++i) {
        p.InsertNode(i, TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p));
    }
    FailingSaver saver(p, path);
    EXPECT_THROW(saver.Execute(), Error);
    EXPECT_EQ(readBytes(path), before);

    const QString unwritable = dir.filePath(u"no/such/folder/x.qmp"_s);
    try {
        p.SaveToFile(unwritable);
        FAIL() << "saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(unwritable)) << e.message().toStdString();
    }
    EXPECT_TRUE(p.IsModified());
}

TEST(ProjectFile, NodeFilesHoldOneNode) {
    QTemporaryDir dir;
    TPrjDataSaved p;
    const QString nodeFile = writeText(dir, u"Orders.QMN"_s,
                                       "[Nodes0]\r\nKind=6\r\nName=\"Orders\"\r\nObjectCount=1\r\n"
                                       "[Nodes0 Object0]\r\nType=1\r\nFieldName=\"X\"\r\n");
    auto node = TQMNodeData::CreateNodeFromFile(nodeFile, &p.settings(), &p);
    EXPECT_EQ(node->Name(), u"Orders"_s);
    EXPECT_TRUE(node->ShortCut());
    EXPECT_EQ(node->FileName, nodeFile);
    EXPECT_EQ(dynamic_cast<TFrameNodeData&>(*node).ObjectCount(), 1);

    const QString noKind = writeText(dir, u"bad.qmn"_s, "[Nodes0]\r\nName=\"x\"\r\n");
    const auto fails = [&](const QString& file) -> std::string {
        try {
            TQMNodeData::CreateNodeFromFile(file, &p.settings(), &p);
        } catch (const Error& e) {
            return e.message().toStdString();
        }
        return "no failure";
    };
    EXPECT_NE(fails(noKind).find("Illegal nodekind"), std::string::npos);
    EXPECT_NE(fails(dir.filePath(u"missing.qmn"_s)).find("File not found - precondition"),
              std::string::npos);
    EXPECT_NE(fails(dir.filePath(u"song.wav"_s)).find("Node kind 9"), std::string::npos);
    EXPECT_NE(fails(dir.filePath(u"album.qmm"_s)).find("Node kind 4"), std::string::npos);
    auto picture = TQMNodeData::CreateNodeFromFile(dir.filePath(u"p.jpg"_s), &p.settings(), &p);
    EXPECT_EQ(TQMNodeData::NodeKindOf(*picture), 7);
    EXPECT_FALSE(picture->ShortCut());
    EXPECT_EQ(picture->GetMediaFilePath(), dir.filePath(u"p.jpg"_s));
}

}  // namespace

namespace {

TEST(ProjectFile, MediaFilesBesideTheProjectAreStoredByName) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"media.qmp"_s);
    TPrjDataSaved p;
    auto picture = TQMNodeData::CreateNodeFromFile(dir.filePath(u"a.jpg"_s), &p.settings(), &p);
    auto elsewhere = TQMNodeData::CreateNodeFromFile(u"/pictures/b.jpg"_s, &p.settings(), &p);
    p.InsertNode(0, std::move(picture));
    p.InsertNode(1, std::move(elsewhere));
    p.SaveToFile(path);
    const QString text = QString::fromUtf8(readBytes(path));
    EXPECT_TRUE(text.contains(u"[Nodes0]\r\nKind=7\r\nShortCut=0\r\nFilePath=\"a.jpg\"\r\n"_s))
        << text.toStdString();
    EXPECT_TRUE(text.contains(u"FilePath=\"/pictures/b.jpg\""_s)) << text.toStdString();
    EXPECT_EQ(p.GetItem(0)->GetMediaFilePath(), dir.filePath(u"a.jpg"_s));
    EXPECT_EQ(p.GetItem(0)->FileName, dir.filePath(u"a.jpg"_s));
    EXPECT_FALSE(p.IsModified());
}

}  // namespace
