#pragma once

#include <QString>

class QSettings;

namespace qm {

/// The user's preferences as a value: what to do at start-up, the last
/// project and the log file of executed scripts. They are kept in the
/// per-user store under the keys of the preferences dialog's settings panel
/// (below "\Software\kazmo\Vistrel"), in the forms that panel writes, so the
/// dialog and this value read each other's stores.
///
/// The program's value in force is the preferences dialog's
/// (TOptionsForm::instance().preferences()); code without widgets reads and
/// writes the store with load() and save().
struct Preferences {
    /// "Automatically load last project at startup".
    bool loadLastProjectAtStartup = true;
    /// "Auto create a new project at startup".
    bool autoCreateEmptyProjectAtStartup = false;
    /// The log file of executed scripts; empty when the user emptied it.
    QString autoLogSqlFileName = defaultAutoLogSqlFileName();
    /// The project open when the program last closed; empty at first.
    QString lastProject;

    /// "ExecutedSQL.txt" in the user's home folder ("c:\ExecutedSQL.txt" on
    /// Windows).
    static QString defaultAutoLogSqlFileName();

    /// The preferences in the per-user store. A store the dialog never
    /// saved gives the defaults, as the dialog then ignores what it holds; a
    /// value that is missing or of the wrong form keeps its default.
    static Preferences load();
    static Preferences read(const QSettings& store);
    /// Writes the four values, and the mark that the dialog's values were
    /// saved, to the per-user store. Raises Error when it cannot be written.
    void save() const;
    void write(QSettings& store) const;

    friend bool operator==(const Preferences&, const Preferences&) = default;
};

}  // namespace qm
