#include "config/Preferences.h"

#include "common/Errors.h"
#include "config/RegistryStore.h"
#include "config/StoredValues.h"

#include <QDir>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// The preferences dialog's settings panel keeps its values under its
// window's name and the path of each control; users' stores hold these
// keys, so none of them may change.
QString baseGroup() {
    return RegistryStore::groupPath(u"\\Software\\kazmo\\Vistrel"_s);
}

QString savedKey() {
    return baseGroup() + u"/OptionsForm/Saved"_s;
}

QString controlKey(const QString& path) {
    return baseGroup() +
           u"/Settings for OptionsForm.SavedPanel.PageControl.GeneralTabSheet.GeneralPanel."_s +
           path;
}

QString loadLastKey() {
    return controlKey(u"kzFlexGroupBox2.LoadLastPrjAtStartupCheckBox/Checked"_s);
}

QString autoCreateKey() {
    return controlKey(u"kzFlexGroupBox2.AutoCreateEmptyPrjAtStartupCheckBox/Checked"_s);
}

QString logFileKey() {
    return controlKey(u"AutoLogSQLFileNameEdit/Text"_s);
}

QString lastProjectKey() {
    return controlKey(u"LastPrjEdit/Text"_s);
}

void readFlag(const QSettings& store, const QString& key, bool& flag) {
    if (const std::optional<int> value = StoredValues::integer(store.value(key))) {
        flag = *value != 0;
    }
}

void readText(const QSettings& store, const QString& key, QString& text) {
    if (const std::optional<QString> value = StoredValues::text(store.value(key))) {
        text = *value;
    }
}

}  // namespace

QString Preferences::defaultAutoLogSqlFileName() {
#ifdef Q_OS_WIN
    return u"c:\\ExecutedSQL.txt"_s;
#else
    // The default names the root of drive C: elsewhere the same file goes
    // to the user's home folder.
    return QDir::toNativeSeparators(QDir::home().filePath(u"ExecutedSQL.txt"_s));
#endif
}

Preferences Preferences::load() {
    return read(*RegistryStore::open());
}

Preferences Preferences::read(const QSettings& store) {
    Preferences p;
    if (StoredValues::integer(store.value(savedKey())).value_or(0) == 0) {
        return p;
    }
    readFlag(store, loadLastKey(), p.loadLastProjectAtStartup);
    readFlag(store, autoCreateKey(), p.autoCreateEmptyProjectAtStartup);
    readText(store, logFileKey(), p.autoLogSqlFileName);
    readText(store, lastProjectKey(), p.lastProject);
    return p;
}

void Preferences::save() const {
    const std::unique_ptr<QSettings> store = RegistryStore::open();
    write(*store);
    store->sync();
    if (store->status() == QSettings::AccessError) {
        throw Error(u"Cannot save the settings in \"%1\""_s.arg(store->fileName()));
    }
}

void Preferences::write(QSettings& store) const {
    // Numbers as decimal text, as the settings panel writes them.
    store.setValue(savedKey(), u"1"_s);
    store.setValue(loadLastKey(), loadLastProjectAtStartup ? u"1"_s : u"0"_s);
    store.setValue(autoCreateKey(), autoCreateEmptyProjectAtStartup ? u"1"_s : u"0"_s);
    store.setValue(logFileKey(), autoLogSqlFileName);
    store.setValue(lastProjectKey(), lastProject);
}

}  // namespace qm
