// The preferences as a value: read from and written to the keys of the
// preferences dialog's settings panel, and edited by the dialog as a copy.

#include "common/Errors.h"
#include "config/Preferences.h"
#include "prefs/OptionsForm.h"
#include "ui/UiTestSupport.h"
#include "ui/prefs/PreferenceKeys.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace qm {
inline void PrintTo(const Preferences& p, std::ostream* os) {
    *os << "{load last " << p.loadLastProjectAtStartup << ", auto create "
        << p.autoCreateEmptyProjectAtStartup << ", log \"" << p.autoLogSqlFileName.toStdString()
        << "\", last \"" << p.lastProject.toStdString() << "\"}";
}
}  // namespace qm

namespace {

using namespace qm::test::PreferenceKeys;

// Every value away from its default.
Preferences edited() {
    Preferences p;
    p.loadLastProjectAtStartup = false;
    p.autoCreateEmptyProjectAtStartup = true;
    p.autoLogSqlFileName = u"/var/log/run, with comma.sql"_s;
    p.lastProject = u"/home/u/Sales.QMP"_s;
    return p;
}

using PreferencesTest = UiTest;

TEST_F(PreferencesTest, AnEmptyStoreGivesTheDefaults) {
    const Preferences p = Preferences::load();
    EXPECT_TRUE(p.loadLastProjectAtStartup);
    EXPECT_FALSE(p.autoCreateEmptyProjectAtStartup);
    EXPECT_EQ(p.autoLogSqlFileName, QDir::home().filePath(u"ExecutedSQL.txt"_s));
    EXPECT_EQ(p.lastProject, QString());
    EXPECT_EQ(p, Preferences());
}

TEST_F(PreferencesTest, SavedValuesComeBackUnderTheDialogsKeys) {
    edited().save();
    EXPECT_EQ(Preferences::load(), edited());
    EXPECT_EQ(stored(kSaved), QVariant(u"1"_s));
    EXPECT_EQ(stored(kLoadLast), QVariant(u"0"_s));
    EXPECT_EQ(stored(kAutoCreate), QVariant(u"1"_s));
    EXPECT_EQ(stored(kLogFile), QVariant(u"/var/log/run, with comma.sql"_s));
    EXPECT_EQ(stored(kLastPrj), QVariant(u"/home/u/Sales.QMP"_s));

    // An emptied log file name stays empty: script execution asks about it.
    Preferences empty;
    empty.autoLogSqlFileName.clear();
    empty.save();
    EXPECT_EQ(Preferences::load().autoLogSqlFileName, QString());
}

// Stores as the earlier dialog or a hand edit left them: values are read
// as the settings panel reads them, and one it would not take keeps its
// default.
TEST_F(PreferencesTest, StoresWrittenElsewhere) {
    struct Case {
        const char* what;
        QList<std::pair<QString, QVariant>> values;
        Preferences expected;
    };
    Preferences noLoadLast;
    noLoadLast.loadLastProjectAtStartup = false;
    Preferences autoCreate;
    autoCreate.autoCreateEmptyProjectAtStartup = true;
    Preferences logFile;
    logFile.autoLogSqlFileName = u"/srv/x.sql"_s;
    const QList<Case> cases{
        {"never saved: the dialog ignores the values",
         {{kLoadLast, u"0"_s}, {kLogFile, u"/srv/x.sql"_s}},
         Preferences()},
        {"saved as 0", {{kSaved, u"0"_s}, {kLoadLast, u"0"_s}}, Preferences()},
        {"hexadecimal numbers", {{kSaved, u"$1"_s}, {kAutoCreate, u"0x1"_s}}, autoCreate},
        {"a flag that is no number",
         {{kSaved, u"1"_s}, {kLoadLast, u"yes"_s}, {kLogFile, u"/srv/x.sql"_s}},
         logFile},
        {"a number as a typed value", {{kSaved, 1}, {kLoadLast, 0}}, noLoadLast},
        {"a text that is no text",
         {{kSaved, u"1"_s}, {kLogFile, QByteArray("\x01\x02", 2)}},
         Preferences()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            QSettings store(RegistryStore::filePath(), QSettings::IniFormat);
            store.clear();
        }
        for (const auto& [key, value] : c.values) {
            storeValue(key, value);
        }
        EXPECT_EQ(Preferences::load(), c.expected);
    }
}

TEST_F(PreferencesTest, TheDialogAndTheValueReadEachOthersStores) {
    {
        TOptionsForm form;
        form.findChild<QCheckBox*>(u"LoadLastPrjAtStartupCheckBox"_s)->setChecked(false);
        form.findChild<QCheckBox*>(u"AutoCreateEmptyPrjAtStartupCheckBox"_s)->setChecked(true);
        form.findChild<QLineEdit*>(u"AutoLogSQLFileNameEdit"_s)
            ->setText(u"/var/log/run, with comma.sql"_s);
        form.setLastProject(u"/home/u/Sales.QMP"_s);
        form.accept();
    }
    EXPECT_EQ(Preferences::load(), edited());

    Preferences other;
    other.autoLogSqlFileName = u"/srv/other.sql"_s;
    other.save();
    TOptionsForm form;
    EXPECT_EQ(form.preferences(), other);
    EXPECT_EQ(form.findChild<QLineEdit*>(u"AutoLogSQLFileNameEdit"_s)->text(), u"/srv/other.sql"_s);
}

TEST_F(PreferencesTest, AStoreThatCannotBeWrittenIsReported) {
    const QString folder = QFileInfo(RegistryStore::filePath()).absolutePath();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        edited().save();
        ADD_FAILURE() << "the failed write went unnoticed";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  u"Cannot save the settings in \""_s + RegistryStore::filePath() + u'"');
    }
    ASSERT_TRUE(QFile::remove(folder));
}

// The dialog edits a copy: the value in force changes only when the edits
// are taken (OK, or closing by the frame), and each opening starts from it.
TEST_F(PreferencesTest, TheDialogEditsACopyOfTheValueInForce) {
    TOptionsForm form;
    form.setPreferences(edited());
    EXPECT_EQ(form.preferences(), edited());
    EXPECT_EQ(Preferences::load(), Preferences()) << "setting a value does not store it";

    auto* logFile = form.findChild<QLineEdit*>(u"AutoLogSQLFileNameEdit"_s);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(logFile->text(), edited().autoLogSqlFileName);
    logFile->setText(u"/tmp/typed.sql"_s);
    EXPECT_EQ(form.preferences(), edited()) << "an edit is not in force before OK";
    QTest::mouseClick(form.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
    Preferences taken = edited();
    taken.autoLogSqlFileName = u"/tmp/typed.sql"_s;
    EXPECT_EQ(form.preferences(), taken);
    EXPECT_EQ(Preferences::load(), taken);

    // Typed into while hidden, then opened: the dialog shows the value.
    logFile->setText(u"/tmp/stray.sql"_s);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(logFile->text(), u"/tmp/typed.sql"_s);
    logFile->setText(u"/tmp/dropped.sql"_s);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(form.preferences(), taken);
    EXPECT_EQ(logFile->text(), u"/tmp/typed.sql"_s);
    EXPECT_TRUE(shownBoxes().isEmpty());
}

}  // namespace
