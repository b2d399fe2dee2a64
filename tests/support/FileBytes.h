#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace qm::test {

/// The bytes of a file, or "<missing>" when it cannot be opened, so that a
/// comparison with the expected bytes shows what went wrong.
inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

/// Writes a test's input file; fails the test when not every byte is written.
inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size()) << path.toStdString();
}

}  // namespace qm::test
