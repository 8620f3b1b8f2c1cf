#include "SettingsRules.h"

#include "Runtime.h"

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
                                         FolderCase{"", ""}));

TEST(ShownFolder, ZeroIsTheProgramsDocumentenFolderAndAnythingElseIsShownAsStored)
{
    EXPECT_EQ(ShownDocumentFolder(QStringLiteral("0"), Program), QStringLiteral("/opt/velmora/Documenten/"));
    EXPECT_EQ(ShownDocumentFolder(QStringLiteral("0"), QStringLiteral("/opt/velmora")),
              QStringLiteral("/opt/velmora/Documenten/"));
    for (const char* stored : {"00", " 0", "", "/srv/klassen", "/srv/klassen/"})
        EXPECT_EQ(ShownDocumentFolder(QString::fromUtf8(stored), Program), QString::fromUtf8(stored)) << stored;
}

TEST(ShownFolder, ShownDefaultIsStoredAsZeroAgain)
{
    EXPECT_EQ(StoredDocumentFolder(ShownDocumentFolder(QStringLiteral("0"), Program), Program), QStringLiteral("0"));
}

struct ValueCase {
    const char* stored;
    int value;             // expected value when no error
    const char* error;     // expected description, or nullptr
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
