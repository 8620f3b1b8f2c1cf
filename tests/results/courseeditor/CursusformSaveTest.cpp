// The editor's OK and Default against the file as it is on disk: other writers, unreadable and
// unwritable files, and grades filed under a renamed test.

#include "Cursusform.h"
#include "ErrorRule.h"
#include "OddEntries.h"
#include "ProgramFolder.h"
#include "RecordingPrompts.h"
#include "SafeSave.h"
#include "StoredGrades.h"
#include "SystemFixtures.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray course = "[Cursus]\r\nTitel=T\r\n[Modules]\r\nm1=A\r\nm1o6=A Test\r\nm1o6swf=\r\nm2=B\r\n"
                          "m2o6=B Test\r\nm2o6swf=\r\n";
const QByteArray factory = "[Cursus]\r\nTitel=Fabriek\r\n";
// What OK writes for `course` with module m2 renamed Z.
const QByteArray saved = QByteArray(course).replace("m2=B", "m2=Z");

// Records like the usual double; `whileAsking` runs when a Yes/No question opens.
struct HookedPrompts : RecordingPrompts {
    std::function<void()> whileAsking;
    using RecordingPrompts::message;
    PromptAnswer message(QWidget* w, const QString& text, const QString& title, PromptIcon i, PromptButtons b,
                         PromptDefault d) override
    {
        if (whileAsking && b == PromptButtons::YesNo)
            std::exchange(whileAsking, nullptr)();
        return RecordingPrompts::message(w, text, title, i, b, d);
    }
};

class EditorSave : public testing::Test {
protected:
    void SetUp() override
    {
        setPrompts(&prompts);
        SetPaths(dir.path() + QLatin1Char('/'));
        DocumentFolder = dir.filePath(QStringLiteral("Documenten/"));
        store(DefaultCourseFile, factory);
    }
    void TearDown() override { setPrompts(nullptr); }

    // A fresh window on `course`, with `key` renamed to `text`.
    void open(const QString& key = "m2", const QString& text = "Z")
    {
        store(CourseFile, course);
        prompts.calls.clear();
        form = std::make_unique<Cursusform>();
        form->show();
        form->command([&](CourseTree& tree) {
            tree.setCurrent(tree.find(key));
            tree.rename(text);
        });
    }
    void press(const char* name) { QTest::mouseClick(form->findChild<QPushButton*>(name), Qt::LeftButton); }

    QTemporaryDir dir;
    HookedPrompts prompts;
    std::unique_ptr<Cursusform> form;
};

// Another teacher saved the course after the window read it: OK and Default ask first (an unanswered
// question is Escape); a third save while the question is open is asked about again.
TEST_F(EditorSave, ChangeSavedByOthersIsOverwrittenOnlyWhenTheTeacherSaysSo)
{
    const QByteArray theirs = course + "[Extra]\r\nk=v\r\n", third = "[Cursus]\r\nTitel=Derde\r\n";
    const struct {
        const char* button;
        std::deque<PromptAnswer> answers;
        bool third;
        int questions;
        QByteArray after;
    } cases[] = {
        {"cmdOk", {}, false, 1, theirs},
        {"cmdOk", {PromptAnswer::Yes}, false, 1, "[Cursus]\r\nTitel=T\r\n[Extra]\r\nk=v\r\n" + saved.mid(19)},
        {"cmdOk", {PromptAnswer::Yes, PromptAnswer::No}, true, 2, third},
        {"cmdDefault", {PromptAnswer::Ok, PromptAnswer::No}, false, 2, theirs},
        {"cmdDefault", {PromptAnswer::Ok, PromptAnswer::Yes}, false, 2, factory},
    };
    for (const auto& c : cases) {
        const std::string name = c.button + std::to_string(c.answers.size()) + (c.third ? " third" : "");
        open();
        store(CourseFile, theirs);
        prompts.answers = c.answers;
        if (c.third)
            prompts.whileAsking = [&] { store(CourseFile, third); };
        press(c.button);
        EXPECT_EQ(prompts.calls.size(), c.questions) << name;
        EXPECT_EQ(prompts.calls.value(c.questions - 1).title, "Cursus gewijzigd") << name;
        EXPECT_EQ(readAll(CourseFile).toStdString(), c.after.toStdString()) << name;
        if (c.after == theirs) { // keeping the other change keeps the window and its edits
            EXPECT_TRUE(form->isVisible() && form->tree().node(form->tree().find("m2")).text == "Z") << name;
        }
    }
}

// A renamed test hides the grades stored under its old name: OK says in how many pupils' files.
TEST_F(EditorSave, RenamedTestAsksWithTheNumberOfFilesHoldingItsGrades)
{
    const std::pair<const char*, const char*> pupils[] = {{"1A/Anna", "B Test=7"},
                                                          {"1A/Bram", "b test=6\r\nA Test=5"},
                                                          {"1A/Cas", "B Test="},
                                                          {"1A/Dirk.txt", "B Test=5"},
                                                          {"1B/Eva", "B Test=8"}};
    for (const auto& [pupil, grades] : pupils)
        store(DocumentFolder + pupil, QByteArray("[Resultaten]\r\n") + grades + "\r\n");
    const QString question = "Cijfers die onder de oude naam van een toets zijn opgeslagen, worden na het opslaan "
                             "niet meer getoond:\n\n\"%1\" heet nu \"Z\": cijfers in %2\n\nWilt u toch opslaan?";
    const std::pair<const char*, QString> cases[] = {// key, question (empty: saved at once)
                                                     {"m2o6", question.arg("B Test", "3 leerlingbestanden")},
                                                     {"m1o6", question.arg("A Test", "1 leerlingbestand")},
                                                     {"m1", {}}};
    for (const auto& [key, asked] : cases) {
        open(key);
        press("cmdOk");
        EXPECT_EQ(prompts.messages().join('|').toStdString(), asked.toStdString()) << key;
        EXPECT_EQ(readAll(CourseFile) == course, !asked.isEmpty()) << key;
        prompts.answers = {PromptAnswer::Yes};
        if (form->isVisible())
            press("cmdOk");
        EXPECT_TRUE(readAll(CourseFile).contains(key + QByteArray("=Z"))) << key;
    }
}

// The count sees every pupil's file by its own bytes (named on another system, in a class so
// named), and none reached through a link or from a pipe.
TEST_F(EditorSave, RenameCountSeesEveryNameAndNoLink)
{
    const OddEntriesRemoved cleanup(dir.path());
    const QByteArray grade = "[Resultaten]\r\nB Test=7\r\n";
    const QByteArray documents = DocumentFolder.toUtf8();
    QTemporaryDir outside;
    ASSERT_TRUE(WriteBytes(EntryPath(outside.path(), "Kees"), grade));
    ASSERT_TRUE(WriteBytes(EntryPath(outside.path(), "Piet"), grade));
    ASSERT_TRUE(MakeFolder(documents) && MakeFolder(documents + "1A") && MakeFolder(documents + "Klas \xe9"));
    ASSERT_TRUE(WriteBytes(documents + "1A/Ren\xe9 Dijkman", grade));
    ASSERT_TRUE(WriteBytes(documents + "Klas \xe9/Jan", grade));
    ASSERT_TRUE(MakeLink(EntryPath(outside.path(), "Kees"), documents + "1A/Kees"));
    ASSERT_TRUE(MakePipe(documents + "1A/Pijp"));
    ASSERT_TRUE(MakeLink(outside.path().toUtf8(), documents + "Koppeling"));
    EXPECT_EQ(CountFilesWithGrades(DocumentFolder, {QStringLiteral("B Test"), QStringLiteral("A Test")}),
              (QVector<int>{2, 0}));
}

// A course file that exists but cannot be read is said so, and nothing is saved over it.
TEST_F(EditorSave, UnreadableCourseFileIsSaidAndNeverOverwritten)
{
    if (geteuid() == 0) // read rights do not bind root
        return RunTestAsNobody("EditorSave.UnreadableCourseFileIsSaidAndNeverOverwritten");
    store(CourseFile, course);
    ASSERT_EQ(::chmod(QFile::encodeName(CourseFile).constData(), 0200), 0);
    form = std::make_unique<Cursusform>();
    form->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }));
    form->cmdOk_Click();
    ::chmod(QFile::encodeName(CourseFile).constData(), 0600);
    EXPECT_EQ(prompts.messages(), QStringList{CannotReadText(CourseFile, EACCES)});
    EXPECT_EQ(prompts.calls.value(0).title, ErrorTitle);
    EXPECT_EQ(readAll(CourseFile), course);
}

// A save that cannot be made says so and changes nothing; the buttons work again for a retry.
TEST_F(EditorSave, FailedSaveIsSaidAndCanBeRetried)
{
    if (geteuid() == 0) // write rights do not bind root
        return RunTestAsNobody("EditorSave.FailedSaveIsSaidAndCanBeRetried");
    const QByteArray folder = QFile::encodeName(QFileInfo(CourseFile).path()), file = QFile::encodeName(CourseFile);
    for (const char* button : {"cmdOk", "cmdDefault"}) {
        open();
        ASSERT_EQ(::chmod(file.constData(), 0444) | ::chmod(folder.constData(), 0555), 0);
        prompts.answers = {PromptAnswer::Ok, PromptAnswer::Ok};
        press(button);
        ASSERT_EQ(::chmod(folder.constData(), 0755) | ::chmod(file.constData(), 0644), 0);
        const PromptCall last = prompts.calls.value(prompts.calls.size() - 1);
        EXPECT_EQ(last.text + '|' + last.title, NothingSavedText(CourseFile, EACCES) + '|' + ErrorTitle) << button;
        EXPECT_EQ(readAll(CourseFile), course) << button;
        EXPECT_EQ(QDir(QString::fromLocal8Bit(folder)).entryList(QDir::Files | QDir::Hidden).size(), 2)
            << button; // no temporary file
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << button;
        press(button);
        EXPECT_EQ(readAll(CourseFile), button == std::string("cmdOk") ? saved : factory) << button;
    }
}

// Another program holds a lock on the course file: OK and Default give up after a while, say the file
// is in use and save nothing; once the lock is gone the same button saves.
TEST_F(EditorSave, CourseFileInUseIsSaidAndCanBeRetried)
{
    for (const char* button : {"cmdOk", "cmdDefault"}) {
        open();
        auto holder = std::make_unique<LockHolder>(CourseFile, F_RDLCK, F_OFD_SETLK);
        ASSERT_TRUE(holder->holding());
        prompts.answers = {PromptAnswer::Ok, PromptAnswer::Ok};
        press(button);
        const PromptCall last = prompts.calls.value(prompts.calls.size() - 1);
        EXPECT_EQ(last.text + '|' + last.title, NothingSavedText(CourseFile, EAGAIN) + '|' + ErrorTitle) << button;
        EXPECT_EQ(readAll(CourseFile), course) << button;
        holder.reset();
        press(button);
        EXPECT_EQ(readAll(CourseFile), button == std::string("cmdOk") ? saved : factory) << button;
    }
}

} // namespace
