#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QPlainTextEdit;

namespace qm {

/// The "Script" tab: the script editor (which keeps its selection visible
/// when it loses the focus), the execute button, the tip and the three
/// switches of script execution, all off at start.
class ScriptTab : public QWidget {
    Q_OBJECT

public:
    explicit ScriptTab(QAction& executeScript, QWidget* parent = nullptr);

    QPlainTextEdit& ScriptMemo() const { return *scriptMemo_; }
    bool selectNextStatement() const;
    bool deleteExecutedStatements() const;
    bool disableLogging() const;

private:
    QPlainTextEdit* scriptMemo_ = nullptr;
    QCheckBox* selectNext_ = nullptr;
    QCheckBox* deleteExecuted_ = nullptr;
    QCheckBox* disableLogging_ = nullptr;
};

}  // namespace qm
