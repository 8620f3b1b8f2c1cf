#pragma once
// A folder seen through the slowfs FUSE pass-through, as the program sees a class folder on a file
// server: every look-up and open costs `delayMs`, and the kernel's change notification on the
// mount point does not see writes made to the source folder directly. Unmounted when destroyed,
// also when the test fails; the daemon also ends with the test process. With `openLog`, the path of
// every file opened through the mount (from the mount point) is appended to that file, one a line.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <csignal>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

class SlowShare {
public:
    static constexpr long FuseMagic = 0x65735546;

    SlowShare(const QString& source, const QString& mountPoint, int delayMs, const QString& openLog = QString())
        : m_mountPoint(mountPoint)
    {
        QDir().mkpath(mountPoint);
        const QByteArray program = SLOWFS_PROGRAM;
        const QByteArray from = QFile::encodeName(source);
        const QByteArray to = QFile::encodeName(mountPoint);
        const QByteArray delay = QByteArray::number(delayMs);
        const QByteArray log = QFile::encodeName(openLog);
        char* argv[] = {const_cast<char*>(program.constData()),
                        const_cast<char*>(from.constData()),
                        const_cast<char*>(to.constData()),
                        const_cast<char*>(delay.constData()),
                        openLog.isEmpty() ? nullptr : const_cast<char*>(log.constData()),
                        nullptr};
        if (::posix_spawn(&m_pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
            m_pid = 0;
            return;
        }
        // Mounted once the mount point reports the FUSE file system.
        QElapsedTimer waited;
        waited.start();
        while (!mounted() && !waited.hasExpired(10000) && ::waitpid(m_pid, nullptr, WNOHANG) == 0)
            QThread::msleep(5);
    }

    ~SlowShare()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (mounted())
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        QDir().rmdir(m_mountPoint);
    }

    SlowShare(const SlowShare&) = delete;
    SlowShare& operator=(const SlowShare&) = delete;

    // Whether a failed mount may be for want of rights: not root, and /dev/fuse closed to this user.
    static bool mayLackRights() { return ::geteuid() != 0 && ::access("/dev/fuse", R_OK | W_OK) != 0; }

    bool mounted() const
    {
        struct statfs fs {};
        return ::statfs(QFile::encodeName(m_mountPoint).constData(), &fs) == 0 && fs.f_type == FuseMagic;
    }

private:
    QString m_mountPoint;
    pid_t m_pid = 0;
};
