#pragma once

#include "db/LoginPrompt.h"
#include "engine/EnginePorts.h"
#include "report/MessageViewer.h"

#include <QStringList>

namespace qm::cli {

/// The engine's ports for the command-line tool: progress on standard
/// error, the script kept in memory, messages written to standard error.
/// Connection state, record counts and statistics are read from the engine
/// itself and printed through the shared texts.
class CliPorts final : public BusyPort,
                       public ScriptPort,
                       public MessageViewer,
                       public LoginPrompt {
public:
    /// This object as the engine's ports (it listens to no state).
    EnginePorts ports() { return {nullptr, nullptr, this, this}; }

    void showInfo(const QString& text) override;
    void showError(const QString& text) override;
    /// No one can answer: questions get the preset answer ("No" unless set).
    bool askYesNo(const QString& text) override;
    void setYesNoAnswer(bool yes) { yesNoAnswer_ = yes; }

    /// Shown on standard error only when it is a terminal, on one line.
    void progress(const QString& text) override;
    /// Whether Ctrl+C or SIGTERM asked to stop (stopFlag()).
    bool cancelRequested() override;

    void clear() override { script_.clear(); }
    void appendLine(const QString& line) override { script_ << line; }
    const QStringList& script() const { return script_; }

    /// Password from QUILLMERE_PASSWORD; refuses with a hint when unset.
    bool askLogin(const QString& alias, QString& user, QString& password, QString& reason) override;

    /// Whether any message was shown, which makes the command fail.
    bool messageShown() const { return messageShown_; }

private:
    bool messageShown_ = false;
    bool yesNoAnswer_ = false;
    QStringList script_;
};

}  // namespace qm::cli
