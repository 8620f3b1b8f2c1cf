#include "SystemFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

void RunTestAs(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const char* test,
               const std::vector<std::string>& environment)
{
    // Under /tmp, not TMPDIR or the build tree: either may be a folder only its owner can enter.
    QTemporaryDir work(QStringLiteral("/tmp/tests-XXXXXX"));
    ASSERT_TRUE(work.isValid());
    const QString copy = work.filePath("tests");
    const QByteArray workName = QFile::encodeName(work.path());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/proc/self/exe"), copy));
    ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    ASSERT_EQ(::chown(workName.constData(), uid, gid), 0);
    ASSERT_EQ(::chmod(workName.constData(), 0755), 0);

    // env sets TMPDIR and the extra variables; the rest of the environment is passed on.
    std::vector<std::string> args{
        "setpriv", "--reuid=" + std::to_string(uid),  "--regid=" + std::to_string(gid), "--clear-groups",
        "env",     "TMPDIR=" + workName.toStdString()};
    for (size_t i = 0; i < groups.size(); ++i)
        args[3] = (i == 0 ? std::string("--groups=") : args[3] + ",") + std::to_string(groups[i]);
    args.insert(args.end(), environment.begin(), environment.end());
    args.insert(args.end(), {QFile::encodeName(copy).toStdString(), std::string("--gtest_filter=") + test});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawnp(&pid, "setpriv", nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test << " failed as uid " << uid;
}

void RunTestAsNobody(const char* test, const std::vector<std::string>& environment)
{
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no user nobody to run " << test << " as";
    RunTestAs(nobody->pw_uid, nobody->pw_gid, {}, test, environment);
}

SmallDisk::SmallDisk(qint64 bytes)
{
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    m_mounted = m_dir.isValid() &&
                ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallDisk::fill()
{
    const QByteArray name = QFile::encodeName(m_dir.filePath(QStringLiteral("vulling")));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644); // -1: EBADF, not full
    const std::string page(4096, 'x'); // whole pages while they fit, then down to single bytes
    for (size_t size = page.size(); size > 0; size /= 2)
        while (::write(fd, page.data(), size) == ssize_t(size)) {
        }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

LockHolder::LockHolder(const QString& path, short type, int command)
{
    const QByteArray name = QFile::encodeName(path);
    int ready[2];
    int release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return;
    if (::pipe2(release, O_CLOEXEC) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) { // only async-signal-safe calls from here on
        ::close(ready[0]);
        ::close(release[1]);
        const int fd = ::open(name.constData(), type == F_RDLCK ? O_RDONLY : O_RDWR);
        struct flock lock {};
        lock.l_type = type;
        lock.l_whence = SEEK_SET;
        const char locked = fd >= 0 && ::fcntl(fd, command, &lock) == 0 ? 1 : 0;
        if (::write(ready[1], &locked, 1) != 1)
            ::_exit(1);
        pollfd wait{release[0], POLLIN, 0};
        ::poll(&wait, 1, 60 * 1000);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    m_release = release[1];
    char locked = 0;
    ssize_t n;
    do
        n = ::read(ready[0], &locked, 1);
    while (n < 0 && errno == EINTR);
    m_holding = m_pid > 0 && n == 1 && locked == 1;
    ::close(ready[0]);
}

void LockHolder::release()
{
    if (m_release >= 0)
        ::close(std::exchange(m_release, -1));
}

LockHolder::~LockHolder()
{
    release();
    if (m_pid > 0)
        ::waitpid(m_pid, nullptr, 0);
}
