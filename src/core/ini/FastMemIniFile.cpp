#include "ini/FastMemIniFile.h"

#include "common/TextFile.h"

#include <QFileInfo>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

qsizetype findKey(const TDualStrings& entries, const QString& key) {
    for (qsizetype i = 0; i < entries.names.size(); ++i) {
        if (entries.names.at(i).compare(key, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

TFastMemIniFile::TFastMemIniFile(const QString& fileName) : TCustomFastIniFile(fileName) {
    if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
        load(TextFile::read(fileName));
    }
}

TFastMemIniFile::~TFastMemIniFile() = default;

TFastMemIniFile::TFastMemIniFile(const QString& fileName, const QString& text)
    : TCustomFastIniFile(fileName) {
    load(text);
}

std::unique_ptr<TFastMemIniFile> TFastMemIniFile::fromText(const QString& text,
                                                           const QString& fileName) {
    return std::unique_ptr<TFastMemIniFile>(new TFastMemIniFile(fileName, text));
}

int TFastMemIniFile::compareNames(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive);
}

void TFastMemIniFile::load(const QString& text) {
    Section* current = nullptr;
    const qsizetype n = text.size();
    // Editors on Windows put a byte-order mark before the first line; it
    // would hide the first section header.
    qsizetype start = (n > 0 && text.front() == QChar(0xFEFF)) ? 1 : 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && text.at(end) != u'\r' && text.at(end) != u'\n') {
            ++end;
        }
        const QString line = text.mid(start, end - start);
        // A line ends at CR LF, LF or CR.
        start =
            (end + 1 < n && text.at(end) == u'\r' && text.at(end + 1) == u'\n') ? end + 2 : end + 1;
        if (line.isEmpty() || line.front() == u';') {
            continue;
        }
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            const QString name = line.mid(1, line.size() - 2);
            current = &sections_.emplace(name, Section{name, {}})->second;
            continue;
        }
        if (!current) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        current->entries.names.append(eq < 0 ? QString() : line.left(eq));
        current->entries.values.append(eq < 0 ? line : line.mid(eq + 1));
    }
}

const TFastMemIniFile::Section* TFastMemIniFile::find(const QString& section) const {
    if (last_ && last_->name == section) {
        return last_;
    }
    // Of equally named sections a lookup reaches the first one read.
    const auto it = sections_.lower_bound(section);
    if (it == sections_.end() || compareNames(it->first, section) != 0) {
        return nullptr;
    }
    last_ = const_cast<Section*>(&it->second);
    return last_;
}

TFastMemIniFile::Section& TFastMemIniFile::findOrAdd(const QString& section) {
    if (last_ && last_->name == section) {
        return *last_;
    }
    auto it = sections_.lower_bound(section);
    if (it == sections_.end() || compareNames(it->first, section) != 0) {
        it = sections_.emplace_hint(it, section, Section{section, {}});
    }
    last_ = &it->second;
    return *last_;
}

QString TFastMemIniFile::ReadString(const QString& section, const QString& key,
                                    const QString& def) const {
    const Section* s = find(section);
    if (!s) {
        return def;
    }
    const qsizetype i = findKey(s->entries, key);
    return i < 0 ? def : s->entries.values.at(i);
}

void TFastMemIniFile::WriteString(const QString& section, const QString& key,
                                  const QString& value) {
    Section& s = findOrAdd(section);
    const qsizetype i = findKey(s.entries, key);
    if (i < 0) {
        s.entries.names.append(key);
        s.entries.values.append(value);
    } else {
        s.entries.names[i] = key;
        s.entries.values[i] = value;
    }
}

std::optional<QString> TFastMemIniFile::ReadValue(const QString& section,
                                                  const QString& key) const {
    const Section* s = find(section);
    if (!s) {
        return std::nullopt;
    }
    const qsizetype i = findKey(s->entries, key);
    if (i < 0) {
        return std::nullopt;
    }
    return s->entries.values.at(i);
}

bool TFastMemIniFile::ValueExists(const QString& section, const QString& key) const {
    const Section* s = find(section);
    return s && findKey(s->entries, key) >= 0;
}

void TFastMemIniFile::ReadSection(const QString& section, QStringList& keys) const {
    keys.clear();
    if (const Section* s = find(section)) {
        keys = s->entries.names;
    }
}

void TFastMemIniFile::ReadSections(QStringList& sections) const {
    sections.clear();
    for (const auto& entry : sections_) {
        sections.append(entry.second.name);
    }
}

void TFastMemIniFile::ReadSectionValues(const QString& section, QStringList& values) const {
    values.clear();
    if (const Section* s = find(section)) {
        for (qsizetype i = 0; i < s->entries.names.size(); ++i) {
            values.append(s->entries.names.at(i) + u'=' + s->entries.values.at(i));
        }
    }
}

void TFastMemIniFile::Clear() {
    sections_.clear();
    last_ = nullptr;  // it pointed into the sections just freed
}

QString TFastMemIniFile::text() const {
    QString out;
    for (const auto& entry : sections_) {
        const Section& s = entry.second;
        out += u'[' + s.name + u"]\r\n"_s;
        for (qsizetype i = 0; i < s.entries.names.size(); ++i) {
            out += s.entries.names.at(i) + u'=' + s.entries.values.at(i) + u"\r\n"_s;
        }
        out += u"\r\n"_s;
    }
    return out;
}

void TFastMemIniFile::UpdateFile() {
    TextFile::writeAtomically(FileName(), text().toUtf8());
}

}  // namespace qm
