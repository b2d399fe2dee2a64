#pragma once

#include "ini/MemIniFilePersistent.h"

#include <QStringList>
#include <cstdint>

namespace qm {

/// The three kinds of text element a style is kept for.
enum TElementKind : std::uint8_t { ekHeadline = 1, ekMainText = 2, ekFooter = 3 };

/// Bits of TElementStyle::FontStyle.
enum TFontStyleFlag : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

/// Font and transition settings of one kind of text element. A style stores
/// itself in the section "<prefix>.ElemStyle<index>" with the keys
/// ElementKind, Font.Name, Font.Color, Font.Size, the four Font.Style flags
/// and WipeIdx. Missing numbers read as -1, missing flags as false.
class TElementStyle : public TMemIniFilePersistent {
public:
    TElementStyle() = default;
    TElementStyle(int kind, QString fontName, std::int32_t fontColor, int fontSize,
                  std::uint8_t fontStyle, int wipeIdx);

    /// 1 headline, 2 main text, 3 footer (TElementKind). A loaded style may
    /// hold any number here; the list only keeps kinds 1 to 3.
    int ElementKind = 0;
    QString FontName;
    std::int32_t FontColor = 0;
    /// In points.
    int FontSize = 0;
    /// TFontStyleFlag bits.
    std::uint8_t FontStyle = 0;
    /// Index into WipeNames().
    int WipeIdx = 0;

    QString SectionName(int index) const override;
    void LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index) override;
    void SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index) override;

    /// All fields but the store of a load or save in progress.
    bool sameSettings(const TElementStyle& other) const;

    /// The transitions WipeIdx chooses from, in index order.
    static const QStringList& WipeNames();
};

}  // namespace qm
