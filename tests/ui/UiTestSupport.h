#pragma once

#include "common/ProgramFolder.h"
#include "config/RegistryStore.h"
#include "prefs/OptionsForm.h"
#include "report/ScriptedBoxes.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <memory>

namespace qm::test {

/// Every widget test starts with an empty per-user store, an empty program
/// folder and no preferences dialog (the program's one is made afresh from
/// the store when first used), and answers message boxes from a script (by
/// default with their first button) while recording them.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearFolders();
        TOptionsForm::releaseInstance();
    }
    void TearDown() override {
        boxes_.reset();
        clearFolders();
    }

    /// Answers the next boxes with these answers, then with first buttons.
    void script(QList<BoxAnswer> answers) {
        boxes_.reset();  // uninstalls the old one before the new one installs itself
        boxes_ = std::make_unique<ScriptedBoxes>(std::move(answers));
    }
    /// The boxes shown so far (since the last script()).
    const QList<BoxRequest>& shownBoxes() const { return boxes_->shown; }

    /// The per-user store as a file reader sees it: the INI file itself,
    /// read afresh.
    static QVariant stored(const QString& key) {
        QSettings store(RegistryStore::filePath(), QSettings::IniFormat);
        return store.value(key);
    }
    static QStringList storedKeys() {
        QSettings store(RegistryStore::filePath(), QSettings::IniFormat);
        QStringList keys = store.allKeys();
        keys.sort();
        return keys;
    }
    /// Writes one value as another program (or a hand edit) would.
    static void storeValue(const QString& key, const QVariant& value) {
        QSettings store(RegistryStore::filePath(), QSettings::IniFormat);
        store.setValue(key, value);
    }

    static QString dataFolder() { return programFile(QStringLiteral("Data")); }

private:
    static void clearFolders() {
        {
            QSettings store(RegistryStore::filePath(), QSettings::IniFormat);
            store.clear();
        }
        QDir(dataFolder()).removeRecursively();
        QFile::remove(dataFolder());  // some tests block the folder with a file
    }

    std::unique_ptr<ScriptedBoxes> boxes_ = std::make_unique<ScriptedBoxes>();
};

}  // namespace qm::test
