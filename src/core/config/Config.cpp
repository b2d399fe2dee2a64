#include "config/Config.h"

#include "common/ProgramFolder.h"
#include "common/TextFile.h"
#include "ini/CustomFastIniFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// One value of a private-profile file: sections and keys compared without
// regard to case (blanks around them ignored), the value as written after
// "=". The first matching key of the first matching section counts.
std::optional<QString> profileValue(const QString& path, const QString& section,
                                    const QString& key) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QString text;
    try {
        text = TextFile::read(path);
    } catch (const std::exception&) {
        return std::nullopt;  // an unreadable file gives every default
    }
    bool inSection = false;
    bool seenSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                if (inSection) {
                    return std::nullopt;  // only the first section of that name is read
                }
                inSection =
                    !seenSection &&
                    trimmed.mid(1, close - 1).trimmed().compare(section, Qt::CaseInsensitive) == 0;
                seenSection = seenSection || inSection;
                continue;
            }
        }
        if (!inSection || trimmed.startsWith(u';')) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            continue;
        }
        if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            return line.mid(eq + 1).toString();
        }
    }
    return std::nullopt;
}

}  // namespace

QString TConfig::ReadString(const QString& section, const QString& key, const QString& def) const {
    return profileValue(GetFileName(), section, key).value_or(def);
}

int TConfig::ReadInteger(const QString& section, const QString& key, int def) const {
    const auto text = profileValue(GetFileName(), section, key);
    int value = 0;
    return text && TCustomFastIniFile::parseInteger(text->trimmed(), value) ? value : def;
}

bool TConfig::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

TPrjConfig& TPrjConfig::instance() {
    static TPrjConfig config;
    return config;
}

TPrjConfig::TPrjConfig() {
    LoadValues();
}

QString TPrjConfig::GetFileName() const {
    return programFile(u"Config.dat"_s);
}

void TPrjConfig::LoadValues() {
    LogLevel = static_cast<std::uint8_t>(ReadInteger(u"Settings"_s, u"LogLevel"_s, 0) & 0xFF);
    HelpFilename = ReadString(u"Files"_s, u"HelpFilename"_s, programFile(u"Quillmere Help.chm"_s));
    ProductWebAddress = ReadString(u"Web"_s, u"ProductAddress"_s, u"www.quillmere.example"_s);
    MakerWebAddress = ReadString(u"Web"_s, u"MakerAddress"_s, u"www.kazmo.example"_s);
    MakerMail = ReadString(u"Web"_s, u"MakerMail"_s, u"support@kazmo.example"_s);
}

bool TPrjConfig::ShowSplash() const {
    return ReadBool(u"Div"_s, u"ShowSplash"_s, true);
}

}  // namespace qm
