#include "ini/MemIniFilePersistent.h"

#include "common/Assertion.h"
#include "common/ScopeGuards.h"
#include "ini/FastMemIniFile.h"

namespace qm {

QString TMemIniFilePersistent::SectionName(int index) const {
    return index == -1 ? QString() : QString::number(index);
}

void TMemIniFilePersistent::LoadFromFile(const QString& fileName) {
    TFastMemIniFile store(fileName);
    // The store lives only for this call: forget it on every way out.
    const Finally forget([this] { ini_ = nullptr; });
    LoadFromIni(store, QString(), -1);
}

void TMemIniFilePersistent::SaveToFile(const QString& fileName) {
    TFastMemIniFile store(fileName);
    const Finally forget([this] { ini_ = nullptr; });
    try {
        SaveToIni(store, QString(), -1);
    } catch (...) {
        store.UpdateFile();
        throw;
    }
    store.UpdateFile();
}

void TMemIniFilePersistent::LoadFromIni(TCustomFastIniFile& ini, const QString& prefix, int) {
    ini_ = &ini;
    prefix_ = prefix;
}

void TMemIniFilePersistent::SaveToIni(TCustomFastIniFile& ini, const QString& prefix, int) {
    ini_ = &ini;
    prefix_ = prefix;
}

int TMemIniFilePersistent::ReadInteger(int index, const QString& key) const {
    QM_ASSERT(ini_);
    return ini_->ReadInteger(SectionName(index), key, -1);
}

void TMemIniFilePersistent::WriteInteger(int index, const QString& key, int value) {
    QM_ASSERT(ini_);
    ini_->WriteInteger(SectionName(index), key, value);
}

bool TMemIniFilePersistent::ReadBool(int index, const QString& key) const {
    QM_ASSERT(ini_);
    return ini_->ReadBool(SectionName(index), key, false);
}

void TMemIniFilePersistent::WriteBool(int index, const QString& key, bool value) {
    QM_ASSERT(ini_);
    ini_->WriteBool(SectionName(index), key, value);
}

QString TMemIniFilePersistent::ReadString(int index, const QString& key) const {
    QM_ASSERT(ini_);
    return ini_->ReadString(SectionName(index), key, QString());
}

void TMemIniFilePersistent::WriteString(int index, const QString& key, const QString& value) {
    QM_ASSERT(ini_);
    ini_->WriteString(SectionName(index), key, value);
}

}  // namespace qm
