#include "INIfunc.h"
#include "IniReader.h"
#include "OddEntries.h"
#include "ProgramFolder.h"
#include "PupilResults.h"
#include "Startupform.h"
#include "modPublic.h"
#include "modsearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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

// Leading blanks of the names are dropped, folders and files alike.
TEST_F(ListingTest, ListDirsSkipsFilesAndPointFolders)
{
    for (const char* name : {"4B", "3a", ".verborgen", "klas met spaties", "Ωmega klas", "4a", "  5C"})
        mkdir(QString::fromUtf8(name));
    store(path("bestand"), {});
    QStringList list{"kept"};
    QString folder = "  " + dir.path() + "  ";
    ListDirs(folder, list);
    EXPECT_EQ(folder, dir.path() + "/");
    EXPECT_EQ(list, (QStringList{"kept", "3a", "4a", "4B", "5C", "klas met spaties", QString::fromUtf8("Ωmega klas")}));
}

TEST_F(ListingTest, ListFilesTakesNamesWithoutAnyPoint)
{
    mkdir("Piet"); // a folder is no pupil
    for (const char* name : {"Jan", "anna", "Klaas.html", "Kees.", ".hidden", "Zoë de Vries", "  Bram"})
        store(path(QString::fromUtf8(name)), {});
    QStringList list;
    QString folder = dir.path();
    ListFiles(folder, list);
    EXPECT_EQ(folder, dir.path() + "/");
    EXPECT_EQ(list, (QStringList{"anna", "Bram", "Jan", QString::fromUtf8("Zoë de Vries")}));
}

TEST_F(ListingTest, MissingFolderOrFileAddsNothing)
{
    store(path("plain"), {});
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
    store(path("a"), {});
    store(path("b"), {});
    bool ran = false;
    QMetaObject::invokeMethod(
        &app, [&] { ran = true; }, Qt::QueuedConnection);
    QStringList list;
    QString folder = dir.path();
    ListFiles(folder, list);
    EXPECT_TRUE(ran);
    EXPECT_EQ(list.size(), 2);
}

// A name made on another system keeps its bytes on the way from the listing back to the disk,
// and reads as Windows-1252.
TEST(ListedNames, KeepTheirBytesAndShowAsWindows1252)
{
    struct Case {
        QByteArray bytes;
        QString shown;
    };
    const Case cases[] = {
        {"Jan", "Jan"},
        {"Zo\xc3\xab de Vries", QString::fromUtf8("Zoë de Vries")}, // UTF-8 stays as it is
        {"Ren\xe9 Dijkman", QString::fromUtf8("René Dijkman")},     // Windows-1252
        {"\x80 \x9f\xff", QString::fromUtf8("€ Ÿÿ")},               // the bytes 0x80..0x9F too
        {"Zo\xc3\xab Ren\xe9", QString::fromUtf8("ZoÃ« René")},     // not UTF-8 as a whole
        {"\xed\xb3\xa9", QString::fromUtf8("í³©")},                 // an encoded surrogate is no UTF-8
    };
    for (const Case& c : cases) {
        const QString listed = NameFromBytes(c.bytes);
        EXPECT_EQ(NameBytes(listed), c.bytes) << c.bytes.toStdString();
        EXPECT_EQ(NameBytes(QStringLiteral("/data/") + listed + QStringLiteral("/x")), "/data/" + c.bytes + "/x");
        EXPECT_EQ(ShownName(listed), c.shown) << c.bytes.toStdString();
    }
}

// Only plain files are pupils and only folders are classes: a link may name anything (a teacher's
// file, another class, /dev/zero), a pipe blocks a reader. Names that are not UTF-8 are listed.
TEST_F(ListingTest, LinksPipesAndOtherSystemsNames)
{
    const QByteArray folder = dir.path().toUtf8() + '/';
    const OddEntriesRemoved cleanup(dir.path());
    QTemporaryDir outside;
    const QByteArray secret = outside.path().toUtf8() + "/geheim";
    ASSERT_TRUE(WriteBytes(secret, "[Resultaten]\r\nT=9\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "Jan", "[Resultaten]\r\nT=6\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "Ren\xe9 Dijkman", "[Resultaten]\r\nT=8\r\n"));
    ASSERT_TRUE(MakeLink(secret, folder + "Kees"));
    ASSERT_TRUE(MakeLink("/dev/zero", folder + "Nul"));
    ASSERT_TRUE(MakeLink(folder + "Jan", folder + "Tweede"));
    ASSERT_TRUE(MakePipe(folder + "Pijp"));
    ASSERT_TRUE(MakeFolder(folder + "Klas \xe9"));
    ASSERT_TRUE(MakeLink(outside.path().toUtf8(), folder + "Koppeling"));

    QStringList files, dirs;
    QString path = dir.path();
    ListFiles(path, files);
    EXPECT_EQ(files, (QStringList{"Jan", NameFromBytes("Ren\xe9 Dijkman")}));
    ListDirs(path, dirs);
    EXPECT_EQ(dirs, QStringList{NameFromBytes("Klas \xe9")});

    // A class folder that is a link lists nothing.
    QStringList linked;
    QString link = dir.filePath(QStringLiteral("Koppeling"));
    ListFiles(link, linked);
    EXPECT_EQ(linked, QStringList());

    // A pupil's file is read by its own bytes, and never through a link, from a pipe or a device.
    EXPECT_EQ(ReadGrade(path + files.at(1), QStringLiteral("T")), QStringLiteral("8"));
    for (const char* name : {"Kees", "Nul", "Tweede", "Pijp"})
        EXPECT_EQ(ReadGrade(path + QString::fromUtf8(name), QStringLiteral("T")), QString()) << name;
    // A pipe with a writer that keeps it open blocks no reader.
    const int writer = ::open((folder + "Pijp").constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const QByteArray grades = "[Resultaten]\r\nT=5\r\n";
    ASSERT_EQ(::write(writer, grades.constData(), size_t(grades.size())), grades.size());
    EXPECT_EQ(IniReader(path + QStringLiteral("Pijp")).value("Resultaten", "T", "leeg"), QStringLiteral("leeg"));
    ::close(writer);
}

} // namespace
