#pragma once

#include "db/LoginPrompt.h"

#include <QString>
#include <memory>

class QDialog;
class QWidget;

namespace qm {

/// The desktop program's login prompt: asks for user name and password in
/// the small modal dialog "Database Login", which names the alias, offers
/// the alias's user name and hides the password as it is typed. Cancel
/// refuses the login with a reason that names the alias.
class LoginDialog : public LoginPrompt {
public:
    /// The dialogs are shown over `parent` (the active window when null).
    explicit LoginDialog(QWidget* parent = nullptr) : parent_(parent) {}

    bool askLogin(const QString& alias, QString& user, QString& password, QString& reason) override;

    /// The dialog for an alias, built but not shown: the line edits
    /// kUserName (holding `user`) and kPassword, and the buttons "OK"
    /// (default) and "Cancel".
    static std::unique_ptr<QDialog> build(const QString& alias, const QString& user,
                                          QWidget* parent = nullptr);

    static constexpr char16_t kUserName[] = u"UserNameEdit";
    static constexpr char16_t kPassword[] = u"PasswordEdit";

protected:
    /// Shows the dialog modally and returns its result (QDialog::Accepted
    /// or Rejected). Tests answer the dialog here instead of a user.
    virtual int run(QDialog& dialog);

private:
    QWidget* parent_;
};

}  // namespace qm
