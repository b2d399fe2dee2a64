#include "project/DefaultPrjProperties.h"

#include "common/Errors.h"
#include "common/ProgramFolder.h"
#include "ini/FastMemIniFile.h"

using namespace Qt::StringLiterals;

namespace qm {

TDefaultPrjProperties& TDefaultPrjProperties::instance() {
    static TDefaultPrjProperties defaults;
    return defaults;
}

TDefaultPrjProperties::TDefaultPrjProperties() {
    descrs_.AddInteger(u"FrameWidth"_s, true).AlwaysStored = true;
    descrs_.AddInteger(u"FrameHeight"_s, true).AlwaysStored = true;
    for (const auto* name : {u"WipeGroupIdx", u"WipeIdx"}) {
        TPropDescr& d = descrs_.AddInteger(QString::fromUtf16(name));
        d.IniSection = u"Settings"_s;
        d.AlwaysStored = true;
    }
    setDescrList(&descrs_);
    setInteger(u"FrameWidth"_s, 800);
    setInteger(u"FrameHeight"_s, 600);
}

TGlobalPrjProperties& TGlobalPrjProperties::instance() {
    static TGlobalPrjProperties globals;
    return globals;
}

QString TGlobalPrjProperties::fileName() {
    return programFile(u"GlobalDefaults.dat"_s);
}

TGlobalPrjProperties::TGlobalPrjProperties() {
    const TPropDescr& inherit = descrs_.AddInherit(u"InheritFrameSize"_s, true);
    descrs_.AddInteger(u"FrameWidth"_s, true, &inherit);
    descrs_.AddInteger(u"FrameHeight"_s, true, &inherit);
    for (const auto* name : {u"WipeGroupIdx", u"WipeIdx"}) {
        TPropDescr& d = descrs_.AddInteger(QString::fromUtf16(name));
        d.IniSection = u"Settings"_s;
        d.AlwaysStored = true;
    }
    setDescrList(&descrs_);
    setParent(&TDefaultPrjProperties::instance());
    try {
        load();
    } catch (const Error&) {
        // An unreadable file leaves the built-in defaults in force; it is
        // not worth stopping every project for.
    }
}

void TGlobalPrjProperties::load() {
    TFastMemIniFile ini(fileName());
    for (int i = 0; i < Count(); ++i) {
        clearSlot(i);
    }
    ReadFromIni(ini, -1, -1);
    if (getInteger(u"FrameWidth"_s) == 0 || getInteger(u"FrameHeight"_s) == 0) {
        value(u"InheritFrameSize"_s).ResetValue();
    }
}

void TGlobalPrjProperties::save() {
    // The file is replaced, never read: start from an empty store.
    const auto ini = TFastMemIniFile::fromText(QString(), fileName());
    WriteToIni(*ini, -1, -1);
    ini->UpdateFile();
}

}  // namespace qm
