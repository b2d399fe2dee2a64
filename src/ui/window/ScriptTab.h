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
    /// Puts the collected lines into the editor now.
    void flushScript() const;
    bool selectNextStatement() const;
    bool deleteExecutedStatements() const;
    bool disableLogging() const;

private:
    QPlainTextEdit* scriptMemo_ = nullptr;
    QCheckBox* selectNext_ = nullptr;
    QCheckBox* deleteExecuted_ = nullptr;
    QCheckBox* disableLogging_ = nullptr;
    mutable QStringList pendingLines_;
};

}  // namespace qm
