#pragma once

#include "common/Errors.h"

#include <QString>

namespace qm {

/// A program error detected by a consistency check.
class EProgError : public Error {
public:
    using Error::Error;
};

/// Invalid state found in runtime data (for example a file with a node of no
/// known kind).
class ERuntimeError : public Error {
public:
    using Error::Error;
};

/// The shared reporter of consistency checks and plain information
/// messages. Reports that ask whether to continue are message boxes
/// (MessageBoxes); unattended, the answer is "stop".
class TkzError {
public:
    enum class ErrorClass { Plain, ProgError, RuntimeError };

    virtual ~TkzError() = default;
    static TkzError& instance();

    /// The application title followed by two line breaks.
    virtual QString TitlePrefix() const;
    virtual QString MessagePart(const QString& message) const;
    virtual QString LocationPart(const QString& location) const;
    /// Called at the start of every report but Warning.
    virtual void BeforeReport() {}
    /// "Class.Method", the form of report locations.
    virtual QString MethodName(const QString& className, const QString& method) const;
    virtual void NotImplemented(const QString& name, const QString& location);
    /// An information box with the message and the location part.
    virtual void MyMsg(const QString& message, const QString& location);
    /// Reports a false condition; unless the user chooses to continue,
    /// raises the termination error.
    virtual void Precondition(bool condition, const QString& message, const QString& location);
    virtual void Check(bool condition, const QString& message, const QString& location);
    [[noreturn]] void ProgError(const QString& message, const QString& location);
    [[noreturn]] void RaiseError(ErrorClass cls, const QString& message, const QString& location);
    [[noreturn]] void RuntimeError(const QString& message, const QString& location);
    /// Asks whether to go on: Yes ends the operation silently, No raises the
    /// runtime error.
    [[noreturn]] void Warning(const QString& message, const QString& location);

    /// The full text of a program-error report (what ProgError raises).
    QString progErrorText(const QString& message, const QString& location) const;

protected:
    TkzError() = default;

private:
    /// Title, headline, message part and location part, separated by empty
    /// lines: the body every report shares.
    QString composeReport(const QString& headline, const QString& message,
                          const QString& location) const;
    void report(bool condition, const QString& headline, const QString& message,
                const QString& location, const QString& ending);
};

}  // namespace qm
