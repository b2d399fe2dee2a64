#pragma once

#include <QString>

class QDialog;
class QUrl;

namespace qm {

/// The input boxes, file dialogs, beeps and outside programs the commands
/// use. The desktop program shows them on screen (WidgetCommandPrompts);
/// tests answer them from a script, so no test waits on a dialog. Message
/// boxes go through MessageBoxes, as everywhere else.
class CommandPrompts {
public:
    virtual ~CommandPrompts() = default;
    /// The single-line input box: `text` goes in and comes out; true when
    /// closed with OK, even with an empty text.
    virtual bool inputQuery(const QString& caption, const QString& prompt, QString& text) = 0;
    virtual void beep() = 0;
    /// Shows a modal dialog of a command and returns its result
    /// (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog& dialog) = 0;
    /// The script file to open ("Select a SQL script file"); false when
    /// cancelled.
    virtual bool openScriptFileName(QString& fileName) = 0;
    /// The script file to save under. `filterIndex` goes in as the filter
    /// entry to select and comes out as the one chosen (0: SQL, 1: TXT).
    /// The dialog does not ask about replacing an existing file itself.
    virtual bool saveScriptFileName(QString& fileName, int& filterIndex) = 0;
    /// Opens a web or mail address, or a file, with the desktop's default
    /// handler; false when none took it.
    virtual bool openUrl(const QUrl& url) = 0;
};

}  // namespace qm
