#include "ini/FastMemIniFile.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"
#include "project/QMObject.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

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

}  // namespace
