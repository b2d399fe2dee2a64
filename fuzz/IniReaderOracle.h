#pragma once

// The checks the INI reader fuzz target applies to every input; the corpus
// regression test runs the same checks on the committed corpus.
//
// Each check compares the store with a second, deliberately plain reading of
// the same text (split lines, headers, first "=") or with the rule a value
// must obey, so that a wrong result fails, not only a crash.

#include "common/TextFile.h"
#include "ini/FastMemIniFile.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace qm::fuzz {

/// One section as the plain reading sees it.
struct ModelSection {
    QString name;
    QStringList keys;
    QStringList values;
};

/// The sections of an INI text in store order: file order, then sorted by
/// name (ignoring case) with equal names kept in file order.
inline std::vector<ModelSection> modelSections(QString text) {
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::vector<ModelSection> sections;
    bool inSection = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) &&
            line.endsWith(QLatin1Char(']'))) {
            sections.push_back({line.mid(1, line.size() - 2), {}, {}});
            inSection = true;
        } else if (inSection) {
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            sections.back().keys << (eq < 0 ? QString() : line.left(eq));
            sections.back().values << (eq < 0 ? line : line.mid(eq + 1));
        }
    }
    std::stable_sort(sections.begin(), sections.end(), [](const auto& a, const auto& b) {
        return TFastMemIniFile::compareNames(a.name, b.name) < 0;
    });
    return sections;
}

inline QString modelText(const std::vector<ModelSection>& sections) {
    QString out;
    for (const auto& s : sections) {
        out += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (qsizetype i = 0; i < s.keys.size(); ++i) {
            out += s.keys.at(i) + QLatin1Char('=') + s.values.at(i) + QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

/// The integer rule, written out digit by digit: optional sign and decimal
/// digits, or "$" (or "0x"/"0X" in a longer text) and at most eight
/// significant hexadecimal digits; the number must fit in 32 bits.
inline int modelInteger(const QString& input, int def) {
    QString t = input;
    if (t.size() > 2 &&
        (t.startsWith(QStringLiteral("0x")) || t.startsWith(QStringLiteral("0X")))) {
        t = QLatin1Char('$') + t.mid(2);
    }
    if (t.startsWith(QLatin1Char('$'))) {
        std::uint64_t bits = 0;
        if (t.size() == 1) {
            return def;
        }
        for (qsizetype i = 1; i < t.size(); ++i) {
            const char16_t c = t.at(i).unicode();
            int digit = -1;
            if (c >= u'0' && c <= u'9') {
                digit = c - u'0';
            } else if (c >= u'a' && c <= u'f') {
                digit = c - u'a' + 10;
            } else if (c >= u'A' && c <= u'F') {
                digit = c - u'A' + 10;
            }
            if (digit < 0) {
                return def;
            }
            bits = bits * 16 + static_cast<std::uint64_t>(digit);
            if (bits > 0xFFFFFFFFu) {
                return def;
            }
        }
        return static_cast<int>(static_cast<std::uint32_t>(bits));
    }
    qsizetype i = 0;
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative || t.startsWith(QLatin1Char('+'))) {
        i = 1;
    }
    if (i == t.size()) {
        return def;
    }
    std::int64_t n = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9') {
            return def;
        }
        n = n * 10 + (c - u'0');
        if (n > 2147483648LL) {
            return def;
        }
    }
    if (negative) {
        n = -n;
    }
    return n > 2147483647LL ? def : static_cast<int>(n);
}

/// ASCII letters in the other case: the same key to the store.
inline QString swapAsciiCase(QString s) {
    for (QChar& c : s) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - 32);
        } else if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + 32);
        }
    }
    return s;
}

inline bool isSorted(const TFastMemIniFile& store) {
    QStringList names;
    store.ReadSections(names);
    return std::is_sorted(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return TFastMemIniFile::compareNames(a, b) < 0;
    });
}

/// Values written with WriteFloat/WriteDate/WriteTime read back the same.
inline QString checkTypedRoundTrips(TFastMemIniFile& store, const QString& section,
                                    const QString& key) {
    const QString scratch = QStringLiteral("fuzz scratch");
    const double d = store.ReadFloat(section, key, 0.0);
    if (std::isfinite(d) && (d == 0.0 || (std::fabs(d) > 1e-300 && std::fabs(d) < 1e300))) {
        store.WriteFloat(scratch, QStringLiteral("f"), d);
        const double back = store.ReadFloat(scratch, QStringLiteral("f"), std::nan(""));
        if (!(std::fabs(back - d) <= std::fabs(d) * 1e-14)) {
            return QStringLiteral("float %1 came back as %2 from \"%3\"")
                .arg(d, 0, 'g', 17)
                .arg(back, 0, 'g', 17)
                .arg(store.ReadString(scratch, QStringLiteral("f"), QString()));
        }
    }
    const QDate date = store.ReadDate(section, key, QDate());
    if (date.isValid() && date.year() >= 1000 && date.year() <= 9999) {
        store.WriteDate(scratch, QStringLiteral("d"), date);
        const QDate back = store.ReadDate(scratch, QStringLiteral("d"), QDate());
        if (back != date) {
            return QStringLiteral("date %1 came back as %2 from \"%3\"")
                .arg(date.toString(Qt::ISODate), back.toString(Qt::ISODate),
                     store.ReadString(scratch, QStringLiteral("d"), QString()));
        }
    }
    const QTime time = store.ReadTime(section, key, QTime());
    if (time.isValid()) {
        const QTime seconds(time.hour(), time.minute(), time.second());
        store.WriteTime(scratch, QStringLiteral("t"), seconds);
        const QTime back = store.ReadTime(scratch, QStringLiteral("t"), QTime());
        if (back != seconds) {
            return QStringLiteral("time %1 came back as %2 from \"%3\"")
                .arg(seconds.toString(Qt::ISODate), back.toString(Qt::ISODate),
                     store.ReadString(scratch, QStringLiteral("t"), QString()));
        }
    }
    (void)store.ReadDateTime(section, key, QDateTime());
    return {};
}

/// Runs every check on one input; the empty text when all hold, else a
/// description of the first that failed.
inline QString checkIniReader(const QByteArray& bytes) {
    const QString text = TextFile::decode(bytes);
    const auto store = TFastMemIniFile::fromText(text);
    const std::vector<ModelSection> model = modelSections(text);

    // Loading: the store holds what the plain reading finds.
    const QString written = store->text();
    if (written != modelText(model)) {
        return QStringLiteral("loaded store differs from the plain reading:\n%1\n--- expected:\n%2")
            .arg(written, modelText(model));
    }
    QStringList names;
    store->ReadSections(names);
    if (names.size() != static_cast<qsizetype>(model.size())) {
        return QStringLiteral("ReadSections gives %1 sections, expected %2")
            .arg(names.size())
            .arg(model.size());
    }

    // Lookups reach the first of equally named sections and keys.
    constexpr int kMaxKeys = 64;
    const QString missing = QStringLiteral("\x01missing");
    for (std::size_t si = 0; si < model.size(); ++si) {
        const ModelSection& s = model[si];
        if (si > 0 && TFastMemIniFile::compareNames(model[si - 1].name, s.name) == 0) {
            continue;  // a later duplicate: lookups never reach it
        }
        QStringList keys;
        store->ReadSection(s.name, keys);
        if (keys != s.keys) {
            return QStringLiteral("ReadSection [%1] differs").arg(s.name);
        }
        for (qsizetype k = 0; k < std::min<qsizetype>(s.keys.size(), kMaxKeys); ++k) {
            qsizetype first = 0;
            while (s.keys.at(first).compare(s.keys.at(k), Qt::CaseInsensitive) != 0) {
                ++first;
            }
            const QString& value = s.values.at(first);
            const QString lookupKey = swapAsciiCase(s.keys.at(k));
            const QString sectionName = swapAsciiCase(s.name);
            if (store->ReadString(sectionName, lookupKey, missing) != value ||
                !store->ValueExists(sectionName, lookupKey)) {
                return QStringLiteral("ReadString [%1] %2 is not \"%3\"")
                    .arg(s.name, s.keys.at(k), value);
            }
            for (const int def : {-7, 0, 1}) {
                const int expected = modelInteger(value, def);
                if (store->ReadInteger(s.name, s.keys.at(k), def) != expected) {
                    return QStringLiteral("ReadInteger \"%1\" (default %2) is %3, expected %4")
                        .arg(value)
                        .arg(def)
                        .arg(store->ReadInteger(s.name, s.keys.at(k), def))
                        .arg(expected);
                }
            }
            if (store->ReadBool(s.name, s.keys.at(k), false) != (modelInteger(value, 0) != 0) ||
                store->ReadBool(s.name, s.keys.at(k), true) != (modelInteger(value, 1) != 0)) {
                return QStringLiteral("ReadBool \"%1\" is wrong").arg(value);
            }
        }
    }

    // Written text reads back as the same store.
    if (TFastMemIniFile::fromText(written)->text() != written) {
        return QStringLiteral("written text does not read back the same:\n%1").arg(written);
    }

    // Writing: renaming an existing key keeps its place, a new key goes to
    // the end of its section, a new section to its sorted place.
    const auto edited = TFastMemIniFile::fromText(written);
    if (!model.empty()) {
        const ModelSection& s = model.front();
        QStringList before;
        edited->ReadSection(s.name, before);
        if (!s.keys.isEmpty()) {
            const QString renamed = swapAsciiCase(s.keys.front());
            edited->WriteString(swapAsciiCase(s.name), renamed, QStringLiteral("v"));
            QStringList after;
            edited->ReadSection(s.name, after);
            before[0] = renamed;
            if (after != before || edited->ReadString(s.name, renamed, missing) != u"v") {
                return QStringLiteral("rewriting key %1 of [%2] went wrong").arg(renamed, s.name);
            }
        }
        const QString added = QStringLiteral("fuzz-added-key");
        if (!edited->ValueExists(s.name, added)) {
            edited->WriteString(s.name, added, QStringLiteral("w"));
            QStringList after;
            edited->ReadSection(s.name, after);
            if (after.isEmpty() || after.back() != added) {
                return QStringLiteral("new key in [%1] is not at its end").arg(s.name);
            }
        }
    }
    const int sectionsBefore = edited->sectionCount();
    const QString newSection = QStringLiteral("Fuzz-added section");
    const bool existed = edited->ValueExists(newSection, QStringLiteral("k"));
    edited->WriteString(newSection, QStringLiteral("k"), QStringLiteral("x"));
    if (edited->ReadString(newSection, QStringLiteral("k"), missing) != u"x" ||
        !isSorted(*edited) || edited->sectionCount() > sectionsBefore + 1 ||
        (existed && edited->sectionCount() != sectionsBefore)) {
        return QStringLiteral("writing a new section went wrong");
    }
    const QString editedText = edited->text();
    if (TFastMemIniFile::fromText(editedText)->text() != editedText) {
        return QStringLiteral("edited text does not read back the same:\n%1").arg(editedText);
    }

    // Clearing forgets every section, also the one a lookup remembered.
    edited->Clear();
    if (edited->sectionCount() != 0 ||
        edited->ReadString(newSection, QStringLiteral("k"), missing) != missing) {
        return QStringLiteral("Clear left sections behind");
    }
    edited->WriteString(newSection, QStringLiteral("k"), QStringLiteral("y"));
    if (edited->text() != QLatin1Char('[') + newSection + QStringLiteral("]\r\nk=y\r\n\r\n")) {
        return QStringLiteral("writing after Clear gives:\n%1").arg(edited->text());
    }

    // Typed values under a pinned locale.
    static const QLocale locales[] = {QLocale::c(), QLocale(QStringLiteral("de_DE")),
                                      QLocale(QStringLiteral("en_US"))};
    const auto typed = TFastMemIniFile::fromText(written);
    typed->setLocale(locales[static_cast<std::size_t>(bytes.size()) % 3]);
    int checked = 0;
    for (const ModelSection& s : model) {
        for (qsizetype k = 0; k < s.keys.size() && checked < kMaxKeys; ++k, ++checked) {
            const QString failure = checkTypedRoundTrips(*typed, s.name, s.keys.at(k));
            if (!failure.isEmpty()) {
                return failure;
            }
        }
    }
    return {};
}

}  // namespace qm::fuzz
