// Which answer Enter gives to the program's questions: the one that keeps everything for a question
// whose first answer deletes or overwrites, the first answer for the others. The password questions
// are checked with the settings window.
#include "ClassCommands.h"
#include "Cursusform.h"
#include "Instellingform.h"
#include "RecordingPrompts.h"
#include "ResultsTestSupport.h"

#include <QDir>
#include <QLineEdit>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(QuestionDefaults, DestructiveQuestionsDefaultToTheSafeAnswer)
{
    const auto target = [](const TestProgram& program) {
        return ClassCommandTarget{nullptr, program.documents(), QStringLiteral("4B"), QStringLiteral("child0"),
                                  [](const QString&) {}};
    };
    const auto newFolder = [](const QString& folder) {
        Instellingform form;
        form.findChild<QLineEdit*>(QStringLiteral("txtdocumenten"))->setText(folder);
        form.cmdApply_Click();
    };
    const struct {
        const char* question;
        QString title;
        std::function<void(const TestProgram&)> ask; // answered as the recording prompts answer
        PromptDefault defaultButton;
    } cases[] = {
        {"Klas leegmaken", QStringLiteral("Waarschuwing!"), [&](const TestProgram& p) { KlasLeegmaken(target(p)); },
         PromptDefault::Safe},
        {"Klas verwijderen", QStringLiteral("Waarschuwing!"), [&](const TestProgram& p) { KlasVerwijderen(target(p)); },
         PromptDefault::Safe},
        {"Default", QStringLiteral("Default waarde terug zetten?"),
         [](const TestProgram&) {
             Cursusform editor;
             editor.show();
             editor.cmdDefault_Click();
         },
         PromptDefault::Safe},
        // Not destructive: Enter keeps giving the first answer.
        {"new data folder", QStringLiteral("Waarschuwing!"),
         [&](const TestProgram& p) { newFolder(p.path() + QStringLiteral("nieuw/")); }, PromptDefault::First},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.question);
        TestProgram program;
        program.writeCourse("Typen", {"Start"});
        program.writeFile(QStringLiteral("swf/STDOmschrijving.ini"), "[Cursus]\r\nTitel=Fabriek\r\n");
        program.writePupil("4B", "Jan", {{"Start Test", "7"}});
        program.use();
        ScopedPrompts scoped;
        c.ask(program);
        ASSERT_FALSE(scoped.prompts.calls.isEmpty());
        const PromptCall& asked = scoped.prompts.calls.front();
        EXPECT_EQ(asked.title, c.title);
        EXPECT_NE(asked.buttons, PromptButtons::Ok) << "a question";
        EXPECT_EQ(asked.defaultButton, c.defaultButton);
        // Unanswered, the recording prompts answer Cancel: nothing went.
        EXPECT_EQ(QDir(program.documents() + QStringLiteral("4B")).entryList(QDir::Files), QStringList{"Jan"});
    }
}

} // namespace
