#pragma once

#include <QString>
#include <exception>

namespace qm {

/// Base of every failure the program raises: an exception that carries the
/// message text shown to the user.
class Error : public std::exception {
public:
    explicit Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

/// A value that cannot be converted to the type it is needed in.
class ConversionError : public Error {
public:
    using Error::Error;
};

/// A failure reported by the database layer (connection, query, statement).
class DatabaseError : public Error {
public:
    using Error::Error;
};

/// A broken internal invariant; ordinary use never raises it.
class InternalError : public Error {
public:
    using Error::Error;
};

/// Ends an operation without a further message: raised after the operation
/// has already shown its own message.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace qm
