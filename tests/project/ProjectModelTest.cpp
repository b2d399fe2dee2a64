#include "common/Assertion.h"
#include "common/ScopeGuards.h"
#include "ini/FastMemIniFile.h"
#include "list/MemData.h"
#include "project/DefaultPrjProperties.h"
#include "project/FrameNodeData.h"
#include "project/MediaObject.h"
#include "project/PrjDataSaved.h"
#include "project/QMUtils.h"
#include "props/ChangeNotices.h"
#include "report/KzError.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace qm;

namespace {

TFrameNodeData& addTableSetup(TPrjData& p, const QString& name) {
    auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
    node->SetName(name);
    auto& frame = dynamic_cast<TFrameNodeData&>(*node);
    p.InsertNode(p.NodeCount(), std::move(node));
    return frame;
}

QStringList names(TPrjData& p) {
    QStringList out;
    for (int i = 0; i < p.NodeCount(); ++i) {
        out << p.GetItem(i)->Name();
    }
    return out;
}

std::string failure(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.message().toStdString();
    }
    return "no failure";
}

TEST(PrjData, NewProjectTakesTheInheritedFrameSizeAndIsClean) {
    TPrjDataSaved p;
    EXPECT_FALSE(p.settings().getBoolean(u"InheritFrameSize"_s));
    EXPECT_EQ(p.settings().getInteger(u"FrameWidth"_s), 800);
    EXPECT_EQ(p.settings().getInteger(u"FrameHeight"_s), 600);
    EXPECT_FALSE(p.IsModified());
    EXPECT_EQ(p.Version(), 0);
}

TEST(PrjData, GlobalDefaultsFileGivesNewProjectsTheirFrameSize) {
    const QString file = TGlobalPrjProperties::fileName();
    auto& globals = TGlobalPrjProperties::instance();
    // The defaults file is gone again after the test, however it ends.
    const Finally restore([&] {
        QFile::remove(file);
        globals.load();
    });
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[]\r\nInheritFrameSize=0\r\nFrameWidth=1024\r\nFrameHeight=768\r\n\r\n");
    f.close();
    globals.load();
    {
        TPrjDataSaved p;
        EXPECT_EQ(p.settings().getInteger(u"FrameWidth"_s), 1024);
        EXPECT_EQ(p.settings().getInteger(u"FrameHeight"_s), 768);
    }
    // A width of 0 switches inheritance back on: the built-in 800 by 600.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("[]\r\nInheritFrameSize=0\r\nFrameWidth=0\r\nFrameHeight=768\r\n");
    f.close();
    globals.load();
    EXPECT_TRUE(globals.getBoolean(u"InheritFrameSize"_s));
    EXPECT_EQ(globals.getInteger(u"FrameWidth"_s), 800);
    // Inherited sizes and a switch at its default are not written back.
    globals.save();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray());
    f.close();
    globals.value(u"FrameWidth"_s).SetInteger(640);
    globals.save();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[]\r\nInheritFrameSize=0\r\nFrameWidth=640\r\n"
                                      "FrameHeight=768\r\n\r\n"));
    f.close();
}

TEST(PrjData, NodeListOperationsRenumberAndRelinkMediaReferences) {
    TPrjDataSaved p;
    for (const char16_t* n : {u"A", u"B", u"C", u"D"}) {
        addTableSetup(p, QString::fromUtf16(n));
    }
    // Media objects in node A refer to C, D and nothing.
    auto& a = dynamic_cast<TFrameNodeData&>(*p.GetItem(0));
    for (int ref : {2, 3, -1}) {
        a.AddObject(4).props().setInteger(u"NodeRefIdx"_s, ref);
    }
    const auto refs = [&] {
        std::vector<int> out;
        for (int i = 0; i < a.ObjectCount(); ++i) {
            out.push_back(a.Objects(i).props().getInteger(u"NodeRefIdx"_s));
        }
        return out;
    };
    p.SetModified(false);

    p.MoveNode(3, 0);  // the last node first
    EXPECT_EQ(names(p), (QStringList{u"D"_s, u"A"_s, u"B"_s, u"C"_s}));
    EXPECT_EQ(refs(), (std::vector<int>{3, 0, -1}));
    EXPECT_TRUE(p.IsModified());

    p.SetModified(false);
    p.MoveNode(1, 1);  // to its own place: still a change
    EXPECT_TRUE(p.IsModified());

    p.DeleteNode(0);  // D goes: its reference is dropped, C's follows
    EXPECT_EQ(names(p), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
    EXPECT_EQ(refs(), (std::vector<int>{2, -1, -1}));

    EXPECT_EQ(p.GetItemIndex(p.GetItem(2)), 2);
    EXPECT_EQ(&p.FindNodeByName(u"B"_s), p.GetItem(1));
}

TEST(PrjData, NodeListMisuseIsReported) {
    TPrjDataSaved p;
    addTableSetup(p, u"Orders"_s);
    TPrjDataSaved other;
    auto foreign = TQMNodeData::CreateNodeOfKind(6, &other.settings(), &other);

    EXPECT_TRUE(failure([&] { p.FindNodeByName(u"orders"_s); }).starts_with("Assertion failure"));
    EXPECT_TRUE(failure([&] {
                    p.InsertNode(3, TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p));
                }).starts_with("Assertion failure"));
    EXPECT_TRUE(
        failure([&] { p.SetItem(0, std::move(foreign)); }).starts_with("Assertion failure"));
    EXPECT_NE(failure([&] { p.GetItemIndex(nullptr); }).find("Message: Can't find item"),
              std::string::npos);
    // An index outside the list, however large, is refused alike.
    EXPECT_EQ(failure([&] { p.GetItem(10000); }), "List index out of bounds (10000)");
    EXPECT_EQ(failure([&] { p.GetItem(1); }), "List index out of bounds (1)");
}

TEST(PrjData, NodeKindsWithoutAClassAreRefused) {
    TPrjDataSaved p;
    const std::pair<int, const char*> cases[] = {
        {0, "464356 - Uninitialised"},           {1, "6786586- Can't convert node kind"},
        {8, "6786586- Can't convert node kind"}, {4, "Node kind 4 is not supported"},
        {9, "Node kind 9 is not supported"},
    };
    for (const auto& [kind, text] : cases) {
        const std::string m =
            failure([&] { TQMNodeData::CreateNodeOfKind(kind, &p.settings(), &p); });
        EXPECT_NE(m.find(text), std::string::npos) << kind << ": " << m;
        EXPECT_NE(m.find("Possible program error detected!"), std::string::npos) << m;
    }
    EXPECT_EQ(TQMNodeData::NodeKindOf(*TQMNodeData::CreateNodeOfKind(7, &p.settings(), &p)), 7);
}

TEST(PrjData, ObjectFactoryAndConstructionGuards) {
    TPrjDataSaved p;
    auto& node = addTableSetup(p, u"T"_s);
    auto image = TQMNodeData::CreateNodeOfKind(7, &p.settings(), &p);
    EXPECT_NE(
        failure([&] { TQMObject::CreateObjectOfType(2, &node); }).find("Message: Unknown type"),
        std::string::npos);
    EXPECT_NE(
        failure([&] { TQMObject::CreateObjectOfType(2, &node); }).find("(It happened at 45693)"),
        std::string::npos);
    EXPECT_TRUE(failure([&] {
                    TQMObject::CreateObjectOfType(1, image.get());
                }).starts_with("Assertion failure"));
    EXPECT_TRUE(failure([] {
                    TQMObject object;
                }).starts_with("Don't call this create directly - use other constructor instead"));
    EXPECT_TRUE(failure([] {
                    TQMBorderObject object(false);
                }).starts_with("This must not be called directly. Use CreateMediaObjectType"));
    EXPECT_TRUE(failure([&] { node.Objects(0); }).starts_with("Assertion failure"));
}

TEST(PrjData, CloneCopiesObjectsWithIndicesFromLiveLinks) {
    TPrjDataSaved p;
    auto& node = addTableSetup(p, u"T"_s);
    TQMObject& first = node.AddObject(1);
    first.props().setString(u"LookupName"_s, u"Country"_s);
    TQMObject& second = node.AddObject(4, &first);
    second.setAnchorObject(TQMObject::AnchorTop, &first);
    second.props().setString(u"Text"_s, u"hello"_s);

    auto clone = TQMNodeData::CloneNode(node, &p.settings(), &p);
    auto& copy = dynamic_cast<TFrameNodeData&>(*clone);
    ASSERT_EQ(copy.ObjectCount(), 2);
    EXPECT_NE(&copy.Objects(0), &first);
    EXPECT_EQ(copy.Objects(0).props().getString(u"LookupName"_s), u"Country"_s);
    EXPECT_EQ(copy.Objects(1).props().getString(u"Text"_s), u"hello"_s);
    EXPECT_EQ(copy.Objects(1).ParentIdx(), 0);
    EXPECT_EQ(copy.Objects(1).AnchorIdx(TQMObject::AnchorTop), 0);
    EXPECT_EQ(copy.Objects(1).AnchorIdx(TQMObject::AnchorLeft), -1);
    EXPECT_EQ(copy.Objects(1).ParentControl(), nullptr);
    EXPECT_EQ(copy.Name(), u"T"_s);
    // Independent: changing the copy leaves the original alone.
    copy.Objects(0).props().setString(u"LookupName"_s, u"Other"_s);
    EXPECT_EQ(first.props().getString(u"LookupName"_s), u"Country"_s);
}

TEST(PrjData, DeepCopyGivesAnIndependentEqualProject) {
    TPrjDataSaved p;
    p.SetSourceDBAlias(u"S"_s);
    p.SetDestDBAlias(u"D"_s);
    addTableSetup(p, u"One"_s).AddObject(1).props().setString(u"FieldName"_s, u"F"_s);
    addTableSetup(p, u"Two"_s);
    p.setFileName(u"x.qmp"_s);

    TPrjDataSaved copy;
    copy.Assign(p);
    EXPECT_EQ(names(copy), (QStringList{u"One"_s, u"Two"_s}));
    EXPECT_EQ(copy.FileName(), u"x.qmp"_s);
    EXPECT_EQ(copy.DestDBAlias(), u"D"_s);
    auto& frame = dynamic_cast<TFrameNodeData&>(*copy.GetItem(0));
    EXPECT_EQ(frame.Objects(0).props().getString(u"FieldName"_s), u"F"_s);
    EXPECT_EQ(copy.GetItem(0)->project(), &copy);
    p.SetDestDBAlias(u"changed"_s);
    p.DeleteNode(0);
    EXPECT_EQ(copy.DestDBAlias(), u"D"_s);
    EXPECT_EQ(copy.NodeCount(), 2);
}

TEST(PrjData, DataSetToPropsCopiesColumnsByName) {
    TPrjDataSaved p;
    auto& node = addTableSetup(p, u"T"_s);
    MemData rows(u"rows"_s);
    FieldDef name;
    name.name = u"Name"_s;
    rows.addField(name);
    FieldDef order;
    order.name = u"DisplayOrder"_s;
    order.type = FieldType::Integer;
    rows.addField(order);
    rows.open();
    rows.insert();
    rows.setAsText(rows.fieldIndex(u"Name"_s), u"Renamed"_s);
    rows.setAsInt(rows.fieldIndex(u"DisplayOrder"_s), 4);
    TQMUtils::DataSetToProps(node.props(), rows);
    EXPECT_EQ(node.Name(), u"Renamed"_s);
    EXPECT_EQ(node.props().getInteger(u"DisplayOrder"_s), 4);

    FieldDef extra;
    extra.name = u"Extra"_s;
    rows.cancel();
    rows.close();
    rows.addField(extra);
    rows.open();
    rows.insert();
    EXPECT_TRUE(failure([&] {
                    TQMUtils::DataSetToProps(node.props(), rows);
                }).starts_with("Property \"Extra\" not found ("));
}

class NoticeRecorder : public ProjectNoticeReceiver {
public:
    NoticeRecorder() { ChangeNotices::setReceiver(this); }
    ~NoticeRecorder() override { ChangeNotices::setReceiver(nullptr); }
    void projectModified() override { events << u"modified"_s; }
    void projectClean() override { events << u"clean"_s; }
    QStringList events;
};

TEST(ChangeTracking, OneModifiedNoticePerBurstAndCleanAfterEveryClean) {
    NoticeRecorder notices;
    TPrjDataSaved p;
    auto& node = addTableSetup(p, u"T"_s);
    p.SetNotifyChanges(true);
    TQMObject& lookup = node.AddObject(1);
    p.SetModified(false);
    notices.events.clear();

    p.SetSourceDBAlias(u"S"_s);
    node.SetName(u"U"_s);
    EXPECT_EQ(notices.events, QStringList{u"modified"_s});
    ChangeNotices::clearPending();  // the window has shown it
    node.SetName(u"V"_s);
    EXPECT_EQ(notices.events, (QStringList{u"modified"_s, u"modified"_s}));

    notices.events.clear();
    p.SetModified(false);
    EXPECT_EQ(notices.events.last(), u"clean"_s);
    EXPECT_FALSE(p.IsModified());
    EXPECT_FALSE(node.props().Modified());
    EXPECT_FALSE(lookup.props().Modified());

    // The same value again is no change; a changed lookup field is.
    ChangeNotices::clearPending();
    p.SetSourceDBAlias(u"S"_s);
    EXPECT_FALSE(p.IsModified());
    lookup.props().setString(u"FieldName"_s, u"COUNTRY"_s);
    EXPECT_TRUE(p.IsModified());
}

}  // namespace

namespace {

TEST(PrjData, RemovingAnObjectDropsLinksToIt) {
    TPrjDataSaved p;
    auto node = TQMNodeData::CreateNodeOfKind(6, &p.settings(), &p);
    auto& frame = dynamic_cast<TFrameNodeData&>(*node);
    TQMObject& base = frame.AddObject(0);
    TQMObject& child = frame.AddObject(4, &base);
    child.setAnchorObject(TQMObject::AnchorLeft, &base);
    frame.Objects().Remove(&base);
    ASSERT_EQ(frame.ObjectCount(), 1);
    EXPECT_EQ(child.ParentControl(), nullptr);
    EXPECT_EQ(child.AnchorObject(TQMObject::AnchorLeft), nullptr);
}

}  // namespace
