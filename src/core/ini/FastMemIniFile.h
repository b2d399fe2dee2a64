#pragma once

#include "ini/CustomFastIniFile.h"

#include <map>
#include <memory>

namespace qm {

/// The entries of one INI section in insertion order: entry i is the pair
/// (names[i], values[i]).
struct TDualStrings {
    QStringList names;
    QStringList values;
};

/// The in-memory INI store behind every INI text file of the program. The
/// whole file is read when the store is created and written back only by
/// UpdateFile. Keys and values are kept exactly as written (no trimming);
/// duplicate sections and keys of a loaded file are kept and written back.
/// Sections are kept sorted by name without regard to case, so a written
/// file lists them in that order whatever order they were written in.
class TFastMemIniFile : public TCustomFastIniFile {
public:
    /// Loads the file; a missing file or an empty name gives an empty store.
    /// Raises Error naming the file when it exists but cannot be read.
    explicit TFastMemIniFile(const QString& fileName);
    ~TFastMemIniFile() override;

    /// A store filled from text, as if it were the content of a file.
    static std::unique_ptr<TFastMemIniFile> fromText(const QString& text,
                                                     const QString& fileName = QString());

    QString ReadString(const QString& section, const QString& key,
                       const QString& def) const override;
    /// Replaces the first entry with that key (the entry takes this spelling of
    /// the key) or appends one; a missing section is created at its sorted place.
    void WriteString(const QString& section, const QString& key, const QString& value) override;
    bool ValueExists(const QString& section, const QString& key) const override;
    std::optional<QString> ReadValue(const QString& section, const QString& key) const override;
    void ReadSection(const QString& section, QStringList& keys) const override;
    void ReadSections(QStringList& sections) const override;
    void ReadSectionValues(const QString& section, QStringList& values) const override;
    /// Writes the whole store to the file, replacing it atomically: sorted
    /// sections, CR LF line ends, an empty line after each section.
    void UpdateFile() override;

    void Clear();
    /// The file text UpdateFile writes.
    QString text() const;
    int sectionCount() const { return static_cast<int>(sections_.size()); }

    /// Section order: by name, ignoring case.
    static int compareNames(const QString& a, const QString& b);

private:
    struct Section {
        QString name;
        TDualStrings entries;
    };
    TFastMemIniFile(const QString& fileName, const QString& text);
    void load(const QString& text);
    const Section* find(const QString& section) const;
    Section& findOrAdd(const QString& section);

    struct NameLess {
        bool operator()(const QString& a, const QString& b) const { return compareNames(a, b) < 0; }
    };
    // Sorted by name regardless of case; equally named sections stay in the
    // order they were read. A tree, so that adding a section in the middle
    // (Nodes10 before Nodes2) does not move the others.
    std::multimap<QString, Section, NameLess> sections_;
    // The section of the last lookup: readers and writers of a property
    // list ask for the same section many times in a row.
    mutable Section* last_ = nullptr;
};

}  // namespace qm
