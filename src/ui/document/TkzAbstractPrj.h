#pragma once

#include <QString>

namespace qm {

/// The base of an open document: its file name and whether it holds changes
/// that are not saved yet. The document handler knows documents only
/// through this base.
class TkzAbstractPrj {
public:
    TkzAbstractPrj() = default;
    virtual ~TkzAbstractPrj() = default;
    TkzAbstractPrj(const TkzAbstractPrj&) = delete;
    TkzAbstractPrj& operator=(const TkzAbstractPrj&) = delete;

    /// False on creation.
    virtual bool GetModified() { return modified_; }
    virtual void SetModified(bool modified) { modified_ = modified; }

    /// Empty for a document that has never been saved.
    const QString& FileName() const { return fileName_; }
    void setFileName(const QString& fileName) { fileName_ = fileName; }

private:
    bool modified_ = false;
    QString fileName_;
};

}  // namespace qm
