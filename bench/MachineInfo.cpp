#include "MachineInfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>

using namespace Qt::StringLiterals;

namespace qmbench {
namespace {

// /proc files report a size of 0, so they are read to their end.
QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromUtf8(f.readAll());
}

QString cpuModel() {
    static const QRegularExpression model(u"^model name\\s*:\\s*(.*)$"_s,
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = model.match(readAll(u"/proc/cpuinfo"_s));
    const QString name = m.hasMatch() ? m.captured(1).trimmed() : QString();
    return name.isEmpty() ? u"unknown"_s : name;
}

// The mode in use is the bracketed word: "always [madvise] never".
QString hugePageMode() {
    static const QRegularExpression chosen(u"\\[(\\w+)\\]"_s);
    const QRegularExpressionMatch m =
        chosen.match(readAll(u"/sys/kernel/mm/transparent_hugepage/enabled"_s));
    return m.hasMatch() ? m.captured(1) : u"unknown"_s;
}

}  // namespace

QStringList machineLines() {
    return {u"Machine: %1"_s.arg(cpuModel()), u"Cores: %1"_s.arg(QThread::idealThreadCount()),
            u"Transparent huge pages: %1"_s.arg(hugePageMode())};
}

}  // namespace qmbench
