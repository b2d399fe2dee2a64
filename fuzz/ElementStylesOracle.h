#pragma once

// The checks the element styles fuzz target applies to every input; the
// corpus regression test runs the same checks on the committed corpus.

#include "common/TextFile.h"
#include "ini/FastMemIniFile.h"
#include "styles/ElementStyles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace qm::fuzz {

/// "kind:font:colour:size:style:wipe" of each own style, kinds in order.
inline QString stylesSummary(const TElementStyles& list) {
    QStringList parts;
    for (int kind = ekHeadline; kind <= ekFooter; ++kind) {
        if (const TElementStyle* s = list.FindStyle(kind)) {
            parts << QStringLiteral("%1:%2:%3:%4:%5:%6")
                         .arg(kind)
                         .arg(s->FontName)
                         .arg(s->FontColor)
                         .arg(s->FontSize)
                         .arg(s->FontStyle)
                         .arg(s->WipeIdx);
        }
    }
    return parts.join(QLatin1Char(' '));
}

/// The loading rule read index by index, straight from the store: for each
/// index below Count the style's kind, the last one of a kind winning.
/// Nothing when Count is too large to walk.
inline std::optional<QString> modelStylesSummary(const TFastMemIniFile& store) {
    const int count = store.ReadInteger(QStringLiteral(".styles"), QStringLiteral("Count"), -1);
    if (count > 100000) {
        return std::nullopt;
    }
    std::array<int, 4> latest{-1, -1, -1, -1};
    for (int i = 0; i < count; ++i) {
        const QString section = QStringLiteral(".styles.ElemStyle%1").arg(i);
        const int kind = store.ReadInteger(section, QStringLiteral("ElementKind"), -1);
        if (kind >= ekHeadline && kind <= ekFooter) {
            latest[static_cast<std::size_t>(kind)] = i;
        }
    }
    TElementStyles expected;
    for (int kind = ekHeadline; kind <= ekFooter; ++kind) {
        const int i = latest[static_cast<std::size_t>(kind)];
        if (i >= 0) {
            const QString section = QStringLiteral(".styles.ElemStyle%1").arg(i);
            std::uint8_t style = 0;
            const char* flags[] = {"Bold", "Italic", "Underline", "Strikeout"};
            for (int b = 0; b < 4; ++b) {
                if (store.ReadBool(section, QStringLiteral("Font.Style.") + QLatin1String(flags[b]),
                                   false)) {
                    style = static_cast<std::uint8_t>(style | (1 << b));
                }
            }
            expected.SetElementStyle(
                kind, std::make_unique<TElementStyle>(
                          kind, store.ReadString(section, QStringLiteral("Font.Name"), QString()),
                          store.ReadInteger(section, QStringLiteral("Font.Color"), -1),
                          store.ReadInteger(section, QStringLiteral("Font.Size"), -1), style,
                          store.ReadInteger(section, QStringLiteral("WipeIdx"), -1)));
        }
    }
    return stylesSummary(expected);
}

/// Runs every check on one input; the empty text when all hold, else a
/// description of the first that failed.
inline QString checkElementStyles(const QByteArray& bytes) {
    const auto store = TFastMemIniFile::fromText(TextFile::decode(bytes));
    TElementStyles list;
    list.LoadFromIni(*store, QString(), -1);

    if (list.count() > 3) {
        return QStringLiteral("%1 styles loaded").arg(list.count());
    }
    const QString loaded = stylesSummary(list);
    int kinds = 0;
    for (int kind = ekHeadline; kind <= ekFooter; ++kind) {
        kinds += list.FindStyle(kind) ? 1 : 0;
    }
    if (kinds != list.count()) {
        return QStringLiteral("styles outside kinds 1 to 3 were kept: %1 styles, %2 kinds")
            .arg(list.count())
            .arg(kinds);
    }
    if (const auto expected = modelStylesSummary(*store); expected && *expected != loaded) {
        return QStringLiteral("loaded \"%1\", expected \"%2\"").arg(loaded, *expected);
    }

    // Saving and loading again, into a fresh store and into the store the
    // list came from, gives the same list.
    const auto fresh = TFastMemIniFile::fromText(QString());
    list.SaveToIni(*fresh, QString(), -1);
    TElementStyles fromFresh;
    fromFresh.LoadFromIni(*TFastMemIniFile::fromText(fresh->text()), QString(), -1);
    if (stylesSummary(fromFresh) != loaded) {
        return QStringLiteral("saved \"%1\" loaded back as \"%2\"")
            .arg(loaded, stylesSummary(fromFresh));
    }
    list.SaveToIni(*store, QString(), -1);
    TElementStyles fromSame;
    fromSame.LoadFromIni(*TFastMemIniFile::fromText(store->text()), QString(), -1);
    if (stylesSummary(fromSame) != loaded) {
        return QStringLiteral("saved over the file \"%1\" loaded back as \"%2\"")
            .arg(loaded, stylesSummary(fromSame));
    }

    // A copy holds the same styles and takes the fallback; every kind is
    // then found.
    const TElementStyles defaults = DefaultElementStyles();
    list.setFallback(&defaults);
    TElementStyles copy;
    copy = list;
    if (stylesSummary(copy) != loaded || copy.Fallback() != &defaults) {
        return QStringLiteral("the copy differs");
    }
    for (int kind = ekHeadline; kind <= ekFooter; ++kind) {
        const TElementStyle* s = copy.GetElementStyle(kind);
        if (!s || s->ElementKind != kind) {
            return QStringLiteral("no style of kind %1 with the defaults as fallback").arg(kind);
        }
    }
    return {};
}

}  // namespace qm::fuzz
