// The desktop program's login prompt.

#include "dialogs/LoginDialog.h"
#include "ui/UiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace Qt::StringLiterals;
using namespace qm;
using qm::test::UiTest;

namespace {

QLineEdit* field(QDialog& dialog, const char16_t* name) {
    return dialog.findChild<QLineEdit*>(QString::fromUtf16(name));
}

// Answers the dialog in place of a user, after recording what it offered.
class AnsweredLogin final : public LoginDialog {
public:
    explicit AnsweredLogin(std::function<int(QDialog&)> answer) : answer_(std::move(answer)) {}
    QString offeredUser;
    QString title;
    QString heading;
    QLineEdit::EchoMode passwordEcho = QLineEdit::Normal;

protected:
    int run(QDialog& dialog) override {
        offeredUser = field(dialog, kUserName)->text();
        title = dialog.windowTitle();
        heading = dialog.findChild<QLabel*>(u"AliasLabel"_s)->text();
        passwordEcho = field(dialog, kPassword)->echoMode();
        return answer_(dialog);
    }

private:
    std::function<int(QDialog&)> answer_;
};

using LoginDialogTest = UiTest;

TEST_F(LoginDialogTest, AcceptingGivesTheTypedLoginAndCancellingRefuses) {
    struct Case {
        const char* what;
        std::function<int(QDialog&)> answer;
        bool accepted;
        QString user;
        QString password;
    };
    const QList<Case> cases{
        {"password typed",
         [](QDialog& d) {
             field(d, LoginDialog::kPassword)->setText(u"s3cret, with ; and '"_s);
             return int(QDialog::Accepted);
         },
         true, u"alice"_s, u"s3cret, with ; and '"_s},
        {"other user",
         [](QDialog& d) {
             field(d, LoginDialog::kUserName)->setText(u"bob"_s);
             field(d, LoginDialog::kPassword)->setText(u"pw"_s);
             return int(QDialog::Accepted);
         },
         true, u"bob"_s, u"pw"_s},
        {"cancelled",
         [](QDialog& d) {
             field(d, LoginDialog::kPassword)->setText(u"typed then cancelled"_s);
             return int(QDialog::Rejected);
         },
         false, u"alice"_s, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnsweredLogin prompt(c.answer);
        QString user = u"alice"_s;
        QString password;
        QString reason;
        EXPECT_EQ(prompt.askLogin(u"Sales"_s, user, password, reason), c.accepted);
        EXPECT_EQ(prompt.title, u"Database Login"_s);
        EXPECT_TRUE(prompt.heading.contains(u"Sales"_s)) << prompt.heading.toStdString();
        EXPECT_EQ(prompt.offeredUser, u"alice"_s);
        EXPECT_EQ(prompt.passwordEcho, QLineEdit::Password);
        EXPECT_EQ(user, c.user);
        EXPECT_EQ(password, c.password);
        EXPECT_EQ(reason,
                  c.accepted ? QString() : u"The login to alias \"Sales\" was cancelled."_s);
    }
}

// The real modal run: a timer plays the user, typing into the dialog and
// closing it by keyboard.
TEST_F(LoginDialogTest, TheModalDialogIsAnsweredByKeyboard) {
    struct Case {
        const char* what;
        Qt::Key closeKey;
        bool accepted;
    };
    const Case cases[] = {{"Return", Qt::Key_Return, true}, {"Escape", Qt::Key_Escape, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int answered = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            if (++answered > 1) {
                dialog->reject();  // the key did not close it: fail, do not hang
                return;
            }
            QTest::keyClicks(field(*dialog, LoginDialog::kPassword), u"typed"_s);
            QTest::keyClick(dialog, c.closeKey);
        });
        timer.start(10);
        LoginDialog prompt;
        QString user = u"alice"_s;
        QString password;
        QString reason;
        EXPECT_EQ(prompt.askLogin(u"Sales"_s, user, password, reason), c.accepted);
        EXPECT_EQ(answered, 1);
        EXPECT_EQ(password, c.accepted ? u"typed"_s : QString());
        EXPECT_EQ(reason.isEmpty(), c.accepted);
    }
}

}  // namespace
