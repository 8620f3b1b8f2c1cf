#include "SettingsRules.h"

#include "INIfunc.h"
#include "Runtime.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Program = QStringLiteral("/opt/velmora/");

struct FolderCase {
    const char* box;
    const char* stored;
};

class StoredFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(StoredFolder, OnlyTheDefaultFolderBecomesZero)
{
    EXPECT_EQ(StoredDocumentFolder(QString::fromUtf8(GetParam().box), Program), QString::fromUtf8(GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(Rules, StoredFolder,
                         testing::Values(FolderCase{"/opt/velmora/Documenten/", "0"},
                                         FolderCase{"/OPT/VELMORA/DOCUMENTEN/", "0"},
                                         FolderCase{"/opt/velmora/documenten/", "0"},
                                         // without the trailing separator it is another text: kept as typed
                                         FolderCase{"/opt/velmora/Documenten", "/opt/velmora/Documenten"},
                                         FolderCase{"/opt/velmora/Documenten//", "/opt/velmora/Documenten//"},
                                         FolderCase{"/srv/klassen", "/srv/klassen"}, FolderCase{"0", "0"},
                                         // an empty value would make the data folder the root
                                         FolderCase{"", "0"}, FolderCase{"   ", "0"}));

TEST(ShownFolder, ZeroIsTheProgramsDocumentenFolderAndAnythingElseIsShownAsStored)
{
    EXPECT_EQ(ShownDocumentFolder(QStringLiteral("0"), Program), QStringLiteral("/opt/velmora/Documenten/"));
    EXPECT_EQ(ShownDocumentFolder(QStringLiteral("0"), QStringLiteral("/opt/velmora")),
              QStringLiteral("/opt/velmora/Documenten/"));
    for (const char* stored : {"00", " 0", "/srv/klassen", "/srv/klassen/"})
        EXPECT_EQ(ShownDocumentFolder(QString::fromUtf8(stored), Program), QString::fromUtf8(stored)) << stored;
    for (const char* stored : {"", "   "})
        EXPECT_EQ(ShownDocumentFolder(QString::fromUtf8(stored), Program), QStringLiteral("/opt/velmora/Documenten/"))
            << '"' << stored << '"';
}

TEST(ShownFolder, ShownDefaultIsStoredAsZeroAgain)
{
    EXPECT_EQ(StoredDocumentFolder(ShownDocumentFolder(QStringLiteral("0"), Program), Program), QStringLiteral("0"));
}

struct StoredFormCase {
    const char* name;
    QString value;
    StoredFormProblem problem;
};

class StoredForm : public testing::TestWithParam<StoredFormCase> {};

// The rule must agree with what the settings file really gives back.
TEST_P(StoredForm, NamesWhatAWriteAndReadWouldLose)
{
    const StoredFormCase& c = GetParam();
    EXPECT_EQ(StoredFormProblemOf(c.value), c.problem);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("Instellingen.ini"));
    WriteINI(file, QStringLiteral("Scorix"), QStringLiteral("Wachtwoord"), c.value);
    EXPECT_EQ(ReadINI(file, QStringLiteral("Scorix"), QStringLiteral("Wachtwoord"), QStringLiteral("<none>")) ==
                  c.value,
              c.problem == StoredFormProblem::None);
    EXPECT_EQ(PasswordRefusalText(c.problem).isEmpty(), c.problem == StoredFormProblem::None);
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, StoredForm,
    testing::Values(StoredFormCase{"Polish", QString::fromUtf8("łódź"), StoredFormProblem::Characters},
                    StoredFormCase{"Greek", QString::fromUtf8("Ελλάδα"), StoredFormProblem::Characters},
                    StoredFormCase{"LineBreak", QStringLiteral("a\nb"), StoredFormProblem::Characters},
                    StoredFormCase{"BlanksAround", QStringLiteral(" pw "), StoredFormProblem::Blanks},
                    StoredFormCase{"TrailingTab", QStringLiteral("pw\t"), StoredFormProblem::Blanks},
                    StoredFormCase{"InQuotes", QStringLiteral("\"abc\""), StoredFormProblem::Quotes},
                    StoredFormCase{"InSingleQuotes", QStringLiteral("'abc'"), StoredFormProblem::Quotes},
                    StoredFormCase{"OnlyQuotes", QStringLiteral("\"\"\"\""), StoredFormProblem::Quotes},
                    StoredFormCase{"Chars300", QString(300, QLatin1Char('x')), StoredFormProblem::Length},
                    StoredFormCase{"Ordinary", QStringLiteral("geheim"), StoredFormProblem::None},
                    StoredFormCase{"Mixed", QStringLiteral("Ab12!"), StoredFormProblem::None},
                    StoredFormCase{"Empty", QString(), StoredFormProblem::None},
                    StoredFormCase{"WesternLetters", QString::fromUtf8("Één € ß"), StoredFormProblem::None},
                    StoredFormCase{"QuotesInside", QStringLiteral("a\"b\"c"), StoredFormProblem::None},
                    StoredFormCase{"OneQuote", QStringLiteral("\"abc"), StoredFormProblem::None},
                    StoredFormCase{"Chars254", QString(254, QLatin1Char('x')), StoredFormProblem::None}),
    [](const testing::TestParamInfo<StoredFormCase>& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* stored;
    int value;         // expected value when no error
    const char* error; // expected description, or nullptr
};

class CheckValue : public testing::TestWithParam<ValueCase> {};

TEST_P(CheckValue, ReadsZeroOneTwoAndRefusesTheRest)
{
    const ValueCase& c = GetParam();
    if (c.error) {
        try {
            CheckStateFromSetting(QString::fromUtf8(c.stored));
            FAIL() << "no error for " << c.stored;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.description(), QString::fromUtf8(c.error)) << c.stored;
        }
    } else {
        const Qt::CheckState state = CheckStateFromSetting(QString::fromUtf8(c.stored));
        const Qt::CheckState expected[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
        EXPECT_EQ(state, expected[c.value]) << c.stored;
        EXPECT_EQ(CheckStateSetting(state), QString::number(c.value));
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, CheckValue,
                         testing::Values(ValueCase{"0", 0, nullptr}, ValueCase{"1", 1, nullptr},
                                         ValueCase{"2", 2, nullptr}, ValueCase{" 1 ", 1, nullptr},
                                         ValueCase{"3", 0, "Invalid property value"},
                                         ValueCase{"-1", 0, "Invalid property value"},
                                         ValueCase{"", 0, "Type mismatch"}, ValueCase{"ja", 0, "Type mismatch"},
                                         ValueCase{"1x", 0, "Type mismatch"}, ValueCase{"40000", 0, "Overflow"}));

class PassGrade : public testing::TestWithParam<ValueCase> {};

TEST_P(PassGrade, AcceptsOneToHundred)
{
    const ValueCase& c = GetParam();
    if (c.error) {
        try {
            PassGradeFromSetting(QString::fromUtf8(c.stored));
            FAIL() << "no error for " << c.stored;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.description(), QString::fromUtf8(c.error)) << c.stored;
        }
    } else {
        EXPECT_EQ(PassGradeFromSetting(QString::fromUtf8(c.stored)), c.value) << c.stored;
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, PassGrade,
                         testing::Values(ValueCase{"1", 1, nullptr}, ValueCase{"55", 55, nullptr},
                                         ValueCase{"100", 100, nullptr}, ValueCase{"0", 0, "Invalid property value"},
                                         ValueCase{"101", 0, "Invalid property value"},
                                         ValueCase{"-55", 0, "Invalid property value"},
                                         ValueCase{"vijftig", 0, "Type mismatch"}, ValueCase{"", 0, "Type mismatch"},
                                         ValueCase{"99999", 0, "Overflow"}));

} // namespace
