#include "TeacherPassword.h"

#include <gtest/gtest.h>

namespace {

// Which typed texts a stored value admits: a hash only its own password, a plain value (an older
// file) itself, the empty value only the empty text.
TEST(TeacherPassword, StoredFormsAdmitExactlyTheirPassword)
{
    const QString hash = StoredPasswordForm(QStringLiteral("Geheim 1"));
    struct Case {
        const char* name;
        QString stored;
        QString typed;
        bool admits;
    };
    const Case cases[] = {
        {"hash", hash, QStringLiteral("Geheim 1"), true},
        {"hashOtherCase", hash, QStringLiteral("geheim 1"), false},
        {"hashEmpty", hash, QString(), false},
        {"hashTypedAsItself", hash, hash, false},
        {"hashWestern", StoredPasswordForm(QString::fromUtf8("Één € ß")), QString::fromUtf8("Één € ß"), true},
        {"plain", QStringLiteral("Geheim"), QStringLiteral("Geheim"), true},
        {"plainOtherCase", QStringLiteral("Geheim"), QStringLiteral("GEHEIM"), false},
        {"none", QString(), QString(), true},
        {"noneTyped", QString(), QStringLiteral("x"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasswordMatches(c.stored, c.typed), c.admits) << c.name;
}

TEST(TeacherPassword, StoredFormIsASaltedHashThatDoesNotShowThePassword)
{
    const QString first = StoredPasswordForm(QStringLiteral("geheim"));
    const QString second = StoredPasswordForm(QStringLiteral("geheim"));
    EXPECT_TRUE(first.startsWith(QStringLiteral("$argon2id$"))) << first.toStdString();
    EXPECT_TRUE(IsPasswordHash(first));
    EXPECT_NE(first, second);
    EXPECT_FALSE(first.contains(QStringLiteral("geheim")));
    // It must read back from the settings file as written: one line, at most 254 characters.
    EXPECT_LE(first.size(), 254);
    EXPECT_FALSE(first.contains(QLatin1Char('\n')) || first.contains(QLatin1Char('"')));
    EXPECT_TRUE(StoredPasswordForm(QString()).isEmpty()) << "no password set";
}

} // namespace
