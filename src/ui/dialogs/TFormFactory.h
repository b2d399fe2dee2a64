#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace qm {

/// The program's register of dialog classes: dialogs register a maker under
/// their class name when the program starts, and commands create them by
/// name without knowing their headers.
class TFormFactory {
public:
    using Maker = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;

    static TFormFactory& instance();

    void registerForm(const QString& className, Maker maker);
    /// A new dialog of the class whose name equals `className` ignoring
    /// letter case (of several, the one registered last), or null.
    std::unique_ptr<QDialog> CreateByClassName(const QString& className,
                                               QWidget* parent = nullptr) const;

private:
    std::vector<std::pair<QString, Maker>> makers_;
};

/// Registers the program's own dialogs; called once at start-up (and by
/// tests), later calls change nothing.
void registerProgramForms();

}  // namespace qm
