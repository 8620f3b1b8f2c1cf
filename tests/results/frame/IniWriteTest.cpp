#include "INIfunc.h"
#include "IniDocument.h"
#include "ProgramFolder.h"
#include "SystemFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct WriteCase {
    const char* name;
    QByteArray before;
    const char* section;
    const char* key;
    const char* value;
    QByteArray after;
};

void PrintTo(const WriteCase& c, std::ostream* os)
{
    *os << c.name;
}

class WriteIniTable : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteIniTable, ChangesOnlyWhatItMust)
{
    const WriteCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    store(path, c.before);
    WriteINI(path, QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.value));
    EXPECT_EQ(readAll(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, WriteIniTable,
    testing::Values(
        WriteCase{"replaceInPlaceKeepsCapitals", "[A]\r\nTitel=old\r\nz=1\r\n", "a", "TITEL", "new",
                  "[A]\r\nTitel=new\r\nz=1\r\n"},
        WriteCase{"replaceOnlyFirstKey", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "3", "[A]\r\nk=3\r\nk=2\r\n"},
        WriteCase{"replaceInFirstSectionOnly", "[A]\r\nx=1\r\n[A]\r\nk=2\r\n", "A", "k", "3",
                  "[A]\r\nx=1\r\nk=3\r\n[A]\r\nk=2\r\n"},
        WriteCase{"replaceIndentedLfLine", "[A]\n  k = 1 \nz=2\n", "A", "k", "3", "[A]\nk=3\r\nz=2\n"},
        WriteCase{"replaceLastLineWithoutEnd", "[A]\r\nk=1", "A", "k", "2", "[A]\r\nk=2\r\n"},
        WriteCase{"newKeyAfterLastKeyOfSection", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "A", "k", "v",
                  "[A]\r\nx=1\r\nk=v\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"newKeyAfterTrailingComment", "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\n", "A", "k", "v",
                  "[A]\r\nx=1\r\n; note\r\nk=v\r\n\r\n[B]\r\n"},
        WriteCase{"newKeyInEmptySection", "[A]\r\n\r\n[B]\r\n", "A", "k", "v", "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        WriteCase{"newKeyAtEndWithoutLineEnd", "[A]\r\nx=1", "A", "k", "v", "[A]\r\nx=1\r\nk=v\r\n"},
        WriteCase{"newKeyAtEndOfLfFile", "[A]\nx=1\n", "A", "k", "v", "[A]\nx=1\nk=v\r\n"},
        WriteCase{"newSectionAtEnd", "[A]\r\nx=1\r\n", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"newSectionLineEndAddedFirst", "[A]\r\nx=1", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"newSectionAfterLfEnding", "[A]\nx=1\n", "B", "k", "v", "[A]\nx=1\n[B]\r\nk=v\r\n"},
        WriteCase{"keysBeforeSectionsUntouched", "k=1\r\n", "A", "k", "2", "k=1\r\n[A]\r\nk=2\r\n"},
        WriteCase{"headerWithoutBracketReused", "[A\r\nx=1\r\n", "A", "k", "v", "[A\r\nx=1\r\nk=v\r\n"},
        WriteCase{"blanksAroundNamesNotStored", "", " sec ", " key ", "v", "[sec]\r\nkey=v\r\n"},
        WriteCase{"blanksAroundNamesFindTheKey", "[sec]\r\nkey=1\r\n", "  sec ", " KEY", "2", "[sec]\r\nkey=2\r\n"},
        WriteCase{"tabBeforeSectionBelongsToIt", "[sec]\r\nkey=1\r\n", "\tsec", "key", "2", "[sec]\r\nkey=1\r\n"},
        WriteCase{"tabAfterKeyBelongsToIt", "[sec]\r\nkey=1\r\n", "sec", " key\t ", "2", "[sec]\r\nkey=1\r\n"},
        WriteCase{"loneCarriageReturnLineReplaced", "[A]\rk=1\rz=2\r", "A", "k", "3", "[A]\rk=3\r\nz=2\r"},
        WriteCase{"loneCarriageReturnEndsSection", "[A]\rx=1\r[B]\r", "A", "k", "v", "[A]\rx=1\rk=v\r\n[B]\r"},
        WriteCase{"lineBreaksBecomeBlanks", "", "A", "k", "a\r\nb\nc", "[A]\r\nk=a  b c\r\n"},
        WriteCase{"valueWrittenAsGiven", "", "A", "k", "  \"q\"  ", "[A]\r\nk=  \"q\"  \r\n"},
        WriteCase{"encodedAs1252", "", "Caf\xC3\xA9", "k", "\xE2\x82\xAC \xE4\xB8\xAD", "[Caf\xE9]\r\nk=\x80 ?\r\n"},
        // A file with a UTF-8 byte-order mark keeps it and is written in UTF-8.
        WriteCase{"markKeptValueInUtf8", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "\xE2\x82\xAC \xE4\xB8\xAD",
                  "\xEF\xBB\xBF[A]\r\nk=\xE2\x82\xAC \xE4\xB8\xAD\r\n"},
        WriteCase{"markKeptKeyMatchedInUtf8", "\xEF\xBB\xBF[A]\r\n\xC3\xA9t\xC3\xA9=1\r\n", "a", "\xC3\x89T\xC3\x89",
                  "2", "\xEF\xBB\xBF[A]\r\n\xC3\xA9t\xC3\xA9=2\r\n"},
        WriteCase{"markOnlyFileGetsItsFirstSection", "\xEF\xBB\xBF", "Caf\xC3\xA9", "k", "v",
                  "\xEF\xBB\xBF[Caf\xC3\xA9]\r\nk=v\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(WriteIni, OtherBytesStayByteForByte)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    const QByteArray before("\xFF\x00junk\r\n[A]\nk=1\r\n;c\n  \t\n[B]\r\ny=\x81\r\n", 34);
    store(path, before);
    WriteINI(path, "A", "k", "2");
    EXPECT_EQ(readAll(path), QByteArray("\xFF\x00junk\r\n[A]\nk=2\r\n;c\n  \t\n[B]\r\ny=\x81\r\n", 34));
}

TEST(WriteIni, CreatesTheFileOnFirstWriteAndReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Instellingen.ini");
    WriteINI(path, "Profiel", "Voldoende", "55");
    WriteINI(path, "Scorix", "Wachtwoord", "geheim");
    WriteINI(path, "Profiel", "Printen", "0");
    EXPECT_EQ(readAll(path), "[Profiel]\r\nVoldoende=55\r\nPrinten=0\r\n[Scorix]\r\nWachtwoord=geheim\r\n");
    EXPECT_EQ(ReadINI(path, "profiel", "printen", ""), "0");
    WriteINI(path, "Profiel", "Printen", "line\nbreak");
    EXPECT_EQ(ReadINI(path, "Profiel", "Printen", ""), "line break");
}

TEST(WriteIni, NothingIsWrittenWhereItCannotBe)
{
    QTemporaryDir dir;
    // Folder missing: lost, nothing created, and the caller can tell.
    EXPECT_FALSE(WriteINI(dir.filePath("no/such/file.ini"), "A", "k", "v"));
    EXPECT_FALSE(QDir(dir.filePath("no")).exists());
    // The target is a folder: it stays a folder.
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(WriteINI(dir.filePath("folder.ini"), "A", "k", "v"));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.ini")).isDir());
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

TEST(WriteIni, UnreadableFileIsNotReplaced)
{
    if (geteuid() == 0) {
        RunTestAsNobody("WriteIni.UnreadableFileIsNotReplaced");
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.ini");
    store(path, "[A]\r\nkeep=1\r\n");
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    WriteINI(path, "A", "k", "v");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(readAll(path), "[A]\r\nkeep=1\r\n");
}

TEST(WriteIni, PathThatCannotBeOpenedIsNotReplaced)
{
    // A socket exists but cannot be opened, even by root; it must not become an INI file.
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("socket.ini"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    WriteINI(QString::fromLocal8Bit(path), "A", "k", "v");
    DeleteINISection(QString::fromLocal8Bit(path), "A");
    EXPECT_EQ(ReadINI(QString::fromLocal8Bit(path), "A", "k", "d"), "d");
    struct stat info {};
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    ::close(fd);
}

struct stat statOf(const QString& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info;
}

TEST(WriteIni, ReplacementKeepsOwnerGroupAndMode)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Instellingen.ini");
    store(path, "[Profiel]\r\nVoldoende=55\r\n");
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chmod(name.constData(), 02640), 0);
    // Root may give the file to anyone, and must not take it over by replacing it.
    if (geteuid() == 0) {
        ASSERT_EQ(::chown(name.constData(), 2, 3), 0);
    }
    const struct stat before = statOf(path);
    EXPECT_TRUE(WriteINI(path, "Profiel", "Voldoende", "60"));
    const struct stat after = statOf(path);
    EXPECT_NE(after.st_ino, before.st_ino); // replaced, not rewritten
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(readAll(path), "[Profiel]\r\nVoldoende=60\r\n");
}

// A lab set-up: the program folder is read-only, its settings file writable by everyone.
TEST(WriteIniAsUser, ReadOnlyFolderWritableFileIsWrittenInPlace)
{
    if (geteuid() == 0) {
        RunTestAsNobody("WriteIniAsUser.ReadOnlyFolderWritableFileIsWrittenInPlace");
        return;
    }
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("program"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString settings = folder + QStringLiteral("/Instellingen.ini");
    const QString locked = folder + QStringLiteral("/vast.ini");
    store(settings, "[Profiel]\r\nVoldoende=55\r\n");
    store(locked, "[A]\r\nk=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(settings).constData(), 0666), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const struct stat before = statOf(settings);

    EXPECT_TRUE(WriteINI(settings, "Profiel", "Voldoende", "60"));
    EXPECT_TRUE(WriteINI(settings, "Scorix", "Wachtwoord", "geheim"));
    EXPECT_TRUE(WriteINI(settings, "Tijdelijk", "x", "1"));
    EXPECT_TRUE(DeleteINISection(settings, "Tijdelijk"));
    EXPECT_EQ(readAll(settings), "[Profiel]\r\nVoldoende=60\r\n[Scorix]\r\nWachtwoord=geheim\r\n");
    // A shorter text leaves no tail of the longer one behind.
    EXPECT_TRUE(WriteINI(settings, "Scorix", "Wachtwoord", "pw"));
    EXPECT_EQ(readAll(settings), "[Profiel]\r\nVoldoende=60\r\n[Scorix]\r\nWachtwoord=pw\r\n");
    const struct stat after = statOf(settings);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_gid, before.st_gid);

    // What cannot be written is reported and changes nothing.
    EXPECT_FALSE(WriteINI(locked, "A", "k", "2"));
    EXPECT_EQ(readAll(locked), "[A]\r\nk=1\r\n");
    EXPECT_FALSE(WriteINI(folder + QStringLiteral("/nieuw.ini"), "A", "k", "v"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/nieuw.ini")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

struct DeleteCase {
    const char* name;
    QByteArray before;
    const char* section;
    QByteArray after;
};

void PrintTo(const DeleteCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeleteSectionTable : public testing::TestWithParam<DeleteCase> {};

TEST_P(DeleteSectionTable, RemovesHeaderAndLinesUpToTheNextHeader)
{
    const DeleteCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("test.ini");
    store(path, c.before);
    DeleteINISection(path, QString::fromUtf8(c.section));
    EXPECT_EQ(readAll(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DeleteSectionTable,
    testing::Values(
        DeleteCase{"middle", "[A]\r\na=1\r\n[B]\r\nb=1\r\n\r\n; c\r\n[C]\r\nc=1\r\n", "b",
                   "[A]\r\na=1\r\n[C]\r\nc=1\r\n"},
        DeleteCase{"last", "[A]\r\na=1\r\n[B]\r\nb=1", "B", "[A]\r\na=1\r\n"},
        DeleteCase{"firstOfTwo", "[A]\r\na=1\r\n[B]\r\n[A]\r\na=2\r\n", "A", "[B]\r\n[A]\r\na=2\r\n"},
        DeleteCase{"missingSection", "[A]\r\na=1", "Z", "[A]\r\na=1"},
        DeleteCase{"loneCarriageReturnsBlanksAroundName", "[A]\ra=1\r[B]\rb=1\r[C]\rc=1", " b ", "[A]\ra=1\r[C]\rc=1"},
        DeleteCase{"keysBeforeSectionsStay", "k=1\r\n[A]\r\na=1\r\n", "A", "k=1\r\n"},
        DeleteCase{"tabAroundNameBelongsToIt", "[A]\r\na=1\r\n", "\tA ", "[A]\r\na=1\r\n"},
        DeleteCase{"firstAfterTheMarkMarkKept", "\xEF\xBB\xBF[A]\r\na=1\r\n[B]\r\n", "a", "\xEF\xBB\xBF[B]\r\n"},
        DeleteCase{"utf8NameAfterTheMark", "\xEF\xBB\xBF[A]\r\n[\xC3\xA9]\r\nb=1\r\n", "\xC3\x89",
                   "\xEF\xBB\xBF[A]\r\n"}),
    [](const testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

TEST(DeleteIniSection, MissingFileIsNotCreated)
{
    QTemporaryDir dir;
    DeleteINISection(dir.filePath("none.ini"), "A");
    EXPECT_FALSE(QFile::exists(dir.filePath("none.ini")));
}

TEST(DeleteIniSection, ModulesSectionEndsUpLastAfterRewrite)
{
    // The course editor's save: delete the section, then write it key by key.
    QTemporaryDir dir;
    const QString path = dir.filePath("Omschrijving.ini");
    store(path, "[Modules]\r\nm1=Oud\r\n[Cursus]\r\nTitel=T\r\n");
    DeleteINISection(path, "Modules");
    WriteINI(path, "Modules", "m1", "Nieuw");
    EXPECT_EQ(readAll(path), "[Cursus]\r\nTitel=T\r\n[Modules]\r\nm1=Nieuw\r\n");
}

TEST(IniDocument, ManyChangesThenOneSave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("doc.ini");
    IniDocument document = IniDocument::load(path);
    EXPECT_TRUE(document.bytes().isEmpty());
    document.write("S", "a", "1");
    document.write("S", "b", "2");
    document.write("s", "A", "3");
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(document.save(path));
    EXPECT_EQ(readAll(path), "[S]\r\na=3\r\nb=2\r\n");
    EXPECT_FALSE(document.save(dir.filePath("missing/doc.ini")));
}

} // namespace
