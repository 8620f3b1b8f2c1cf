#include "SystemFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

void RunTestAs(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const char* test,
               const std::vector<std::string>& environment)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString copy = work.filePath("tests");
    const QByteArray workName = QFile::encodeName(work.path());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/proc/self/exe"), copy));
    ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    ASSERT_EQ(::chown(workName.constData(), uid, gid), 0);
    ASSERT_EQ(::chmod(workName.constData(), 0755), 0);

    // env sets TMPDIR and the extra variables; the rest of the environment is passed on.
    std::vector<std::string> args{"setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
                                  "--clear-groups", "env", "TMPDIR=" + workName.toStdString()};
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
