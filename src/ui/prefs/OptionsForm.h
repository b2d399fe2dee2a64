#pragma once

#include "styles/ElementStyles.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace qm {

class TkzSettingsPanel;

/// The preferences dialog "Preferences": what to do at start-up, the last
/// project and the log file of executed scripts. Its controls sit on the
/// settings panel "SavedPanel" (company "kazmo", product "Vistrel"), which
/// keeps their values per user; the controls hold the live settings that the
/// rest of the program reads through the accessors below. The dialog also
/// keeps the user's element style list, saved in PrefsElementStyles.DAT.
///
/// OK stores the controls (Snapshot) and the style list; Cancel and Escape
/// put the stored values back (and reload the style list); closing the
/// window by its frame does neither, so edited values stay in force for the
/// run and are stored with the next snapshot.
class TOptionsForm : public QDialog {
    Q_OBJECT

public:
    /// The program's one dialog: created at the first call, which restores
    /// the stored values (and on a first run stores the initial ones), and
    /// released with the application object. Call it early at start-up.
    static TOptionsForm& instance();

    /// A dialog of its own on the same store; the program uses instance().
    /// It always is a window of its own (the store names it "OptionsForm").
    TOptionsForm();
    ~TOptionsForm() override;

    /// "Automatically load last project at startup"; initially on.
    bool loadLastProjectAtStartup() const;
    /// "Auto create a new project at startup"; initially off.
    bool autoCreateEmptyProjectAtStartup() const;
    /// The log file of executed scripts; initially defaultAutoLogSqlFileName().
    QString autoLogSqlFileName() const;
    /// The project open when the program last closed; initially empty.
    QString lastProject() const;
    void setLastProject(const QString& path);
    /// Stores the current values of the controls.
    void snapshot();

    /// "ExecutedSQL.txt" in the user's home folder ("c:\ExecutedSQL.txt" on
    /// Windows).
    static QString defaultAutoLogSqlFileName();

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
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate();

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
};

}  // namespace qm
