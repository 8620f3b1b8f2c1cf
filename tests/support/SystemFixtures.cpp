#include "SystemFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
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

    const std::string uidArgument = "--reuid=" + std::to_string(uid);
    const std::string gidArgument = "--regid=" + std::to_string(gid);
    std::string groupArgument = "--clear-groups";
    for (size_t i = 0; i < groups.size(); ++i)
        groupArgument = (i == 0 ? std::string("--groups=") : groupArgument + ",") + std::to_string(groups[i]);
    const QByteArray program = QFile::encodeName(copy);
    const std::string filter = std::string("--gtest_filter=") + test;
    const char* argv[] = {"setpriv",           uidArgument.c_str(), gidArgument.c_str(), groupArgument.c_str(),
                          program.constData(), filter.c_str(),      nullptr};
    const std::string tmpdir = "TMPDIR=" + workName.toStdString();
    std::vector<const char*> variables{tmpdir.c_str()};
    for (const std::string& entry : environment)
        variables.push_back(entry.c_str());
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0)
            variables.push_back(*entry);
    variables.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawnp(&pid, "setpriv", nullptr, nullptr, const_cast<char* const*>(argv),
                             const_cast<char* const*>(variables.data())),
              0);
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
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // Whole pages while they fit, then single bytes up to the last one.
    const std::string page(4096, 'x');
    while (::write(fd, page.data(), page.size()) == ssize_t(page.size())) {
    }
    while (::write(fd, "x", 1) == 1) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}
