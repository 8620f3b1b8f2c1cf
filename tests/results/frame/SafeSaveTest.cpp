#include "INIfunc.h"
#include "IniDocument.h"
#include "IniReader.h"
#include "SafeSave.h"
#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void store(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

struct stat statOf(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

struct FullDiskCase {
    const char* name;
    std::function<bool(const QString& path, int* error)> save;
    bool toldWhy = true; // WriteINI only answers false
};

const FullDiskCase fullDiskCases[] = {
    {"WriteIni", [](const QString& path, int*) { return WriteINI(path, "Profiel", "Voldoende", "60"); }, false},
    {"DeleteSection", [](const QString& path, int*) { return DeleteINISection(path, "Profiel"); }, false},
    {"DocumentSave", [](const QString& path, int* error) {
         IniDocument d = IniDocument::load(path);
         d.write("Profiel", "Printen", "0");
         return d.save(path, error);
     }},
    {"DocumentUpdate", [](const QString& path, int* error) {
         return IniDocument::update(path, [](IniDocument& d) { return d.write("Profiel", "Printen", "0"); }, error);
     }},
    {"NewFile", [](const QString& path, int* error) { // a new file in the full folder: nothing of it stays
         const QString other = QFileInfo(path).path() + QStringLiteral("/nieuw.ini");
         return IniDocument::update(other, [](IniDocument& d) { return d.write("A", "k", QString(5000, 'v')); }, error);
     }},
};

TEST(FullDisk, SaveAnswersFalseAndLeavesTheOldFile)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small disk needs root";
    for (const FullDiskCase& c : fullDiskCases) {
        SCOPED_TRACE(c.name);
        SmallDisk disk(64 * 1024);
        ASSERT_TRUE(disk.mounted());
        const QString path = disk.path() + QStringLiteral("/Instellingen.ini");
        const QByteArray before = "[Scorix]\r\nWachtwoord=geheim\r\n[Profiel]\r\nVoldoende=55\r\n";
        store(path, before);
        ASSERT_TRUE(disk.fill());
        int error = 0;
        EXPECT_FALSE(c.save(path, &error));
        EXPECT_EQ(error, c.toldWhy ? ENOSPC : 0);
        EXPECT_EQ(contents(path), before);
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList({QStringLiteral("Instellingen.ini"), QStringLiteral("vulling")}));
    }
}

// A folder shared by a group of teachers (set-group-ID, group-writable): B saves a file A made.
TEST(SharedGroupFolder, ColleaguesFileIsReplacedKeepingGroupAndMode)
{
    if (const char* settings = std::getenv("SHARED_SETTINGS")) { // B's side
        EXPECT_TRUE(WriteINI(QString::fromLocal8Bit(settings), "Profiel", "Voldoende", "60"));
        const QString course = QString::fromLocal8Bit(std::getenv("SHARED_COURSE"));
        IniDocument document = IniDocument::load(course);
        document.write("Cursus", "Titel", "Nieuw");
        EXPECT_TRUE(document.save(course));
        return;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "two users need root";
    const uid_t teacherA = 1, teacherB = 65534;
    const gid_t teachers = 4711;
    const auto own = [](const QString& path, uid_t uid, gid_t gid, mode_t mode) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), uid, gid), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    };
    QTemporaryDir dir;
    own(dir.path(), 0, 0, 0755);
    const QString folder = dir.filePath(QStringLiteral("gedeeld"));
    ASSERT_TRUE(QDir().mkdir(folder));
    own(folder, 0, teachers, 02775);
    const QString settings = folder + QStringLiteral("/Instellingen.ini");
    const QString course = folder + QStringLiteral("/Omschrijving.ini");
    std::vector<std::pair<QString, struct stat>> before;
    for (const auto& [path, mode] : {std::pair{settings, 0660}, std::pair{course, 0664}}) {
        store(path, "[Profiel]\r\nVoldoende=55\r\n[Cursus]\r\nTitel=Oud\r\n");
        own(path, teacherA, teachers, mode_t(mode));
        before.emplace_back(path, statOf(path));
    }

    RunTestAs(teacherB, teacherB, {teachers}, "SharedGroupFolder.ColleaguesFileIsReplacedKeepingGroupAndMode",
              {"SHARED_SETTINGS=" + settings.toStdString(), "SHARED_COURSE=" + course.toStdString()});

    EXPECT_EQ(contents(settings), "[Profiel]\r\nVoldoende=60\r\n[Cursus]\r\nTitel=Oud\r\n");
    EXPECT_EQ(contents(course), "[Profiel]\r\nVoldoende=55\r\n[Cursus]\r\nTitel=Nieuw\r\n");
    for (const auto& [path, old] : before) {
        const struct stat after = statOf(path);
        EXPECT_NE(after.st_ino, old.st_ino) << "rewritten in place, not replaced: " << path.toStdString();
        EXPECT_EQ(after.st_uid, teacherB);
        EXPECT_EQ(after.st_gid, teachers);
        EXPECT_EQ(after.st_mode, old.st_mode);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

struct UnreadableCase {
    const char* name;
    mode_t file; // of folder + "/x.ini": 0 for none, S_IFDIR for a folder
    mode_t folder;
    int error; // 0 when it is not unreadable
};

const UnreadableCase unreadableCases[] = {
    {"missing", 0, 0755, 0},
    {"readable", 0644, 0755, 0},
    {"noReadRight", 0200, 0755, EACCES},
    {"folderInItsPlace", S_IFDIR, 0755, EISDIR},
    {"folderNotSearchable", 0644, 0600, EACCES},
};

// Runs as nobody: permissions do not bind root.
TEST(Unreadable, ExistingFileThatCannotBeReadIsToldApartFromAMissingOne)
{
    if (geteuid() == 0)
        return RunTestAsNobody("Unreadable.ExistingFileThatCannotBeReadIsToldApartFromAMissingOne");
    for (const UnreadableCase& c : unreadableCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("map"));
        const QString path = folder + QStringLiteral("/x.ini");
        ASSERT_TRUE(QDir().mkdir(folder));
        if (c.file == S_IFDIR)
            ASSERT_TRUE(QDir().mkdir(path));
        else if (c.file) {
            store(path, "[Scorix]\r\nWachtwoord=geheim\r\n");
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.file), 0);
        }
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folder), 0);
        int error = -1;
        EXPECT_EQ(IsUnreadable(path, &error), c.error != 0);
        EXPECT_EQ(c.error ? error : 0, c.error);
        // A load-change-save never starts on what it could not read.
        bool called = false;
        const bool saved = IniDocument::update(path, [&](IniDocument& d) {
            called = true;
            return d.write("Scorix", "Wachtwoord", "");
        });
        EXPECT_EQ(saved, c.error == 0);
        EXPECT_EQ(called, c.error == 0);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        if (c.error && c.file != S_IFDIR) {
            ::chmod(QFile::encodeName(path).constData(), 0644);
            EXPECT_EQ(contents(path), "[Scorix]\r\nWachtwoord=geheim\r\n");
        }
    }
}

// Three writers of distinct keys, each its own process, on one file (a healthy disk: every write must
// answer true), while this process reads a key that was there from the start.
TEST(ConcurrentWriters, EveryAcknowledgedWriteStaysAndTheFileIsNeverMissing)
{
    constexpr int writers = 3;
    constexpr int keys = 200;
    // On a tmpfs where one can be mounted: the same locks, no wait for the disk.
    SmallDisk disk(8 * 1024 * 1024);
    QTemporaryDir dir;
    const QString folder = disk.mounted() ? disk.path() : dir.path();
    const QString path = folder + QStringLiteral("/Instellingen.ini");
    store(path, "[Vast]\r\nsleutel=er\r\n");
    const auto keyName = [](int writer, int key) { return QStringLiteral("w%1k%2").arg(writer).arg(key); };

    for (int w = 0; w < writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool failed = false;
            for (int k = 0; k < keys; ++k)
                failed |= !WriteINI(path, QStringLiteral("S"), keyName(w, k), QStringLiteral("v"));
            ::_exit(failed ? 1 : 0);
        }
    }
    int misses = 0;
    for (int done = 0; done < writers;) {
        misses += ReadINI(path, QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()) != QStringLiteral("er");
        int status = 0;
        if (::waitpid(-1, &status, WNOHANG) > 0) {
            ++done;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed on a healthy disk";
        }
    }
    EXPECT_EQ(misses, 0) << "the reader missed the key";

    const IniReader file(path);
    for (int w = 0; w < writers; ++w)
        for (int k = 0; k < keys; ++k)
            EXPECT_EQ(file.value(QStringLiteral("S"), keyName(w, k), QString()), QStringLiteral("v")) << "write lost";
    EXPECT_EQ(file.value(QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()), QStringLiteral("er"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
