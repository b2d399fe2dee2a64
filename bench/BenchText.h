#pragma once

#include <sqlite3.h>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <cstdio>

// How the benchmark parts print (one line at a time, flushed at once so that
// a long run shows its progress; counts with thousands separators) and run
// SQL on the files they make.
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

/// Runs SQL on an open SQLite database; the database's message in `error`
/// when it fails.
inline bool exec(sqlite3* db, const QString& sql, QString& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        error = QString::fromUtf8(message ? message : "unknown error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

}  // namespace qmbench
