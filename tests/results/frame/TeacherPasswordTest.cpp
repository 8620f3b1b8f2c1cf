#include "TeacherPassword.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sodium.h>

namespace {

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

// The cost is read from the stored string itself: "$argon2id$v=19$m=<KiB>,t=<passes>,p=<lanes>$...".
TEST(TeacherPassword, NewHashCostsAtLeastLibsodiumsInteractiveLimits)
{
    const QString stored = StoredPasswordForm(QStringLiteral("geheim12"));
    const QRegularExpressionMatch cost =
        QRegularExpression(QStringLiteral("^\\$argon2id\\$v=19\\$m=(\\d+),t=(\\d+),p=(\\d+)\\$")).match(stored);
    ASSERT_TRUE(cost.hasMatch()) << stored.toStdString();
    EXPECT_GE(cost.captured(1).toULongLong() * 1024, crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE);
    EXPECT_GE(cost.captured(2).toULongLong(), crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE);
    EXPECT_TRUE(PasswordMatches(stored, QStringLiteral("geheim12")));
}

// Hashes already stored keep logging in, whatever cost they were made with; only the right password
// matches them, and a damaged one matches nothing.
TEST(TeacherPassword, StoredHashesOfEveryCostStillVerify)
{
    const struct {
        const char* name;
        const char* stored;
        const char* typed;
        bool matches;
    } cases[] = {
        // As the settings window stored it before: 2 passes, 19 MiB.
        {"earlierCost",
         "$argon2id$v=19$m=19456,t=2,p=1$CHWEySJFgQtDhMOj9OEVpQ$bDtBl6HetHYktUy94QjdcHcTMB6HePi4Le4vpwcvxw4",
         "Oud wachtwoord 1", true},
        {"earlierCostWrongPassword",
         "$argon2id$v=19$m=19456,t=2,p=1$CHWEySJFgQtDhMOj9OEVpQ$bDtBl6HetHYktUy94QjdcHcTMB6HePi4Le4vpwcvxw4",
         "Oud wachtwoord 2", false},
        {"lowerCost",
         "$argon2id$v=19$m=8192,t=1,p=1$yzmgLJ0kvkmy8/0by0bbMA$vQYFmT10QqscVQsb+utjtqJj1Zffmjv+QVEK5nUHaT0",
         "Oud wachtwoord 1", true},
        {"damaged", "$argon2id$v=19$m=19456,t=2,p=1$CHWEySJFgQtDhMOj9OEVpQ$bDtBl6HetHYktUy94Qjdc", "Oud wachtwoord 1",
         false},
        {"prefixOnly", "$argon2id$", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PasswordMatches(QString::fromLatin1(c.stored), QString::fromUtf8(c.typed)), c.matches) << c.name;
}

} // namespace
