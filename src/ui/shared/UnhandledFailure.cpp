#include "shared/UnhandledFailure.h"

#include "common/Cancellation.h"
#include "common/Errors.h"
#include "report/MessageBoxes.h"
#include "report/TextRules.h"

namespace qm {

void showUnhandledError(const QString& message) {
    BoxRequest box;
    box.kind = BoxKind::Error;
    box.text = unhandledErrorText(message);
    box.buttons = {BoxButton::Ok};
    MessageBoxes::current().show(box);
}

void reportFailure(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const SilentAbort&) {
        // The operation has already said what went wrong.
    } catch (const Cancelled&) {
        // The user stopped it; what it changed is put back. No error.
    } catch (const Error& e) {
        showUnhandledError(e.message());
    } catch (const std::exception& e) {
        showUnhandledError(QString::fromLocal8Bit(e.what()));
    }
}

}  // namespace qm
