#pragma once

#include "engine/EnginePorts.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace qm {

/// The "Database" tab: the source alias ("Merge From Alias") and the target
/// alias, each with its "Connected" box. The boxes show the engine's state;
/// a click asks the engine to connect or disconnect. Below them, "Compare
/// inside the databases", disabled with a hint beside it where the aliases'
/// databases or the table setup's rules do not allow it.
class DatabaseTab : public QWidget {
    Q_OBJECT

public:
    explicit DatabaseTab(QWidget* parent = nullptr);

    /// Shows an alias without reporting it as an edit.
    void setAlias(Side side, const QString& alias);
    QString alias(Side side) const;
    /// Ticks or clears the box without reporting it as a click.
    void setConnected(Side side, bool connected);
    bool connected(Side side) const;
    QLineEdit& aliasEdit(Side side) const;
    QCheckBox& connectedBox(Side side) const;
    /// Shows the project's choice without reporting it as a click; a
    /// `refusal` disables the box and shows why beside it.
    void setInDatabase(bool ticked, const QString& refusal);
    QCheckBox& inDatabaseBox() const { return *inDatabase_; }
    QLabel& inDatabaseHint() const { return *inDatabaseHint_; }

signals:
    /// The user changed an alias's text.
    void aliasEdited(qm::Side side, const QString& alias);
    /// The user ticked (true) or cleared a "Connected" box.
    void connectClicked(qm::Side side, bool connect);
    /// The user ticked (true) or cleared "Compare inside the databases".
    void inDatabaseClicked(bool ticked);

private:
    QWidget* group(Side side, const QString& title);
    QWidget* inDatabaseRow();

    QLineEdit* sourceAlias_ = nullptr;
    QLineEdit* targetAlias_ = nullptr;
    QCheckBox* sourceConnected_ = nullptr;
    QCheckBox* targetConnected_ = nullptr;
    QCheckBox* inDatabase_ = nullptr;
    QLabel* inDatabaseHint_ = nullptr;
};

}  // namespace qm
