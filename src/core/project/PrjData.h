#pragma once

#include "project/QMNodeData.h"
#include "props/PropValueList.h"

#include <memory>
#include <vector>

namespace qm {

class TCustomFastIniFile;

/// The in-memory project: its settings (of which the merge functions use the
/// two database aliases and Version), its file name, and its nodes, one per
/// table setup. Loading is here; saving and copying are TPrjDataSaved's.
class TPrjData {
public:
    /// A new project with the new-project settings, no nodes, and clean.
    TPrjData();
    virtual ~TPrjData();
    TPrjData(const TPrjData&) = delete;
    TPrjData& operator=(const TPrjData&) = delete;

    virtual QString className() const { return QStringLiteral("TPrjData"); }

    bool Loading = false;  ///< true while a file is read or a copy assigned
    bool StructureModified = false;

    TPropValueList& settings() { return *settings_; }
    const TPropValueList& settings() const { return *settings_; }
    /// Replaces the settings list (the old one is freed).
    void replaceSettings(std::unique_ptr<TPropValueList> settings);

    const QString& FileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }

    bool NotifyChanges() const { return notifyChanges_; }
    /// Also switches the settings list's notices; nodes added later copy it.
    void SetNotifyChanges(bool flag);

    int Version() { return settings_->getInteger(QStringLiteral("Version")); }
    void SetVersion(int v) { settings_->setInteger(QStringLiteral("Version"), v); }
    QString SourceDBAlias() { return settings_->getString(QStringLiteral("SourceDBAlias")); }
    QString DestDBAlias() { return settings_->getString(QStringLiteral("DestDBAlias")); }
    void SetSourceDBAlias(const QString& v) {
        settings_->setString(QStringLiteral("SourceDBAlias"), v);
    }
    void SetDestDBAlias(const QString& v) {
        settings_->setString(QStringLiteral("DestDBAlias"), v);
    }
    /// Whether Open Source && Target lets the databases compare first.
    bool CompareInDatabase() { return settings_->getBoolean(QStringLiteral("CompareInDatabase")); }
    void SetCompareInDatabase(bool v) {
        settings_->setBoolean(QStringLiteral("CompareInDatabase"), v);
    }

    // --- nodes -------------------------------------------------------------------
    int NodeCount() const { return static_cast<int>(nodes_.size()); }
    /// An index outside the list raises an error.
    TQMNodeData* GetItem(int index);
    /// Frees the node in the slot and puts the given one (or none) there; a
    /// node without owner gets this project.
    void SetItem(int index, std::unique_ptr<TQMNodeData> node);
    virtual void InsertNode(int index, std::unique_ptr<TQMNodeData> node);
    virtual void DeleteNode(int index);
    void MoveNode(int currentIndex, int newIndex);
    /// Frees every node (no relinking, no modified flag).
    void ClearNodes();
    /// The position of a node; a foreign node is a program error.
    int GetItemIndex(const TQMNodeData* node) const;
    /// The first node whose Name equals the name exactly; none is an
    /// internal-check failure.
    TQMNodeData& FindNodeByName(const QString& name);
    /// The first node named so, or none.
    TQMNodeData* nodeNamed(const QString& name);

    /// Fills this freshly constructed project from a project file.
    virtual void LoadFromIniFile(const QString& fileName, bool flag = false);
    /// The reading part of LoadFromIniFile, from a store already in memory.
    void loadFromStore(const TCustomFastIniFile& ini, bool flag = false);

    // --- change tracking -----------------------------------------------------------
    bool IsModified();
    void SetModified(bool flag);

    static const TPropDescrList& projectDescriptors();

private:
    void renumber();
    void relink();
    void checkIndex(int index) const;

    std::unique_ptr<TPropValueList> settings_;
    QString fileName_;
    std::vector<std::unique_ptr<TQMNodeData>> nodes_;
    bool notifyChanges_ = false;
};

}  // namespace qm
