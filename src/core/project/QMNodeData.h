#pragma once

#include "props/PropValueList.h"

#include <memory>

namespace qm {

class TCustomFastIniFile;
class TPrjData;
class TPrjVisitor;

/// The node classes that exist: kind 7 and kind 6 (a table setup).
enum class NodeClass { Image, Frame };

/// Base of the nodes of a project. A table setup is a frame node (kind 6);
/// its fields are node properties. The other kinds come from the slide-show
/// editor the file format was made for; kinds without a class are refused.
class TQMNodeData {
public:
    virtual ~TQMNodeData();
    TQMNodeData(const TQMNodeData&) = delete;
    TQMNodeData& operator=(const TQMNodeData&) = delete;

    // --- factory ---------------------------------------------------------------
    /// The node of a stored kind; kinds without a class are program errors.
    static std::unique_ptr<TQMNodeData> CreateNodeOfKind(int kind, TPropValueList* settings,
                                                         TPrjData* project);
    /// A node of a class whose owner is the project (it is not inserted).
    static std::unique_ptr<TQMNodeData> CreateNodeOfClass(NodeClass cls, TPropValueList* settings,
                                                          TPrjData* project);
    static std::unique_ptr<TQMNodeData> CloneNode(const TQMNodeData& source,
                                                  TPropValueList* settings, TPrjData* project);
    static int NodeKindOf(const TQMNodeData& node);
    /// A node from a node file (".qmn", any letter case) or a media file.
    static std::unique_ptr<TQMNodeData> CreateNodeFromFile(const QString& fileName,
                                                           TPropValueList* settings,
                                                           TPrjData* project);
    /// The node held in section "Nodes0" of a node file, for the project.
    static std::unique_ptr<TQMNodeData> ProduceNodeDataFromShortCutFilename(const QString& fileName,
                                                                            TPrjData* project);

    virtual NodeClass nodeClass() const = 0;

    TPropValueList& props() { return props_; }
    const TPropValueList& props() const { return props_; }
    TPropValueList* settings() const { return settings_; }

    bool Modified = false;
    QString FileName;
    int positionTag = -1;  ///< the node's index at the last renumbering

    virtual void SetInMemoryPicture(bool v) { inMemoryPicture_ = v; }
    bool InMemoryPicture() const { return inMemoryPicture_; }
    virtual QString GetMediaFilePath();
    /// Also sets FileName.
    virtual void SetMediaFilePath(const QString& path);

    virtual void LoadFromIni(const TCustomFastIniFile& ini, int nodeIndex, bool flag,
                             int objectIndex);
    virtual void AssignFrom(const TQMNodeData& source);
    virtual void Accept(TPrjVisitor& visitor);

    QString Name() { return props_.getString(QStringLiteral("Name")); }
    void SetName(const QString& name) { props_.setString(QStringLiteral("Name"), name); }
    QString DestQuerySQL() { return props_.getString(QStringLiteral("DestQuerySQL")); }
    QString DestTableName() { return props_.getString(QStringLiteral("DestTableName")); }
    bool ShortCut() { return props_.getBoolean(QStringLiteral("ShortCut")); }
    void SetShortCut(bool v) { props_.setBoolean(QStringLiteral("ShortCut"), v); }
    void SetKind(int kind) { props_.setInteger(QStringLiteral("Kind"), kind); }

    TPrjData* project() const { return owner_; }
    /// Makes a project the owner; the property list takes its change-notice
    /// state.
    void setOwner(TPrjData* project);

    static const TPropDescrList& nodeDescriptors();

protected:
    /// creating: the factory's flag; false is an internal-check failure.
    TQMNodeData(TPropValueList* settings, bool creating, const TPropDescrList& descrs);

private:
    TPropValueList props_;
    TPropValueList* settings_;  // the project's settings; not owned
    bool inMemoryPicture_ = false;
    TPrjData* owner_ = nullptr;  // not owned
};

}  // namespace qm
