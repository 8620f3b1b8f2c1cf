#include "ClassCommands.h"
#include "ProgramFolder.h"

#include "DataFolder.h"
#include "ErrorRule.h"
#include "OddEntries.h"
#include "RecordingPrompts.h"
#include "Runtime.h"
#include "modsearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

namespace {

class ClassCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Documenten")));
        documents = temp.path() + QStringLiteral("/Documenten/");
    }

    void makeClass(const QString& name, const QStringList& files = {})
    {
        ASSERT_TRUE(QDir(documents).mkpath(name));
        for (const QString& file : files)
            store(documents + name + QLatin1Char('/') + file, "[Resultaten]\r\n");
    }

    QSet<QString> entries(const QString& folder) const
    {
        const QStringList list =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        return QSet<QString>(list.begin(), list.end());
    }
    QSet<QString> classFiles(const QString& name) const { return entries(documents + name); }
    QSet<QString> classes() const { return entries(documents); }

    // A target whose refresh records the class it was asked to show again.
    ClassCommandTarget target(const QString& text, const QString& key = QStringLiteral("child0"))
    {
        ClassCommandTarget t;
        t.documentFolder = documents;
        t.nodeText = text;
        t.nodeKey = key;
        t.refresh = [this](const QString& className) { refreshes << className; };
        return t;
    }
    ClassCommandTarget root() { return target(QStringLiteral("Klassen overzicht"), QStringLiteral("root")); }

    const PromptCall& lastCall() const { return scoped.prompts.calls.back(); }

    QTemporaryDir temp;
    QString documents;
    QStringList refreshes;
    ScopedPrompts scoped;
};

const QString Confirm = QStringLiteral(" verwijderen? (Alle resultaten gaan verloren)");

// The mixed folder of a class that has been used for a while.
const QStringList MixedFiles = {"Jan",          "Piet",         "rapport.html", "rapport.HTML",
                                "notities.txt", "oud.html.bak", "lijst.htm",    ".verborgen"};

} // namespace

TEST(ClassFileRule, DecidesByNameOnly)
{
    struct Case {
        const char* name;
        bool deleted;
    };
    const Case cases[] = {
        {"Jan", true},           {"Piet de Vries", true}, {"rapport.html", true},  {"oud.html.bak", true},
        {"x.htmlx", true},       {"rapport.HTML", false}, {"rapport.Html", false}, {"lijst.htm", false},
        {"notities.txt", false}, {"Jan.", false},         {"a.b", false},          {"Klas 1A.csv", true},
        {"oud.csv.bak", true},   {"lijst.CSV", false},    {"lijst.cs", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsClassDataFile(QString::fromUtf8(c.name)), c.deleted) << c.name;
}

// A name that leaves the data folder is no class name; what the class tree could not show, or would
// open as another folder, is no name for a new class either.
TEST(ClassName, RefusesNamesThatLeaveTheDataFolderAndNewNamesNotShownAsTyped)
{
    const struct {
        const char* name;
        bool isClassName;
        bool isNewName;
    } cases[] = {
        {"../x", false, false},       {"a/b", false, false},   {"..", false, false},   {".", false, false},
        {"a\\b", false, false},       {"..\\x", false, false}, {"/tmp", false, false}, {"", false, false},
        {" klas 1 ", true, false},    {"...", true, false},    {".x", true, false},    {" 4B", true, false},
        {".4B", true, false},         {"4B ", true, false},    {" ", true, false},     {"4B", true, true},
        {"4.B", true, true},          {"4B.", true, true},     {"a  b", true, true},   {"Groep 8 (2024)", true, true},
        {"Review \"X\"", true, true},
    };
    for (const auto& c : cases) {
        const std::pair<void (*)(const QString&), bool> checks[] = {{CheckClassName, c.isClassName},
                                                                    {CheckNewClassName, c.isNewName}};
        for (const auto& [check, accepted] : checks) {
            try {
                check(QString::fromUtf8(c.name));
                EXPECT_TRUE(accepted) << "accepted '" << c.name << "'";
            } catch (const RuntimeError& error) {
                EXPECT_FALSE(accepted) << "refused '" << c.name << "'";
                EXPECT_EQ(error.description(), QStringLiteral("Ongeldige naam")) << c.name;
            }
        }
    }
}

TEST(FileSystemFailures, DescribedInDutch)
{
    EXPECT_EQ(DescribeFileSystemFailure(EEXIST).description, QStringLiteral("Map bestaat al"));
    EXPECT_EQ(DescribeFileSystemFailure(EACCES).description, QStringLiteral("Toegang geweigerd"));
    EXPECT_EQ(DescribeFileSystemFailure(EPERM).description, QStringLiteral("Toegang geweigerd"));
    EXPECT_EQ(DescribeFileSystemFailure(EBUSY).description, QStringLiteral("Bestand is in gebruik of alleen-lezen"));
    EXPECT_EQ(DescribeFileSystemFailure(ENOENT).description, QStringLiteral("Pad niet gevonden"));
    // Whatever the platform says, the teacher never sees an empty text.
    for (int e = 0; e < 200; ++e)
        EXPECT_FALSE(DescribeFileSystemFailure(e).description.isEmpty()) << e;
}

TEST_F(ClassCommandsTest, EmptyingKeepsHiddenFilesOtherFilesAndSubfolders)
{
    makeClass("4B", MixedFiles);
    makeClass("4B/sub", {"Kees"});
    EmptyClassFolder(documents, QStringLiteral("4B"));
    EXPECT_EQ(classFiles(QStringLiteral("4B")),
              (QSet<QString>{"rapport.HTML", "notities.txt", "lijst.htm", ".verborgen", "sub"}));
    EXPECT_EQ(classFiles(QStringLiteral("4B/sub")), QSet<QString>{"Kees"});
}

TEST_F(ClassCommandsTest, ReadOnlyFileStopsEmptyingAndEarlierDeletionsStay)
{
    makeClass("4B", {"Anna", "Kees", "Piet"});
    const QString kees = documents + QStringLiteral("4B/Kees");
    ASSERT_TRUE(QFile::setPermissions(kees, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    try {
        EmptyClassFolder(documents, QStringLiteral("4B"));
        ADD_FAILURE() << "read-only file deleted";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.description(), QStringLiteral("Bestand is in gebruik of alleen-lezen"));
    }
    EXPECT_EQ(classFiles(QStringLiteral("4B")), (QSet<QString>{"Kees", "Piet"}));
}

TEST_F(ClassCommandsTest, RenameNeverReplacesAnotherClass)
{
    makeClass("4A", {"Jan"});
    makeClass("4B"); // empty: a plain rename would replace it
    EXPECT_THROW(RenameClassFolder(documents, QStringLiteral("4A"), QStringLiteral("4B")), RuntimeError);
    EXPECT_EQ(classFiles(QStringLiteral("4A")), QSet<QString>{"Jan"});
    EXPECT_TRUE(classFiles(QStringLiteral("4B")).isEmpty());
    EXPECT_EQ(classes(), (QSet<QString>{"4A", "4B"}));
}

// --- the commands ---

TEST_F(ClassCommandsTest, CreateAsksForANameAndRefreshes)
{
    KlasAanmaken(root()); // cancelled
    EXPECT_TRUE(classes().isEmpty());
    EXPECT_TRUE(refreshes.isEmpty());

    scoped.prompts.texts = {QStringLiteral("5  C")};
    KlasAanmaken(root()); // works whatever node is current
    ASSERT_EQ(scoped.prompts.calls.size(), 2);
    const PromptCall& ask = scoped.prompts.calls[1];
    EXPECT_EQ(ask.kind, PromptCall::InputBox);
    EXPECT_EQ(ask.text, QStringLiteral("Naam :"));
    EXPECT_EQ(ask.title, QStringLiteral("Nieuwe klas aanmaken"));
    EXPECT_EQ(ask.defaultText, QString());
    EXPECT_EQ(classes(), QSet<QString>{"5  C"}); // used as typed
    EXPECT_EQ(refreshes, QStringList{QString()});
}

// A name that is taken or no class name: the description is shown, nothing changes on disk and the
// tree is not refreshed.
TEST_F(ClassCommandsTest, CreateAndRenameFailuresShowTheDescriptionAndChangeNothing)
{
    makeClass("4A", {"Jan"});
    makeClass("4B", {"Piet"});
    struct Case {
        void (*command)(const ClassCommandTarget&);
        const char* name;
        const char* description;
    };
    const char* const invalid[] = {"../x", "a/b", "..", ".", "a\\b", " 4C", ".4C", "4C "};
    QVector<Case> cases = {{KlasAanmaken, "4B", "Map bestaat al"}, {KlasHernoemen, "4A", "Map bestaat al"}};
    for (const char* name : invalid)
        cases << Case{KlasAanmaken, name, "Ongeldige naam"} << Case{KlasHernoemen, name, "Ongeldige naam"};
    const QSet<QString> outside = entries(temp.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command == KlasAanmaken ? "create " : "rename ") + c.name);
        scoped.prompts.calls.clear();
        scoped.prompts.texts = {QString::fromUtf8(c.name)};
        c.command(target(QStringLiteral("4B"), QStringLiteral("child1")));
        ASSERT_EQ(scoped.prompts.calls.size(), 2);
        EXPECT_EQ(lastCall().text, QString::fromUtf8(c.description));
        EXPECT_EQ(lastCall().title, ErrorTitle);
        EXPECT_EQ(lastCall().icon, PromptIcon::Critical);
        EXPECT_EQ(lastCall().buttons, PromptButtons::Ok);
    }
    EXPECT_TRUE(refreshes.isEmpty());
    EXPECT_EQ(classes(), (QSet<QString>{"4A", "4B"}));
    EXPECT_EQ(classFiles(QStringLiteral("4A")), QSet<QString>{"Jan"});
    EXPECT_EQ(classFiles(QStringLiteral("4B")), QSet<QString>{"Piet"});
    EXPECT_EQ(entries(temp.path()), outside);
}

// The school's Windows PCs see 3H1 and 3h1 as one folder: a name in another case is taken, except
// the class's own name, whose case a rename may change.
TEST_F(ClassCommandsTest, NamesDifferingOnlyInCaseAreTaken)
{
    struct Case {
        const char* name;
        void (*command)(const ClassCommandTarget&);
        const char* current; // the class the command acts on
        const char* typed;
        const char* failure; // nullptr: it works
        QSet<QString> after;
    };
    const Case cases[] = {
        {"CreateOtherCase", KlasAanmaken, "3H1", "3h1", "Map bestaat al", {"3H1", "4C", "notities"}},
        {"CreateLikeAFile", KlasAanmaken, "3H1", "NOTITIES", "Map bestaat al", {"3H1", "4C", "notities"}},
        {"RenameOntoOtherCase", KlasHernoemen, "4C", "3h1", "Map bestaat al", {"3H1", "4C", "notities"}},
        {"RenameOwnCase", KlasHernoemen, "3H1", "3h1", nullptr, {"3h1", "4C", "notities"}},
        {"CreateOther", KlasAanmaken, "3H1", "3H2", nullptr, {"3H1", "3H2", "4C", "notities"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(documents).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(documents));
        makeClass("3H1", {"Jan"});
        makeClass("4C");
        ASSERT_TRUE(QFile(documents + QStringLiteral("notities")).open(QIODevice::WriteOnly));
        scoped.prompts.calls.clear();
        refreshes.clear();
        scoped.prompts.texts = {QString::fromUtf8(c.typed)};
        c.command(target(QString::fromUtf8(c.current)));
        if (c.failure) {
            EXPECT_EQ(scoped.prompts.messages(), QStringList{QString::fromUtf8(c.failure)});
            EXPECT_EQ(lastCall().title, ErrorTitle);
            EXPECT_TRUE(refreshes.isEmpty());
        } else {
            EXPECT_TRUE(scoped.prompts.messages().isEmpty());
            EXPECT_EQ(refreshes.size(), 1);
        }
        EXPECT_EQ(classes(), c.after);
    }
}

// A data folder that is not there is named, not just "not found".
TEST_F(ClassCommandsTest, MissingDataFolderIsNamed)
{
    ASSERT_TRUE(QDir(documents).removeRecursively());
    scoped.prompts.texts = {QStringLiteral("4D")};
    KlasAanmaken(target(QStringLiteral("4B")));
    EXPECT_EQ(scoped.prompts.messages(),
              QStringList{QStringLiteral("Pad niet gevonden: ") + QDir::toNativeSeparators(documents.chopped(1))});
    EXPECT_TRUE(refreshes.isEmpty());
}

TEST_F(ClassCommandsTest, CommandsOnTheRootOnlyWarnAndRefresh)
{
    makeClass("4B", {"Jan"});
    for (auto command : {KlasHernoemen, KlasLeegmaken, KlasVerwijderen}) {
        scoped.prompts.calls.clear();
        refreshes.clear();
        command(root());
        ASSERT_EQ(scoped.prompts.calls.size(), 1);
        EXPECT_EQ(lastCall().text,
                  QStringLiteral("U moet eerste een klas selecteren voordat u deze actie kan uitvoeren!"));
        EXPECT_EQ(lastCall().title, QStringLiteral("Waarschuwing!"));
        EXPECT_EQ(lastCall().icon, PromptIcon::Critical);
        EXPECT_EQ(refreshes, QStringList{QString()});
    }
    // A node with an empty text is no class either.
    scoped.prompts.calls.clear();
    KlasVerwijderen(target(QString()));
    EXPECT_EQ(lastCall().title, QStringLiteral("Waarschuwing!"));
    EXPECT_EQ(classFiles(QStringLiteral("4B")), QSet<QString>{"Jan"});
}

TEST_F(ClassCommandsTest, RenameOkCancelAndSameName)
{
    makeClass("4B", {"Jan"});
    KlasHernoemen(target(QStringLiteral("4B"))); // cancelled
    ASSERT_EQ(scoped.prompts.calls.size(), 1);
    EXPECT_EQ(lastCall().kind, PromptCall::InputBox);
    EXPECT_EQ(lastCall().title, QStringLiteral("Klas naam hernoemen"));
    EXPECT_EQ(lastCall().text, QStringLiteral("Naam :"));
    EXPECT_EQ(lastCall().defaultText, QStringLiteral("4B"));
    EXPECT_EQ(classes(), QSet<QString>{"4B"});
    EXPECT_EQ(refreshes, QStringList{"4B"});

    scoped.prompts.texts = {QStringLiteral("4B")};
    KlasHernoemen(target(QStringLiteral("4B")));
    EXPECT_EQ(classes(), QSet<QString>{"4B"});
    EXPECT_EQ(scoped.prompts.messages(), QStringList());

    scoped.prompts.texts = {QStringLiteral("5B")};
    KlasHernoemen(target(QStringLiteral("4B")));
    EXPECT_EQ(classes(), QSet<QString>{"5B"});
    EXPECT_EQ(classFiles(QStringLiteral("5B")), QSet<QString>{"Jan"});
    EXPECT_EQ(refreshes, (QStringList{"4B", "4B", "5B"})); // the renamed class is shown
}

TEST_F(ClassCommandsTest, EmptyConfirmsThenAppliesTheFileRule)
{
    makeClass("4B", MixedFiles);
    KlasLeegmaken(target(QStringLiteral("4B"))); // Cancel
    ASSERT_EQ(scoped.prompts.calls.size(), 1);
    EXPECT_EQ(lastCall().text, QStringLiteral("Wilt u de gegevens in de klas: 4B") + Confirm +
                                   QStringLiteral("\r\n\r\nDit verwijdert de bestanden van 2 leerlingen en 2 "
                                                  "opgeslagen overzichten."));
    EXPECT_EQ(lastCall().title, QStringLiteral("Waarschuwing!"));
    EXPECT_EQ(lastCall().icon, PromptIcon::None);
    EXPECT_EQ(lastCall().buttons, PromptButtons::OkCancel);
    EXPECT_EQ(classFiles(QStringLiteral("4B")).size(), MixedFiles.size());
    EXPECT_EQ(refreshes, QStringList{"4B"});

    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasLeegmaken(target(QStringLiteral("4B")));
    EXPECT_EQ(classFiles(QStringLiteral("4B")),
              (QSet<QString>{"rapport.HTML", "notities.txt", "lijst.htm", ".verborgen"}));
    EXPECT_EQ(refreshes, (QStringList{"4B", "4B"}));
}

TEST_F(ClassCommandsTest, EmptyFailureStopsWithoutRefresh)
{
    makeClass("4B", {"Anna", "Kees"});
    ASSERT_TRUE(QFile::setPermissions(documents + QStringLiteral("4B/Kees"), QFileDevice::ReadOwner));
    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasLeegmaken(target(QStringLiteral("4B")));
    EXPECT_EQ(scoped.prompts.messages().last(), QStringLiteral("Bestand is in gebruik of alleen-lezen"));
    EXPECT_EQ(lastCall().title, ErrorTitle);
    EXPECT_TRUE(refreshes.isEmpty());
    EXPECT_EQ(classFiles(QStringLiteral("4B")), QSet<QString>{"Kees"});
}

TEST_F(ClassCommandsTest, DeleteCancelKeepsTheClass)
{
    makeClass("4B", {"Jan"});
    KlasVerwijderen(target(QStringLiteral("4B")));
    EXPECT_EQ(lastCall().text, QStringLiteral("Wilt u de klas: 4B") + Confirm +
                                   QStringLiteral("\r\n\r\nDit verwijdert de bestanden van 1 leerling."));
    EXPECT_EQ(lastCall().icon, PromptIcon::None);
    EXPECT_EQ(lastCall().buttons, PromptButtons::OkCancel);
    EXPECT_EQ(classFiles(QStringLiteral("4B")), QSet<QString>{"Jan"});
    EXPECT_EQ(refreshes, QStringList{"4B"});
}

TEST_F(ClassCommandsTest, DeleteRemovesAClassOfDataFilesOnly)
{
    // The program's own CSV export lies in the class folder by default.
    makeClass("4B", {"Jan", "Piet", "rapport.html", "oud.html.bak", "4B.csv"});
    makeClass("4C", {"Kees"});
    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasVerwijderen(target(QStringLiteral("4B")));
    EXPECT_EQ(classes(), QSet<QString>{"4C"});
    EXPECT_EQ(scoped.prompts.messages().size(), 1); // only the confirmation
    EXPECT_EQ(refreshes, QStringList{"4B"});
}

// Anything that would stay in the folder keeps the whole class: nothing is deleted, and the
// message names what blocks.
TEST_F(ClassCommandsTest, DeleteWithLeftoversDeletesNothingAndNamesThem)
{
    struct Case {
        const char* what;
        QStringList files;
        QString blockers;
    };
    const QVector<Case> cases = {
        {"other files", MixedFiles, ".verborgen\r\nlijst.htm\r\nnotities.txt\r\nrapport.HTML"},
        {"hidden file", {"Jan", ".verborgen"}, ".verborgen"},
        {"subfolder", {"Jan", "sub/Kees"}, "sub (map)"},
        {"export named by hand", {"Jan", "lijst.CSV"}, "lijst.CSV"},
    };
    for (const Case& c : cases) {
        scoped.prompts.calls.clear();
        refreshes.clear();
        makeClass("4B", c.files);
        const QSet<QString> before = classFiles(QStringLiteral("4B"));
        scoped.prompts.answers = {PromptAnswer::Ok};
        KlasVerwijderen(target(QStringLiteral("4B")));
        EXPECT_EQ(scoped.prompts.messages().last(),
                  QStringLiteral("Er staan nog bestanden in de map,\r\nde klas kan niet verwijderd worden!\r\n\r\n") +
                      c.blockers)
            << c.what;
        EXPECT_EQ(lastCall().title, ErrorTitle);
        EXPECT_EQ(lastCall().icon, PromptIcon::Critical);
        EXPECT_EQ(classFiles(QStringLiteral("4B")), before) << c.what;
        EXPECT_EQ(refreshes, QStringList{"4B"}) << c.what;
        QDir(documents + QStringLiteral("4B")).removeRecursively();
    }
}

TEST_F(ClassCommandsTest, DeleteWithAReadOnlyPupilDeletesNothingAndStillRefreshes)
{
    makeClass("4B", {"Anna", "Kees", "Piet"});
    ASSERT_TRUE(QFile::setPermissions(documents + QStringLiteral("4B/Kees"), QFileDevice::ReadOwner));
    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasVerwijderen(target(QStringLiteral("4B")));
    EXPECT_EQ(scoped.prompts.messages().last(), ClassNotEmpty + QStringLiteral("\r\n\r\nKees (alleen-lezen)"));
    EXPECT_EQ(refreshes, QStringList{"4B"});
    EXPECT_EQ(classFiles(QStringLiteral("4B")), (QSet<QString>{"Anna", "Kees", "Piet"}));
}

// A class that is a link (to a teacher's own folder, or to another class) is no class: every
// command that deletes, empties or renames refuses it, also when the name became a link after the
// command looked (the plain functions), and nothing in the folder it names changes.
TEST_F(ClassCommandsTest, ALinkedClassIsRefusedAndWhatItNamesStays)
{
    const OddEntriesRemoved cleanup(temp.path());
    makeClass("4B", {"Jan", "rapport.html"});
    QTemporaryDir home;
    for (const char* file : {"Jan", "profiel.csv", "notities.html"})
        ASSERT_TRUE(WriteBytes(EntryPath(home.path(), file), "[Resultaten]\r\n"));
    ASSERT_TRUE(MakeLink(home.path().toUtf8(), EntryPath(documents, "Thuis")));
    ASSERT_TRUE(MakeLink(EntryPath(documents, "4B"), EntryPath(documents, "Kopie")));
    const QSet<QString> homeFiles = entries(home.path());
    const QSet<QString> classFolders = classes();
    const QString refused = QStringLiteral(" is een koppeling, geen klasmap; er is niets gewijzigd.");

    using Run = std::function<void(const QString& name)>;
    const std::pair<const char*, Run> commands[] = {
        {"Klas leegmaken",
         [&](const QString& name) {
             scoped.prompts.answers = {PromptAnswer::Ok};
             KlasLeegmaken(target(name));
         }},
        {"Klas verwijderen",
         [&](const QString& name) {
             scoped.prompts.answers = {PromptAnswer::Ok};
             KlasVerwijderen(target(name));
         }},
        {"Klas hernoemen",
         [&](const QString& name) {
             scoped.prompts.texts = {QStringLiteral("5B")};
             KlasHernoemen(target(name));
         }},
    };
    const std::pair<const char*, Run> functions[] = {
        {"EmptyClassFolder", [&](const QString& name) { EmptyClassFolder(documents, name); }},
        {"ClassDeleteBlockers", [&](const QString& name) { ClassDeleteBlockers(documents, name); }},
        {"RenameClassFolder", [&](const QString& name) { RenameClassFolder(documents, name, "5B"); }},
    };
    for (const QString name : {"Thuis", "Kopie"}) {
        for (const auto& [what, run] : commands) {
            scoped.prompts.calls.clear();
            refreshes.clear();
            run(name);
            EXPECT_EQ(scoped.prompts.messages(), QStringList{documents + name + refused}) << what;
            EXPECT_EQ(lastCall().title, WarningTitle) << what;
            EXPECT_EQ(refreshes, QStringList{name}) << what;
        }
        for (const auto& [what, run] : functions) {
            try {
                run(name);
                ADD_FAILURE() << what << " accepted the link " << name.toStdString();
            } catch (const RuntimeError& error) {
                EXPECT_EQ(error.description(), documents + name + refused) << what;
            }
        }
        EXPECT_FALSE(RemoveClassFolder(documents, name));
        EXPECT_EQ(entries(home.path()), homeFiles);
        EXPECT_EQ(classFiles(QStringLiteral("4B")), (QSet<QString>{"Jan", "rapport.html"}));
        EXPECT_EQ(classes(), classFolders);
    }
}

// A pupil's file that is a link, a pipe or a folder is no pupil's file: emptying keeps it (and
// what a link names), and the delete check names it, whatever its name's encoding.
TEST_F(ClassCommandsTest, LinksPipesAndFoldersAreNamedLeftovers)
{
    const OddEntriesRemoved cleanup(temp.path());
    makeClass("4B", {"Jan"});
    QTemporaryDir outside;
    const QByteArray secret = EntryPath(outside.path(), "geheim");
    ASSERT_TRUE(WriteBytes(secret, "[Resultaten]\r\n"));
    const QByteArray folder = EntryPath(documents, "4B");
    ASSERT_TRUE(MakeLink(secret, folder + "/Kees"));
    ASSERT_TRUE(MakeLink("/dev/zero", folder + "/Nul"));
    ASSERT_TRUE(MakePipe(folder + "/Pijp"));
    ASSERT_TRUE(WriteBytes(folder + "/Ren\xe9.txt", "x"));
    ASSERT_TRUE(MakeFolder(folder + "/Sub\xe9"));

    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasVerwijderen(target(QStringLiteral("4B")));
    EXPECT_EQ(scoped.prompts.messages().last(),
              ClassNotEmpty + QString::fromUtf8("\r\n\r\nKees (koppeling)\r\nNul (koppeling)\r\nPijp (pijp)\r\n"
                                                "René.txt\r\nSubé (map)"));
    EXPECT_TRUE(EntryExists(folder + "/Jan"));

    EmptyClassFolder(documents, QStringLiteral("4B"));
    EXPECT_FALSE(EntryExists(folder + "/Jan"));
    for (const char* kept : {"/Kees", "/Nul", "/Pijp", "/Ren\xe9.txt", "/Sub\xe9"})
        EXPECT_TRUE(EntryExists(folder + kept)) << kept;
    EXPECT_TRUE(EntryExists(secret));
}

// Names made on another system are emptied, deleted and renamed by their own bytes; the questions
// show them as Windows-1252.
TEST_F(ClassCommandsTest, NamesThatAreNotUtf8RoundTrip)
{
    const OddEntriesRemoved cleanup(temp.path());
    const QByteArray pupils[] = {"Jan", "Ren\xe9 Dijkman", "oud\xe9.html"};
    const auto makeOddClass = [&](const QByteArray& name) {
        ASSERT_TRUE(EntryExists(EntryPath(documents, name)) || MakeFolder(EntryPath(documents, name)));
        for (const QByteArray& pupil : pupils)
            ASSERT_TRUE(WriteBytes(EntryPath(documents, name) + '/' + pupil, "[Resultaten]\r\n"));
    };
    const QString odd = NameFromBytes("Klas \xe9");
    const QString shown = QString::fromUtf8("Klas é");

    makeOddClass("Klas \xe9");
    scoped.prompts.answers = {PromptAnswer::Ok};
    KlasLeegmaken(target(odd));
    EXPECT_EQ(scoped.prompts.messages(),
              QStringList{QStringLiteral("Wilt u de gegevens in de klas: ") + shown + Confirm +
                          QStringLiteral("\r\n\r\nDit verwijdert de bestanden van 2 leerlingen en 1 opgeslagen "
                                         "overzicht.")});
    EXPECT_EQ(classFiles(odd), QSet<QString>());

    // The emptied class filled again, and pupils named on another system in a class named here.
    for (const QByteArray& name : {QByteArray("Klas \xe9"), QByteArray("4B")}) {
        makeOddClass(name);
        scoped.prompts.calls.clear();
        scoped.prompts.answers = {PromptAnswer::Ok};
        KlasVerwijderen(target(NameFromBytes(name)));
        EXPECT_EQ(scoped.prompts.messages().size(), 1) << scoped.prompts.messages().join('|').toStdString();
        EXPECT_FALSE(EntryExists(EntryPath(documents, name))) << name.toStdString();
    }

    // Renaming offers the shown name; taking it gives the class a UTF-8 name, its pupils unchanged.
    makeOddClass("Klas \xe9");
    scoped.prompts.calls.clear();
    scoped.prompts.texts = {shown};
    KlasHernoemen(target(odd));
    EXPECT_EQ(lastCall().defaultText, shown);
    EXPECT_EQ(classes(), QSet<QString>{shown});
    for (const QByteArray& pupil : pupils)
        EXPECT_TRUE(EntryExists(EntryPath(documents, QByteArray("Klas \xc3\xa9/") + pupil))) << pupil.toStdString();
}
