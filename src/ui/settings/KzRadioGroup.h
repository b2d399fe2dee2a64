#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;
class QVBoxLayout;

namespace qm {

/// A group box of radio buttons, one of which is chosen: the chosen item is
/// an index (-1 for none), the form in which the settings panel stores it.
/// The items are the group's own radio buttons in the order they were added.
class TkzRadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit TkzRadioGroup(QWidget* parent = nullptr);
    explicit TkzRadioGroup(const QString& title, QWidget* parent = nullptr);

    /// Adds a radio button with this caption below the others.
    QRadioButton* addItem(const QString& text);
    /// The captions of the items.
    QStringList items() const;
    int count() const { return static_cast<int>(buttons().size()); }

    /// The index of the chosen item, -1 when none is chosen.
    int itemIndex() const;
    /// Chooses the item; -1 chooses none. An index outside -1 .. count()-1
    /// changes nothing.
    void setItemIndex(int index);

private:
    QList<QRadioButton*> buttons() const;

    QVBoxLayout* layout_;
};

}  // namespace qm
