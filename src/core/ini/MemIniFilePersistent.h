#pragma once

#include "ini/CustomFastIniFile.h"

namespace qm {

/// Base of objects that store themselves in an INI store under a section
/// derived from an item index and a prefix.
class TMemIniFilePersistent {
public:
    TMemIniFilePersistent() = default;
    virtual ~TMemIniFilePersistent() = default;
    TMemIniFilePersistent(const TMemIniFilePersistent&) = default;
    TMemIniFilePersistent& operator=(const TMemIniFilePersistent&) = default;

    /// The section of an item: empty for -1, else the decimal index.
    virtual QString SectionName(int index) const;
    /// Reads everything from a store opened on the file.
    virtual void LoadFromFile(const QString& fileName);
    /// Writes into a store opened on the file (its other content is kept) and
    /// writes the store back, also when writing an item failed.
    virtual void SaveToFile(const QString& fileName);
    virtual void LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int index);
    virtual void SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int index);

protected:
    int ReadInteger(int index, const QString& key) const;
    void WriteInteger(int index, const QString& key, int value);
    bool ReadBool(int index, const QString& key) const;
    void WriteBool(int index, const QString& key, bool value);
    QString ReadString(int index, const QString& key) const;
    void WriteString(int index, const QString& key, const QString& value);

    TCustomFastIniFile* ini() const { return ini_; }
    const QString& prefix() const { return prefix_; }

private:
    TCustomFastIniFile* ini_ = nullptr;  // the store of the load or save in progress
    QString prefix_;
};

}  // namespace qm
