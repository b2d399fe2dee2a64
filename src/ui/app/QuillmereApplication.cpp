#include "app/QuillmereApplication.h"

#include "common/Errors.h"
#include "shared/UnhandledFailure.h"

namespace qm {

QuillmereApplication::QuillmereApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QuillmereApplication::notify(QObject* receiver, QEvent* event) {
    // Only the program's own failures are caught: anything else (a forced
    // unwind, a foreign exception) must not be swallowed here.
    try {
        return QApplication::notify(receiver, event);
    } catch (const SilentAbort&) {
    } catch (const std::exception&) {
        reportFailure(std::current_exception());
    }
    return false;
}

}  // namespace qm
