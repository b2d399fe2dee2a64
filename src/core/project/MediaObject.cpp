#include "project/MediaObject.h"

#include "common/ScopeGuards.h"
#include "project/FrameNodeData.h"
#include "project/MediaPath.h"
#include "project/PrjData.h"

using namespace Qt::StringLiterals;

namespace qm {

const TPropDescrList& TQMMediaObject::mediaDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l(objectDescriptors());
        l.AddInteger(u"LinkElementKind"_s, false, nullptr, u"ElemKind"_s);
        l.AddInteger(u"VertAlign"_s);
        l.AddInteger(u"HorzAlign"_s);
        l.AddBoolean(u"VertAutoSize"_s);
        l.AddBoolean(u"HorzAutoSize"_s);
        const TPropDescr& inherit = l.AddInherit(u"InheritWipeIdx"_s, false);
        l.AddInteger(u"WipeIdx"_s, false, &inherit);
        l.AddInteger(u"WipeGroupIdx"_s, false, &inherit);
        l.AddInteger(u"InheritsFontStyle"_s);
        l.AddInteger(u"InheritsWipeInStyle"_s);
        l.AddInteger(u"InheritsWipeOutStyle"_s);
        l.AddBoolean(u"Transparent"_s);
        l.AddColor(u"BkgColor"_s);
        l.AddInteger(u"NodeRefIdx"_s, false, nullptr, u"NodeRef"_s).setDefaultInteger(-1);
        l.AddBoolean(u"ShrinkToFit"_s).setDefaultBoolean(true);
        l.AddBoolean(u"EnlargeToFit"_s);
        l.AddBoolean(u"Tile"_s);
        l.AddBoolean(u"Solid"_s);
        l.AddColor(u"TransparentColor"_s, false, nullptr, u"TranspColor"_s);
        l.AddBoolean(u"IsBackground"_s);
        l.AddInteger(u"Transparency"_s);
        return l;
    }();
    return list;
}

const TPropDescrList& TQMImageObject::imageDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l(mediaDescriptors());
        l.AddString(u"NormPict_FileName"_s, false, nullptr, u"NormPictPathName"_s);
        return l;
    }();
    return list;
}

const TPropDescrList& TQMTextObject::textDescriptors() {
    static const TPropDescrList list = [] {
        TPropDescrList l(mediaDescriptors());
        l.DescrByName(u"Transparent"_s).setDefaultBoolean(true);
        l.DescrByName(u"VertAutoSize"_s).setDefaultBoolean(true);
        l.AddString(u"Text"_s);
        l.AddString(u"FontName"_s, false, nullptr, u"Font.Name"_s).setDefaultString(u"Arial"_s);
        l.AddColor(u"FontColor"_s, false, nullptr, u"Font.Color"_s).setDefaultColor(16777215);
        l.AddInteger(u"FontSize"_s, false, nullptr, u"Font.Size"_s).setDefaultInteger(27);
        l.AddBoolean(u"FontStyleBold"_s, false, nullptr, u"Font.Style.Bold"_s);
        l.AddBoolean(u"FontStyleItalic"_s, false, nullptr, u"Font.Style.Italic"_s);
        l.AddBoolean(u"FontStyleUnderline"_s, false, nullptr, u"Font.Style.Underline"_s);
        l.AddBoolean(u"FontStyleStrikeout"_s, false, nullptr, u"Font.Style.Strikeout"_s);
        l.AddInteger(u"FontTypo"_s);
        l.AddInteger(u"FontTransp"_s);
        l.AddBoolean(u"TVTextEffectOn"_s);
        l.AddColor(u"TVTextBkgColor"_s);
        l.AddInteger(u"TVTextBkgTransp"_s);
        l.AddInteger(u"TVTextExtraWidth"_s);
        l.AddInteger(u"TVTextExtraHeight"_s);
        l.AddBoolean(u"WasAutoText1"_s);
        l.AddBoolean(u"WasAutoText2"_s);
        return l;
    }();
    return list;
}

TQMImageObject::TQMImageObject(bool creating) : TQMMediaObject(creating, imageDescriptors()) {}

TQMTextObject::TQMTextObject(bool creating) : TQMMediaObject(creating, textDescriptors()) {}

void TQMImageObject::SaveToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex) {
    // A picture beside the project file is stored by its bare name, so that
    // the project can move together with its pictures.
    TPropValue& path = props().value(u"NormPict_FileName"_s);
    const bool wasSet = path.IsSet;
    const QString full = path.GetString();
    const TPrjData* project = OwnerNode() ? OwnerNode()->project() : nullptr;
    const QString bare = bareNameBesideProject(full, project ? project->FileName() : QString());
    if (bare.isEmpty()) {
        TQMMediaObject::SaveToIni(ini, nodeIndex, objectIndex);
        return;
    }
    path.SetString(bare);
    Finally restore([&] {
        path.SetString(full);
        path.IsSet = wasSet;
    });
    TQMMediaObject::SaveToIni(ini, nodeIndex, objectIndex);
}

}  // namespace qm
