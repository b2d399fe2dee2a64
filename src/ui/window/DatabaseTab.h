#pragma once

#include "engine/EnginePorts.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace qm {

/// The "Database" tab: the source alias ("Merge From Alias") and the target
/// alias, each with its "Connected" box. The boxes show the engine's state;
/// a click asks the engine to connect or disconnect.
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

signals:
    /// The user changed an alias's text.
    void aliasEdited(qm::Side side, const QString& alias);
    /// The user ticked (true) or cleared a "Connected" box.
    void connectClicked(qm::Side side, bool connect);

private:
    QWidget* group(Side side, const QString& title);

    QLineEdit* sourceAlias_ = nullptr;
    QLineEdit* targetAlias_ = nullptr;
    QCheckBox* sourceConnected_ = nullptr;
    QCheckBox* targetConnected_ = nullptr;
};

}  // namespace qm
