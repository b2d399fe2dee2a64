#include "common/KzError.h"

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

QString TkzError::MessagePart(const QString& message) {
    return message.isEmpty() ? QString() : u"Message: "_s + message;
}

QString TkzError::LocationPart(const QString& location) {
    return location.isEmpty() ? QString() : u"(It happened at "_s + location + u')';
}

void TkzError::report(bool condition, const QString& headline, const QString& message,
                      const QString& location, const QString& ending) {
    if (condition) {
        return;
    }
    const QString text = TitlePrefix() + headline + u"\r\n\r\n"_s + MessagePart(message) +
                         u"\r\n\r\n"_s + LocationPart(location) + u"\r\n\r\nContinue?"_s;
    if (prompt_ && prompt_(text)) {
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
    return TitlePrefix() + u"Possible program error detected!\r\n\r\n"_s + MessagePart(message) +
           u"\r\n\r\n"_s + LocationPart(location);
}

void TkzError::ProgError(const QString& message, const QString& location) {
    throw EProgError(progErrorText(message, location));
}

void TkzError::RuntimeError(const QString& message, const QString& location) {
    throw ERuntimeError(TitlePrefix() +
                        u"Error during execution - invalid state found in runtime data!\r\n\r\n"_s +
                        MessagePart(message) + u"\r\n\r\n"_s + LocationPart(location) +
                        u"\r\n\r\nTerminating program.\r\n"_s);
}

}  // namespace qm
