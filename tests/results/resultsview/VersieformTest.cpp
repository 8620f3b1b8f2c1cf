// The version window: its text, logo and the keys that must not close it.
#include "Versieform.h"
#include "ResultsTestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(VersionText, TwoLinesWithMajorAndMinor)
{
    struct Case {
        int major, minor;
        QString text;
    };
    const Case cases[] = {
        {1, 0, QStringLiteral("Scorix Velmora 5\r\nversie 1.0")},
        {2, 13, QStringLiteral("Scorix Velmora 5\r\nversie 2.13")},
        {10, 7, QStringLiteral("Scorix Velmora 5\r\nversie 10.7")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionText(c.major, c.minor), c.text);
}

using VersieformTest = ::testing::Test;

TEST_F(VersieformTest, ShowsTheProjectVersionAndTheLogo)
{
    Versieform form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Velmora 5 - Versie informatie"));
    EXPECT_EQ(form.lblversieinfo->text(),
              QStringLiteral("Scorix Velmora 5\r\nversie %1.%2").arg(VELMORA_VERSION_MAJOR).arg(VELMORA_VERSION_MINOR));
    const QPixmap logo = form.picVersie->pixmap();
    EXPECT_EQ(logo.size(), QSize(128, 103));
    EXPECT_EQ(form.size(), QSize(264, 254));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.frmFrame->geometry(), QRect(8, 8, 249, 241));
    EXPECT_EQ(form.picVersie->geometry(), QRect(50, 16, 145, 121));
    EXPECT_EQ(form.lblversieinfo->geometry(), QRect(24, 152, 193, 33));
    EXPECT_EQ(form.cmdSluiten->geometry(), QRect(16, 200, 209, 25));
    EXPECT_EQ(form.cmdSluiten->text(), QStringLiteral("Sluiten"));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(VersieformTest, EnterAndEscapeLeaveItOpenSluitenAndCloseBoxClose)
{
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        Versieform form;
        form.show();
        form.cmdSluiten->setFocus();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &form, key);
        EXPECT_TRUE(form.isVisible()) << key;
        EXPECT_FALSE(form.cmdSluiten->isDefault());
        EXPECT_FALSE(form.cmdSluiten->autoDefault());
    }
    {
        Versieform form;
        form.show();
        QTest::mouseClick(form.cmdSluiten, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
    }
    {
        Versieform form;
        form.show();
        EXPECT_TRUE(form.close());
        EXPECT_FALSE(form.isVisible());
    }
}

} // namespace
