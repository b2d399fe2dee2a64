#include "project/PrjData.h"

#include "common/Assertion.h"
#include "common/ScopeGuards.h"
#include "ini/FastMemIniFile.h"
#include "project/DefaultPrjProperties.h"
#include "project/FrameNodeData.h"
#include "project/MediaObject.h"
#include "project/PrjIsDirtyVisitor.h"
#include "project/QMObject.h"
#include "props/ChangeNotices.h"
#include "report/KzError.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

enum Flags : unsigned { kNone = 0, kAlways = 1, kNoDefault = 2 };

}  // namespace

const TPropDescrList& TPrjData::projectDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l;
        const auto settings = [](TPropDescr& d, unsigned flags) -> TPropDescr& {
            d.IniSection = u"Settings"_s;
            d.AlwaysStored = (flags & kAlways) != 0;
            return d;
        };
        const auto integer = [&](const char16_t* name, unsigned flags, int def = 0) {
            TPropDescr& d =
                settings(l.AddInteger(QString::fromUtf16(name), (flags & kNoDefault) != 0), flags);
            if (!(flags & kNoDefault) && def != 0) {
                d.setDefaultInteger(def);
            }
        };
        const auto boolean = [&](const char16_t* name, unsigned flags, bool def = false) {
            TPropDescr& d =
                settings(l.AddBoolean(QString::fromUtf16(name), (flags & kNoDefault) != 0), flags);
            if (def) {
                d.setDefaultBoolean(true);
            }
        };
        const auto string = [&](const char16_t* name, unsigned flags) {
            settings(l.AddString(QString::fromUtf16(name), (flags & kNoDefault) != 0), flags);
        };
        const auto color = [&](const char16_t* name, unsigned flags) {
            settings(l.AddColor(QString::fromUtf16(name), (flags & kNoDefault) != 0), flags);
        };
        const unsigned none = kAlways | kNoDefault;

        integer(u"Version", none);
        integer(u"SWD", kNone);
        TPropDescr& instPath =
            l.AddString(u"InstPath"_s, true, nullptr, u"InstallationDestination"_s);
        instPath.IniSection = u"Paths"_s;
        instPath.AlwaysStored = true;
        boolean(u"Loop", none);
        boolean(u"UseTimeOut", none);
        integer(u"TimeOutSecs", none);
        boolean(u"UseClicks", none);
        boolean(u"IncludeWipeTime", kAlways);
        TPropDescr& inherit = settings(l.AddInherit(u"InheritFrameSize"_s, true), kAlways);
        settings(l.AddInteger(u"FrameWidth"_s, true, &inherit), kAlways);
        settings(l.AddInteger(u"FrameHeight"_s, true, &inherit), kAlways);
        integer(u"ScalePct", none);
        boolean(u"UseMaxSize", kAlways);
        integer(u"MaxWidth", kAlways);
        integer(u"MaxHeight", kAlways);
        boolean(u"UseMinSize", kAlways);
        integer(u"MinWidth", kAlways);
        integer(u"MinHeight", kAlways);
        boolean(u"UseBorderColor", kAlways);
        color(u"BorderColor", kAlways);
        boolean(u"NavigatorVisible", none);
        integer(u"NavigatorPosition", none);
        boolean(u"NavigatorNearFrame", none);
        boolean(u"CenterSlides", none);
        boolean(u"WaitForNarration", none);
        string(u"SplashNote", kAlways);
        string(u"AlternateTextCustom", none);
        integer(u"AlternateTextType", none);
        boolean(u"ShowTextInImageSlides", none);
        integer(u"WipeGroupIdx", kAlways);
        integer(u"WipeIdx", kAlways);
        boolean(u"ShrinkToFit", none);
        boolean(u"EnlargeToFit", kAlways);
        string(u"AutoTextFontName", kAlways);
        integer(u"AutoTextFontSize", kAlways);
        integer(u"AutoTextFontTypo", none);
        color(u"AutoTextFontColor", none);
        integer(u"AutoTextFontTransp", kAlways);
        integer(u"AutoTextPlace", kAlways);
        integer(u"AutoTextTopMargin", none);
        integer(u"AutoTextBottomMargin", none);
        integer(u"AutoTextAlignment", kAlways);
        integer(u"AutoTextLeftMargin", none);
        integer(u"AutoTextRightMargin", none);
        boolean(u"AutoTextTVTextEffectOn", none);
        color(u"AutoTextTVTextBkgColor", none);
        integer(u"AutoTextTVTextBkgTransp", kAlways);
        integer(u"AutoTextTVTextExtraWidth", none);
        integer(u"AutoTextTVTextExtraHeight", none);
        color(u"FrameColor", kAlways);
        color(u"BkgColor", kAlways);
        boolean(u"UseCustomLogo", kNone, true);
        string(u"LogoImageFileName", kNone);
        string(u"LogoMaskFileName", kNone);
        integer(u"LogoPlace", kAlways, 2);
        integer(u"LogoTopMargin", kAlways);
        integer(u"LogoBottomMargin", kAlways);
        integer(u"LogoAlignment", kAlways);
        integer(u"LogoLeftMargin", kAlways);
        integer(u"LogoRightMargin", kAlways);
        integer(u"LogoTransp", kAlways, 10);
        // A seed drawn once per run, from a freshly seeded generator.
        integer(u"RandSeed", kAlways,
                static_cast<int>(QRandomGenerator::securelySeeded().bounded(1, 0x7FFFFFFF)));
        boolean(u"DisablePrint", kNone);
        boolean(u"DisableSave", kNone);
        string(u"SourceDBAlias", none);
        string(u"DestDBAlias", none);
        // Written only when set, so that projects that never use it keep
        // every byte.
        boolean(u"CompareInDatabase", kNone);
        return l;
    }();
    return list;
}

TPrjData::TPrjData() : settings_(std::make_unique<TPropValueList>()) {
    settings_->setDescrList(&projectDescriptors());
    settings_->setParent(&TGlobalPrjProperties::instance());
    TPropValueList& s = *settings_;
    s.setInteger(u"Version"_s, 0);
    s.setString(u"InstPath"_s, u"c:\\Show"_s);
    s.setBoolean(u"Loop"_s, false);
    s.setBoolean(u"UseTimeOut"_s, false);
    s.setInteger(u"TimeOutSecs"_s, 5);
    s.setBoolean(u"UseClicks"_s, true);
    s.setInteger(u"ScalePct"_s, 100);
    s.setBoolean(u"NavigatorVisible"_s, true);
    s.setInteger(u"NavigatorPosition"_s, 0);
    s.setBoolean(u"NavigatorNearFrame"_s, false);
    s.setBoolean(u"CenterSlides"_s, true);
    s.setBoolean(u"WaitForNarration"_s, true);
    s.setString(u"AlternateTextCustom"_s, QString());
    s.setInteger(u"AlternateTextType"_s, 1);
    s.setBoolean(u"ShowTextInImageSlides"_s, false);
    s.setBoolean(u"ShrinkToFit"_s, true);
    s.setString(u"AutoTextFontName"_s, u"Courier New"_s);
    s.setInteger(u"AutoTextFontSize"_s, 16);
    s.setInteger(u"AutoTextFontTypo"_s, 1);
    s.setColor(u"AutoTextFontColor"_s, 16777215);
    s.setInteger(u"AutoTextFontTransp"_s, 10);
    s.setInteger(u"AutoTextTopMargin"_s, 10);
    s.setInteger(u"AutoTextBottomMargin"_s, 10);
    s.setInteger(u"AutoTextAlignment"_s, 1);
    s.setInteger(u"AutoTextLeftMargin"_s, 30);
    s.setInteger(u"AutoTextRightMargin"_s, 30);
    s.setBoolean(u"AutoTextTVTextEffectOn"_s, true);
    s.setColor(u"AutoTextTVTextBkgColor"_s, 5066061);
    s.setInteger(u"AutoTextTVTextBkgTransp"_s, 60);
    s.setInteger(u"AutoTextTVTextExtraWidth"_s, 15);
    s.setInteger(u"AutoTextTVTextExtraHeight"_s, 5);
    // Take the inherited frame size as the project's own: resetting switches
    // inheritance on, materializing switches it off again and fills the
    // other size from the parent as well.
    for (const auto* name : {u"FrameWidth", u"FrameHeight"}) {
        TPropValue& v = s.value(QString::fromUtf16(name));
        v.ResetValue();
        v.Materialize();
    }
    SetModified(false);
}

TPrjData::~TPrjData() = default;

void TPrjData::replaceSettings(std::unique_ptr<TPropValueList> settings) {
    QM_ASSERT(settings);
    settings_ = std::move(settings);
    settings_->setNotifyChanges(notifyChanges_);
}

void TPrjData::SetNotifyChanges(bool flag) {
    notifyChanges_ = flag;
    if (flag) {
        settings_->setNotifyChanges(true);
    }
    // Nodes and objects already in the project follow too, so that editing a
    // table setup of an opened project shows the modified indicator.
    for (const auto& node : nodes_) {
        if (!node) {
            continue;
        }
        node->setOwner(this);
        if (auto* frame = dynamic_cast<TFrameNodeData*>(node.get())) {
            for (int i = 0; i < frame->ObjectCount(); ++i) {
                frame->Objects(i).setOwnerNode(frame);
            }
        }
    }
}

void TPrjData::checkIndex(int index) const {
    if (index < 0 || index >= NodeCount()) {
        throw Error(u"List index out of bounds (%1)"_s.arg(index));
    }
}

TQMNodeData* TPrjData::GetItem(int index) {
    checkIndex(index);
    return nodes_[static_cast<std::size_t>(index)].get();
}

void TPrjData::SetItem(int index, std::unique_ptr<TQMNodeData> node) {
    checkIndex(index);
    if (node) {
        QM_ASSERT(!node->project() || node->project() == this);
        if (!node->project()) {
            node->setOwner(this);
        }
    }
    nodes_[static_cast<std::size_t>(index)] = std::move(node);
}

void TPrjData::renumber() {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i]) {
            nodes_[i]->positionTag = static_cast<int>(i);
        }
    }
}

void TPrjData::relink() {
    if (Loading) {
        return;
    }
    for (const auto& node : nodes_) {
        if (!node || node->nodeClass() != NodeClass::Frame) {
            continue;
        }
        auto& frame = static_cast<TFrameNodeData&>(*node);
        for (int i = 0; i < frame.ObjectCount(); ++i) {
            TQMObject& object = frame.Objects(i);
            if (object.TypeCode() < 2) {
                continue;  // only media objects refer to nodes
            }
            TPropValue& ref = object.props().value(u"NodeRefIdx"_s);
            const int old = ref.GetInteger();
            if (old == -1) {
                continue;
            }
            int now = -1;
            for (std::size_t n = 0; n < nodes_.size(); ++n) {
                if (nodes_[n] && nodes_[n]->positionTag == old) {
                    now = static_cast<int>(n);
                    break;
                }
            }
            ref.SetInteger(now);
        }
    }
}

void TPrjData::InsertNode(int index, std::unique_ptr<TQMNodeData> node) {
    QM_ASSERT(node);
    // The old positions only serve relinking, which waits until loading
    // ends; numbering every node for each one read would make loading grow
    // with the square of the node count.
    if (!Loading) {
        renumber();
    }
    QM_ASSERT(index >= 0 && index <= NodeCount());
    QM_ASSERT(!node->project() || node->project() == this);
    node->positionTag = -1;  // a new node is no one's old position
    node->setOwner(this);
    nodes_.insert(nodes_.begin() + index, std::move(node));
    relink();
    SetModified(true);
}

void TPrjData::DeleteNode(int index) {
    renumber();
    checkIndex(index);
    nodes_.erase(nodes_.begin() + index);
    relink();
    SetModified(true);
}

void TPrjData::MoveNode(int currentIndex, int newIndex) {
    renumber();
    checkIndex(currentIndex);
    checkIndex(newIndex);
    auto node = std::move(nodes_[static_cast<std::size_t>(currentIndex)]);
    nodes_.erase(nodes_.begin() + currentIndex);
    nodes_.insert(nodes_.begin() + newIndex, std::move(node));
    relink();
    SetModified(true);
}

void TPrjData::ClearNodes() {
    for (int i = 0; i < NodeCount(); ++i) {
        SetItem(i, nullptr);
    }
    nodes_.clear();
}

int TPrjData::GetItemIndex(const TQMNodeData* node) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].get() == node) {
            return static_cast<int>(i);
        }
    }
    TkzError::instance().ProgError(u"Can't find item"_s, u"TPrjData.GetItemIndex"_s);
}

TQMNodeData* TPrjData::nodeNamed(const QString& name) {
    for (const auto& node : nodes_) {
        if (node && node->Name() == name) {
            return node.get();
        }
    }
    return nullptr;
}

TQMNodeData& TPrjData::FindNodeByName(const QString& name) {
    TQMNodeData* node = nodeNamed(name);
    QM_ASSERT(node);
    return *node;
}

void TPrjData::LoadFromIniFile(const QString& fileName, bool flag) {
    fileName_ = fileName;
    Loading = true;
    Finally done([this] { Loading = false; });
    ClearNodes();
    const TFastMemIniFile ini(fileName);
    // Every project file holds the node count. A file without it is some
    // other file: taken as an empty project, a later save would replace its
    // content. A missing file still reads as an empty project.
    if (QFileInfo::exists(fileName) && !ini.ValueExists(u"Nodes"_s, u"Count"_s)) {
        throw Error(
            u"\"%1\" is not a project file: it has no node count (key \"Count\" in "
            u"section [Nodes])"_s.arg(fileName));
    }
    loadFromStore(ini, flag);
}

namespace {

QString nodeSection(int n) {
    return u"Nodes"_s + QString::number(n);
}

QString objectSection(int n, int m) {
    return nodeSection(n) + u" Object"_s + QString::number(m);
}

// The number a section name carries, or -1 when the digits are not written
// the way the writer writes an index (as "01" or "+1" would be): the reader
// would never look at such a section.
int indexIn(const QString& digits) {
    bool ok = false;
    const int index = digits.toInt(&ok);
    return ok && QString::number(index) == digits ? index : -1;
}

// Checks the node kinds, object types, node count and object counts against
// the sections before anything is read. A count smaller than its sections
// would read as a smaller project, and the next save would drop the rest.
void checkNodeSections(const TCustomFastIniFile& ini, int count) {
    QStringList names;
    ini.ReadSections(names);
    QSet<QString> present;
    for (const QString& name : names) {
        present.insert(name.toLower());
    }
    std::vector<int> objectCounts(static_cast<std::size_t>(count), 0);
    for (int n = 0; n < count; ++n) {
        const QString section = nodeSection(n);
        if (!present.contains(section.toLower())) {
            throw Error(
                u"Section [Nodes] counts %1 node(s), but the file has no section [%2]"_s.arg(count)
                    .arg(section));
        }
        const auto kindText = ini.ReadValue(section, u"Kind"_s);
        int kind = 0;
        if (!kindText) {
            throw Error(u"Section [%1] has no node kind (key \"Kind\")"_s.arg(section));
        }
        if (!TCustomFastIniFile::parseInteger(*kindText, kind) ||
            ((kind & 0xFF) != 6 && (kind & 0xFF) != 7)) {
            throw Error(
                u"Section [%1] has the node kind \"%2\"; only kinds 6 (table setup) and 7 "
                u"can be loaded"_s.arg(section, *kindText));
        }
        const auto objectText = ini.ReadValue(section, u"ObjectCount"_s);
        int objects = 0;
        if (objectText &&
            (!TCustomFastIniFile::parseInteger(*objectText, objects) || objects < 0)) {
            throw Error(u"The object count \"%1\" in section [%2] is not a number of objects"_s.arg(
                *objectText, section));
        }
        if ((kind & 0xFF) != 6) {
            objects = 0;  // only table setups hold objects
        }
        objectCounts[static_cast<std::size_t>(n)] = objects;
        for (int m = 0; m < objects; ++m) {
            const QString object = objectSection(n, m);
            if (!present.contains(object.toLower())) {
                throw Error(u"Section [%1] counts %2 object(s), but the file has no section [%3]"_s
                                .arg(section)
                                .arg(objects)
                                .arg(object));
            }
            const auto typeText = ini.ReadValue(object, u"Type"_s);
            int type = 0;
            if (!typeText) {
                throw Error(u"Section [%1] has no object type (key \"Type\")"_s.arg(object));
            }
            if (!TCustomFastIniFile::parseInteger(*typeText, type) ||
                !TQMObject::IsKnownType(type)) {
                throw Error(u"Section [%1] has the object type \"%2\", which is not known"_s.arg(
                    object, *typeText));
            }
        }
    }
    static const QRegularExpression numbered(u"^Nodes(\\d+)(?: Object(\\d+))?$"_s,
                                             QRegularExpression::CaseInsensitiveOption);
    for (const QString& name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (!match.hasMatch()) {
            continue;
        }
        const int n = indexIn(match.captured(1));
        if (n < 0 || n >= count) {
            throw Error(
                u"Section [%1] is not one of the %2 node(s) that section [Nodes] counts"_s.arg(name)
                    .arg(count));
        }
        if (match.hasCaptured(2)) {
            const int m = indexIn(match.captured(2));
            const int objects = objectCounts[static_cast<std::size_t>(n)];
            if (m < 0 || m >= objects) {
                throw Error(
                    u"Section [%1] is not one of the %2 object(s) that section [%3] counts"_s
                        .arg(name)
                        .arg(objects)
                        .arg(nodeSection(n)));
            }
        }
    }
}

}  // namespace

void TPrjData::loadFromStore(const TCustomFastIniFile& ini, bool flag) {
    Loading = true;
    Finally done([this] { Loading = false; });
    ClearNodes();
    int count = 0;
    if (const auto text = ini.ReadValue(u"Nodes"_s, u"Count"_s);
        text && !TCustomFastIniFile::parseInteger(*text, count)) {
        // Reading it as no nodes would drop every node at the next save.
        throw Error(u"The node count \"%1\" in section [Nodes] is not a number"_s.arg(*text));
    }
    if (count < 0) {
        throw Error(u"The node count \"%1\" in section [Nodes] is negative"_s.arg(count));
    }
    checkNodeSections(ini, count);
    settings_->ReadFromIni(ini, -1, -1);
    for (int n = 0; n < count; ++n) {
        const int kind = ini.ReadInteger(u"Nodes"_s + QString::number(n), u"Kind"_s, -1);
        if (kind == -1) {
            TkzError::instance().RuntimeError(u"Illegal nodekind"_s,
                                              className() + u".LoadFromIniFile"_s);
        }
        auto node = TQMNodeData::CreateNodeOfKind(kind & 0xFF, settings_.get(), this);
        QM_ASSERT_MSG(TQMNodeData::NodeKindOf(*node) != 0, u"4564561"_s);
        node->LoadFromIni(ini, n, flag, -1);
        InsertNode(n, std::move(node));
    }
    if (Version() == 1) {
        SetModified(false);
    }
    if (settings_->getInteger(u"FrameWidth"_s) == 0 ||
        settings_->getInteger(u"FrameHeight"_s) == 0) {
        settings_->value(u"InheritFrameSize"_s).ResetValue();
    }
}

bool TPrjData::IsModified() {
    if (settings_->Modified() || StructureModified) {
        return true;
    }
    TPrjIsDirtyVisitor visitor(*this, TPrjIsDirtyVisitor::Check);
    visitor.Execute();
    return visitor.Result();
}

void TPrjData::SetModified(bool flag) {
    if (flag) {
        StructureModified = true;
        if (notifyChanges_) {
            ChangeNotices::notifyModified();
        }
        return;
    }
    settings_->SetModified(false);
    StructureModified = false;
    TPrjIsDirtyVisitor visitor(*this, TPrjIsDirtyVisitor::Clean);
    visitor.Execute();
    if (notifyChanges_) {
        ChangeNotices::notifyClean();
    }
}

}  // namespace qm
