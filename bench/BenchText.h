#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <cstdio>

// How the benchmark parts print: one line at a time, flushed at once so that
// a long run shows its progress; counts with thousands separators.
namespace qmbench {

inline void out(const QString& text) {
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

inline QString count(std::int64_t n) {
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(n));
}

inline QString fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

}  // namespace qmbench
