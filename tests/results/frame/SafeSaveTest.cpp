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
#include <fcntl.h>
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

using SaveCall = std::function<bool(const QString& path, int* error)>;

struct FullDiskCase {
    const char* name;
    SaveCall save;
    bool toldWhy = true; // WriteINI only answers false
};

void PrintTo(const FullDiskCase& c, std::ostream* os)
{
    *os << c.name;
}

class FullDisk : public testing::TestWithParam<FullDiskCase> {};

TEST_P(FullDisk, SaveAnswersFalseAndLeavesTheOldFile)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small disk needs root";
    SmallDisk disk(64 * 1024);
    ASSERT_TRUE(disk.mounted());
    const QString path = disk.path() + QStringLiteral("/Instellingen.ini");
    const QByteArray before = "[Scorix]\r\nWachtwoord=geheim\r\n[Profiel]\r\nVoldoende=55\r\n";
    store(path, before);
    ASSERT_TRUE(disk.fill());

    int error = 0;
    EXPECT_FALSE(GetParam().save(path, &error));
    if (GetParam().toldWhy) {
        EXPECT_EQ(error, ENOSPC);
    }
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("Instellingen.ini"), QStringLiteral("vulling")}));
}

INSTANTIATE_TEST_SUITE_P(
    Saves, FullDisk,
    testing::Values(FullDiskCase{"WriteIni", [](const QString& path,
                                                int*) { return WriteINI(path, "Profiel", "Voldoende", "60"); },
                                 false},
                    FullDiskCase{"DeleteSection", [](const QString& path,
                                                     int*) { return DeleteINISection(path, "Profiel"); },
                                 false},
                    FullDiskCase{"DocumentSave",
                                 [](const QString& path, int* error) {
                                     IniDocument document = IniDocument::load(path);
                                     document.write("Profiel", "Printen", "0");
                                     return document.save(path, error);
                                 }},
                    FullDiskCase{"DocumentUpdate",
                                 [](const QString& path, int* error) {
                                     return IniDocument::update(
                                         path, [](IniDocument& d) { return d.write("Profiel", "Printen", "0"); },
                                         error);
                                 }},
                    FullDiskCase{"NewFile",
                                 [](const QString& path, int* error) {
                                     // A new file in the full folder: nothing of it stays.
                                     const QString other = QFileInfo(path).path() + QStringLiteral("/nieuw.ini");
                                     return IniDocument::update(
                                         other, [](IniDocument& d) { return d.write("A", "k", QString(5000, 'v')); },
                                         error);
                                 }}),
    [](const testing::TestParamInfo<FullDiskCase>& info) { return std::string(info.param.name); });

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
    const uid_t teacherA = 1;
    const uid_t teacherB = 65534;
    const gid_t teachers = 4711;
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString folder = dir.filePath(QStringLiteral("gedeeld"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), 0, teachers), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 02775), 0);
    const QString settings = folder + QStringLiteral("/Instellingen.ini");
    const QString course = folder + QStringLiteral("/Omschrijving.ini");
    for (const auto& [path, mode] : {std::pair{settings, 0660}, std::pair{course, 0664}}) {
        store(path, "[Profiel]\r\nVoldoende=55\r\n[Cursus]\r\nTitel=Oud\r\n");
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), teacherA, teachers), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    }
    const struct stat settingsBefore = statOf(settings);
    const struct stat courseBefore = statOf(course);

    RunTestAs(teacherB, teacherB, {teachers}, "SharedGroupFolder.ColleaguesFileIsReplacedKeepingGroupAndMode",
              {"SHARED_SETTINGS=" + settings.toStdString(), "SHARED_COURSE=" + course.toStdString()});

    EXPECT_EQ(contents(settings), "[Profiel]\r\nVoldoende=60\r\n[Cursus]\r\nTitel=Oud\r\n");
    EXPECT_EQ(contents(course), "[Profiel]\r\nVoldoende=55\r\n[Cursus]\r\nTitel=Nieuw\r\n");
    for (const auto& [path, before] : {std::pair{settings, settingsBefore}, std::pair{course, courseBefore}}) {
        const struct stat after = statOf(path);
        EXPECT_NE(after.st_ino, before.st_ino) << "rewritten in place, not replaced: " << path.toStdString();
        EXPECT_EQ(after.st_uid, teacherB);
        EXPECT_EQ(after.st_gid, teachers);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

struct UnreadableCase {
    const char* name;
    std::function<void(const QString& folder)> make; // makes folder + "/x.ini"
    bool unreadable;
    int error;
};

void makeFile(const QString& folder, mode_t mode)
{
    const QString path = folder + QStringLiteral("/x.ini");
    store(path, "[Scorix]\r\nWachtwoord=geheim\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

const UnreadableCase unreadableCases[] = {
    {"missing", [](const QString&) {}, false, 0},
    {"readable", [](const QString& folder) { makeFile(folder, 0644); }, false, 0},
    {"noReadRight", [](const QString& folder) { makeFile(folder, 0200); }, true, EACCES},
    {"folderInItsPlace", [](const QString& folder) { QDir(folder).mkdir(QStringLiteral("x.ini")); }, true, EISDIR},
    {"folderNotSearchable", [](const QString& folder) {
         makeFile(folder, 0644);
         ::chmod(QFile::encodeName(folder).constData(), 0600);
     }, true, EACCES},
};

// Runs as nobody: permissions do not bind root.
TEST(Unreadable, ExistingFileThatCannotBeReadIsToldApartFromAMissingOne)
{
    if (geteuid() == 0) {
        RunTestAsNobody("Unreadable.ExistingFileThatCannotBeReadIsToldApartFromAMissingOne");
        return;
    }
    for (const UnreadableCase& c : unreadableCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("map"));
        ASSERT_TRUE(QDir().mkdir(folder));
        c.make(folder);
        const QString path = folder + QStringLiteral("/x.ini");
        int error = -1;
        EXPECT_EQ(IsUnreadable(path, &error), c.unreadable);
        if (c.unreadable) {
            EXPECT_EQ(error, c.error);
        }
        // A load-change-save never starts on what it could not read.
        bool called = false;
        const bool saved = IniDocument::update(path, [&](IniDocument& d) {
            called = true;
            return d.write("Scorix", "Wachtwoord", "");
        });
        EXPECT_EQ(saved, !c.unreadable);
        EXPECT_EQ(called, !c.unreadable);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        if (c.unreadable && !QFileInfo(path).isDir()) {
            ::chmod(QFile::encodeName(path).constData(), 0644);
            EXPECT_EQ(contents(path), "[Scorix]\r\nWachtwoord=geheim\r\n");
        }
    }
}

// Three writers of distinct keys and one reader of a key that was there from the start, each its
// own process, on one file.
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

    int acknowledged[writers][2];
    pid_t writerPids[writers];
    for (int w = 0; w < writers; ++w) {
        ASSERT_EQ(::pipe(acknowledged[w]), 0);
        writerPids[w] = ::fork();
        ASSERT_GE(writerPids[w], 0);
        if (writerPids[w] == 0) {
            for (int k = 0; k < keys; ++k) {
                const char ok = WriteINI(path, QStringLiteral("S"), keyName(w, k), QStringLiteral("v")) ? 1 : 0;
                if (::write(acknowledged[w][1], &ok, 1) != 1)
                    ::_exit(3);
            }
            ::_exit(0);
        }
        ::close(acknowledged[w][1]);
    }
    int stop[2];
    ASSERT_EQ(::pipe2(stop, O_NONBLOCK), 0);
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        ::close(stop[1]);
        int misses = 0;
        char byte;
        // Reads until the writers are done (the pipe's end is closed).
        while (!(::read(stop[0], &byte, 1) == 0))
            if (ReadINI(path, QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()) != QStringLiteral("er"))
                ++misses;
        ::_exit(misses == 0 ? 0 : 1);
    }
    ::close(stop[0]);

    QByteArray answers[writers];
    for (int w = 0; w < writers; ++w) {
        char buffer[keys];
        ssize_t n;
        while ((n = ::read(acknowledged[w][0], buffer, sizeof buffer)) > 0)
            answers[w].append(buffer, n);
        ::close(acknowledged[w][0]);
        int status = 0;
        ASSERT_EQ(::waitpid(writerPids[w], &status, 0), writerPids[w]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::close(stop[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(reader, &status, 0), reader);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reader missed the key";

    const IniReader file(path);
    int lost = 0;
    for (int w = 0; w < writers; ++w) {
        ASSERT_EQ(answers[w].size(), keys);
        for (int k = 0; k < keys; ++k) {
            EXPECT_EQ(answers[w][k], 1) << "a write failed on a healthy disk";
            if (answers[w][k] == 1 && file.value(QStringLiteral("S"), keyName(w, k), QString()) != QStringLiteral("v"))
                ++lost;
        }
    }
    EXPECT_EQ(lost, 0) << "acknowledged writes missing from the file";
    EXPECT_EQ(file.value(QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()), QStringLiteral("er"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
