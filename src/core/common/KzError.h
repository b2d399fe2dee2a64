#pragma once

#include "common/Errors.h"

#include <QString>
#include <functional>

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

/// The shared reporter of consistency checks. Reports that ask the user
/// whether to continue go through a prompt that the desktop program installs;
/// without one (command-line tool, tests) the answer is "stop".
class TkzError {
public:
    /// Asks a Yes/No question; true is Yes.
    using Prompt = std::function<bool(const QString& text)>;

    static TkzError& instance();

    void setPrompt(Prompt prompt) { prompt_ = std::move(prompt); }

    QString TitlePrefix() const;
    static QString MessagePart(const QString& message);
    static QString LocationPart(const QString& location);

    /// Reports a false condition and, unless the user chooses to continue,
    /// raises the termination error.
    void Precondition(bool condition, const QString& message, const QString& location);
    void Check(bool condition, const QString& message, const QString& location);
    [[noreturn]] void ProgError(const QString& message, const QString& location);
    [[noreturn]] void RuntimeError(const QString& message, const QString& location);

    /// The full text of a program-error report (what ProgError raises).
    QString progErrorText(const QString& message, const QString& location) const;

private:
    void report(bool condition, const QString& headline, const QString& message,
                const QString& location, const QString& ending);
    Prompt prompt_;
};

}  // namespace qm
