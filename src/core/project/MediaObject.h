#pragma once

#include "project/QMObject.h"

namespace qm {

/// Base of the picture and text objects kept from the slide-show editor:
/// they are loaded, saved and copied with all their properties, and never
/// created by the merge functions.
class TQMMediaObject : public TQMObject {
public:
    int TypeCode() const override { return 2; }
    static const TPropDescrList& mediaDescriptors();

protected:
    TQMMediaObject(bool creating, const TPropDescrList& descrs) : TQMObject(creating, descrs) {}
};

/// A picture object.
class TQMImageObject : public TQMMediaObject {
public:
    explicit TQMImageObject(bool creating);
    int TypeCode() const override { return 3; }
    void SaveToIni(TCustomFastIniFile& ini, int nodeIndex, int objectIndex) override;
    static const TPropDescrList& imageDescriptors();
};

/// A text object.
class TQMTextObject : public TQMMediaObject {
public:
    explicit TQMTextObject(bool creating);
    int TypeCode() const override { return 4; }
    static const TPropDescrList& textDescriptors();
};

}  // namespace qm
