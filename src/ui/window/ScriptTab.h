#pragma once

#include <QStringList>
#include <QWidget>

class QAction;
class QCheckBox;
class QPlainTextEdit;

namespace qm {

/// The "Script" tab: the script editor (which keeps its selection visible
/// when it loses the focus), the execute button, the tip and the three
/// switches of script execution, all off at start.
class ScriptTab : public QWidget {
    Q_OBJECT

public:
    explicit ScriptTab(QAction& executeScript, QWidget* parent = nullptr);

    /// The editor, holding every line handed over so far.
    QPlainTextEdit& ScriptMemo() const {
        flushScript();
        return *scriptMemo_;
    }
    /// Empties the editor, with the lines not yet put into it.
    void clearScript();
    /// Adds a line at the end of the script. Lines are collected and go into
    /// the editor together (once control returns to the event loop, or when
    /// the editor is next asked for): a script of many thousand lines laid
    /// out line by line would take minutes.
    void appendScriptLine(const QString& line);
    /// Puts the collected lines into the editor now (not while held).
    void flushScript() const;
    /// While long work runs, emptying the editor and the lines added are
    /// held back, so that work that is stopped leaves the editor as it was.
    void holdScript();
    /// Ends the hold: applies what was held back, or drops it.
    void releaseScript(bool apply);
    /// Notes that the editor now holds the statements the program wrote for
    /// one table setup: replacing them loses nothing.
    void markTableSetupScript();
    /// True when replacing the editor's text loses nothing: it is empty or
    /// still exactly what the program last wrote for a table setup (not
    /// typed over, opened from a file or grown by a project script).
    bool holdsOnlyTableSetupScript() const;
    bool selectNextStatement() const;
    bool deleteExecutedStatements() const;
    bool disableLogging() const;

private:
    QPlainTextEdit* scriptMemo_ = nullptr;
    QCheckBox* selectNext_ = nullptr;
    QCheckBox* deleteExecuted_ = nullptr;
    QCheckBox* disableLogging_ = nullptr;
    mutable QStringList pendingLines_;
    bool held_ = false;
    bool clearHeld_ = false;        // clearScript came while held
    bool markHeld_ = false;         // markTableSetupScript came while held
    bool editedWhileHeld_ = false;  // the editor was written to directly
    /// The text markTableSetupScript() saw; null before the first mark.
    QString tableSetupScript_;
};

}  // namespace qm
