#pragma once

#include <QList>
#include <QString>

namespace qm {

/// The kind of a message box; it decides the icon and the caption.
enum class BoxKind { Information, Warning, Error, Confirmation };
enum class BoxButton { Ok, Yes, No, Cancel };

/// One message box to show.
struct BoxRequest {
    BoxKind kind = BoxKind::Information;
    QString text;
    QList<BoxButton> buttons{BoxButton::Ok};
    /// Adds the check box "&Don't show this message again".
    bool dontShowAgainBox = false;
};

/// The answer: the button pressed and the state of the check box.
struct BoxAnswer {
    BoxButton button = BoxButton::Ok;
    bool dontShowAgainTicked = false;
};

/// The one way the program shows message boxes. The desktop program
/// installs boxes on the screen; tests install scripted answers, so no test
/// ever waits on a dialog.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(const BoxRequest& request) = 0;

    /// The installed boxes; without any, every box is answered with its
    /// last button (No for Yes/No questions, OK for plain messages), so that
    /// the command-line tool stops rather than guesses.
    static MessageBoxes& current();
    /// Installs boxes (not owned); nullptr goes back to the default.
    static void install(MessageBoxes* boxes);
};

}  // namespace qm
