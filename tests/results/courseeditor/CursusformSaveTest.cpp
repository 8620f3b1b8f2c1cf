// The editor's OK and Default against the file as it is on disk: other writers, unreadable and
// unwritable files, and grades filed under a renamed test.

#include "Cursusform.h"
#include "ErrorRule.h"
#include "RecordingPrompts.h"
#include "RunAsNobody.h"
#include "SafeSave.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray course = "[Cursus]\r\nTitel=Tekenen\r\n[Modules]\r\nm1=Inleiding\r\nm1o6=Inleiding Test\r\n"
                          "m1o6swf=\r\nm2=Lijnen\r\nm2o6=Lijnen Test\r\nm2o6swf=\r\n";
const QByteArray factory = "[Cursus]\r\nTitel=Fabriek\r\n[Modules]\r\nm1=Start\r\nm1o6=Start Test\r\nm1o6swf=\r\n";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Records like the usual double and lets a test act while a question is open.
class HookedPrompts : public RecordingPrompts {
public:
    std::function<void()> whileAsking;

    PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                         PromptButtons buttons) override
    {
        if (whileAsking && buttons == PromptButtons::YesNo)
            std::exchange(whileAsking, nullptr)();
        return RecordingPrompts::message(parent, text, title, icon, buttons);
    }
};

class EditorSave : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "courseeditor_tests";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        setPrompts(&prompts);
        ASSERT_TRUE(dir.isValid());
        SetPaths(dir.path() + QLatin1Char('/'));
        DocumentFolder = dir.filePath(QStringLiteral("Documenten/"));
        writeAll(CourseFile, course);
        writeAll(DefaultCourseFile, factory);
    }

    void TearDown() override
    {
        delete form;
        setPrompts(nullptr);
    }

    void open()
    {
        form = new Cursusform;
        form->show();
    }

    void press(const char* name) { QTest::mouseClick(form->findChild<QPushButton*>(name), Qt::LeftButton); }

    void rename(const QString& key, const QString& text)
    {
        form->command([&](CourseTree& tree) {
            tree.setCurrent(tree.find(key));
            tree.rename(text);
        });
    }

    // The titles of the questions and messages so far.
    QStringList titles() const
    {
        QStringList list;
        for (const PromptCall& call : prompts.calls)
            list << call.title;
        return list;
    }

    QTemporaryDir dir;
    HookedPrompts prompts;
    Cursusform* form = nullptr;
};

const QByteArray theirs = "[Cursus]\r\nTitel=Tekenen\r\n[Modules]\r\nm1=Inleiding\r\nm1o6=Inleiding Test\r\n"
                          "m1o6swf=\r\nm2=Lijnen B\r\nm2o6=Lijnen Test\r\nm2o6swf=\r\n[Extra]\r\nk=v\r\n";
const QByteArray third = "[Cursus]\r\nTitel=Derde\r\n";
// Our tree (m2 renamed Krommen) written over their file: their other sections stay.
const QByteArray oursOverTheirs = "[Cursus]\r\nTitel=Tekenen\r\n[Extra]\r\nk=v\r\n[Modules]\r\nm1=Inleiding\r\n"
                                  "m1o6=Inleiding Test\r\nm1o6swf=\r\nm2=Krommen\r\nm2o6=Lijnen Test\r\nm2o6swf=\r\n";

// Another teacher saves the course after this window read it; OK or Default must not overwrite that
// unasked, and a third save made while the question is open is asked about again.
TEST_F(EditorSave, ChangeSavedByOthersIsOverwrittenOnlyWhenTheTeacherSaysSo)
{
    struct Case {
        const char* name;
        const char* button;
        std::deque<PromptAnswer> answers; // unanswered questions are Escape
        bool thirdWhileAsking;
        QStringList titles;
        QByteArray after;
        bool staysOpen;
        QString shown; // module m2 in the window afterwards
    };
    const QString conflict = QStringLiteral("Cursus gewijzigd");
    const QString restore = QStringLiteral("Default waarde terug zetten?");
    const Case cases[] = {
        {"OkNo", "cmdOk", {PromptAnswer::No}, false, {conflict}, theirs, true, "Krommen"},
        {"OkEscape", "cmdOk", {}, false, {conflict}, theirs, true, "Krommen"},
        {"OkYes", "cmdOk", {PromptAnswer::Yes}, false, {conflict}, oursOverTheirs, false, "Krommen"},
        {"OkYesAfterAThirdSave", "cmdOk", {PromptAnswer::Yes, PromptAnswer::No}, true, {conflict, conflict}, third,
         true, "Krommen"},
        {"DefaultNo", "cmdDefault", {PromptAnswer::Ok, PromptAnswer::No}, false, {restore, conflict}, theirs, true,
         "Krommen"},
        {"DefaultYes", "cmdDefault", {PromptAnswer::Ok, PromptAnswer::Yes}, false, {restore, conflict}, factory,
         true, {}},
    };
    for (const Case& c : cases) {
        writeAll(CourseFile, course);
        prompts.calls.clear();
        prompts.answers = c.answers;
        open();
        rename("m2", "Krommen");
        writeAll(CourseFile, theirs);
        if (c.thirdWhileAsking)
            prompts.whileAsking = [] { writeAll(CourseFile, third); };
        press(c.button);
        EXPECT_EQ(titles(), c.titles) << c.name;
        ASSERT_FALSE(prompts.calls.isEmpty()) << c.name;
        EXPECT_EQ(prompts.calls.last().buttons, PromptButtons::YesNo) << c.name;
        EXPECT_EQ(readAll(CourseFile).toStdString(), c.after.toStdString()) << c.name;
        EXPECT_EQ(form->isVisible(), c.staysOpen) << c.name;
        // Kept: the window still holds the teacher's edits; a restored default shows the factory course.
        const NodeId m2 = form->tree().find("m2");
        EXPECT_EQ(m2 == NoNode ? QString() : form->tree().node(m2).text, c.shown) << c.name;
        delete form;
        form = nullptr;
    }
}

// Renaming a test leaves the grades stored under its old name out of every table: OK first says
// how many pupils' files hold such grades, and saves only when the teacher agrees.
TEST_F(EditorSave, RenamedTestAsksWithTheNumberOfFilesHoldingItsGrades)
{
    const QString documents = DocumentFolder;
    writeAll(documents + "Klas 1A/Anna", "[Resultaten]\r\nLijnen Test=7\r\n");
    writeAll(documents + "Klas 1A/Bram", "[Resultaten]\r\nlijnen test=6\r\nInleiding Test=5\r\n");
    writeAll(documents + "Klas 1A/Cas", "[Resultaten]\r\nLijnen Test=\r\n");
    writeAll(documents + "Klas 1A/Dirk.txt", "[Resultaten]\r\nLijnen Test=5\r\n");
    writeAll(documents + "Klas 1B/Eva", "[Resultaten]\r\nLijnen Test=8\r\n");
    writeAll(documents + ".oud/Fred", "[Resultaten]\r\nLijnen Test=9\r\n");
    struct Case {
        const char* name;
        QString key;
        QString text;
        QString question; // empty: saved without asking
    };
    const QString tail = QStringLiteral("\n\nWilt u toch opslaan?");
    const QString head = QStringLiteral("Cijfers die onder de oude naam van een toets zijn opgeslagen, worden na het "
                                        "opslaan niet meer getoond:\n\n");
    const Case cases[] = {
        {"ThreeFiles", "m2o6", "Eindtoets",
         head + "\"Lijnen Test\" heet nu \"Eindtoets\": cijfers in 3 leerlingbestanden" + tail},
        {"OneFile", "m1o6", " Intro ", head + "\"Inleiding Test\" heet nu \"Intro\": cijfers in 1 leerlingbestand" + tail},
        {"SameKey", "m2o6", "LIJNEN TEST", {}},
        {"NoGradesUnderIt", "m1", "Begin", {}},
    };
    for (const Case& c : cases) {
        writeAll(CourseFile, course);
        prompts.calls.clear();
        open();
        rename(c.key, c.text);
        press("cmdOk");
        if (c.question.isEmpty()) {
            EXPECT_TRUE(prompts.calls.isEmpty()) << c.name;
            EXPECT_TRUE(readAll(CourseFile).contains(c.key.toLatin1() + '=' + c.text.toLatin1())) << c.name;
            EXPECT_FALSE(form->isVisible()) << c.name;
        } else {
            ASSERT_EQ(prompts.calls.size(), 1) << c.name;
            EXPECT_EQ(prompts.calls[0].text.toStdString(), c.question.toStdString()) << c.name;
            EXPECT_EQ(prompts.calls[0].title, "Toets hernoemd") << c.name;
            EXPECT_EQ(prompts.calls[0].buttons, PromptButtons::YesNo) << c.name;
            EXPECT_EQ(readAll(CourseFile), course) << c.name;
            EXPECT_TRUE(form->isVisible()) << c.name;
            prompts.answers = {PromptAnswer::Yes};
            press("cmdOk");
            EXPECT_TRUE(readAll(CourseFile).contains(c.key.toLatin1() + '=' + c.text.toLatin1())) << c.name;
            EXPECT_FALSE(form->isVisible()) << c.name;
        }
        delete form;
        form = nullptr;
    }
}

// A course file that exists but cannot be read is said so, and no empty tree can be saved over it.
TEST_F(EditorSave, UnreadableCourseFileIsSaidAndNeverOverwritten)
{
    // Read rights do not bind root.
    if (geteuid() == 0) {
        RunAsNobody("EditorSave.UnreadableCourseFileIsSaidAndNeverOverwritten");
        return;
    }
    const QByteArray path = QFile::encodeName(CourseFile);
    int socketFd = -1;
    struct Case {
        const char* name;
        std::function<void()> make;
        std::function<bool()> intact; // undoes `make`
    };
    const Case cases[] = {
        {"NoReadRights", [&] { ASSERT_EQ(::chmod(path.constData(), 0200), 0); },
         [&] { return ::chmod(path.constData(), 0600) == 0 && readAll(CourseFile) == course; }},
        {"Socket",
         [&] {
             ASSERT_TRUE(QFile::remove(CourseFile));
             socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
             std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
             ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
         },
         [&] {
             struct stat info {};
             const bool socket = ::stat(path.constData(), &info) == 0 && S_ISSOCK(info.st_mode);
             ::close(socketFd);
             QFile::remove(CourseFile);
             return socket;
         }},
    };
    for (const Case& c : cases) {
        writeAll(CourseFile, course);
        prompts.calls.clear();
        c.make();
        int error = 0;
        ASSERT_TRUE(IsUnreadable(CourseFile, &error)) << c.name;
        open();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); })) << c.name;
        form->cmdOk_Click();
        ASSERT_EQ(prompts.calls.size(), 1) << c.name;
        EXPECT_EQ(prompts.calls[0].text, CannotReadText(CourseFile, error)) << c.name;
        EXPECT_EQ(prompts.calls[0].title, ErrorTitle) << c.name;
        EXPECT_TRUE(c.intact()) << c.name;
        delete form;
        form = nullptr;
    }
}

// A save that cannot be made says so and changes nothing; the buttons work again, so the same
// press succeeds once the folder takes the file.
TEST_F(EditorSave, FailedSaveIsSaidAndCanBeRetried)
{
    // Write rights do not bind root.
    if (geteuid() == 0) {
        RunAsNobody("EditorSave.FailedSaveIsSaidAndCanBeRetried");
        return;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(CourseFile).path());
    const QByteArray file = QFile::encodeName(CourseFile);
    for (const char* button : {"cmdOk", "cmdDefault"}) {
        writeAll(CourseFile, course);
        prompts.calls.clear();
        open();
        rename("m2", "Krommen");
        ASSERT_EQ(::chmod(file.constData(), 0444), 0);
        ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
        prompts.answers = {PromptAnswer::Ok};
        press(button);
        ::chmod(folder.constData(), 0755);
        ::chmod(file.constData(), 0644);
        ASSERT_FALSE(prompts.calls.isEmpty()) << button;
        EXPECT_EQ(prompts.calls.last().text, NothingSavedText(CourseFile, EACCES)) << button;
        EXPECT_EQ(prompts.calls.last().title, ErrorTitle) << button;
        EXPECT_EQ(readAll(CourseFile), course) << button;
        EXPECT_EQ(QDir(QString::fromLocal8Bit(folder)).entryList(QDir::Files | QDir::Hidden).size(), 2) << button;
        EXPECT_TRUE(form->isVisible()) << button;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << button;
        prompts.answers = {PromptAnswer::Ok};
        press(button);
        EXPECT_EQ(readAll(CourseFile).contains("m2=Krommen"), button == std::string("cmdOk")) << button;
        EXPECT_EQ(readAll(CourseFile) == factory, button == std::string("cmdDefault")) << button;
        delete form;
        form = nullptr;
    }
}

} // namespace
