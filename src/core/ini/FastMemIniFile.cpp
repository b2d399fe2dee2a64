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
    std::vector<std::unique_ptr<Section>> read;
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
            read.push_back(std::make_unique<Section>());
            read.back()->name = line.mid(1, line.size() - 2);
            current = read.back().get();
            continue;
        }
        if (!current) {
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        current->entries.names.append(eq < 0 ? QString() : line.left(eq));
        current->entries.values.append(eq < 0 ? line : line.mid(eq + 1));
    }
    for (auto& s : read) {
        sections_.push_back(std::move(s));
    }
    std::stable_sort(sections_.begin(), sections_.end(), [](const auto& a, const auto& b) {
        return compareNames(a->name, b->name) < 0;
    });
}

const TFastMemIniFile::Section* TFastMemIniFile::find(const QString& section) const {
    // Of equally named sections a lookup reaches the first one read.
    const auto it = std::lower_bound(
        sections_.begin(), sections_.end(), section,
        [](const auto& s, const QString& name) { return compareNames(s->name, name) < 0; });
    if (it == sections_.end() || compareNames((*it)->name, section) != 0) {
        return nullptr;
    }
    return it->get();
}

TFastMemIniFile::Section& TFastMemIniFile::findOrAdd(const QString& section) {
    const auto it = std::lower_bound(
        sections_.begin(), sections_.end(), section,
        [](const auto& s, const QString& name) { return compareNames(s->name, name) < 0; });
    if (it != sections_.end() && compareNames((*it)->name, section) == 0) {
        return **it;
    }
    auto added = std::make_unique<Section>();
    added->name = section;
    return **sections_.insert(it, std::move(added));
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
    for (const auto& s : sections_) {
        sections.append(s->name);
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
}

QString TFastMemIniFile::text() const {
    QString out;
    for (const auto& s : sections_) {
        out += u'[' + s->name + u"]\r\n"_s;
        for (qsizetype i = 0; i < s->entries.names.size(); ++i) {
            out += s->entries.names.at(i) + u'=' + s->entries.values.at(i) + u"\r\n"_s;
        }
        out += u"\r\n"_s;
    }
    return out;
}

void TFastMemIniFile::UpdateFile() {
    TextFile::writeAtomically(FileName(), text().toUtf8());
}

}  // namespace qm
