#pragma once

#include <QByteArray>
#include <QString>

namespace qm::TextFile {

/// Text of a file's bytes: UTF-8 when they are valid UTF-8, else
/// Windows-1252, the code page earlier versions of the program wrote.
QString decode(const QByteArray& bytes);

/// Reads a whole file and decodes it. Raises Error naming the file when it
/// cannot be read.
QString read(const QString& path);

/// Replaces a file with the given bytes atomically: the old file stays as it
/// was unless every byte was written. Raises Error naming the file.
void writeAtomically(const QString& path, const QByteArray& bytes);

}  // namespace qm::TextFile
