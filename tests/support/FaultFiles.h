#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qm::test {

/// A small tmpfs mounted on a temporary folder, to make a nearly full disk.
/// Mounting needs root; where it is not allowed, mounted() is false and
/// reason() says why (tests skip with it).
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes = 256);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const QString& reason() const { return reason_; }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }

    /// Fills the disk with the file "filler" until a write fails, then gives
    /// `spareBytes` back (in whole pages): what is left is all a writer gets.
    void fill(qint64 spareBytes);

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString reason_;
};

/// Makes a FIFO; false (with errno set) when the system refuses.
bool makeFifo(const QString& path);

/// Makes a character device node with the numbers of an existing device
/// (such as /dev/null or /dev/full); needs root. False when refused.
bool makeDeviceLike(const QString& path, const char* existingDevice);

}  // namespace qm::test
