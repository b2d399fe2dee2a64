#pragma once

#include <QString>

namespace qm {

/// Asks for user name and password when an alias needs a password that it
/// does not hold. The desktop program shows a dialog; the command-line tool
/// takes the password from the environment.
class LoginPrompt {
public:
    virtual ~LoginPrompt() = default;
    /// Returns false when the user refuses; `user` comes in filled with the
    /// alias's user name. `reason` explains a refusal for messages.
    virtual bool askLogin(const QString& alias, QString& user, QString& password,
                          QString& reason) = 0;
};

}  // namespace qm
