#pragma once
// A folder seen through the slowfs FUSE pass-through, as the program sees a class folder on a file
// server: every look-up and open costs `delayMs`, and the kernel's change notification on the
// mount point does not see writes made to the source folder directly. Unmounted when destroyed,
// also when the test fails; the daemon also ends with the test process. With `log`, every look-up,
// listing and open through the mount is appended to that file with the asking thread (`requests`).

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
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

    SlowShare(const QString& source, const QString& mountPoint, int delayMs, const QString& log = QString())
        : m_mountPoint(mountPoint)
    {
        QDir().mkpath(mountPoint);
        const QByteArray program = SLOWFS_PROGRAM;
        const QByteArray from = QFile::encodeName(source);
        const QByteArray to = QFile::encodeName(mountPoint);
        const QByteArray delay = QByteArray::number(delayMs);
        const QByteArray logName = QFile::encodeName(log);
        char* argv[] = {const_cast<char*>(program.constData()),
                        const_cast<char*>(from.constData()),
                        const_cast<char*>(to.constData()),
                        const_cast<char*>(delay.constData()),
                        log.isEmpty() ? nullptr : const_cast<char*>(logName.constData()),
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

    // One request the share was asked, `path` from the mount point ("/4B/Anna").
    struct Request {
        QByteArray kind; // "look", "list" or "open"
        pid_t thread = 0;
        QString path;
    };

    // The requests in `log` so far, in the order they were asked.
    static QList<Request> requests(const QString& log)
    {
        QFile file(log);
        QList<Request> result;
        if (!file.open(QIODevice::ReadOnly))
            return result;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype kindEnd = line.indexOf(' '), threadEnd = line.indexOf(' ', kindEnd + 1);
            if (kindEnd > 0 && threadEnd > kindEnd)
                result.push_back({line.left(kindEnd), pid_t(line.mid(kindEnd + 1, threadEnd - kindEnd - 1).toInt()),
                                  QFile::decodeName(line.mid(threadEnd + 1))});
        }
        return result;
    }

    bool mounted() const
    {
        struct statfs fs {};
        return ::statfs(QFile::encodeName(m_mountPoint).constData(), &fs) == 0 && fs.f_type == FuseMagic;
    }

private:
    QString m_mountPoint;
    pid_t m_pid = 0;
};
