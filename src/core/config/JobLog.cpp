#include "config/JobLog.h"

#include "common/Errors.h"

#include <QFileInfo>
#include <QTime>

using namespace Qt::StringLiterals;

namespace qm {

void TkzJobLog::WriteLine(const QString& text) {
    if (!Enabled) {
        return;
    }
    if (!opened_ && !FileName.isEmpty()) {
        file_.setFileName(FileName);
        // Only a regular file is emptied and written: opening a FIFO would
        // wait for a reader, and a device is not a trace file.
        const QFileInfo info(FileName);
        if ((info.exists() && !info.isFile()) ||
            !file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            FileName.clear();  // no further attempt this run
            return;
        }
        opened_ = true;
    }
    if (!opened_) {
        return;
    }
    const QByteArray line = (text + u"\r\n"_s).toUtf8();
    if (file_.write(line) != line.size() || !file_.flush()) {
        throw Error(
            u"Cannot write the job log \"%1\": %2"_s.arg(file_.fileName(), file_.errorString()));
    }
}

void TkzJobLog::Log(int entryType, const QString& text) {
    if (!Enabled) {
        return;
    }
    switch (entryType) {
        case 0:
            WriteLine(u"Proc entry: "_s + text);
            break;
        case 1:
            WriteLine(u"Proc exit: "_s + text);
            break;
        case 2:
            WriteLine(u"Action: "_s + text);
            break;
        default:
            WriteLine(text);
    }
}

void TkzJobLog::Enter(const QString& className, const QString& methodName) {
    WriteLine(QString());
    Log(0, className + u'.' + methodName);
    TimeStamp();
}

void TkzJobLog::Leave(const QString& className, const QString& methodName) {
    WriteLine(QString());
    Log(1, className + u'.' + methodName);
    TimeStamp();
}

void TkzJobLog::Action(const QString& text) {
    WriteLine(QString());
    Log(2, text);
    TimeStamp();
}

void TkzJobLog::TimeStamp() {
    Log(3, u"Current time is: "_s + QTime::currentTime().toString(u"hh:mm:ss"_s));
}

TPrjJobLog& TPrjJobLog::instance() {
    static TPrjJobLog log;
    return log;
}

void TPrjJobLog::ActionAt(const QString& text, int entryLevel) {
    if (Level >= entryLevel) {
        Action(text);
    }
}

void TPrjJobLog::EnterAt(const QString& className, const QString& methodName, int entryLevel) {
    if (Level >= entryLevel) {
        Enter(className, methodName);
    }
}

void TPrjJobLog::LeaveAt(const QString& className, const QString& methodName, int entryLevel) {
    if (Level >= entryLevel) {
        Leave(className, methodName);
    }
}

}  // namespace qm
