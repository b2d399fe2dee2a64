#pragma once

// The checks the project loader fuzz target applies to every input; the
// corpus regression test runs the same checks on the committed corpus.
//
// A project file must either load or fail with the program's own error
// (never crash, hang or throw anything else); a project that loaded must
// save, and what it saved must load again and save to the same bytes.

#include "common/Errors.h"
#include "common/TextFile.h"
#include "ini/FastMemIniFile.h"
#include "project/FrameNodeData.h"
#include "project/PrjDataSaved.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>

namespace qm::fuzz {

inline QByteArray projectFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline int objectCount(TPrjData& p) {
    int n = 0;
    for (int i = 0; i < p.NodeCount(); ++i) {
        if (auto* frame = dynamic_cast<TFrameNodeData*>(p.GetItem(i))) {
            n += frame->ObjectCount();
        }
    }
    return n;
}

/// Empty when the input passes, else what went wrong.
inline QString checkProjectLoader(const QByteArray& bytes) {
    static const QTemporaryDir dir;
    const auto ini = TFastMemIniFile::fromText(TextFile::decode(bytes));
    TPrjDataSaved first;
    try {
        first.loadFromStore(*ini);
    } catch (const Error&) {
        return QString();  // refused with a message: fine
    } catch (const std::exception& e) {
        return QStringLiteral("foreign exception: ") + QString::fromUtf8(e.what());
    }
    const QString a = dir.filePath(QStringLiteral("a.qmp"));
    const QString b = dir.filePath(QStringLiteral("b.qmp"));
    TPrjDataSaved second;
    try {
        first.SaveToFile(a);
        second.LoadFromIniFile(a);
        second.SaveToFile(b);
    } catch (const Error& e) {
        return QStringLiteral("a loaded project failed to save or load again: ") + e.message();
    }
    if (second.NodeCount() != first.NodeCount() || objectCount(second) != objectCount(first)) {
        return QStringLiteral("saved and loaded again, the node or object count changed");
    }
    if (second.IsModified()) {
        return QStringLiteral("a file written by the program loads as modified");
    }
    const QList<QByteArray> linesA = projectFileBytes(a).split('\n');
    const QList<QByteArray> linesB = projectFileBytes(b).split('\n');
    for (qsizetype i = 0; i < std::max(linesA.size(), linesB.size()); ++i) {
        const QByteArray la = linesA.value(i);
        const QByteArray lb = linesB.value(i);
        if (la != lb) {
            return QStringLiteral(
                       "saving the loaded copy gives other bytes: line %1 \"%2\" "
                       "became \"%3\"")
                .arg(i + 1)
                .arg(QString::fromUtf8(la.trimmed()), QString::fromUtf8(lb.trimmed()));
        }
    }
    return QString();
}

}  // namespace qm::fuzz
