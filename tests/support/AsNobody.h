#pragma once
// File permissions do not bind root, and CI runs as root. While an AsNobody lives, a process that
// runs as root acts as the user "nobody" (effective ids only, so the destructor can switch back);
// any other user stays itself, and permissions bind it anyway.

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

class AsNobody {
public:
    AsNobody()
    {
        if (::geteuid() == 0)
            switchToNobody();
    }
    ~AsNobody()
    {
        if (!m_switched)
            return;
        EXPECT_EQ(::seteuid(0), 0);
        EXPECT_EQ(::setegid(0), 0);
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    void switchToNobody()
    {
        const passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr) << "no user nobody";
        ASSERT_EQ(::setegid(nobody->pw_gid), 0);
        m_switched = true; // from here on the destructor restores the group too
        ASSERT_EQ(::seteuid(nobody->pw_uid), 0);
    }

    bool m_switched = false;
};
