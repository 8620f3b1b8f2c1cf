#include "RunAsNobody.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <pwd.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

void RunAsNobody(const char* test)
{
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr) << "no user nobody to run " << test << " as";
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString copy = work.filePath(QStringLiteral("tests_as_nobody"));
    const QByteArray workName = QFile::encodeName(work.path());
    ASSERT_TRUE(QFile::copy(QStringLiteral("/proc/self/exe"), copy));
    ASSERT_EQ(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    ASSERT_EQ(::chown(workName.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(workName.constData(), 0755), 0);

    const std::string uid = "--reuid=" + std::to_string(nobody->pw_uid);
    const std::string gid = "--regid=" + std::to_string(nobody->pw_gid);
    const QByteArray program = QFile::encodeName(copy);
    const std::string filter = std::string("--gtest_filter=") + test;
    const char* argv[] = {"setpriv", uid.c_str(), gid.c_str(), "--clear-groups", program.constData(), filter.c_str(),
                          nullptr};
    const std::string tmpdir = "TMPDIR=" + workName.toStdString();
    std::vector<const char*> environment{tmpdir.c_str()};
    for (char** entry = environ; *entry; ++entry)
        if (std::strncmp(*entry, "TMPDIR=", 7) != 0)
            environment.push_back(*entry);
    environment.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawnp(&pid, "setpriv", nullptr, nullptr, const_cast<char* const*>(argv),
                             const_cast<char* const*>(environment.data())),
              0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test << " failed as nobody";
}
