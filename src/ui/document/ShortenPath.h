#pragma once

#include <QChar>
#include <QString>
#include <functional>

namespace qm {

/// The folder separator of paths on this platform.
#ifdef Q_OS_WIN
inline constexpr QChar kPathSeparator = u'\\';
#else
inline constexpr QChar kPathSeparator = u'/';
#endif

/// Drops the first folder of a folder part ("/Data/Shop/" becomes
/// "/.../Shop/"), counting a leading ".../" from an earlier drop as no
/// folder; the last folder dropped leaves an empty folder part.
QString DropFirstFolder(const QString& folder, QChar separator = kPathSeparator);

/// Shortens a path until `textWidth` of it is at most `maxWidth`, one step
/// at a time: /Data/Projects/Shop/file.QMP, /.../Projects/Shop/file.QMP,
/// /.../Shop/file.QMP, /.../file.QMP, .../file.QMP, file.QMP, stopping at
/// the first form that fits (a drive such as "C:" is dropped last but one).
QString ShortenPath(const QString& path, int maxWidth,
                    const std::function<int(const QString&)>& textWidth,
                    QChar separator = kPathSeparator);

}  // namespace qm
