#pragma once

#include <QString>
#include <exception>

namespace qm {

/// Shows a failure that no operation handled, the way the event loop shows
/// one: an error box with the button OK whose text is the message with the
/// closing period rule (unhandledErrorText). It goes through
/// MessageBoxes::current().
void showUnhandledError(const QString& message);

/// Reports the failure held by the pointer: a qm::Error or another
/// std::exception is shown with showUnhandledError; a SilentAbort ends the
/// operation without any box, since the operation has shown its own message,
/// and so does Cancelled (the user stopped it).
/// Anything else is raised again.
void reportFailure(const std::exception_ptr& failure);

/// Runs a handler and reports what it raises (reportFailure). Handlers that
/// Qt calls (slots, overridden event functions) go through this, so that no
/// exception unwinds through Qt's own code.
template <typename Handler>
void runReporting(Handler&& handler) {
    try {
        handler();
    } catch (...) {
        reportFailure(std::current_exception());
    }
}

}  // namespace qm
