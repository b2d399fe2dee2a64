#pragma once

#include "config/Preferences.h"
#include "styles/ElementStyles.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace qm {

class TkzSettingsPanel;

/// The preferences dialog "Preferences": what to do at start-up, the last
/// project and the log file of executed scripts. It holds the program's
/// preferences in force as a value (preferences()), which the rest of the
/// program reads; its controls edit a copy of that value. They sit on the
/// settings panel "SavedPanel" (company "kazmo", product "Vistrel"), which
/// keeps their values per user under the keys Preferences reads. The dialog
/// also keeps the user's element style list, saved in PrefsElementStyles.DAT.
///
/// OK makes the edited copy the value and stores it (Snapshot) and the style
/// list; Cancel and Escape drop the copy and put the stored values back (and
/// reload the style list); closing the window by its frame makes the copy
/// the value without storing it, so the edits stay in force for the run and
/// are stored with the next snapshot.
class TOptionsForm : public QDialog {
    Q_OBJECT

public:
    /// The program's one dialog: created at the first call, which restores
    /// the stored values (and on a first run stores the initial ones), and
    /// released with the application object. Call it early at start-up.
    static TOptionsForm& instance();
    /// Releases the program's dialog; the next instance() makes a new one,
    /// restored from the store. Tests start from the store this way.
    static void releaseInstance();

    /// A dialog of its own on the same store; the program uses instance().
    /// It always is a window of its own (the store names it "OptionsForm").
    TOptionsForm();
    ~TOptionsForm() override;

    /// The preferences in force: the stored ones, as changed by OK, by a
    /// close by the frame and by the setters below.
    const Preferences& preferences() const { return value_; }
    /// Puts a value in force and shows it; stored with the next snapshot.
    void setPreferences(const Preferences& value);

    /// "Automatically load last project at startup"; initially on.
    bool loadLastProjectAtStartup() const { return value_.loadLastProjectAtStartup; }
    /// "Auto create a new project at startup"; initially off.
    bool autoCreateEmptyProjectAtStartup() const { return value_.autoCreateEmptyProjectAtStartup; }
    /// The log file of executed scripts; initially defaultAutoLogSqlFileName().
    QString autoLogSqlFileName() const { return value_.autoLogSqlFileName; }
    /// The project open when the program last closed; initially empty.
    QString lastProject() const { return value_.lastProject; }
    void setLastProject(const QString& path);
    /// Puts what the controls show in force and stores it.
    void snapshot();

    /// "ExecutedSQL.txt" in the user's home folder ("c:\ExecutedSQL.txt" on
    /// Windows).
    static QString defaultAutoLogSqlFileName() { return Preferences::defaultAutoLogSqlFileName(); }

    /// The user's style list; it falls back to defaultStyles().
    TElementStyles& userStyles() { return userStyles_; }
    const TElementStyles& defaultStyles() const { return defaultStyles_; }

    /// The OK handling: stores the controls, then saves the user style list.
    /// A style file that cannot be written raises Error after the settings
    /// were stored.
    void OKButtonClick();
    /// The Cancel handling: reloads the user style list if its file exists,
    /// then puts the stored values back into the controls (also when the
    /// reload failed; its error is raised afterwards).
    void CancelButtonClick();

    /// OK: runs OKButtonClick, reports its failure, and closes.
    void accept() override;
    /// Cancel or Escape: runs CancelButtonClick, reports its failure, and
    /// closes. Closing by the frame closes without it.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    /// The value the controls show.
    Preferences shownValue() const;
    void showValue(const Preferences& value);

    TkzSettingsPanel* savedPanel_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QWidget* generalTabSheet_ = nullptr;
    QCheckBox* loadLastPrjAtStartup_ = nullptr;
    QCheckBox* autoCreateEmptyPrjAtStartup_ = nullptr;
    QLabel* label6_ = nullptr;
    QLineEdit* autoLogSqlFileName_ = nullptr;
    QLineEdit* lastPrj_ = nullptr;

    TElementStyles defaultStyles_;
    TElementStyles userStyles_;
    bool closingByFrame_ = false;
    Preferences value_;
};

}  // namespace qm
