#pragma once

#include <memory>
#include <vector>

namespace qm {

class TQMObject;

/// The ordered objects of a frame node; it owns them. The position of an
/// object is its index in the project file.
class TQMObjectList {
public:
    TQMObjectList() = default;
    TQMObjectList(const TQMObjectList&) = delete;
    TQMObjectList& operator=(const TQMObjectList&) = delete;
    ~TQMObjectList();

    /// Appends an object (none is an internal-check failure); returns it.
    TQMObject& Add(std::unique_ptr<TQMObject> object);
    TQMObject* Items(int index) const;
    int IndexOf(const TQMObject* object) const;
    /// Removes and frees the object.
    void Remove(TQMObject* object);
    int Count() const { return static_cast<int>(items_.size()); }
    /// Frees every object, the last first.
    void Clear();

private:
    std::vector<std::unique_ptr<TQMObject>> items_;
};

}  // namespace qm
