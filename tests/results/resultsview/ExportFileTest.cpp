#include "ExportFile.h"
#include "ProgramFolder.h"

#include "Runtime.h"
#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The description WriteExportFile raised, or "" when it stored the file.
QString failureOf(const QString& path, const QByteArray& bytes)
{
    try {
        WriteExportFile(path, bytes);
    } catch (const RuntimeError& error) {
        return error.description();
    }
    return QString();
}

const QByteArray OldReport = "<html>oud</html>";
const QByteArray NewReport(20000, 'n');

// A folder everyone may write with the sticky bit (as /tmp): another user's file there cannot be
// replaced, even when its mode lets everyone write it. The file is in the saver's group, so the
// replacement gets as far as the rename.
TEST(WriteExportFile, RenameRefusedInAStickyFolderRaisesAndLeavesNoTemporaryFile)
{
    if (const char* target = std::getenv("STICKY_TARGET")) { // the user "nobody"'s side
        const QString path = QString::fromLocal8Bit(target);
        EXPECT_EQ(failureOf(path, NewReport), QStringLiteral("Toegang geweigerd"));
        EXPECT_EQ(readAll(path), OldReport);
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList({"4B.HTML"}));
        return;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's file needs root";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QString path = dir.filePath(QStringLiteral("4B.HTML"));
    store(path, OldReport);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, nobody->pw_gid), 0);
    RunTestAsNobody("WriteExportFile.RenameRefusedInAStickyFolderRaisesAndLeavesNoTemporaryFile",
                    {"STICKY_TARGET=" + path.toStdString()});
    EXPECT_EQ(readAll(path), OldReport);
}

// Pupils write the class folders: whatever stands under the chosen name other than a plain file is
// refused by name, and nothing it points to changes.
TEST(WriteExportFile, OnlyAPlainFileUnderTheNameIsReplaced)
{
    enum Kind { LinkToFile, LinkToFolder, DanglingLink, Fifo, Device, Socket, Folder };
    const struct {
        const char* name;
        Kind kind;
        const char* description; // %1: the path
    } cases[] = {
        {"LinkToFile", LinkToFile, "%1 is een koppeling, geen gewoon bestand"},
        {"LinkToFolder", LinkToFolder, "%1 is een koppeling, geen gewoon bestand"},
        {"DanglingLink", DanglingLink, "%1 is een koppeling, geen gewoon bestand"},
        {"Fifo", Fifo, "%1 is een pijp (FIFO), geen gewoon bestand"},
        {"Device", Device, "%1 is een apparaat, geen gewoon bestand"},
        {"Socket", Socket, "%1 is een socket, geen gewoon bestand"},
        {"Folder", Folder, "Er bestaat al een map met deze naam"},
    };
    for (const auto& c : cases) {
        if (c.kind == Device && geteuid() != 0)
            continue; // making a device needs root
        SCOPED_TRACE(c.name);
        QTemporaryDir classFolder, home;
        const QString outside = home.filePath(QStringLiteral(".bashrc"));
        store(outside, "eigen\n");
        const QString path = classFolder.filePath(QStringLiteral("4B.csv"));
        const QByteArray name = QFile::encodeName(path);
        int socket = -1;
        switch (c.kind) {
        case LinkToFile:
            ASSERT_TRUE(QFile::link(outside, path));
            break;
        case LinkToFolder:
            ASSERT_TRUE(QFile::link(home.path(), path));
            break;
        case DanglingLink:
            ASSERT_TRUE(QFile::link(home.filePath(QStringLiteral("nieuw")), path));
            break;
        case Fifo:
            ASSERT_EQ(::mkfifo(name.constData(), 0666), 0);
            break;
        case Device:
            ASSERT_EQ(::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
            break;
        case Socket: {
            socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
            std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
            ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            break;
        }
        case Folder:
            ASSERT_TRUE(QDir().mkdir(path));
            break;
        }
        struct stat before {};
        ASSERT_EQ(::lstat(name.constData(), &before), 0);

        const QString description = QString::fromUtf8(c.description);
        EXPECT_EQ(failureOf(path, NewReport), description.contains("%1") ? description.arg(path) : description);
        struct stat after {};
        ASSERT_EQ(::lstat(name.constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "what stood there was replaced";
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(readAll(outside), "eigen\n");
        EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral(".bashrc")});
        EXPECT_EQ(
            QDir(classFolder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("4B.csv")})
            << "a temporary file was left";
        if (socket >= 0)
            ::close(socket);
    }
}

} // namespace
