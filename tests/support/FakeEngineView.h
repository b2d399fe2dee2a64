#pragma once

#include "db/LoginPrompt.h"
#include "engine/EngineView.h"
#include "report/MessageViewer.h"

#include <QMap>
#include <QStringList>
#include <optional>
#include <vector>

namespace qm::test {

/// Stands in for the main window: keeps the "Connected" boxes and labels,
/// records messages, beeps and grid notices, and answers questions and
/// login prompts as scripted.
class FakeEngineView final : public EngineView, public MessageViewer, public LoginPrompt {
public:
    bool connectedBox(Side side) const override { return boxes.value(side, false); }
    void setConnectedBox(Side side, bool ticked) override { boxes[side] = ticked; }
    void setRecordCountText(Side side, const QString& text) override { counts[side] = text; }
    void setStatisticText(StatLabel label, const QString& text) override { stats[label] = text; }
    void gridColumnsCreated(Side side) override {
        notices << QStringLiteral("created") + sideName(side);
    }
    void gridColumnsRemoved(Side side) override {
        notices << QStringLiteral("removed") + sideName(side);
    }
    void beep() override { ++beeps; }
    std::vector<int> selectedSourceRecIds() const override { return selection; }
    void scriptClear() override { script.clear(); }
    void scriptAppendLine(const QString& line) override { script << line; }
    void showScriptTab() override { ++scriptTabShown; }

    void showInfo(const QString& text) override { infos << text; }
    void showError(const QString& text) override { errors << text; }
    bool askYesNo(const QString& text) override {
        questions << text;
        return yesAnswer;
    }
    bool askLogin(const QString&, QString& user, QString& password, QString& reason) override {
        ++loginRequests;
        if (!loginPassword) {
            reason = QStringLiteral("login refused");
            return false;
        }
        if (!loginUser.isEmpty()) {
            user = loginUser;
        }
        password = *loginPassword;
        return true;
    }

    /// The five statistics texts in label order, joined by " | ".
    QString statistics() const {
        QStringList s;
        for (StatLabel l : {StatLabel::Insert, StatLabel::Update, StatLabel::Delete,
                            StatLabel::Diff, StatLabel::Local}) {
            s << stats.value(l);
        }
        return s.join(QStringLiteral(" | "));
    }
    /// All messages shown, information and errors, in one list.
    QStringList messages() const { return infos + errors; }

    QMap<Side, bool> boxes;
    QMap<Side, QString> counts;
    QMap<StatLabel, QString> stats;
    QStringList notices;
    QStringList infos;
    QStringList errors;
    QStringList questions;
    int beeps = 0;
    QStringList script;
    std::vector<int> selection;
    int scriptTabShown = 0;
    bool yesAnswer = true;
    int loginRequests = 0;
    QString loginUser;
    std::optional<QString> loginPassword;

private:
    static QString sideName(Side s) {
        return s == Side::Source ? QStringLiteral("Source") : QStringLiteral("Target");
    }
};

}  // namespace qm::test
