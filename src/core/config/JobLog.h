#pragma once

#include <QFile>
#include <QString>
#include <cstdint>

namespace qm {

/// A diagnostic trace file of milestones, each entry an empty line, the
/// entry and the time of day. The file is emptied by the first line of a
/// run; every line is flushed at once. A file that cannot be opened, or a
/// path that is not a regular file, turns logging off for the rest of the
/// run.
class TkzJobLog {
public:
    TkzJobLog() = default;
    virtual ~TkzJobLog() = default;
    TkzJobLog(const TkzJobLog&) = delete;
    TkzJobLog& operator=(const TkzJobLog&) = delete;

    bool Enabled = true;
    QString FileName = QStringLiteral("JobLog.txt");
    bool Opened() const { return opened_; }

    /// Entry types: 0 "Proc entry: ", 1 "Proc exit: ", 2 "Action: ", any
    /// other the text alone.
    virtual void Log(int entryType, const QString& text);
    virtual void Enter(const QString& className, const QString& methodName);
    virtual void Leave(const QString& className, const QString& methodName);
    virtual void Action(const QString& text);
    virtual void TimeStamp();

    /// Writes one line; raises Error when a write to the open file fails.
    void WriteLine(const QString& text);

private:
    QFile file_;
    bool opened_ = false;
};

/// The program's job log: entries above Level are not written.
class TPrjJobLog : public TkzJobLog {
public:
    static TPrjJobLog& instance();

    std::uint8_t Level = 0;

    void ActionAt(const QString& text, int entryLevel);
    void EnterAt(const QString& className, const QString& methodName, int entryLevel);
    void LeaveAt(const QString& className, const QString& methodName, int entryLevel);
};

}  // namespace qm
