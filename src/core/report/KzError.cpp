#include "report/KzError.h"

#include "report/MessageBoxes.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace qm {

TkzError& TkzError::instance() {
    static TkzError reporter;
    return reporter;
}

QString TkzError::TitlePrefix() const {
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty()) {
        title = u"Quillmere"_s;
    }
    return title + u"\r\n\r\n"_s;
}

QString TkzError::MessagePart(const QString& message) const {
    return message.isEmpty() ? QString() : u"Message: "_s + message;
}

QString TkzError::LocationPart(const QString& location) const {
    return location.isEmpty() ? QString() : u"(It happened at "_s + location + u')';
}

QString TkzError::composeReport(const QString& headline, const QString& message,
                                const QString& location) const {
    return TitlePrefix() + headline + u"\r\n\r\n"_s + MessagePart(message) + u"\r\n\r\n"_s +
           LocationPart(location);
}

QString TkzError::MethodName(const QString& className, const QString& method) const {
    return className + u'.' + method;
}

void TkzError::NotImplemented(const QString& name, const QString& location) {
    MyMsg((name.isEmpty() ? location : name) + u" is not implemented!"_s, location);
}

void TkzError::MyMsg(const QString& message, const QString& location) {
    Precondition(!message.isEmpty(), QString(), u"MyMsg"_s);
    BoxRequest box;
    box.kind = BoxKind::Information;
    box.text = message + u"\r\n"_s + LocationPart(location);
    box.buttons = {BoxButton::Ok};
    MessageBoxes::current().show(box);
}

void TkzError::report(bool condition, const QString& headline, const QString& message,
                      const QString& location, const QString& ending) {
    if (condition) {
        return;
    }
    BeforeReport();
    BoxRequest box;
    box.kind = BoxKind::Information;
    box.text = composeReport(headline, message, location) + u"\r\n\r\nContinue?"_s;
    box.buttons = {BoxButton::Yes, BoxButton::No};
    if (MessageBoxes::current().show(box).button != BoxButton::No) {
        return;
    }
    throw Error(u"Terminating program in "_s + location + u". Message was: "_s + message + ending);
}

void TkzError::Precondition(bool condition, const QString& message, const QString& location) {
    report(condition, u"Precondition violated. An unexpected condition has been found."_s, message,
           location, u" - precondition violation."_s);
}

void TkzError::Check(bool condition, const QString& message, const QString& location) {
    report(condition, u"Check violated. An unexpected condition has been found."_s, message,
           location, u" - check violated."_s);
}

QString TkzError::progErrorText(const QString& message, const QString& location) const {
    return composeReport(u"Possible program error detected!"_s, message, location);
}

void TkzError::ProgError(const QString& message, const QString& location) {
    RaiseError(ErrorClass::ProgError, message, location);
}

void TkzError::RaiseError(ErrorClass cls, const QString& message, const QString& location) {
    BeforeReport();
    const QString text = progErrorText(message, location);
    switch (cls) {
        case ErrorClass::ProgError:
            throw EProgError(text);
        case ErrorClass::RuntimeError:
            throw ERuntimeError(text);
        case ErrorClass::Plain:
            break;
    }
    throw Error(text);
}

void TkzError::RuntimeError(const QString& message, const QString& location) {
    BeforeReport();
    throw ERuntimeError(
        composeReport(u"Error during execution - invalid state found in runtime data!"_s, message,
                      location) +
        u"\r\n\r\nTerminating program.\r\n"_s);
}

void TkzError::Warning(const QString& message, const QString& location) {
    BoxRequest box;
    box.kind = BoxKind::Warning;
    box.text = composeReport(u"Warning!"_s, message, location) + u"\r\n\r\nContinue?"_s;
    box.buttons = {BoxButton::Yes, BoxButton::No};
    if (MessageBoxes::current().show(box).button == BoxButton::Yes) {
        throw SilentAbort();
    }
    RuntimeError(message, location);
}

}  // namespace qm
