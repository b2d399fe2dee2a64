#pragma once

#include <QByteArray>
#include <QString>

namespace qm::TextFile {

/// The largest file the program reads. Every file it reads is text the
/// program or a user wrote; a bigger one is not one of them, and reading it
/// whole would only exhaust memory.
inline constexpr qint64 kMaxReadSize = qint64(512) * 1024 * 1024;

/// Text of a file's bytes: UTF-8 when they are valid UTF-8, else
/// Windows-1252, the code page earlier versions of the program wrote.
QString decode(const QByteArray& bytes);

/// Reads a whole file. Only a regular file (or a symbolic link to one) is
/// read: a folder, device, FIFO or socket is refused at once, without
/// waiting for a writer, and so is a file larger than kMaxReadSize. Raises
/// Error naming the file and the reason.
QByteArray readBytes(const QString& path);

/// readBytes, decoded.
QString read(const QString& path);

/// Why `path` cannot be the target of writeAtomically, or the empty text
/// when it can: a path that does not exist yet, a regular file, a
/// character device or FIFO (symbolic links followed). A folder, block
/// device or socket is refused.
QString writeProblem(const QString& path);

/// Writes the bytes to `path` and raises Error naming the file when any
/// write, flush or commit fails.
///
/// A regular file (or a new one) is replaced atomically: the bytes go to a
/// new file with an unpredictable name created exclusively beside it, which
/// replaces the old file only once every byte is on disk; on failure the
/// old file stays byte-identical. A symbolic link at `path` stays a link:
/// the file it points to is replaced. A character device or FIFO is never
/// replaced: the bytes are written to it directly (a FIFO no program reads
/// from is refused rather than waited for). Anything else is refused.
void writeAtomically(const QString& path, const QByteArray& bytes);

}  // namespace qm::TextFile
