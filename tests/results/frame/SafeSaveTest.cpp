#include "SafeSave.h"
#include "INIfunc.h"
#include "IniDocument.h"
#include "IniReader.h"
#include "ProgramFolder.h"
#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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
    {"DocumentSave",
     [](const QString& path, int* error) {
         IniDocument d = IniDocument::load(path);
         d.write("Profiel", "Printen", "0");
         return d.save(path, error);
     }},
    {"DocumentUpdate",
     [](const QString& path, int* error) {
         return IniDocument::update(
             path, [](IniDocument& d) { return d.write("Profiel", "Printen", "0"); }, error);
     }},
    {"NewFile",
     [](const QString& path, int* error) { // a new file in the full folder: nothing of it stays
         const QString other = QFileInfo(path).path() + QStringLiteral("/nieuw.ini");
         return IniDocument::update(
             other, [](IniDocument& d) { return d.write("A", "k", QString(5000, 'v')); }, error);
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
        EXPECT_EQ(readAll(path), before);
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

    EXPECT_EQ(readAll(settings), "[Profiel]\r\nVoldoende=60\r\n[Cursus]\r\nTitel=Oud\r\n");
    EXPECT_EQ(readAll(course), "[Profiel]\r\nVoldoende=55\r\n[Cursus]\r\nTitel=Nieuw\r\n");
    for (const auto& [path, old] : before) {
        const struct stat after = statOf(path);
        EXPECT_NE(after.st_ino, old.st_ino) << "rewritten in place, not replaced: " << path.toStdString();
        EXPECT_EQ(after.st_uid, teacherB);
        EXPECT_EQ(after.st_gid, teachers);
        EXPECT_EQ(after.st_mode, old.st_mode);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Where a replacement would be refused (a sticky folder and another's file) or would take the file
// from its group (one the saver is not in), the program's own files are rewritten in place: the same
// file, owner, group and mode. An export is refused there instead. The owner's read-only file is
// replaced; another's is not, whoever may write the folder.
TEST(RewriteInPlace, WhereAReplacementIsRefusedOrWouldLoseTheGroup)
{
    if (const char* file = std::getenv("REWRITE_FILE")) { // nobody's side
        const QString path = QString::fromLocal8Bit(file);
        const int expected = std::atoi(std::getenv("REWRITE_ERROR"));
        int error = 0;
        if (std::getenv("REWRITE_EXPORT")) {
            EXPECT_EQ(SaveFile(path, "[Profiel]\r\nVoldoende=70\r\n", SaveKind::Export, -1, &error), expected == 0);
            EXPECT_EQ(error, expected);
            return;
        }
        EXPECT_EQ(IniDocument::update(
                      path, [](IniDocument& d) { return d.write("Profiel", "Voldoende", "60"); }, &error),
                  expected == 0);
        EXPECT_EQ(error, expected);
        error = 0;
        EXPECT_EQ(IniDocument::fromBytes("[Profiel]\r\nVoldoende=70\r\n").save(path, &error), expected == 0);
        EXPECT_EQ(error, expected);
        return;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's file needs root";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const gid_t teachers = 4711; // a group nobody is not in
    const struct {
        const char* name;
        mode_t folder;
        uid_t owner;
        gid_t group;
        mode_t mode;
        bool exported;
        int error;             // 0: saved
        bool replaced = false; // saved by a new file, not in place
    } cases[] = {
        {"StickyFolderRootsFile", 01777, 0, nobody->pw_gid, 0666, false, 0},
        {"GroupTheSaverIsNotIn", 0777, nobody->pw_uid, teachers, 0664, false, 0},
        {"ExportStickyFolderRootsFile", 01777, 0, nobody->pw_gid, 0666, true, EPERM},
        {"ExportGroupTheSaverIsNotIn", 0777, nobody->pw_uid, teachers, 0664, true, EPERM},
        {"OwnReadOnlyFile", 0777, nobody->pw_uid, nobody->pw_gid, 0444, false, 0, true},
        {"OthersReadOnlyFile", 0777, 0, nobody->pw_gid, 0644, false, EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
        const QString folder = dir.filePath(QStringLiteral("map"));
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folder), 0);
        const QString path = folder + QStringLiteral("/Instellingen.ini");
        const QByteArray before = "[Profiel]\r\nVoldoende=55\r\n";
        store(path, before);
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), c.owner, c.group), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.mode), 0);
        const struct stat old = statOf(path);
        // Held open, so a new file cannot take the old one's number.
        const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(held, 0);
        std::vector<std::string> environment{"REWRITE_FILE=" + path.toStdString(),
                                             "REWRITE_ERROR=" + std::to_string(c.error)};
        if (c.exported)
            environment.push_back("REWRITE_EXPORT=1");
        RunTestAsNobody("RewriteInPlace.WhereAReplacementIsRefusedOrWouldLoseTheGroup", environment);
        EXPECT_EQ(readAll(path), c.error ? before : QByteArray("[Profiel]\r\nVoldoende=70\r\n"));
        const struct stat now = statOf(path);
        EXPECT_EQ(now.st_ino != old.st_ino, c.replaced);
        EXPECT_EQ(now.st_uid, old.st_uid);
        EXPECT_EQ(now.st_gid, old.st_gid);
        EXPECT_EQ(now.st_mode, old.st_mode);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Instellingen.ini")});
        ::close(held);
    }
}

// Shares and quotas fail with codes a local disk never gives; each is said as what the teacher can act on.
TEST(SaveErrorReason, FullDisksAndGoneSharesAreSaidAsSuch)
{
    const struct {
        std::vector<int> errors;
        const char* reason;
    } cases[] = {
        {{ENOSPC, EDQUOT}, "De schijf is vol"},
        {{EIO, ENOTCONN, ESTALE, EHOSTDOWN, EHOSTUNREACH, ENETDOWN, ENETUNREACH, ECONNRESET, ECONNABORTED, ETIMEDOUT},
         "De schijf is niet bereikbaar"},
        {{EACCES, EPERM}, "Toegang geweigerd"},
        {{EROFS}, "De schijf is alleen-lezen"},
        {{EAGAIN}, "Het bestand is in gebruik"},
    };
    for (const auto& c : cases)
        for (int error : c.errors)
            EXPECT_EQ(NothingSavedText(QStringLiteral("/school/Instellingen.ini"), error),
                      QStringLiteral("Kan /school/Instellingen.ini niet opslaan! %1, er is niets opgeslagen.")
                          .arg(QString::fromUtf8(c.reason)))
                << std::strerror(error);
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
            EXPECT_EQ(readAll(path), "[Scorix]\r\nWachtwoord=geheim\r\n");
        }
    }
}

// Three writers of distinct keys, each its own process, on one file (a healthy disk: every write must
// answer true), while this process reads a key that was there from the start. In a folder that takes
// no new file the writers rewrite the file in place, one after the other.
TEST(ConcurrentWriters, EveryAcknowledgedWriteStaysAndTheFileIsNeverMissing)
{
    constexpr int writers = 3;
    constexpr int keys = 200;
    const struct {
        const char* name;
        mode_t folder;
    } cases[] = {{"Replaced", 0755}, {"RewrittenInPlace", 0555}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // On a tmpfs where one can be mounted: the same locks, no wait for the disk.
        SmallDisk disk(8 * 1024 * 1024);
        QTemporaryDir dir;
        const QString folder = disk.mounted() ? disk.path() : dir.path();
        const QString path = folder + QStringLiteral("/Instellingen.ini");
        store(path, "[Vast]\r\nsleutel=er\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folder), 0);
        const ino_t inode = statOf(path).st_ino;
        const auto keyName = [](int writer, int key) { return QStringLiteral("w%1k%2").arg(writer).arg(key); };

        for (int w = 0; w < writers; ++w) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                // Root may make files in any folder: the writers of a folder that takes none are nobody.
                if (c.folder == 0555 && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    ::_exit(2);
                bool failed = false;
                for (int k = 0; k < keys; ++k)
                    failed |= !WriteINI(path, QStringLiteral("S"), keyName(w, k), QStringLiteral("v"));
                ::_exit(failed ? 1 : 0);
            }
        }
        int misses = 0;
        for (int done = 0; done < writers;) {
            misses +=
                ReadINI(path, QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()) != QStringLiteral("er");
            int status = 0;
            if (::waitpid(-1, &status, WNOHANG) > 0) {
                ++done;
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write failed on a healthy disk";
            }
        }
        EXPECT_EQ(misses, 0) << "the reader missed the key";

        const IniReader file(path);
        int lost = 0;
        for (int w = 0; w < writers; ++w)
            for (int k = 0; k < keys; ++k)
                lost += file.value(QStringLiteral("S"), keyName(w, k), QString()) != QStringLiteral("v");
        EXPECT_EQ(lost, 0) << "writes lost";
        EXPECT_EQ(file.value(QStringLiteral("Vast"), QStringLiteral("sleutel"), QString()), QStringLiteral("er"));
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
        if (c.folder == 0555) {
            EXPECT_EQ(statOf(path).st_ino, inode) << "replaced, not rewritten in place";
        }
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
}

// Another's lock on the file (a reader's shared lock, a writer's exclusive lock, a classic process
// lock): the save waits for it a bounded time, then stores nothing and says the file is in use.
struct LockCase {
    const char* name;
    short type;
    int command;
    std::function<bool(const QString& path, int* error)> save;
    bool toldWhy = true; // WriteINI and DeleteINISection only answer false
};

void PrintTo(const LockCase& c, std::ostream* os)
{
    *os << c.name;
}

class LockHeldElsewhere : public testing::TestWithParam<LockCase> {};

TEST_P(LockHeldElsewhere, SaveGivesUpAndSaysTheFileIsInUse)
{
    const LockCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Instellingen.ini"));
    const QByteArray before = "[Profiel]\r\nVoldoende=55\r\nPrinten=1\r\n";
    store(path, before);
    LockHolder holder(path, c.type, c.command);
    ASSERT_TRUE(holder.holding());
    int error = 0;
    EXPECT_FALSE(c.save(path, &error));
    EXPECT_EQ(readAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Instellingen.ini")});
    if (c.toldWhy) {
        EXPECT_EQ(NothingSavedText(path, error),
                  QStringLiteral("Kan %1 niet opslaan! Het bestand is in gebruik, er is niets opgeslagen.").arg(path));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Saves, LockHeldElsewhere,
    testing::Values(LockCase{"WriteIniAgainstAReader", F_RDLCK, F_OFD_SETLK,
                             [](const QString& path, int*) { return WriteINI(path, "Profiel", "Voldoende", "60"); },
                             false},
                    LockCase{"DeleteSectionAgainstAWriter", F_WRLCK, F_OFD_SETLK,
                             [](const QString& path, int*) { return DeleteINISection(path, "Profiel"); }, false},
                    LockCase{"UpdateAgainstAClassicLock", F_WRLCK, F_SETLK,
                             [](const QString& path, int* error) {
                                 return IniDocument::update(
                                     path, [](IniDocument& d) { return d.write("Profiel", "Printen", "0"); }, error);
                             }}),
    [](const testing::TestParamInfo<LockCase>& info) { return std::string(info.param.name); });

// Counts its paints; the first one after `armed` runs `onPaint`.
class PaintProbe : public QWidget {
public:
    std::function<void()> onPaint;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        if (onPaint)
            std::exchange(onPaint, nullptr)();
    }
};

// While a save waits on the window's thread, the window repaints; the save goes on once the lock is free.
TEST(LockHeldElsewhere, WindowRepaintsWhileTheSaveWaitsAndTheSaveFollowsTheRelease)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Instellingen.ini"));
    store(path, "[Profiel]\r\nVoldoende=55\r\n");
    PaintProbe window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    LockHolder holder(path, F_WRLCK, F_OFD_SETLK);
    ASSERT_TRUE(holder.holding());
    const int paintsBefore = window.paints;
    window.onPaint = [&] { holder.release(); };
    window.update();
    EXPECT_TRUE(WriteINI(path, "Profiel", "Voldoende", "60"));
    EXPECT_GT(window.paints, paintsBefore) << "no repaint while waiting";
    EXPECT_EQ(readAll(path), "[Profiel]\r\nVoldoende=60\r\n");
}

void makeOld(const QString& path)
{
    const timespec hourAgo{::time(nullptr) - 3600, 0};
    const timespec times[2] = {hourAgo, hourAgo};
    EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// A save killed halfway leaves its temporary file; the next save of the same file removes the saver's
// own stale ones and nothing else.
TEST(StaleTemporaries, ASaveRemovesOnlyItsOwnFilesOldTemporaries)
{
    enum Kind { File, Folder, Link };
    const struct {
        const char* name;
        Kind kind;
        bool old;
        bool colleagues;
        bool removed;
    } candidates[] = {
        {"Instellingen.ini.a1B2c3", File, true, false, true},
        {"Instellingen.ini.Zz9Yy8", File, false, false, false}, // a save in progress
        {"Instellingen.ini.q1w2e3", File, true, true, false},
        {"Omschrijving.ini.a1B2c3", File, true, false, false}, // another file's
        {"Instellingen.ini.a1B2c", File, true, false, false},
        {"Instellingen.ini.a1B2c3d", File, true, false, false},
        {"Instellingen.ini.a1-2c3", File, true, false, false},
        {"Instellingen.ini.d4E5f6", Folder, true, false, false},
        {"Instellingen.ini.g7H8i9", Link, true, false, false},
    };
    const std::pair<const char*, std::function<bool(const QString&)>> saves[] = {
        {"WriteIni", [](const QString& path) { return WriteINI(path, "Profiel", "Voldoende", "60"); }},
        {"DocumentSave",
         [](const QString& path) { return IniDocument::fromBytes("[Profiel]\r\nVoldoende=60\r\n").save(path); }},
        {"Export",
         [](const QString& path) {
             int error = 0;
             return SaveFile(path, "[Profiel]\r\nVoldoende=60\r\n", SaveKind::Export, -1, &error);
         }},
    };
    for (const auto& [saveName, save] : saves) {
        SCOPED_TRACE(saveName);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Instellingen.ini"));
        store(path, "[Profiel]\r\nVoldoende=55\r\n");
        const QString target = dir.filePath(QStringLiteral("doel"));
        store(target, "doel");
        for (const auto& c : candidates) {
            const QString candidate = dir.filePath(QLatin1String(c.name));
            if (c.kind == Folder)
                ASSERT_TRUE(QDir().mkdir(candidate));
            else if (c.kind == Link)
                ASSERT_EQ(::symlink("doel", QFile::encodeName(candidate).constData()), 0);
            else
                store(candidate, "half");
            if (c.colleagues && geteuid() == 0) {
                ASSERT_EQ(::lchown(QFile::encodeName(candidate).constData(), 1, 1), 0);
            }
            if (c.old)
                makeOld(candidate);
        }
        ASSERT_TRUE(save(path));
        EXPECT_EQ(readAll(path), "[Profiel]\r\nVoldoende=60\r\n");
        for (const auto& c : candidates) {
            if (c.colleagues && geteuid() != 0)
                continue; // another's file needs root
            struct stat info {};
            const bool there = ::lstat(QFile::encodeName(dir.filePath(QLatin1String(c.name))).constData(), &info) == 0;
            EXPECT_EQ(there, !c.removed) << c.name;
        }
        EXPECT_EQ(readAll(target), "doel");
    }
}

// A stale temporary file goes before the save writes, so a disk it filled takes the new file again.
TEST(FullDisk, StaleTemporaryIsRemovedBeforeTheSaveWrites)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small disk needs root";
    SmallDisk disk(64 * 1024);
    ASSERT_TRUE(disk.mounted());
    const QString path = disk.path() + QStringLiteral("/Instellingen.ini");
    store(path, "[Profiel]\r\nVoldoende=55\r\n");
    ASSERT_TRUE(disk.fill());
    const QString stale = path + QStringLiteral(".x1Y2z3");
    ASSERT_TRUE(QFile::rename(disk.path() + QStringLiteral("/vulling"), stale));
    makeOld(stale);
    EXPECT_TRUE(WriteINI(path, "Profiel", "Voldoende", "60"));
    EXPECT_EQ(readAll(path), "[Profiel]\r\nVoldoende=60\r\n");
    EXPECT_FALSE(QFile::exists(stale));
}

// Instellingen.ini or the course file as a link: saved through (the file it names replaced, the link
// kept) when root or the saver made the link, as an administrator does; refused when anyone else made
// it, such as a pupil in a folder the pupils may write. An export never writes through a link.
TEST(LinkedFile, SavedThroughOnlyALinkRootOrTheSaverMade)
{
    const struct {
        const char* name;
        bool othersLink;  // the link under the file's name is another user's (needs root)
        bool othersChain; // it names a link of another user
        bool exported;
        int error;         // 0: saved through
        bool loop = false; // the link names itself
    } cases[] = {
        {"OwnLink", false, false, false, 0},
        {"OwnLinkToOwnLink", false, false, false, 0},
        {"OthersLink", true, false, false, ELOOP},
        {"OwnLinkToOthersLink", false, true, false, ELOOP},
        {"ExportThroughOwnLink", false, false, true, ELOOP},
        {"OwnLinkToItself", false, false, false, ELOOP, true},
    };
    const std::pair<const char*, std::function<bool(const QString&, bool exported, int*)>> saves[] = {
        {"Update",
         [](const QString& path, bool exported, int* error) {
             if (exported)
                 return SaveFile(path, "[Profiel]\r\nVoldoende=60\r\n", SaveKind::Export, -1, error);
             return IniDocument::update(
                 path, [](IniDocument& d) { return d.write("Profiel", "Voldoende", "60"); }, error);
         }},
        {"DocumentSave",
         [](const QString& path, bool exported, int* error) {
             if (exported)
                 return SaveFile(path, "[Profiel]\r\nVoldoende=60\r\n", SaveKind::Export, -1, error);
             return IniDocument::fromBytes("[Profiel]\r\nVoldoende=60\r\n").save(path, error);
         }},
    };
    for (const auto& c : cases) {
        if ((c.othersLink || c.othersChain) && geteuid() != 0)
            continue; // another user's link needs root
        for (const auto& [saveName, save] : saves) {
            SCOPED_TRACE(std::string(c.name) + " " + saveName);
            QTemporaryDir program, elsewhere;
            const QString target = elsewhere.filePath(QStringLiteral("echt.ini"));
            store(target, "[Profiel]\r\nVoldoende=55\r\n");
            const QString path = program.filePath(QStringLiteral("Instellingen.ini"));
            QString named = target;
            if (c.othersChain || std::string(c.name) == "OwnLinkToOwnLink") {
                named = elsewhere.filePath(QStringLiteral("tussen.ini"));
                ASSERT_TRUE(QFile::link(target, named));
                if (c.othersChain) {
                    ASSERT_EQ(::lchown(QFile::encodeName(named).constData(), 1, 1), 0);
                }
            }
            ASSERT_TRUE(QFile::link(c.loop ? path : named, path));
            if (c.othersLink) {
                ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 1, 1), 0);
            }
            int error = 0;
            EXPECT_EQ(save(path, c.exported, &error), c.error == 0);
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(readAll(target), c.error ? "[Profiel]\r\nVoldoende=55\r\n" : "[Profiel]\r\nVoldoende=60\r\n");
            EXPECT_TRUE(QFileInfo(path).isSymLink()) << "the link stays";
            EXPECT_EQ(QDir(program.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
        }
    }
}

} // namespace
