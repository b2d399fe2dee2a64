#pragma once

#include <QDialog>

namespace qm {

/// The about box: the program's name and version, what it does, where its
/// configuration and help live, and the maker's addresses.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

}  // namespace qm
