#include "INIfunc.h"
#include "modPublic.h"
#include "modsearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

class PathsTest : public testing::Test {
protected:
    QTemporaryDir dir;
    QString folder() const { return dir.path() + QLatin1Char('/'); }
};

TEST_F(PathsTest, SetPathsAppendsTheFixedNames)
{
    SetPaths(dir.path());
    EXPECT_EQ(ProgramFolder, folder());
    EXPECT_EQ(SettingsFile, folder() + "Instellingen.ini");
    EXPECT_EQ(CourseFile, folder() + "swf/Omschrijving.ini");
    EXPECT_EQ(DefaultCourseFile, folder() + "swf/STDOmschrijving.ini");
    EXPECT_EQ(MovieFolder, folder() + "swf/");
    SetPaths(folder()); // a trailing separator is not doubled
    EXPECT_EQ(ProgramFolder, folder());
}

TEST_F(PathsTest, SetPathsWithoutArgumentUsesTheRunningProgram)
{
    SetPaths();
    EXPECT_TRUE(ProgramFolder.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(ProgramFolder).isDir());
    EXPECT_TRUE(QFileInfo::exists(ProgramFolder + "results_frame_tests"));
}

TEST_F(PathsTest, DocumentFolderFromTheSettings)
{
    struct Case {
        const char* stored; // nullptr: no settings file
        QString expected;
    };
    const Case cases[] = {
        {nullptr, folder() + "Documenten/"},
        {"0", folder() + "Documenten/"},
        {"/data/klassen", "/data/klassen/"},
        {"/data/klassen/", "/data/klassen/"},
        // no folder name at all is the default folder, never the root of the file system
        {"", folder() + "Documenten/"},
        {"   ", folder() + "Documenten/"},
        {"\"   \"", folder() + "Documenten/"},
        {"00", "00/"},
        {"\" 0\"", " 0/"},
    };
    SetPaths(dir.path());
    for (const Case& c : cases) {
        QFile::remove(SettingsFile);
        if (c.stored)
            WriteINI(SettingsFile, "Profiel", "Documenten", QString::fromUtf8(c.stored));
        SetDocumentFolder();
        EXPECT_EQ(DocumentFolder, c.expected) << (c.stored ? c.stored : "<no file>");
    }
}

TEST(CapsLock, ProbeReplacesThePlatform)
{
    SetCapsLockProbe([] { return true; });
    EXPECT_TRUE(IsCapsLockOn());
    SetCapsLockProbe([] { return false; });
    EXPECT_FALSE(IsCapsLockOn());
    SetCapsLockProbe({});
    EXPECT_FALSE(IsCapsLockOn()); // no X11 display in this run
}

class ListingTest : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    void mkdir(const QString& name) { ASSERT_TRUE(QDir(dir.path()).mkpath(name)); }
};

TEST_F(ListingTest, ListDirsSkipsFilesAndPointFolders)
{
    mkdir("4B");
    mkdir("3a");
    mkdir(".verborgen");
    mkdir("klas met spaties");
    mkdir(QString::fromUtf8("Ωmega klas"));
    mkdir("4a");
    touch(path("bestand"));
    QStringList list{"kept"};
    QString folder = "  " + dir.path() + "  ";
    ListDirs(folder, list);
    EXPECT_EQ(folder, dir.path() + "/");
    EXPECT_EQ(list, (QStringList{"kept", "3a", "4a", "4B", "klas met spaties", QString::fromUtf8("Ωmega klas")}));
}

TEST_F(ListingTest, ListFilesTakesNamesWithoutAnyPoint)
{
    mkdir("Piet"); // a folder is no pupil
    touch(path("Jan"));
    touch(path("anna"));
    touch(path("Klaas.html"));
    touch(path("Kees."));
    touch(path(".hidden"));
    touch(path(QString::fromUtf8("Zoë de Vries")));
    QStringList list;
    QString folder = dir.path() + "/";
    ListFiles(folder, list);
    EXPECT_EQ(folder, dir.path() + "/");
    EXPECT_EQ(list, (QStringList{"anna", "Jan", QString::fromUtf8("Zoë de Vries")}));
}

TEST_F(ListingTest, LeadingBlanksOfNamesAreDropped)
{
    touch(path("  Bram"));
    QStringList list;
    QString folder = dir.path();
    ListFiles(folder, list);
    EXPECT_EQ(list, QStringList{"Bram"});
}

TEST_F(ListingTest, MissingFolderOrFileAddsNothing)
{
    touch(path("plain"));
    for (const QString& name : {QStringLiteral("missing"), QStringLiteral("plain")}) {
        QStringList dirs, files;
        QString folder = path(name);
        ListDirs(folder, dirs);
        EXPECT_EQ(folder, path(name) + "/");
        folder = path(name);
        ListFiles(folder, files);
        EXPECT_TRUE(dirs.isEmpty());
        EXPECT_TRUE(files.isEmpty());
    }
}

TEST_F(ListingTest, PendingEventsRunDuringTheListing)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    touch(path("a"));
    touch(path("b"));
    bool ran = false;
    QMetaObject::invokeMethod(&app, [&] { ran = true; }, Qt::QueuedConnection);
    QStringList list;
    QString folder = dir.path();
    ListFiles(folder, list);
    EXPECT_TRUE(ran);
    EXPECT_EQ(list.size(), 2);
}

} // namespace
