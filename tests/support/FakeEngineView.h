#pragma once

#include "db/LoginPrompt.h"
#include "engine/EnginePorts.h"
#include "engine/EngineTexts.h"
#include "report/MessageViewer.h"

#include <QMap>
#include <QStringList>
#include <optional>
#include <ostream>
#include <vector>

namespace qm {

/// Readable test failure output for the counts (found by argument lookup).
inline void PrintTo(const ComparisonCounts& c, std::ostream* os) {
    *os << "{inserts " << c.inserts << ", updates " << c.updates << ", deletes " << c.deletes
        << ", differences " << c.differences << ", target only " << c.targetOnly << '}';
}

}  // namespace qm

namespace qm::test {

/// Stands in for the main window behind every port of the engine: keeps
/// what the state notices said (the "Connected" boxes, the record-count
/// texts and the statistics, made with the shared formatter), records
/// messages, beeps and grid notices, and answers questions and login
/// prompts as scripted.
class FakeEngineView final : public EngineStateListener,
                             public GridPort,
                             public BusyPort,
                             public ScriptPort,
                             public MessageViewer,
                             public LoginPrompt {
public:
    /// This fake as every port of the engine.
    EnginePorts ports() { return {this, this, this, this}; }

    void connectedChanged(Side side, bool connected) override { boxes[side] = connected; }
    void recordCountChanged(Side side, std::optional<qsizetype> records) override {
        counts[side] = recordCountText(side, records);
    }
    void statisticsChanged(const std::optional<ComparisonCounts>& shown) override {
        ++statisticsNotices;
        statCounts = shown;
    }
    void stateChanged() override { ++stateNotices; }

    void columnsCreated(Side side) override {
        notices << QStringLiteral("created") + sideName(side);
    }
    void columnsRemoved(Side side) override {
        notices << QStringLiteral("removed") + sideName(side);
    }
    std::vector<int> selectedSourceRecIds() const override { return selection; }

    void beep() override { ++beeps; }

    void clear() override { script.clear(); }
    void appendLine(const QString& line) override { script << line; }
    void show() override { ++scriptTabShown; }

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

    /// The five statistics texts last shown, in strip order, joined by " | ".
    QString statistics() const {
        return statisticTexts(statCounts).all().join(QStringLiteral(" | "));
    }
    /// All messages shown, information and errors, in one list.
    QStringList messages() const { return infos + errors; }

    QMap<Side, bool> boxes;
    /// Record-count texts as the window shows them.
    QMap<Side, QString> counts;
    /// The counts last heard; nullopt when cleared or never shown.
    std::optional<ComparisonCounts> statCounts;
    int statisticsNotices = 0;
    int stateNotices = 0;
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
