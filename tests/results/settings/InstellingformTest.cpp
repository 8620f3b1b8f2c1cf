#include "Instellingform.h"

#include "AsNobody.h"
#include "INIfunc.h"
#include "ModalAnswers.h"
#include "RecordingPrompts.h"
#include "SafeSave.h"
#include "Startupform.h"
#include "SystemFixtures.h"
#include "TeacherPassword.h"
#include "modPublic.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

class SettingsWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // The data folder an apply puts in force must be there.
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Documenten")));
        SetPaths(dir.path() + QLatin1Char('/'));
        SetDocumentFolder();
    }

    QString program() const { return dir.path() + QLatin1Char('/'); }
    QString defaultFolder() const { return program() + QStringLiteral("Documenten/"); }
    QString settingsFile() const { return program() + QStringLiteral("Instellingen.ini"); }

    void store(const char* section, const char* key, const QString& value)
    {
        WriteINI(settingsFile(), QLatin1String(section), QLatin1String(key), value);
    }
    QString stored(const char* section, const char* key, const char* fallback = "<none>") const
    {
        return ReadINI(settingsFile(), QLatin1String(section), QLatin1String(key), QLatin1String(fallback));
    }
    QByteArray fileBytes() const
    {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename W> static W* child(QWidget& form, const char* name)
    {
        W* widget = form.findChild<W*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QCheckBox* box(QWidget& form, const char* name) { return child<QCheckBox>(form, name); }
    static QLineEdit* edit(QWidget& form, const char* name) { return child<QLineEdit>(form, name); }
    static void click(QWidget& form, const char* button)
    {
        QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
    }

    QTemporaryDir dir;
    ScopedPrompts scoped;
    RecordingPrompts& prompts = scoped.prompts;
};

const char* const CheckBoxes[] = {"chkNieuweLeerling", "chkWijzigenWachtwoord", "chkPrinten", "chkBeginCijfer"};
const char* const CheckKeys[] = {"Nieuwe leerling", "Wijzigen", "Printen", "Begincijfer"};

TEST_F(SettingsWindow, ShowsTheDefaultsWithoutASettingsFile)
{
    Instellingform form;
    EXPECT_EQ(edit(form, "txtdocumenten")->text(), defaultFolder());
    for (const char* name : CheckBoxes)
        EXPECT_EQ(box(form, name)->checkState(), Qt::Checked) << name;
    EXPECT_EQ(child<QScrollBar>(form, "scrVoldoende")->value(), 55);
    EXPECT_EQ(child<QLabel>(form, "lblValue")->text(), QStringLiteral("55"));
    for (const char* name : {"txtOldP", "txtNewP", "txtNewP2"})
        EXPECT_TRUE(edit(form, name)->text().isEmpty()) << name;
    EXPECT_TRUE(prompts.calls.isEmpty());
    EXPECT_FALSE(QFile::exists(settingsFile())) << "opening the window must not write";
}

TEST_F(SettingsWindow, ApplyWithoutChangesWritesExactlyTheSixProfileKeys)
{
    int refreshes = 0;
    Instellingform form([&] { ++refreshes; });
    click(form, "cmdApply");

    EXPECT_EQ(fileBytes(), QByteArray("[Profiel]\r\n"
                                      "Documenten=0\r\n"
                                      "Nieuwe leerling=1\r\n"
                                      "Wijzigen=1\r\n"
                                      "Printen=1\r\n"
                                      "Begincijfer=1\r\n"
                                      "Voldoende=55\r\n"));
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(prompts.calls.isEmpty()) << "a successful apply is not confirmed";
    EXPECT_TRUE(form.findChild<QPushButton*>(QStringLiteral("cmdApply"))->isEnabled());
}

TEST_F(SettingsWindow, LoadsStoredValuesAndWritesThemBackUnchanged)
{
    store("Profiel", "Documenten", QStringLiteral("/srv/klassen"));
    store("Profiel", "Nieuwe leerling", QStringLiteral("0"));
    store("Profiel", "Wijzigen", QStringLiteral("2"));
    store("Profiel", "Printen", QStringLiteral("1"));
    store("Profiel", "Begincijfer", QStringLiteral("0"));
    store("Profiel", "Voldoende", QStringLiteral("70"));
    store("Scorix", "Wachtwoord", QStringLiteral("geheim"));

    Instellingform form;
    EXPECT_EQ(edit(form, "txtdocumenten")->text(), QStringLiteral("/srv/klassen"));
    EXPECT_EQ(box(form, "chkNieuweLeerling")->checkState(), Qt::Unchecked);
    EXPECT_EQ(box(form, "chkWijzigenWachtwoord")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box(form, "chkPrinten")->checkState(), Qt::Checked);
    EXPECT_EQ(box(form, "chkBeginCijfer")->checkState(), Qt::Unchecked);
    EXPECT_EQ(child<QLabel>(form, "lblValue")->text(), QStringLiteral("70"));

    const QByteArray before = fileBytes();
    click(form, "cmdApply");
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(stored("Profiel", "Wijzigen"), QStringLiteral("2"));
    EXPECT_EQ(stored("Scorix", "Wachtwoord"), QStringLiteral("geheim"));
}

// Another teacher saves while this window is open: Toepassen writes only what was changed here.
TEST_F(SettingsWindow, ApplyKeepsWhatAnotherTeacherSavedMeanwhile)
{
    const struct {
        const char* other[3];      // section, key, value saved by the other teacher
        const char* uncheckedHere; // the box changed in this window
        const char* expected[6];   // Documenten .. Voldoende afterwards
    } cases[] = {
        {{"Profiel", "Printen", "0"}, "chkBeginCijfer", {"0", "1", "1", "0", "0", "55"}},
        {{"Profiel", "Documenten", "/srv/klassen"},
         "chkWijzigenWachtwoord",
         {"/srv/klassen", "1", "0", "1", "1", "55"}},
        {{"Scorix", "Wachtwoord", "anders"}, "chkNieuweLeerling", {"0", "0", "1", "1", "1", "55"}},
    };
    const char* const keys[] = {"Documenten", "Nieuwe leerling", "Wijzigen", "Printen", "Begincijfer", "Voldoende"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uncheckedHere);
        for (int i = 0; i < 6; ++i)
            store("Profiel", keys[i], QString::fromLatin1(i == 0 ? "0" : i == 5 ? "55" : "1"));
        store("Scorix", "Wachtwoord", QStringLiteral("geheim"));
        Instellingform form;
        store(c.other[0], c.other[1], QString::fromUtf8(c.other[2]));
        box(form, c.uncheckedHere)->setCheckState(Qt::Unchecked);
        click(form, "cmdApply");

        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(stored("Profiel", keys[i]), QString::fromUtf8(c.expected[i])) << keys[i];
        EXPECT_EQ(stored("Scorix", "Wachtwoord"),
                  QString::fromUtf8(QLatin1String(c.other[1]) == QLatin1String("Wachtwoord") ? c.other[2] : "geheim"));
        EXPECT_TRUE(prompts.calls.isEmpty());
    }
}

TEST_F(SettingsWindow, GreyedBoxTurnsTwoStateOnceClicked)
{
    store("Profiel", "Printen", QStringLiteral("2"));
    Instellingform form;
    QCheckBox* printen = box(form, "chkPrinten");
    for (Qt::CheckState expected : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
        // On the indicator: the centre of the box lies beyond its short caption.
        QTest::mouseClick(printen, Qt::LeftButton, {}, QPoint(6, printen->height() / 2));
        EXPECT_EQ(printen->checkState(), expected);
    }
}

struct FolderCase {
    const char* name;
    QString (*typed)(const QString& defaultFolder);
    bool storesZero;
};

class DataFolderBox : public SettingsWindow, public testing::WithParamInterface<FolderCase> {};

TEST_P(DataFolderBox, StoresZeroOnlyForTheProgramsOwnDocumentenFolder)
{
    Instellingform form;
    const QString typed = GetParam().typed(defaultFolder());
    edit(form, "txtdocumenten")->setText(typed);
    prompts.answers = {PromptAnswer::Yes}; // a folder that is not there is made
    click(form, "cmdApply");
    EXPECT_EQ(stored("Profiel", "Documenten"), GetParam().storesZero ? QStringLiteral("0") : typed);
    if (GetParam().storesZero) {
        EXPECT_EQ(DocumentFolder, defaultFolder());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFolderBox,
    testing::Values(FolderCase{"AsShown", [](const QString& d) { return d; }, true},
                    FolderCase{"Upper", [](const QString& d) { return d.toUpper(); }, true},
                    FolderCase{"Lower", [](const QString& d) { return d.toLower(); }, true},
                    FolderCase{"NoTrailingSeparator", [](const QString& d) { return d.chopped(1); }, false},
                    FolderCase{"OtherFolder", [](const QString& d) { return d + QStringLiteral("4B"); }, false},
                    FolderCase{"Missing", [](const QString& d) { return d + QStringLiteral("../bestaat/niet"); },
                               false},
                    // a cleared box must not make the data folder the root of the file system
                    FolderCase{"Cleared", [](const QString&) { return QString(); }, true},
                    FolderCase{"Blanks", [](const QString&) { return QStringLiteral("   "); }, true}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsWindow, StoredZeroInOtherFormsIsAFolderName)
{
    for (const QString& value : {QStringLiteral("00"), QStringLiteral("/srv/a")}) {
        store("Profiel", "Documenten", value);
        Instellingform form;
        EXPECT_EQ(edit(form, "txtdocumenten")->text(), value);
    }
}

TEST_F(SettingsWindow, BrowseStartsAtTheBoxAndAddsTheSeparator)
{
    Instellingform form;
    QLineEdit* folder = edit(form, "txtdocumenten");

    prompts.texts = {program() + QStringLiteral("klassen"), program() + QStringLiteral("ander/"), QString()};
    click(form, "cmdBrowse");
    EXPECT_EQ(folder->text(), program() + QStringLiteral("klassen/"));
    click(form, "cmdBrowse");
    EXPECT_EQ(folder->text(), program() + QStringLiteral("ander/"));
    click(form, "cmdBrowse"); // cancelled
    EXPECT_EQ(folder->text(), program() + QStringLiteral("ander/"));

    ASSERT_EQ(prompts.calls.size(), 3);
    EXPECT_EQ(prompts.calls[0].kind, PromptCall::BrowseFolder);
    EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Geef opslag directory voor leerlingen bestanden"));
    EXPECT_EQ(prompts.calls[0].defaultText, defaultFolder());
    EXPECT_EQ(prompts.calls[1].defaultText, program() + QStringLiteral("klassen/"));
    EXPECT_FALSE(QFile::exists(settingsFile())) << "browsing writes nothing";

    // Choosing the program's own Documenten folder stores "0".
    prompts.texts = {program() + QStringLiteral("Documenten")};
    click(form, "cmdBrowse");
    click(form, "cmdApply");
    EXPECT_EQ(stored("Profiel", "Documenten"), QStringLiteral("0"));
}

TEST_F(SettingsWindow, NewDataFolderIsInForceWhenTheClassTreeIsRebuilt)
{
    const QString other = program() + QStringLiteral("elders/");
    QString folderSeenByRefresh;
    ASSERT_TRUE(QDir().mkpath(other));
    Instellingform form([&] { folderSeenByRefresh = DocumentFolder; });
    edit(form, "txtdocumenten")->setText(other.chopped(1));
    click(form, "cmdApply");
    EXPECT_EQ(folderSeenByRefresh, other);
    EXPECT_EQ(DocumentFolder, other);
}

// A data folder that is not there is made only when the teacher says so; otherwise nothing is saved
// and the window keeps what was typed.
TEST_F(SettingsWindow, MissingDataFolderIsMadeOnlyWhenTheTeacherSaysSo)
{
    ASSERT_TRUE(QFile(program() + QStringLiteral("bestand")).open(QIODevice::WriteOnly));
    struct Case {
        const char* name;
        QString typed;       // the data folder box
        PromptAnswer answer; // to the question, when asked
        QString question;    // empty: none asked
        QString failure;     // empty: none shown
        bool saved;
    };
    const QString nested = program() + QStringLiteral("school/nieuw/Documenten/");
    const QString fileThere = program() + QStringLiteral("bestand/");
    const QString nothing = QStringLiteral("Er is niets opgeslagen, ook de andere instellingen niet.");
    // clang-format off
    const Case cases[] = {
        {"Yes", nested, PromptAnswer::Yes, CreateDataFolderQuestion.arg(nested), {}, true},
        {"No", nested, PromptAnswer::No, CreateDataFolderQuestion.arg(nested), {}, false},
        {"IsAFile", fileThere, PromptAnswer::Yes, {}, fileThere + QStringLiteral(" is geen map! ") + nothing, false},
        {"BelowAFile", fileThere + QStringLiteral("sub/"), PromptAnswer::Yes, {},
         QStringLiteral("Kan de map %1sub/ niet openen! Pad niet gevonden. ").arg(fileThere) + nothing, false},
        {"There", defaultFolder(), PromptAnswer::No, {}, {}, true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(settingsFile());
        QDir(program() + QStringLiteral("school")).removeRecursively();
        prompts.calls.clear();
        int refreshes = 0;
        Instellingform form([&] { ++refreshes; });
        edit(form, "txtdocumenten")->setText(c.typed);
        child<QScrollBar>(form, "scrVoldoende")->setValue(70);
        prompts.answers = {c.answer};
        click(form, "cmdApply");

        QStringList expected;
        if (!c.question.isEmpty()) {
            ASSERT_FALSE(prompts.calls.isEmpty());
            EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Waarschuwing!"));
            EXPECT_EQ(prompts.calls[0].buttons, PromptButtons::YesNo);
            EXPECT_EQ(prompts.calls[0].icon, PromptIcon::Question);
            expected << c.question;
        }
        if (!c.failure.isEmpty())
            expected << c.failure;
        EXPECT_EQ(prompts.messages(), expected);
        EXPECT_EQ(QFile::exists(settingsFile()), c.saved);
        EXPECT_EQ(refreshes, c.saved ? 1 : 0);
        EXPECT_EQ(edit(form, "txtdocumenten")->text(), c.typed) << "kept for another try";
        if (c.saved) {
            EXPECT_TRUE(QFileInfo(c.typed).isDir());
            EXPECT_EQ(DocumentFolder, c.typed);
            EXPECT_EQ(stored("Profiel", "Voldoende"), QStringLiteral("70"));
        } else {
            EXPECT_FALSE(QFileInfo::exists(program() + QStringLiteral("school")));
        }
    }
}

// Another teacher changed the password while this one answered the short-password question: the
// check fails at the save, as for a wrong old password, and nothing of the window is saved.
TEST_F(SettingsWindow, PasswordChangedMeanwhileSavesNothing)
{
    struct ColleagueChangesIt : RecordingPrompts {
        QString settings;
        PromptAnswer message(QWidget* parent, const QString& text, const QString& title, PromptIcon icon,
                             PromptButtons buttons, PromptDefault defaultButton) override
        {
            RecordingPrompts::message(parent, text, title, icon, buttons, defaultButton);
            if (text != ShortPasswordQuestion)
                return PromptAnswer::Ok;
            WriteINI(settings, QStringLiteral("Scorix"), QStringLiteral("Wachtwoord"),
                     StoredPasswordForm(QStringLiteral("collega1")));
            return PromptAnswer::Ok;
        }
    } colleague;
    colleague.settings = settingsFile();
    setPrompts(&colleague);
    store("Scorix", "Wachtwoord", StoredPasswordForm(QStringLiteral("geheim")));
    {
        Instellingform form;
        edit(form, "txtOldP")->setText(QStringLiteral("geheim"));
        edit(form, "txtNewP")->setText(QStringLiteral("kort"));
        edit(form, "txtNewP2")->setText(QStringLiteral("kort"));
        child<QScrollBar>(form, "scrVoldoende")->setValue(70);
        click(form, "cmdApply");
        EXPECT_EQ(colleague.messages(),
                  (QStringList{ShortPasswordQuestion,
                               QStringLiteral("Het oude wachtwoord is niet correct!\n") + NothingAppliedNote}));
        EXPECT_TRUE(edit(form, "txtOldP")->text().isEmpty());
    }
    setPrompts(&prompts);
    EXPECT_TRUE(PasswordMatches(stored("Scorix", "Wachtwoord"), QStringLiteral("collega1")));
    EXPECT_EQ(stored("Profiel", "Voldoende"), QStringLiteral("<none>"));
}

// A refused change saves nothing of the window, and says so.
const char* const Wrong =
    "Het oude wachtwoord is niet correct!\nEr is niets opgeslagen, ook de andere instellingen niet.";
const char* const Mismatch =
    "Het eerste en het tweede wachtwoord komen niet overeen!\nEr is niets opgeslagen, ook de andere instellingen niet.";
const char* const Changed = "Het wachtwoord is gewijzigd!";

// Password change: what is shown, what is stored and which boxes keep their text.
struct PasswordCase {
    const char* name;
    const char* stored; // nullptr: no password stored
    const char* oldP;
    const char* newP;
    const char* newP2;
    const char* message; // nullptr: no message
    const char* title;
    PromptIcon icon;
    const char* storedAfter; // nullptr: no password stored
    const char* boxesAfter[3];
};

class PasswordChange : public SettingsWindow, public testing::WithParamInterface<PasswordCase> {};

TEST_P(PasswordChange, FollowsTheRules)
{
    const PasswordCase& c = GetParam();
    if (c.stored)
        store("Scorix", "Wachtwoord", QString::fromUtf8(c.stored));
    Instellingform form;
    const char* const names[] = {"txtOldP", "txtNewP", "txtNewP2"};
    const char* const typed[] = {c.oldP, c.newP, c.newP2};
    for (int i = 0; i < 3; ++i)
        QTest::keyClicks(edit(form, names[i]), QString::fromUtf8(typed[i]));

    prompts.answers = {PromptAnswer::Ok}; // removing the password is asked first
    click(form, "cmdApply");

    const bool removal = c.stored && *c.stored && !*c.newP && c.storedAfter && !*c.storedAfter;
    if (c.message) {
        ASSERT_EQ(prompts.calls.size(), removal ? 2 : 1);
        EXPECT_EQ(prompts.calls.back().text, QString::fromUtf8(c.message));
        EXPECT_EQ(prompts.calls.back().title, QString::fromUtf8(c.title));
        EXPECT_EQ(prompts.calls.back().icon, c.icon);
        EXPECT_EQ(prompts.calls.back().buttons, PromptButtons::Ok);
    } else {
        EXPECT_TRUE(prompts.calls.isEmpty());
    }
    const QString after = stored("Scorix", "Wachtwoord");
    if (c.storedAfter) {
        EXPECT_TRUE(PasswordMatches(after, QString::fromUtf8(c.storedAfter))) << after.toStdString();
        // A password set here is stored as its hash; one left alone keeps its stored form.
        EXPECT_EQ(IsPasswordHash(after), *c.storedAfter && QLatin1String(c.storedAfter) != QLatin1String(c.stored));
    } else {
        EXPECT_EQ(after, QStringLiteral("<none>"));
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(edit(form, names[i])->text(), QString::fromUtf8(c.boxesAfter[i])) << names[i];
    // A refused change keeps the other settings from being saved too; otherwise the apply went on.
    const bool refused = c.message == Wrong || c.message == Mismatch;
    EXPECT_EQ(stored("Profiel", "Voldoende"), refused ? QStringLiteral("<none>") : QStringLiteral("55"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Paths, PasswordChange,
    testing::Values(
        PasswordCase{"AllEmpty", "geheim", "", "", "", nullptr, nullptr, PromptIcon::None, "geheim", {"", "", ""}},
        PasswordCase{"OnlyConfirmation", "geheim", "", "", "nieuw123", nullptr, nullptr, PromptIcon::None, "geheim",
                     {"", "", "nieuw123"}},
        PasswordCase{"OldWrong", "geheim", "fout", "nieuw123", "nieuw123", Wrong, "Waarschuwing!", PromptIcon::Critical,
                     "geheim", {"", "nieuw123", "nieuw123"}},
        PasswordCase{"OldInOtherCapitals", "geheim", "GEHEIM", "nieuw123", "nieuw123", Wrong, "Waarschuwing!",
                     PromptIcon::Critical, "geheim", {"", "nieuw123", "nieuw123"}},
        PasswordCase{"OldEmptyButOneStored", "geheim", "", "nieuw123", "nieuw123", Wrong, "Waarschuwing!",
                     PromptIcon::Critical, "geheim", {"", "nieuw123", "nieuw123"}},
        PasswordCase{"ConfirmationDifferent", "geheim", "geheim", "nieuw123", "nieuW123", Mismatch, "Waarschuwing!",
                     PromptIcon::Critical, "geheim", {"geheim", "", ""}},
        PasswordCase{"EmptyOldWithNoneStored", nullptr, "", "nieuw123", "nieuw123", Changed, "Wachtwoord",
                     PromptIcon::None, "nieuw123", {"", "", ""}},
        PasswordCase{"EmptyOldWithEmptyStored", "", "", "nieuw123", "nieuw123", Changed, "Wachtwoord", PromptIcon::None,
                     "nieuw123", {"", "", ""}},
        PasswordCase{"EmptyNewPassword", "geheim", "geheim", "", "", Changed, "Wachtwoord", PromptIcon::None, "",
                     {"", "", ""}},
        PasswordCase{"Changed", "geheim", "geheim", "Nieuw 2024", "Nieuw 2024", Changed, "Wachtwoord", PromptIcon::None,
                     "Nieuw 2024", {"", "", ""}}),
    [](const testing::TestParamInfo<PasswordCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(SettingsWindow, WrongOldPasswordCanBeRetriedWithTheNewOneStillTyped)
{
    store("Scorix", "Wachtwoord", QStringLiteral("geheim"));
    Instellingform form;
    QTest::keyClicks(edit(form, "txtOldP"), QStringLiteral("fout"));
    QTest::keyClicks(edit(form, "txtNewP"), QStringLiteral("nieuw123"));
    QTest::keyClicks(edit(form, "txtNewP2"), QStringLiteral("nieuw123"));
    click(form, "cmdApply");
    QTest::keyClicks(edit(form, "txtOldP"), QStringLiteral("geheim"));
    click(form, "cmdApply");
    EXPECT_EQ(prompts.messages(), (QStringList{QString::fromUtf8(Wrong), QString::fromUtf8(Changed)}));
    EXPECT_TRUE(PasswordMatches(stored("Scorix", "Wachtwoord"), QStringLiteral("nieuw123")));
}

// Only "Oud wachtwoord" filled in, or a new password shorter than 8 characters: it is set only when
// the teacher answers OK (a confirmed removal: the EmptyNewPassword row above); the checks before
// it (old password, confirmation) come first, and the question is never asked for them.
TEST_F(SettingsWindow, PasswordRemovalAndShortNewPasswordAreAskedFirst)
{
    const QString removal = PasswordRemovalQuestion, shortOne = ShortPasswordQuestion;
    const struct {
        const char* name;
        const char* oldP;
        QString newP;
        QString newP2;
        PromptAnswer answer;
        const QString* question;  // asked first
        const char* otherMessage; // shown instead of a question
        bool changed;
    } cases[] = {
        {"RemovalCancelled", "geheim", QString(), QString(), PromptAnswer::Cancel, &removal, nullptr, false},
        {"SevenCancelled", "geheim", QStringLiteral("abc1234"), QStringLiteral("abc1234"), PromptAnswer::Cancel,
         &shortOne, nullptr, false},
        // Characters count, not bytes: seven euro signs are 21 bytes in UTF-8.
        {"SevenEuroSigns", "geheim", QString(7, QChar(0x20AC)), QString(7, QChar(0x20AC)), PromptAnswer::Cancel,
         &shortOne, nullptr, false},
        {"SevenConfirmed", "geheim", QStringLiteral("abc1234"), QStringLiteral("abc1234"), PromptAnswer::Ok, &shortOne,
         nullptr, true},
        {"EightNotAsked", "geheim", QStringLiteral("abcd1234"), QStringLiteral("abcd1234"), PromptAnswer::Cancel,
         nullptr, "Het wachtwoord is gewijzigd!", true},
        {"OldWrongFirst", "fout", QStringLiteral("abc"), QStringLiteral("abc"), PromptAnswer::Ok, nullptr, Wrong,
         false},
        {"MismatchFirst", "geheim", QStringLiteral("abc"), QStringLiteral("abd"), PromptAnswer::Ok, nullptr, Mismatch,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString hash = StoredPasswordForm(QStringLiteral("geheim"));
        store("Scorix", "Wachtwoord", hash);
        store("Profiel", "Voldoende", QStringLiteral("60"));
        prompts.calls.clear();
        Instellingform form;
        QTest::keyClicks(edit(form, "txtOldP"), QString::fromUtf8(c.oldP));
        edit(form, "txtNewP")->setText(c.newP);
        edit(form, "txtNewP2")->setText(c.newP2);
        child<QScrollBar>(form, "scrVoldoende")->setValue(70);
        prompts.answers = {c.answer};
        click(form, "cmdApply");

        ASSERT_FALSE(prompts.calls.isEmpty());
        const PromptCall& first = prompts.calls[0];
        if (c.otherMessage) {
            EXPECT_EQ(prompts.messages(), QStringList{QString::fromUtf8(c.otherMessage)});
        } else {
            EXPECT_EQ(first.text, *c.question);
            EXPECT_EQ(first.title, QStringLiteral("Waarschuwing!"));
            EXPECT_EQ(first.icon, PromptIcon::None);
            EXPECT_EQ(first.buttons, PromptButtons::OkCancel);
            EXPECT_EQ(first.defaultButton, PromptDefault::Safe) << "Enter must keep the old password";
            EXPECT_EQ(prompts.calls.size(), c.changed ? 2 : 1);
            if (!c.changed) {
                EXPECT_EQ(edit(form, "txtOldP")->text(), QString::fromUtf8(c.oldP)) << "a cancelled question keeps it";
            }
        }
        const QString after = stored("Scorix", "Wachtwoord");
        if (c.changed) {
            EXPECT_TRUE(PasswordMatches(after, c.newP));
        } else {
            EXPECT_EQ(after, hash) << "the old password stays";
        }
        const bool refused = c.otherMessage == Wrong || c.otherMessage == Mismatch;
        EXPECT_EQ(stored("Profiel", "Voldoende"), refused ? QStringLiteral("60") : QStringLiteral("70"))
            << "the apply goes on unless the change was refused";
    }
}

TEST_F(SettingsWindow, EnterOnTheShortPasswordQuestionKeepsTheOldPassword)
{
    const QString hash = StoredPasswordForm(QStringLiteral("geheim"));
    store("Scorix", "Wachtwoord", hash);
    Instellingform form;
    form.show();
    edit(form, "txtOldP")->setText(QStringLiteral("geheim"));
    edit(form, "txtNewP")->setText(QStringLiteral("1234"));
    edit(form, "txtNewP2")->setText(QStringLiteral("1234"));

    // Every box that opens is answered with Enter, so a wrong default cannot hang the test.
    QStringList shown;
    const ModalAnswers answerer({[&](QWidget* modal) {
                                    auto* box = qobject_cast<QMessageBox*>(modal);
                                    if (box) {
                                        shown << box->text();
                                        QTest::keyClick(box, Qt::Key_Return);
                                    }
                                    return box != nullptr;
                                }},
                                true);
    setPrompts(nullptr);
    click(form, "cmdApply");
    setPrompts(&prompts);

    EXPECT_EQ(shown, QStringList{ShortPasswordQuestion});
    EXPECT_EQ(stored("Scorix", "Wachtwoord"), hash);
}

// The password set in this window is the one the login then accepts, or the change is refused.
struct RoundTripCase {
    const char* name;
    QString password;
    const char* refusal; // nullptr: the change succeeds
};

class PasswordRoundTrip : public SettingsWindow, public testing::WithParamInterface<RoundTripCase> {
protected:
    // True when the login window admits `typed`; a refusal is its usual message.
    bool loginAccepts(const QString& typed)
    {
        prompts.calls.clear();
        bool admitted = false;
        QPointer<Startupform> login = new Startupform(program());
        QObject::connect(login, &Startupform::accepted, [&] { admitted = true; });
        login->show();
        login->txtpassword->setText(typed);
        QTest::mouseClick(login->cmdOk, Qt::LeftButton);
        EXPECT_EQ(prompts.messages(), admitted ? QStringList() : QStringList{PasswordWrongText});
        delete login;
        return admitted;
    }
};

TEST_P(PasswordRoundTrip, LoginAcceptsExactlyWhatTheChangeConfirmed)
{
    const RoundTripCase& c = GetParam();
    store("Scorix", "Wachtwoord", QStringLiteral("oud"));
    {
        Instellingform first; // every "Profiel" key in place, so a refused change leaves the file as it was
        click(first, "cmdApply");
    }
    const QByteArray before = fileBytes();

    Instellingform form;
    // Set rather than typed: the test keyboard knows Latin-1 only.
    edit(form, "txtOldP")->setText(QStringLiteral("oud"));
    edit(form, "txtNewP")->setText(c.password);
    edit(form, "txtNewP2")->setText(c.password);
    prompts.answers = {PromptAnswer::Ok}; // an empty one is confirmed first
    click(form, "cmdApply");

    ASSERT_EQ(prompts.calls.size(), c.password.isEmpty() ? 2 : 1);
    if (c.refusal) {
        EXPECT_EQ(prompts.calls[0].text, QString::fromUtf8(c.refusal) + QLatin1Char('\n') + NothingAppliedNote);
        EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Waarschuwing!"));
        EXPECT_EQ(prompts.calls[0].icon, PromptIcon::Critical);
        EXPECT_EQ(fileBytes(), before);
        EXPECT_EQ(edit(form, "txtOldP")->text(), QStringLiteral("oud"));
        EXPECT_TRUE(edit(form, "txtNewP")->text().isEmpty());
        EXPECT_TRUE(edit(form, "txtNewP2")->text().isEmpty());
        EXPECT_FALSE(loginAccepts(c.password));
        EXPECT_TRUE(loginAccepts(QStringLiteral("oud")));
    } else {
        EXPECT_EQ(prompts.calls.back().text, QStringLiteral("Het wachtwoord is gewijzigd!"));
        EXPECT_EQ(prompts.calls.back().title, QStringLiteral("Wachtwoord"));
        EXPECT_TRUE(loginAccepts(c.password));
        EXPECT_FALSE(loginAccepts(QStringLiteral("oud")));
    }
}

const char* const NotStorable = "Het nieuwe wachtwoord bevat tekens die niet kunnen worden opgeslagen! "
                                "Gebruik alleen West-Europese letters, cijfers en leestekens.";

INSTANTIATE_TEST_SUITE_P(
    Passwords, PasswordRoundTrip,
    testing::Values(RoundTripCase{"Polish", QString::fromUtf8("łódź"), NotStorable},
                    RoundTripCase{"Greek", QString::fromUtf8("Ελλάδα"), NotStorable},
                    RoundTripCase{"BlanksAround", QStringLiteral(" pw "),
                                  "Het nieuwe wachtwoord mag niet met een spatie beginnen of eindigen!"},
                    RoundTripCase{"InQuotes", QStringLiteral("\"abc\""),
                                  "Het nieuwe wachtwoord mag niet tussen aanhalingstekens staan!"},
                    RoundTripCase{"Chars300", QString(300, QLatin1Char('k')),
                                  "Het nieuwe wachtwoord mag hoogstens 254 tekens lang zijn!"},
                    RoundTripCase{"Ordinary", QStringLiteral("geheimpje"), nullptr},
                    RoundTripCase{"Mixed", QStringLiteral("Ab12!xyz"), nullptr},
                    RoundTripCase{"Empty", QString(), nullptr},
                    RoundTripCase{"WesternLetters", QString::fromUtf8("Één € ßé"), nullptr}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

// A new password that never reached the file is an error, not a change; the login still wants the old one.
TEST_F(SettingsWindow, PasswordThatCannotBeWrittenIsReportedAsAFailure)
{
    struct Case {
        const char* name;
        const char* programFolder; // below the test folder
        const char* makeFolder;    // nullptr: none
        int error;                 // the reason given for it
    };
    const Case cases[] = {
        {"SettingsPathIsAFolder", "", "Instellingen.ini", EISDIR},
        {"ProgramFolderMissing", "ontbreekt/", nullptr, ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = program() + QLatin1String(c.programFolder);
        if (c.makeFolder) {
            ASSERT_TRUE(QDir(folder).mkpath(QLatin1String(c.makeFolder)));
        }
        SetPaths(folder);
        prompts.calls.clear();

        Instellingform form;
        edit(form, "txtdocumenten")->setText(defaultFolder()); // a data folder that is there
        QTest::keyClicks(edit(form, "txtNewP"), QStringLiteral("nieuw123"));
        QTest::keyClicks(edit(form, "txtNewP2"), QStringLiteral("nieuw123"));
        click(form, "cmdApply");

        ASSERT_EQ(prompts.calls.size(), 1);
        const QString file = folder + QStringLiteral("Instellingen.ini");
        EXPECT_EQ(prompts.calls[0].text,
                  QStringLiteral("Het nieuwe wachtwoord kon niet worden opgeslagen in %1!\n").arg(file) +
                      NothingSavedText(file, c.error));
        EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Er is een Fout opgetreden!"));
        EXPECT_EQ(prompts.calls[0].icon, PromptIcon::Critical);
        EXPECT_EQ(edit(form, "txtNewP")->text(), QStringLiteral("nieuw123")) << "kept for another try";

        prompts.calls.clear();
        QPointer<Startupform> login = new Startupform(folder);
        login->txtpassword->setText(QStringLiteral("nieuw123"));
        QTest::mouseClick(login->cmdOk, Qt::LeftButton);
        EXPECT_EQ(prompts.messages(), QStringList{PasswordWrongText});
        delete login;
    }
}

// The settings file cannot be read (its rights, a share half there) or cannot be saved (a folder and
// file the teacher may read but not change): the window says so with the reason, saves nothing over
// the real settings, and stays open with what was typed, for another try.
TEST_F(SettingsWindow, UnreadableOrUnwritableFileIsSaidAndNeverSavedOver)
{
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    const QString cannotRead = CannotReadText(settingsFile(), EACCES);
    const struct {
        const char* name;
        QFile::Permissions folder;
        QFile::Permissions file;
        QStringList messages;
    } cases[] = {
        // clang-format off
        {"Unreadable", readOnly | QFile::WriteOwner | QFile::WriteOther, QFile::WriteOwner | QFile::WriteOther,
         {cannotRead, cannotRead}},
        {"ReadOnly", readOnly, QFile::ReadOwner | QFile::ReadOther,
         {QStringLiteral("Het nieuwe wachtwoord kon niet worden opgeslagen in %1!\n").arg(settingsFile()) +
          NothingSavedText(settingsFile(), EACCES)}},
        // clang-format on
    };
    store("Profiel", "Printen", QStringLiteral("1"));
    const QByteArray before = fileBytes();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.calls.clear();
        ASSERT_TRUE(QFile::setPermissions(dir.path(), c.folder));
        ASSERT_TRUE(QFile::setPermissions(settingsFile(), c.file));
        {
            AsNobody nobody;
            int refreshes = 0;
            Instellingform form([&] { ++refreshes; });
            form.show();
            box(form, "chkPrinten")->setCheckState(Qt::Unchecked);
            QTest::keyClicks(edit(form, "txtNewP"), QStringLiteral("nieuw123"));
            QTest::keyClicks(edit(form, "txtNewP2"), QStringLiteral("nieuw123"));
            click(form, "cmdApply");

            EXPECT_EQ(prompts.messages(), c.messages);
            for (const PromptCall& call : prompts.calls) {
                EXPECT_EQ(call.title, QStringLiteral("Er is een Fout opgetreden!"));
                EXPECT_EQ(call.icon, PromptIcon::Critical);
            }
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(refreshes, 0);
            EXPECT_EQ(box(form, "chkPrinten")->checkState(), Qt::Unchecked);
            EXPECT_EQ(edit(form, "txtNewP2")->text(), QStringLiteral("nieuw123"));
        }
        ASSERT_TRUE(QFile::setPermissions(dir.path(), readOnly | QFile::WriteOwner));
        ASSERT_TRUE(QFile::setPermissions(settingsFile(), QFile::ReadOwner | QFile::WriteOwner));
        EXPECT_EQ(fileBytes(), before);
    }
}

// Another program holds a lock on the settings file (a reader's lock is enough): Toepassen gives up
// after a while, says the file is in use, saves nothing and keeps the window as it was.
TEST_F(SettingsWindow, SettingsFileInUseIsSaidAndNothingIsSaved)
{
    store("Profiel", "Printen", QStringLiteral("1"));
    const QByteArray before = fileBytes();
    LockHolder holder(settingsFile(), F_RDLCK, F_OFD_SETLK);
    ASSERT_TRUE(holder.holding());
    int refreshes = 0;
    Instellingform form([&] { ++refreshes; });
    form.show();
    box(form, "chkPrinten")->setCheckState(Qt::Unchecked);
    click(form, "cmdApply");
    EXPECT_EQ(prompts.messages(), QStringList{NothingSavedText(settingsFile(), EAGAIN)});
    EXPECT_EQ(prompts.calls.value(0).title, QStringLiteral("Er is een Fout opgetreden!"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(refreshes, 0);
    EXPECT_EQ(box(form, "chkPrinten")->checkState(), Qt::Unchecked);
    EXPECT_EQ(fileBytes(), before);
}

TEST_F(SettingsWindow, PasswordBoxesShowAStarForEveryCharacter)
{
    Instellingform form;
    for (const char* name : {"txtOldP", "txtNewP", "txtNewP2"}) {
        QLineEdit* box = edit(form, name);
        QTest::keyClicks(box, QStringLiteral("ab c"));
        EXPECT_EQ(box->text(), QStringLiteral("ab c"));
        EXPECT_EQ(box->displayText(), QStringLiteral("****")) << name;
    }
}

// An invalid stored value: the standard failure message for that value, the control stays in its
// design state and every other control still loads its own key.
struct InvalidCase {
    const char* key;
    const char* value;
    const char* description;
};

class InvalidStoredValue : public SettingsWindow, public testing::WithParamInterface<InvalidCase> {};

TEST_P(InvalidStoredValue, OnlyThatControlFallsBack)
{
    const InvalidCase& c = GetParam();
    // Valid values that differ from both the defaults and the design state.
    store("Profiel", "Nieuwe leerling", QStringLiteral("2"));
    store("Profiel", "Wijzigen", QStringLiteral("2"));
    store("Profiel", "Printen", QStringLiteral("2"));
    store("Profiel", "Begincijfer", QStringLiteral("2"));
    store("Profiel", "Voldoende", QStringLiteral("70"));
    store("Profiel", c.key, QString::fromUtf8(c.value));

    Instellingform form;
    ASSERT_EQ(prompts.calls.size(), 1);
    EXPECT_EQ(prompts.calls[0].text, QString::fromUtf8(c.description));
    EXPECT_EQ(prompts.calls[0].title, QStringLiteral("Er is een Fout opgetreden!"));
    EXPECT_EQ(prompts.calls[0].icon, PromptIcon::Critical);

    const bool gradeFailed = QLatin1String(c.key) == QLatin1String("Voldoende");
    for (int i = 0; i < 4; ++i) {
        const bool failed = QLatin1String(c.key) == QLatin1String(CheckKeys[i]);
        EXPECT_EQ(box(form, CheckBoxes[i])->checkState(), failed ? Qt::Unchecked : Qt::PartiallyChecked)
            << CheckBoxes[i];
    }
    EXPECT_EQ(child<QScrollBar>(form, "scrVoldoende")->value(), gradeFailed ? 1 : 70);
    EXPECT_EQ(child<QLabel>(form, "lblValue")->text(), gradeFailed ? QStringLiteral("1") : QStringLiteral("70"));

    // The next apply keeps the valid settings.
    click(form, "cmdApply");
    for (const char* key : CheckKeys) {
        if (QLatin1String(key) != QLatin1String(c.key)) {
            EXPECT_EQ(stored("Profiel", key), QStringLiteral("2")) << key;
        }
    }
    if (!gradeFailed) {
        EXPECT_EQ(stored("Profiel", "Voldoende"), QStringLiteral("70"));
    }
}

INSTANTIATE_TEST_SUITE_P(Values, InvalidStoredValue,
                         testing::Values(InvalidCase{"Nieuwe leerling", "3", "Invalid property value"},
                                         InvalidCase{"Wijzigen", "ja", "Type mismatch"},
                                         InvalidCase{"Printen", "", "Type mismatch"},
                                         InvalidCase{"Begincijfer", "-1", "Invalid property value"},
                                         InvalidCase{"Voldoende", "0", "Invalid property value"},
                                         InvalidCase{"Voldoende", "101", "Invalid property value"},
                                         InvalidCase{"Voldoende", "veel", "Type mismatch"},
                                         InvalidCase{"Voldoende", "40000", "Overflow"}));

TEST_F(SettingsWindow, ValueLabelFollowsClicksAndTheEndOfADrag)
{
    Instellingform form;
    QScrollBar* bar = child<QScrollBar>(form, "scrVoldoende");
    QLabel* label = child<QLabel>(form, "lblValue");

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(label->text(), QStringLiteral("56"));
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(label->text(), QString::number(bar->value()));
    EXPECT_LT(bar->value(), 56);

    const QString beforeDrag = label->text();
    bar->setSliderDown(true);
    bar->setSliderPosition(80);
    bar->setSliderPosition(90);
    EXPECT_EQ(label->text(), beforeDrag) << "not updated while the thumb is dragged";
    bar->setSliderDown(false);
    EXPECT_EQ(label->text(), QStringLiteral("90"));

    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 100);
    click(form, "cmdApply");
    EXPECT_EQ(stored("Profiel", "Voldoende"), QStringLiteral("100"));
}

TEST_F(SettingsWindow, CloseWritesNothingAndKeysApplyOrClose)
{
    {
        Instellingform form;
        box(form, "chkPrinten")->setCheckState(Qt::Unchecked);
        QTest::keyClicks(edit(form, "txtNewP"), QStringLiteral("x"));
        form.show();
        click(form, "cmdClose");
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    {
        Instellingform form;
        form.show();
        QTest::keyClick(edit(form, "txtdocumenten"), Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
    }
    {
        Instellingform form;
        form.show();
        form.close(); // the close box
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_FALSE(QFile::exists(settingsFile()));

    int refreshes = 0;
    Instellingform form([&] { ++refreshes; });
    form.show();
    box(form, "chkPrinten")->setCheckState(Qt::Unchecked);
    for (const char* name : {"txtNewP2", "txtdocumenten"})
        QTest::keyClick(edit(form, name), Qt::Key_Return);
    QTest::keyClick(box(form, "chkBeginCijfer"), Qt::Key_Enter);
    EXPECT_EQ(refreshes, 3);
    EXPECT_TRUE(form.isVisible()) << "apply keeps the window open";
    EXPECT_EQ(stored("Profiel", "Printen"), QStringLiteral("0"));
}

TEST_F(SettingsWindow, IsAFixedModalDialogWithTheGivenTabOrder)
{
    Instellingform form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Instellingen"));
    EXPECT_TRUE(form.isModal());
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.size(), QSize(279, 436));
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    const QStringList expected = {"chkNieuweLeerling", "chkWijzigenWachtwoord",
                                  "chkPrinten",        "chkBeginCijfer",
                                  "scrVoldoende",      "txtOldP",
                                  "txtNewP",           "txtNewP2",
                                  "cmdApply",          "cmdClose",
                                  "txtdocumenten",     "cmdBrowse"};
    EXPECT_EQ(form.focusWidget() ? form.focusWidget()->objectName() : QString(), expected.first());
    QStringList order;
    QWidget* w = form.findChild<QWidget*>(expected.first());
    for (int guard = 0; w && guard < 100 && order.size() < expected.size(); ++guard, w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            order << w->objectName();
    EXPECT_EQ(order, expected);
}

// Geometry in pixels (twips / 15), each relative to its frame, and the captions as given.
struct ControlCase {
    const char* name;
    const char* parent;
    QRect rect;
    const char* caption;
};

TEST_F(SettingsWindow, ControlsHaveTheirGeometryAndCaptions)
{
    const ControlCase controls[] = {
        {"frmGegevens", "Instellingform", {8, 8, 265, 49}, "Leerling gegevens opslaan in"},
        {"txtdocumenten", "frmGegevens", {8, 24, 225, 19}, nullptr},
        {"cmdBrowse", "frmGegevens", {240, 24, 17, 17}, "..."},
        {"frmToestaan", "Instellingform", {8, 64, 265, 89}, "Toestaan"},
        {"chkNieuweLeerling", "frmToestaan", {8, 24, 161, 17}, "Nieuwe leerling aanmaken"},
        {"chkWijzigenWachtwoord", "frmToestaan", {8, 40, 177, 25}, "Wachtwoord wijzigen"},
        {"chkPrinten", "frmToestaan", {8, 64, 185, 17}, "Printen"},
        {"frmVoldoende", "Instellingform", {8, 160, 265, 105}, "Toets behaald"},
        {"chkBeginCijfer", "frmVoldoende", {8, 24, 177, 17}, "Begin cijfer is 1 in plaats van 0"},
        {"Label4", "frmVoldoende", {16, 48, 113, 17}, "Cijfer voor voldoende:"},
        {"lblValue", "frmVoldoende", {128, 48, 57, 17}, nullptr},
        {"scrVoldoende", "frmVoldoende", {8, 72, 241, 17}, nullptr},
        {"frmWachtwoord", "Instellingform", {8, 272, 265, 129}, "Wachtwoord wijzigen"},
        {"Label1", "frmWachtwoord", {8, 24, 121, 25}, "Oud wachtwoord"},
        {"txtOldP", "frmWachtwoord", {152, 24, 105, 20}, nullptr},
        {"Label2", "frmWachtwoord", {8, 48, 145, 25}, "Nieuw wachtwoord"},
        {"txtNewP", "frmWachtwoord", {152, 48, 105, 20}, nullptr},
        {"Label3", "frmWachtwoord", {8, 72, 145, 25}, "bevestig nieuw wachtwoord"},
        {"txtNewP2", "frmWachtwoord", {152, 72, 105, 20}, nullptr},
        {"cmdApply", "Instellingform", {104, 408, 81, 25}, "Toepassen"},
        {"cmdClose", "Instellingform", {192, 408, 81, 25}, "Sluiten"},
    };
    Instellingform form;
    for (const ControlCase& c : controls) {
        QWidget* w = form.findChild<QWidget*>(QLatin1String(c.name));
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->parentWidget()->objectName(), QLatin1String(c.parent)) << c.name;
        EXPECT_EQ(w->geometry(), c.rect) << c.name;
        if (!c.caption)
            continue;
        QString caption;
        if (auto* frame = qobject_cast<QGroupBox*>(w))
            caption = frame->title();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            caption = button->text();
        else if (auto* label = qobject_cast<QLabel*>(w))
            caption = label->text();
        EXPECT_EQ(caption, QString::fromUtf8(c.caption)) << c.name;
    }
    EXPECT_TRUE(child<QPushButton>(form, "cmdApply")->isDefault());
    EXPECT_FALSE(child<QPushButton>(form, "cmdClose")->isDefault());
}

} // namespace
