#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

/// Readable test failure output for Qt strings (found by argument lookup).
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
