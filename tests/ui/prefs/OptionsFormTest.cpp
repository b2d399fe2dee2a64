#include "prefs/OptionsForm.h"
#include "ui/UiTestSupport.h"
#include "ui/prefs/PreferenceKeys.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

using namespace qm::test::PreferenceKeys;

class OptionsFormTest : public UiTest {
protected:
    template <typename W>
    static W* control(TOptionsForm& form, const QString& name) {
        W* widget = form.findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    static QLineEdit* logFileEdit(TOptionsForm& form) {
        return control<QLineEdit>(form, u"AutoLogSQLFileNameEdit"_s);
    }
    static QString styleFile() { return ElementStylesFileName(); }
};

TEST_F(OptionsFormTest, FirstRunStoresTheInitialValuesBeforeTheDialogIsShown) {
    TOptionsForm form;
    ASSERT_FALSE(form.isVisible());

    EXPECT_TRUE(form.loadLastProjectAtStartup());
    EXPECT_FALSE(form.autoCreateEmptyProjectAtStartup());
    EXPECT_EQ(form.autoLogSqlFileName(), QDir::home().filePath(u"ExecutedSQL.txt"_s));
    EXPECT_EQ(form.lastProject(), QString());

    QStringList keys{kSaved, kLoadLast, kAutoCreate, kLogFile, kLastPrj, kLabel};
    keys.sort();
    EXPECT_EQ(storedKeys(), keys);
    EXPECT_EQ(stored(kSaved), QVariant(u"1"_s));
    EXPECT_EQ(stored(kLoadLast), QVariant(u"1"_s));
    EXPECT_EQ(stored(kAutoCreate), QVariant(u"0"_s));
    EXPECT_EQ(stored(kLogFile), QVariant(TOptionsForm::defaultAutoLogSqlFileName()));
    EXPECT_EQ(stored(kLastPrj), QVariant(u""_s));
    EXPECT_EQ(stored(kLabel), QVariant(u"Auto log sql file"_s));
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(OptionsFormTest, DialogShowsTheGeneralTabWithItsControls) {
    TOptionsForm form;
    EXPECT_EQ(form.windowTitle(), u"Preferences"_s);
    auto* pages = control<QTabWidget>(form, u"PageControl"_s);
    ASSERT_EQ(pages->count(), 1);
    EXPECT_EQ(pages->tabText(0), u"&General"_s);
    EXPECT_EQ(pages->currentWidget()->objectName(), u"GeneralTabSheet"_s);
    EXPECT_EQ(control<QCheckBox>(form, u"LoadLastPrjAtStartupCheckBox"_s)->text(),
              u"Automatically &load last project at startup."_s);
    EXPECT_EQ(control<QCheckBox>(form, u"AutoCreateEmptyPrjAtStartupCheckBox"_s)->text(),
              u"Auto &create a new project at startup."_s);
    EXPECT_EQ(control<QGroupBox>(form, u"kzFlexGroupBox2"_s)->title(), QString());
    EXPECT_EQ(control<QLabel>(form, u"Label6"_s)->text(), u"Auto log sql file"_s);
    auto* ok = control<QPushButton>(form, u"OKButton"_s);
    EXPECT_EQ(ok->text(), u"OK"_s);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(control<QPushButton>(form, u"CancelButton"_s)->text(), u"Cancel"_s);

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(control<QLineEdit>(form, u"LastPrjEdit"_s)->isVisible());
}

// How each way of closing the dialog treats an edited log file name: OK
// stores it; Cancel and Escape put the stored one back; closing by the
// frame keeps it in force without storing it.
TEST_F(OptionsFormTest, ClosingTheDialog) {
    struct Case {
        const char* way;
        std::function<void(TOptionsForm&)> close;
        QDialog::DialogCode result;
        bool keptInControl;
        bool stored;
    };
    const QList<Case> cases{
        {"OK button",
         [](TOptionsForm& f) {
             QTest::mouseClick(f.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);
         },
         QDialog::Accepted, true, true},
        {"Return key", [](TOptionsForm& f) { QTest::keyClick(&f, Qt::Key_Return); },
         QDialog::Accepted, true, true},
        {"Cancel button",
         [](TOptionsForm& f) {
             QTest::mouseClick(f.findChild<QPushButton*>(u"CancelButton"_s), Qt::LeftButton);
         },
         QDialog::Rejected, false, false},
        {"Escape key", [](TOptionsForm& f) { QTest::keyClick(&f, Qt::Key_Escape); },
         QDialog::Rejected, false, false},
        {"window frame", [](TOptionsForm& f) { f.close(); }, QDialog::Rejected, true, false},
    };
    const QString previous = u"/var/log/previous.sql"_s;
    const QString edited = u"/var/log/edited.sql"_s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        TOptionsForm form;
        logFileEdit(form)->setText(previous);
        form.snapshot();

        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        logFileEdit(form)->setText(edited);
        c.close(form);

        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), c.result);
        EXPECT_EQ(form.autoLogSqlFileName(), c.keptInControl ? edited : previous);
        EXPECT_EQ(stored(kLogFile), QVariant(c.stored ? edited : previous));
        EXPECT_EQ(TOptionsForm().autoLogSqlFileName(), c.stored ? edited : previous);
    }
    EXPECT_TRUE(shownBoxes().isEmpty());
}

TEST_F(OptionsFormTest, TheLastProjectStoredAtOneCloseIsOfferedAtTheNextStart) {
    {
        TOptionsForm closing;
        closing.setLastProject(u"/home/u/Sales.QMP"_s);
        closing.snapshot();
    }
    TOptionsForm next;
    EXPECT_EQ(next.lastProject(), u"/home/u/Sales.QMP"_s);
    EXPECT_EQ(stored(kLastPrj), QVariant(u"/home/u/Sales.QMP"_s));
}

TEST_F(OptionsFormTest, AnEmptiedLogFileNameIsStoredEmpty) {
    {
        TOptionsForm form;
        logFileEdit(form)->clear();
        form.accept();
    }
    EXPECT_EQ(stored(kLogFile), QVariant(u""_s));
    EXPECT_EQ(TOptionsForm().autoLogSqlFileName(), QString());
}

TEST_F(OptionsFormTest, OkSavesTheUserStylesAndCancelReloadsThem) {
    TOptionsForm form;
    EXPECT_EQ(form.userStyles().count(), 0);
    EXPECT_EQ(form.userStyles().GetElementStyle(ekMainText)->FontName, u"Times New Roman"_s);
    EXPECT_FALSE(QFileInfo::exists(styleFile()));

    form.userStyles().SetElementStyle(
        ekFooter, std::make_unique<TElementStyle>(ekFooter, u"Verdana"_s, 255, 12, fsBold, 2));
    form.accept();  // the Data folder does not exist yet: it is made
    ASSERT_TRUE(QFileInfo::exists(styleFile()));
    TElementStyles saved;
    saved.LoadFromFile(styleFile());
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.FindStyle(ekFooter)->FontName, u"Verdana"_s);

    // A new dialog loads the file; Cancel reloads it.
    TOptionsForm next;
    ASSERT_NE(next.userStyles().FindStyle(ekFooter), nullptr);
    EXPECT_EQ(next.userStyles().FindStyle(ekFooter)->FontSize, 12);
    TElementStyles other;
    other.SetElementStyle(ekHeadline,
                          std::make_unique<TElementStyle>(ekHeadline, u"Arial"_s, 0, 50, 0, 0));
    other.SaveToFile(styleFile());
    next.reject();
    ASSERT_NE(next.userStyles().FindStyle(ekHeadline), nullptr);
    EXPECT_EQ(next.userStyles().FindStyle(ekHeadline)->FontSize, 50);
    EXPECT_TRUE(shownBoxes().isEmpty());
}

// An installed program's folder takes no files (here /proc, where even root
// cannot create one): OK saves the styles in the user's data folder, and
// the next dialog reads them from there.
TEST_F(OptionsFormTest, OkSavesTheStylesInTheUsersDataFolderWhenTheProgramFolderTakesNoFiles) {
    const QByteArray home = qgetenv("QUILLMERE_HOME");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    QTemporaryDir userData;
    qputenv("XDG_DATA_HOME", userData.path().toUtf8());
    qputenv("QUILLMERE_HOME", "/proc");
    const auto restore = qScopeGuard([&] {
        qputenv("QUILLMERE_HOME", home);
        if (dataHome.isNull()) {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", dataHome);
        }
    });
    ASSERT_TRUE(styleFile().startsWith(QDir(userData.path()).absolutePath() + u'/'))
        << styleFile().toStdString();

    TOptionsForm form;
    form.userStyles().SetElementStyle(
        ekFooter, std::make_unique<TElementStyle>(ekFooter, u"Verdana"_s, 255, 12, fsBold, 2));
    form.accept();
    EXPECT_TRUE(shownBoxes().isEmpty()) << shownBoxes().value(0).text.toStdString();
    ASSERT_TRUE(QFileInfo::exists(styleFile()));
    EXPECT_FALSE(QFileInfo::exists(u"/proc/Data"_s));
    TOptionsForm next;
    ASSERT_NE(next.userStyles().FindStyle(ekFooter), nullptr);
    EXPECT_EQ(next.userStyles().FindStyle(ekFooter)->FontName, u"Verdana"_s);
}

TEST_F(OptionsFormTest, AStyleFileThatCannotBeWrittenIsReportedAfterTheSettingsWereStored) {
    TOptionsForm form;
    // A file where the Data folder should be: neither the folder nor the
    // style file in it can be made, whatever the user's rights.
    QFile blocker(dataFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    form.show();
    logFileEdit(form)->setText(u"/tmp/new.sql"_s);
    QTest::mouseClick(form.findChild<QPushButton*>(u"OKButton"_s), Qt::LeftButton);

    EXPECT_EQ(stored(kLogFile), QVariant(u"/tmp/new.sql"_s));
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].kind, BoxKind::Error);
    EXPECT_EQ(shownBoxes()[0].buttons, QList<BoxButton>{BoxButton::Ok});
    EXPECT_TRUE(shownBoxes()[0].text.startsWith(u"Cannot create file \""_s + styleFile()))
        << shownBoxes()[0].text.toStdString();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(OptionsFormTest, AnUnreadableStyleFileIsReportedAndTheDefaultsServe) {
    ASSERT_TRUE(QDir().mkpath(styleFile()));  // a folder in the file's place
    TOptionsForm form;
    ASSERT_EQ(shownBoxes().size(), 1);
    EXPECT_EQ(shownBoxes()[0].kind, BoxKind::Error);
    EXPECT_TRUE(shownBoxes()[0].text.contains(styleFile())) << shownBoxes()[0].text.toStdString();
    EXPECT_EQ(form.userStyles().count(), 0);
    EXPECT_EQ(form.userStyles().GetElementStyle(ekHeadline)->FontName, u"Courier New"_s);
    EXPECT_EQ(stored(kSaved), QVariant(u"1"_s));  // the settings were set up all the same

    // Cancel still puts the stored settings back, then reports the file.
    logFileEdit(form)->setText(u"/tmp/edited.sql"_s);
    form.reject();
    EXPECT_EQ(form.autoLogSqlFileName(), TOptionsForm::defaultAutoLogSqlFileName());
    EXPECT_EQ(shownBoxes().size(), 2);
}

TEST_F(OptionsFormTest, TheProgramHasOneDialogRestoredWhenFirstUsed) {
    storeValue(kSaved, u"1"_s);
    storeValue(kLogFile, u"/srv/stored.sql"_s);
    storeValue(kLoadLast, u"0"_s);
    TOptionsForm& form = TOptionsForm::instance();
    EXPECT_EQ(&form, &TOptionsForm::instance());
    EXPECT_EQ(form.parent(), nullptr);
    EXPECT_EQ(form.autoLogSqlFileName(), u"/srv/stored.sql"_s);
    EXPECT_FALSE(form.loadLastProjectAtStartup());
    // Values the store did not hold keep their initial state.
    EXPECT_FALSE(form.autoCreateEmptyProjectAtStartup());
    EXPECT_EQ(control<QLabel>(form, u"Label6"_s)->text(), u"Auto log sql file"_s);
}

}  // namespace
