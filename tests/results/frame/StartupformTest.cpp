#include "Startupform.h"
#include "AsNobody.h"
#include "ErrorRule.h"
#include "INIfunc.h"
#include "RecordingPrompts.h"
#include "SafeSave.h"
#include "TeacherPassword.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class StartupformTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(dir.path()).mkpath("swf"));
        SetCapsLockProbe([this] { return capsLock; });
    }
    void TearDown() override { SetCapsLockProbe({}); }

    // The window as the program opens it, with "Afsluiten" and the success signal recorded.
    Startupform* open()
    {
        auto* form = new Startupform(dir.path());
        form->endProgram = [this] { ++programEnds; };
        QObject::connect(form, &Startupform::accepted, [this] { ++admissions; });
        form->show();
        return form;
    }

    QString settings() const { return dir.filePath("Instellingen.ini"); }
    QString course() const { return dir.filePath("swf/Omschrijving.ini"); }

    QTemporaryDir dir;
    ScopedPrompts recorded;
    bool capsLock = false;
    int programEnds = 0;
    int admissions = 0;
};

TEST_F(StartupformTest, LoadSetsThePathsAndTheTitle)
{
    WriteINI(course(), "Cursus", "Titel", QString::fromUtf8("Tekenen voor één"));
    WriteINI(settings(), "Profiel", "Documenten", "/elders");
    QPointer<Startupform> form = open();
    EXPECT_EQ(ProgramFolder, dir.path() + "/");
    EXPECT_EQ(DocumentFolder, "/elders/");
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Velmora 5 - Scorix - Tekenen voor één"));
    delete form;
}

TEST_F(StartupformTest, NoCourseTitleLeavesTheSeparator)
{
    QPointer<Startupform> form = open();
    EXPECT_EQ(form->windowTitle(), "Velmora 5 - Scorix - ");
    EXPECT_EQ(DocumentFolder, dir.path() + "/Documenten/");
    delete form;
}

TEST_F(StartupformTest, GeometryTextsAndControlNames)
{
    QPointer<Startupform> form = open();
    EXPECT_EQ(form->size(), QSize(388, 94));
    struct Expected {
        const char* name;
        QRect geometry;
        QString text;
    };
    const Expected controls[] = {
        {"frmWachtwoord", QRect(8, 8, 377, 81), "Beveiliging"},
        {"lblpassword", QRect(8, 32, 113, 17), "Geef Wachtwoord op:"},
        {"txtpassword", QRect(120, 32, 153, 20), ""},
        {"cmdOk", QRect(288, 16, 73, 25), "OK"},
        {"cmdClose", QRect(288, 48, 73, 25), "Afsluiten"},
    };
    for (const Expected& c : controls) {
        QWidget* widget = form->findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr) << c.name;
        EXPECT_EQ(widget->geometry(), c.geometry) << c.name;
        QString text;
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            text = box->title();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(widget))
            text = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            text = edit->text();
        EXPECT_EQ(text, c.text) << c.name;
    }
    for (const char* inside : {"lblpassword", "txtpassword", "cmdOk", "cmdClose"})
        EXPECT_EQ(form->findChild<QWidget*>(inside)->parentWidget(), form->frmWachtwoord) << inside;
    EXPECT_EQ(form->txtpassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->txtpassword->toolTip(), "Typ hier uw docenten-wachtwoord");
    // The captions fit their controls at this size.
    const QFontMetrics metrics(form->lblpassword->font());
    EXPECT_LE(metrics.horizontalAdvance(form->lblpassword->text()), form->lblpassword->width());
    delete form;
}

TEST_F(StartupformTest, PasswordTest)
{
    struct Case {
        const char* name;
        const char* stored; // nullptr: no settings file
        const char* typed;
        bool capsLock;
        const char* refusal; // nullptr: admitted
    };
    const QByteArray wrong = PasswordWrongText.toUtf8();
    const QByteArray wrongCaps = PasswordWrongCapsText.toUtf8();
    const QByteArray hashed = StoredPasswordForm("Geheim").toLatin1();
    const Case cases[] = {
        {"emptyWithoutFile", nullptr, "", false, nullptr},
        {"anythingWithoutFile", nullptr, "x", false, wrong.constData()},
        {"exact", "Geheim", "Geheim", false, nullptr},
        {"exactWithCapsLock", "Geheim", "Geheim", true, nullptr},
        {"otherCase", "Geheim", "geheim", false, wrong.constData()},
        {"otherCaseCapsLock", "Geheim", "GEHEIM", true, wrongCaps.constData()},
        {"emptyAgainstStored", "Geheim", "", false, wrong.constData()},
        {"hashed", hashed.constData(), "Geheim", false, nullptr},
        {"hashedOtherCase", hashed.constData(), "geheim", false, wrong.constData()},
        {"hashTypedAsItself", hashed.constData(), hashed.constData(), false, wrong.constData()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settings());
        if (c.stored)
            WriteINI(settings(), "Scorix", "Wachtwoord", QString::fromUtf8(c.stored));
        capsLock = c.capsLock;
        recorded.prompts.calls.clear();
        admissions = 0;
        QPointer<Startupform> form = open();
        QTest::keyClicks(form->txtpassword, QString::fromUtf8(c.typed));
        QTest::mouseClick(form->cmdOk, Qt::LeftButton);
        if (c.refusal) {
            ASSERT_EQ(recorded.prompts.calls.size(), 1);
            const PromptCall& call = recorded.prompts.calls.front();
            EXPECT_EQ(call.text, QString::fromUtf8(c.refusal));
            EXPECT_EQ(call.title, "Error bij het invoeren van uw docenten wachtwoord");
            EXPECT_EQ(call.icon, PromptIcon::Critical);
            EXPECT_EQ(call.buttons, PromptButtons::Ok);
            EXPECT_EQ(admissions, 0);
            ASSERT_TRUE(form);
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->txtpassword->text(), QString::fromUtf8(c.typed)); // kept for the next try
            delete form;
        } else {
            EXPECT_TRUE(recorded.prompts.calls.isEmpty());
            EXPECT_EQ(admissions, 1);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_FALSE(form); // closed and deleted itself
        }
    }
    EXPECT_EQ(programEnds, 0);
}

TEST_F(StartupformTest, EnterPressesOkAndEscapeEndsTheProgram)
{
    WriteINI(settings(), "Scorix", "Wachtwoord", "pw");
    QPointer<Startupform> form = open();
    form->txtpassword->setFocus();
    QTest::keyClicks(form->txtpassword, "nee");
    EXPECT_EQ(form->txtpassword->displayText(), "***");
    QTest::keyClick(form->txtpassword, Qt::Key_Return);
    EXPECT_EQ(recorded.prompts.messages(), QStringList{PasswordWrongText});
    QTest::keyClick(form->txtpassword, Qt::Key_Escape);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(admissions, 0);
    EXPECT_FALSE(form->isVisible());
    delete form;

    form = open();
    QTest::keyClicks(form->txtpassword, "pw");
    QTest::keyClick(form->txtpassword, Qt::Key_Enter);
    EXPECT_EQ(admissions, 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
}

TEST_F(StartupformTest, CloseButtonEndsTheProgramAtOnce)
{
    QPointer<Startupform> form = open();
    QTest::mouseClick(form->cmdClose, Qt::LeftButton);
    EXPECT_EQ(programEnds, 1);
    EXPECT_EQ(admissions, 0);
    delete form;
}

TEST_F(StartupformTest, SettingsPathThatIsAFolderReadsAsNoSettings)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("Instellingen.ini"));
    QPointer<Startupform> form = open();
    QTest::mouseClick(form->cmdOk, Qt::LeftButton);
    EXPECT_EQ(admissions, 1);
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(form);
}

// A settings file that is there but cannot be read is not one without a password.
TEST_F(StartupformTest, UnreadableSettingsFileRefusesEveryPassword)
{
    WriteINI(settings(), "Scorix", "Wachtwoord", "Geheim");
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(settings(), QFile::WriteOwner));
    AsNobody nobody;
    for (const char* typed : {"", "Geheim", "x"}) {
        SCOPED_TRACE(typed);
        recorded.prompts.calls.clear();
        QPointer<Startupform> form = open();
        QTest::keyClicks(form->txtpassword, QString::fromUtf8(typed));
        QTest::mouseClick(form->cmdOk, Qt::LeftButton);
        ASSERT_EQ(recorded.prompts.calls.size(), 1);
        EXPECT_EQ(recorded.prompts.calls[0].text, CannotReadText(settings(), EACCES));
        EXPECT_TRUE(recorded.prompts.calls[0].text.contains(QDir::toNativeSeparators(settings())));
        EXPECT_EQ(recorded.prompts.calls[0].title, PasswordErrorTitle);
        EXPECT_EQ(recorded.prompts.calls[0].icon, PromptIcon::Critical);
        EXPECT_EQ(admissions, 0);
        ASSERT_TRUE(form);
        EXPECT_TRUE(form->isVisible());
        delete form;
    }
}

TEST_F(StartupformTest, FailureInThePasswordTestShowsTheStandardMessage)
{
    WriteINI(settings(), "Scorix", "Wachtwoord", "pw");
    SetCapsLockProbe([]() -> bool { throw std::runtime_error("probe failed"); });
    QPointer<Startupform> form = open();
    QTest::mouseClick(form->cmdOk, Qt::LeftButton);
    ASSERT_EQ(recorded.prompts.calls.size(), 1);
    EXPECT_EQ(recorded.prompts.calls.front().text, "probe failed");
    EXPECT_EQ(recorded.prompts.calls.front().title, ErrorTitle);
    EXPECT_EQ(recorded.prompts.calls.front().icon, PromptIcon::Critical);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(admissions, 0);
    delete form;
}

TEST_F(StartupformTest, FocusGoesToThePasswordOnActivation)
{
    QPointer<Startupform> form = open();
    form->cmdClose->setFocus();
    form->activateWindow();
    QApplication::setActiveWindow(form);
    QApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    EXPECT_EQ(QApplication::focusWidget(), form->txtpassword);
    delete form;
}

} // namespace
