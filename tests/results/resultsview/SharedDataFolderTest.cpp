// A data folder that the pupils' side shares by its group (set-group-ID, group-writable), with
// real users: a teacher makes a class, a pupil who is only in the pupils' group writes into it.
#include "ClassCommands.h"

#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t Teacher = 4701, Pupil = 4702;
constexpr gid_t Teachers = 4711, Pupils = 4712;

QByteArray env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

// The two sides, run as their own users by the test below.
bool runSide()
{
    if (const QByteArray data = env("SHARED_TEACHER_DATA"); !data.isEmpty()) {
        ::umask(mode_t(env("SHARED_UMASK").toInt(nullptr, 8)));
        EXPECT_NO_THROW(CreateClassFolder(QString::fromLocal8Bit(data), QStringLiteral("4B")));
        return true;
    }
    if (const QByteArray file = env("SHARED_PUPIL_FILE"); !file.isEmpty()) {
        ::umask(022);
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0664);
        const int error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            EXPECT_EQ(::write(fd, "[Resultaten]\r\n", 14), 14);
            ::close(fd);
        }
        EXPECT_EQ(error, env("SHARED_PUPIL_REFUSED") == "1" ? EACCES : 0) << file.constData();
        return true;
    }
    return false;
}

struct SharedCase {
    const char* name;
    mode_t umask;
    mode_t dataFolder; // of root:Pupils
    gid_t teacherGroup;
    mode_t classFolder; // expected
    bool pupilWrites;
};

const SharedCase sharedCases[] = {
    {"umask022", 022, 02775, Teachers, 02775, true},
    {"umask077", 077, 02770, Teachers, 02770, true},
    {"umask002", 002, 02775, Teachers, 02775, true},
    // The class gets the group rights the data folder gives, not more (here: no listing).
    {"groupMayNotList", 077, 02730, Teachers, 02730, true},
    // Without set-group-ID the folder is not shared by its group: the umask holds, even when the
    // teacher's own group happens to be the folder's.
    {"notSetGroupId", 022, 0775, Pupils, 0755, false},
};

TEST(SharedDataFolder, ClassMadeByATeacherIsWritableForThePupilsGroup)
{
    if (runSide())
        return;
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the teacher and the pupil are run as two other users";
    const char* const self = "SharedDataFolder.ClassMadeByATeacherIsWritableForThePupilsGroup";
    for (const SharedCase& c : sharedCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        const QString data = dir.filePath(QStringLiteral("Documenten"));
        const QByteArray dataName = QFile::encodeName(data);
        ASSERT_TRUE(QDir().mkdir(data));
        ASSERT_EQ(::chown(dataName.constData(), 0, Pupils), 0);
        ASSERT_EQ(::chmod(dataName.constData(), c.dataFolder), 0);

        char mask[8];
        std::snprintf(mask, sizeof mask, "%03o", unsigned(c.umask));
        RunTestAs(Teacher, c.teacherGroup, {c.teacherGroup, Pupils}, self,
                  {"SHARED_TEACHER_DATA=" + data.toStdString(), std::string("SHARED_UMASK=") + mask});
        struct stat made {};
        ASSERT_EQ(::stat((dataName + "/4B").constData(), &made), 0);
        EXPECT_EQ(made.st_uid, Teacher);
        EXPECT_EQ(made.st_gid, (c.dataFolder & S_ISGID) ? Pupils : c.teacherGroup);
        EXPECT_EQ(made.st_mode & 07777, c.classFolder) << std::oct << (made.st_mode & 07777);

        const std::string file = data.toStdString() + "/4B/Jan Jansen";
        RunTestAs(Pupil, Pupil, {Pupils}, self,
                  {"SHARED_PUPIL_FILE=" + file, std::string("SHARED_PUPIL_REFUSED=") + (c.pupilWrites ? "0" : "1")});
        struct stat written {};
        if (c.pupilWrites) {
            ASSERT_EQ(::stat(file.c_str(), &written), 0);
            EXPECT_EQ(written.st_gid, Pupils) << "the class passes its group on";
        }
    }
}

} // namespace
