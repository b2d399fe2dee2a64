#include "styles/ElementStyle.h"

using namespace Qt::StringLiterals;

namespace qm {
namespace {

struct StyleBit {
    std::uint8_t flag;
    QString key;
};

const StyleBit* styleBits() {
    static const StyleBit bits[] = {{fsBold, u"Font.Style.Bold"_s},
                                    {fsItalic, u"Font.Style.Italic"_s},
                                    {fsUnderline, u"Font.Style.Underline"_s},
                                    {fsStrikeOut, u"Font.Style.Strikeout"_s}};
    return bits;
}
constexpr int kStyleBitCount = 4;

}  // namespace

TElementStyle::TElementStyle(int kind, QString fontName, std::int32_t fontColor, int fontSize,
                             std::uint8_t fontStyle, int wipeIdx)
    : ElementKind(kind),
      FontName(std::move(fontName)),
      FontColor(fontColor),
      FontSize(fontSize),
      FontStyle(fontStyle),
      WipeIdx(wipeIdx) {}

QString TElementStyle::SectionName(int index) const {
    return prefix() + u".ElemStyle"_s + QString::number(index);
}

void TElementStyle::LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index) {
    TMemIniFilePersistent::LoadFromIni(ini, prefix, index);
    ElementKind = ReadInteger(index, u"ElementKind"_s);
    FontName = ReadString(index, u"Font.Name"_s);
    FontColor = ReadInteger(index, u"Font.Color"_s);
    FontSize = ReadInteger(index, u"Font.Size"_s);
    FontStyle = 0;
    for (int i = 0; i < kStyleBitCount; ++i) {
        if (ReadBool(index, styleBits()[i].key)) {
            FontStyle |= styleBits()[i].flag;
        }
    }
    WipeIdx = ReadInteger(index, u"WipeIdx"_s);
}

void TElementStyle::SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index) {
    TMemIniFilePersistent::SaveToIni(ini, prefix, index);
    WriteInteger(index, u"ElementKind"_s, ElementKind);
    WriteString(index, u"Font.Name"_s, FontName);
    WriteInteger(index, u"Font.Color"_s, FontColor);
    WriteInteger(index, u"Font.Size"_s, FontSize);
    for (int i = 0; i < kStyleBitCount; ++i) {
        WriteBool(index, styleBits()[i].key, (FontStyle & styleBits()[i].flag) != 0);
    }
    WriteInteger(index, u"WipeIdx"_s, WipeIdx);
}

bool TElementStyle::sameSettings(const TElementStyle& other) const {
    return ElementKind == other.ElementKind && FontName == other.FontName &&
           FontColor == other.FontColor && FontSize == other.FontSize &&
           FontStyle == other.FontStyle && WipeIdx == other.WipeIdx;
}

const QStringList& TElementStyle::WipeNames() {
    static const QStringList names{
        u"<none (paint immediately)>"_s, u"Row wipe"_s,   u"Row wipe (small)"_s,   u"Blinds wipe"_s,
        u"Blinds wipe (small)"_s,        u"Plait wipe"_s, u"Plait wipe (small)"_s, u"Mosaic wipe"_s,
        u"Mosaic wipe (small)"_s};
    return names;
}

}  // namespace qm
