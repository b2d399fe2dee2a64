#pragma once

#include <QString>

namespace qm {

/// The message viewer: information, errors and yes/no questions. The
/// desktop program shows message boxes; tests and the command-line tool
/// replace it.
class MessageViewer {
public:
    virtual ~MessageViewer() = default;
    virtual void showInfo(const QString& text) = 0;
    virtual void showError(const QString& text) = 0;
    virtual bool askYesNo(const QString& text) = 0;
};

}  // namespace qm
