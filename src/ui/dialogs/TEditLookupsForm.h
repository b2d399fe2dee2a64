#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace qm {

/// Chooses one lookup definition of a table setup by its name.
class TEditLookupsForm : public QDialog {
    Q_OBJECT

public:
    explicit TEditLookupsForm(const QString& caption, QWidget* parent = nullptr);

    /// Fills the list box, in the order given, and selects the first name.
    void setNames(const QStringList& names);
    QStringList names() const;
    /// The position of the selected name; -1 when none is selected.
    int selectedIndex() const;

    /// OK is enabled only while the list has an entry.
    void FormShow();
    /// A double click on an entry presses OK.
    void ListBoxDblClick();

    QListWidget& listBox() const { return *list_; }
    QPushButton& okButton() const { return *ok_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qm
