#include "ExportFile.h"

#include "Runtime.h"
#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

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
// replaced, even when its mode lets everyone write it.
TEST(WriteExportFile, RenameRefusedInAStickyFolderRaisesAndLeavesNoTemporaryFile)
{
    if (const char* target = std::getenv("STICKY_TARGET")) { // the user "nobody"'s side
        const QString path = QString::fromLocal8Bit(target);
        EXPECT_EQ(failureOf(path, NewReport), QStringLiteral("Toegang geweigerd"));
        EXPECT_EQ(contents(path), OldReport);
        EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList({"4B.HTML"}));
        return;
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's file needs root";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QString path = dir.filePath(QStringLiteral("4B.HTML"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(OldReport);
    old.close();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0666), 0);
    RunTestAsNobody("WriteExportFile.RenameRefusedInAStickyFolderRaisesAndLeavesNoTemporaryFile",
                    {"STICKY_TARGET=" + path.toStdString()});
    EXPECT_EQ(contents(path), OldReport);
}

} // namespace
