#pragma once

#include <QApplication>

namespace qm {

/// The application object of the desktop program. A failure that no
/// operation handles and that reaches the event loop is shown in an error
/// box (reportFailure) and the program keeps running; a silent abort ends
/// the operation without a box.
class QuillmereApplication : public QApplication {
    Q_OBJECT

public:
    QuillmereApplication(int& argc, char** argv);

    /// Delivers the event; a qm::Error or std::exception raised by the
    /// receiver's handler is reported instead of ending the program, and
    /// the event counts as not handled.
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace qm
