#pragma once

#include "props/PropValueList.h"

namespace qm {

/// The built-in end of the default settings chain: frame size 800 by 600.
class TDefaultPrjProperties : public TPropValueList {
public:
    static TDefaultPrjProperties& instance();

private:
    TDefaultPrjProperties();
    TPropDescrList descrs_;
};

/// The global default settings, kept in "GlobalDefaults.dat" in the
/// program's folder. They stand between a project's frame size and the
/// built-in defaults.
class TGlobalPrjProperties : public TPropValueList {
public:
    /// Created and read from the file on first use.
    static TGlobalPrjProperties& instance();
    static QString fileName();

    /// Reads the file again (a missing file reads nothing).
    void load();
    /// Writes the values to the file, replacing its content. The desktop
    /// program calls this when it ends.
    void save();

private:
    TGlobalPrjProperties();
    TPropDescrList descrs_;
};

}  // namespace qm
