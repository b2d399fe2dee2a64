#pragma once

#include "common/Errors.h"

#include <QString>

namespace qm {

/// A broken invariant of the program: the text names the source file (as a
/// path inside the repository) and the line of the check.
class AssertionFailure : public InternalError {
public:
    using InternalError::InternalError;
};

/// Raises AssertionFailure with "<message> (<file>, line <line>)".
[[noreturn]] void raiseAssertion(const char* file, int line, const QString& message);

/// The repository-relative form of a __FILE__ path ("src/core/...").
QString sourcePath(const char* file);

}  // namespace qm

/// Checks an invariant; a failure raises "Assertion failure (file, line n)".
#define QM_ASSERT(cond)                                                                    \
    do {                                                                                   \
        if (!(cond))                                                                       \
            ::qm::raiseAssertion(__FILE__, __LINE__, QStringLiteral("Assertion failure")); \
    } while (false)

/// Checks an invariant; a failure raises "<message> (file, line n)".
#define QM_ASSERT_MSG(cond, message)                             \
    do {                                                         \
        if (!(cond))                                             \
            ::qm::raiseAssertion(__FILE__, __LINE__, (message)); \
    } while (false)
