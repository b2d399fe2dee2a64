#pragma once

#include <QString>

namespace qm::test::PreferenceKeys {

using namespace Qt::StringLiterals;

// The stored keys of the preferences, written out as a reader of the store
// sees them, so that tests notice when the program moves a value.
inline const QString kSaved = u"Software/kazmo/Vistrel/OptionsForm/Saved"_s;
inline const QString kGeneral =
    u"Software/kazmo/Vistrel/Settings for "
    u"OptionsForm.SavedPanel.PageControl.GeneralTabSheet.GeneralPanel."_s;
inline const QString kLoadLast =
    kGeneral + u"kzFlexGroupBox2.LoadLastPrjAtStartupCheckBox/Checked"_s;
inline const QString kAutoCreate =
    kGeneral + u"kzFlexGroupBox2.AutoCreateEmptyPrjAtStartupCheckBox/Checked"_s;
inline const QString kLogFile = kGeneral + u"AutoLogSQLFileNameEdit/Text"_s;
inline const QString kLastPrj = kGeneral + u"LastPrjEdit/Text"_s;
inline const QString kLabel = kGeneral + u"Label6/Caption"_s;

}  // namespace qm::test::PreferenceKeys
