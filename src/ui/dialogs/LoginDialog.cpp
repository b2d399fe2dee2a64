#include "dialogs/LoginDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qm {

std::unique_ptr<QDialog> LoginDialog::build(const QString& alias, const QString& user,
                                            QWidget* parent) {
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setObjectName(u"LoginDialog"_s);
    dialog->setWindowTitle(u"Database Login"_s);
    dialog->setModal(true);

    auto* heading = new QLabel(u"Database alias \"%1\""_s.arg(alias), dialog.get());
    heading->setObjectName(u"AliasLabel"_s);
    // An alias is a name, never markup.
    heading->setTextFormat(Qt::PlainText);

    auto* userEdit = new QLineEdit(user, dialog.get());
    userEdit->setObjectName(QString::fromUtf16(kUserName));
    auto* passwordEdit = new QLineEdit(dialog.get());
    passwordEdit->setObjectName(QString::fromUtf16(kPassword));
    passwordEdit->setEchoMode(QLineEdit::Password);
    auto* fields = new QFormLayout;
    fields->addRow(u"&User name"_s, userEdit);
    fields->addRow(u"&Password"_s, passwordEdit);

    auto* buttons = new QDialogButtonBox(dialog.get());
    QPushButton* ok = buttons->addButton(u"OK"_s, QDialogButtonBox::AcceptRole);
    ok->setObjectName(u"OKButton"_s);
    ok->setDefault(true);
    buttons->addButton(u"Cancel"_s, QDialogButtonBox::RejectRole)->setObjectName(u"CancelButton"_s);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);

    auto* layout = new QVBoxLayout(dialog.get());
    layout->addWidget(heading);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    // With a user name offered, the password is what is left to type.
    (user.isEmpty() ? userEdit : passwordEdit)->setFocus();
    return dialog;
}

int LoginDialog::run(QDialog& dialog) {
    return dialog.exec();
}

bool LoginDialog::askLogin(const QString& alias, QString& user, QString& password,
                           QString& reason) {
    const std::unique_ptr<QDialog> dialog =
        build(alias, user, parent_ ? parent_ : QApplication::activeWindow());
    if (run(*dialog) != QDialog::Accepted) {
        reason = u"The login to alias \"%1\" was cancelled."_s.arg(alias);
        return false;
    }
    user = dialog->findChild<QLineEdit*>(QString::fromUtf16(kUserName))->text();
    password = dialog->findChild<QLineEdit*>(QString::fromUtf16(kPassword))->text();
    return true;
}

}  // namespace qm
