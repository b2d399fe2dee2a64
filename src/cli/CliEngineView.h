#pragma once

#include "db/LoginPrompt.h"
#include "engine/EngineView.h"
#include "report/MessageViewer.h"

#include <QMap>
#include <QStringList>

namespace qm::cli {

/// The engine's window for the command-line tool: remembers the labels,
/// keeps the "Connected" boxes and writes messages to standard error.
class CliEngineView final : public EngineView, public MessageViewer, public LoginPrompt {
public:
    bool connectedBox(Side side) const override { return boxes_.value(side, false); }
    void setConnectedBox(Side side, bool ticked) override { boxes_[side] = ticked; }
    void setRecordCountText(Side side, const QString& text) override { counts_[side] = text; }
    void setStatisticText(StatLabel label, const QString& text) override { stats_[label] = text; }

    void showInfo(const QString& text) override;
    void showError(const QString& text) override;
    /// No one can answer: questions get the preset answer ("No" unless set).
    bool askYesNo(const QString& text) override;
    void setYesNoAnswer(bool yes) { yesNoAnswer_ = yes; }

    /// Shown on standard error only when it is a terminal, on one line.
    void progress(const QString& text) override;

    void scriptClear() override { script_.clear(); }
    void scriptAppendLine(const QString& line) override { script_ << line; }
    const QStringList& script() const { return script_; }

    /// Password from QUILLMERE_PASSWORD; refuses with a hint when unset.
    bool askLogin(const QString& alias, QString& user, QString& password, QString& reason) override;

    QString recordCountText(Side side) const { return counts_.value(side); }
    QString statisticText(StatLabel label) const { return stats_.value(label); }
    /// Whether any message was shown, which makes the command fail.
    bool messageShown() const { return messageShown_; }

private:
    QMap<Side, bool> boxes_;
    QMap<Side, QString> counts_;
    QMap<StatLabel, QString> stats_;
    bool messageShown_ = false;
    bool yesNoAnswer_ = false;
    QStringList script_;
};

}  // namespace qm::cli
