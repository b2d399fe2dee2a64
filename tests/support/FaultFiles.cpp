#include "support/FaultFiles.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace qm::test {
namespace {

// Runs a system tool; its error output, or "" when it succeeded.
QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return err.isEmpty() ? program + u" failed"_s : err;
    }
    return {};
}

}  // namespace

SmallDisk::SmallDisk(int kilobytes) {
    if (::geteuid() != 0) {
        reason_ = u"mounting a small tmpfs needs root"_s;
        return;
    }
    reason_ = run(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=%1k"_s.arg(kilobytes),
                               u"tmpfs"_s, dir_.path()});
    mounted_ = reason_.isEmpty();
    if (!mounted_) {
        reason_ = u"cannot mount a tmpfs: "_s + reason_;
    }
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        const QString failure = run(u"umount"_s, {dir_.path()});
        EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    }
}

void SmallDisk::fill(qint64 spareBytes) {
    const QByteArray filler = path(u"filler"_s).toLocal8Bit();
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray page(4096, 'x');
    while (::write(fd, page.constData(), static_cast<size_t>(page.size())) == page.size()) {
    }
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    const qint64 pages = (spareBytes + 4095) / 4096;
    ASSERT_GE(st.st_size, pages * 4096) << "the disk had less room than asked to spare";
    const off_t size = static_cast<off_t>((st.st_size / 4096 - pages) * 4096);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool makeDeviceLike(const QString& path, const char* existingDevice) {
    struct stat st {};
    if (::stat(existingDevice, &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, st.st_rdev) == 0;
}

}  // namespace qm::test
