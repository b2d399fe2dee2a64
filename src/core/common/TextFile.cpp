#include "common/TextFile.h"

#include "common/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace qm::TextFile {
namespace {

enum class Kind { Missing, Regular, Folder, CharDevice, BlockDevice, Fifo, Socket, Other };

QString describe(Kind kind) {
    switch (kind) {
        case Kind::Folder:
            return u"it is a folder, not a file"_s;
        case Kind::CharDevice:
        case Kind::BlockDevice:
            return u"it is a device, not a regular file"_s;
        case Kind::Fifo:
            return u"it is a FIFO (named pipe), not a regular file"_s;
        case Kind::Socket:
            return u"it is a socket, not a regular file"_s;
        case Kind::Missing:
            return u"the file does not exist"_s;
        default:
            return u"it is not a regular file"_s;
    }
}

// Writes every byte and flushes; the reason of a failure, or "" on success.
// A write that runs out of room can return fewer bytes without setting an
// error on the device: errno then tells why.
QString writeAll(QFileDevice& file, const QByteArray& bytes) {
    errno = 0;
    const qint64 written = file.write(bytes);
    const int writeError = errno;
    if (written == bytes.size() && file.flush() && file.error() == QFileDevice::NoError) {
        return {};
    }
    if (file.error() != QFileDevice::NoError) {
        return file.errorString();
    }
    if (writeError != 0) {
        return qt_error_string(writeError);
    }
    return u"only %1 of %2 bytes could be written"_s.arg(std::max<qint64>(written, 0))
        .arg(bytes.size());
}

#ifdef Q_OS_UNIX

Kind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return Kind::Regular;
    }
    if (S_ISDIR(mode)) {
        return Kind::Folder;
    }
    if (S_ISCHR(mode)) {
        return Kind::CharDevice;
    }
    if (S_ISBLK(mode)) {
        return Kind::BlockDevice;
    }
    if (S_ISFIFO(mode)) {
        return Kind::Fifo;
    }
    if (S_ISSOCK(mode)) {
        return Kind::Socket;
    }
    return Kind::Other;
}

// What the path names once symbolic links are followed.
Kind kindOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return Kind::Missing;
    }
    return kindOf(st.st_mode);
}

// Opens for reading without blocking: a FIFO would otherwise wait for a
// writer. The kind is checked on the open descriptor, so a file swapped for
// something else after a check by name is still refused.
int openRegularForReading(const QString& path) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        throw Error(u"Cannot open file \"%1\": %2"_s.arg(
            path, error == ENOENT ? describe(Kind::Missing) : qt_error_string(error)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(u"Cannot read \"%1\": %2"_s.arg(path, describe(kindOf(st.st_mode))));
    }
    return fd;
}

// A device or FIFO takes the bytes as they come; there is nothing to
// replace. O_NONBLOCK makes the open of a FIFO without a reader fail at
// once instead of waiting for one; the writes themselves block as usual.
void writeDirectly(const QString& path, const QByteArray& bytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        throw Error(u"Cannot write \"%1\": %2"_s.arg(
            path,
            error == ENXIO ? u"no program is reading from the FIFO"_s : qt_error_string(error)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        ::close(fd);
        throw Error(u"Cannot write \"%1\": it changed while it was opened"_s.arg(path));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Error(u"Cannot write \"%1\": %2"_s.arg(path, file.errorString()));
    }
    if (const QString reason = writeAll(file, bytes); !reason.isEmpty()) {
        throw Error(u"Cannot write \"%1\": %2"_s.arg(path, reason));
    }
}

#else

Kind kindOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return Kind::Missing;
    }
    if (info.isDir()) {
        return Kind::Folder;
    }
    return info.isFile() ? Kind::Regular : Kind::Other;
}

#endif

}  // namespace

QString decode(const QByteArray& bytes) {
    if (QByteArrayView(bytes).isValidUtf8()) {
        return QString::fromUtf8(bytes);
    }
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text += (b >= 0x80 && b < 0xA0) ? QChar(high[b - 0x80]) : QChar(static_cast<char16_t>(b));
    }
    return text;
}

QByteArray readBytes(const QString& path) {
    QFile file;
#ifdef Q_OS_UNIX
    const int fd = openRegularForReading(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw Error(u"Cannot open file \"%1\": %2"_s.arg(path, file.errorString()));
    }
#else
    if (const Kind kind = kindOf(path); kind != Kind::Regular) {
        throw Error(u"Cannot read \"%1\": %2"_s.arg(path, describe(kind)));
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(u"Cannot open file \"%1\": %2"_s.arg(path, file.errorString()));
    }
#endif
    const auto tooLarge = [&path] {
        return Error(u"Cannot read file \"%1\": it is larger than %2 MB"_s.arg(path).arg(
            kMaxReadSize / (1024 * 1024)));
    };
    if (file.size() > kMaxReadSize) {
        throw tooLarge();
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw Error(u"Cannot read file \"%1\": %2"_s.arg(path, file.errorString()));
    }
    // Some regular files (under /proc, for one) report no size.
    if (bytes.size() > kMaxReadSize) {
        throw tooLarge();
    }
    return bytes;
}

QString read(const QString& path) {
    return decode(readBytes(path));
}

QString writeProblem(const QString& path) {
    switch (const Kind kind = kindOf(path)) {
        case Kind::Missing:
        case Kind::Regular:
        case Kind::CharDevice:
        case Kind::Fifo:
            return {};
        default:
            return describe(kind);
    }
}

void writeAtomically(const QString& path, const QByteArray& bytes) {
    const Kind kind = kindOf(path);
#ifdef Q_OS_UNIX
    if (kind == Kind::CharDevice || kind == Kind::Fifo) {
        writeDirectly(path, bytes);
        return;
    }
#endif
    if (kind != Kind::Missing && kind != Kind::Regular) {
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, describe(kind)));
    }
    // QSaveFile writes to a new file of an unpredictable name, created
    // exclusively beside the file the path (or the link at it) names, and
    // renames it over that file on commit; it never writes directly.
    QSaveFile file(path);
    // commit() alone does not notice a failed final flush, so check first and
    // keep the old file unless every byte was written.
    if (!file.open(QIODevice::WriteOnly)) {
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, file.errorString()));
    }
    if (const QString reason = writeAll(file, bytes); !reason.isEmpty()) {
        file.cancelWriting();
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, reason));
    }
    if (!file.commit()) {
        throw Error(u"Cannot create file \"%1\": %2"_s.arg(path, file.errorString()));
    }
}

}  // namespace qm::TextFile
