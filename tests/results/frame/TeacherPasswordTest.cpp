#include "TeacherPassword.h"

#include <gtest/gtest.h>

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

} // namespace
