// The results window's resize rules, on their own and on the real window.
#include "ScreenLayout.h"
#include "RecordingPrompts.h"
#include "Resultform.h"
#include "ResultsTestSupport.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TEST(ScreenLayout, DesignSizeGivesTheDesignGeometry)
{
    ResultLayout layout = DesignResultLayout();
    layout.frmMain.height = 1;
    layout.ListView.width = 1;
    ApplyScreenSize(layout, ResultOuterWidth, ResultOuterHeight);
    EXPECT_EQ(layout, DesignResultLayout());
    EXPECT_EQ(OuterWidthFromClient(ResultClientWidth), 9795);
    EXPECT_EQ(OuterHeightFromClient(ResultClientHeight), 6765);
}

TEST(ScreenLayout, LargerWindowGrowsTreeAndTableAndMovesOnlyTops)
{
    ResultLayout layout = DesignResultLayout();
    ApplyScreenSize(layout, ResultOuterWidth + 3000, ResultOuterHeight + 1500);
    EXPECT_EQ(layout.frmMain, (TwipsRect{120, 120, 9495 + 3000, 5775 + 1500}));
    EXPECT_EQ(layout.TreeView, (TwipsRect{120, 240, 2535, 4815 + 1500}));
    EXPECT_EQ(layout.ListView, (TwipsRect{2880, 240, 6495 + 3000, 4815 + 1500}));
    // 615 and 375 twips above the frame's bottom edge, left positions unchanged.
    EXPECT_EQ(layout.cmdVerVers, (TwipsRect{120, 5160 + 1500, 2535, 375}));
    EXPECT_EQ(layout.Label1, (TwipsRect{7320, 5160 + 1500, 1335, 255}));
    EXPECT_EQ(layout.lblnLeerling, (TwipsRect{8640, 5160 + 1500, 735, 255}));
    EXPECT_EQ(layout.Label2, (TwipsRect{7320, 5400 + 1500, 975, 255}));
    EXPECT_EQ(layout.lblAvg, (TwipsRect{8640, 5400 + 1500, 495, 255}));
}

TEST(ScreenLayout, NegativeSizesAreSkippedAndTheRestStillRuns)
{
    struct Case {
        const char* label;
        qint32 W, H;
        TwipsRect frame, tree, list;
        qint32 buttonTop;
    };
    const Case cases[] = {
        // Narrow: the frame takes 0 width, the table keeps its width (0 - 3000 < 0).
        {"narrow", 300, 6765, {120, 120, 0, 5775}, {120, 240, 2535, 4815}, {2880, 240, 6495, 4815}, 5160},
        // Narrower still: the frame's width is skipped as well.
        {"narrower", 200, 6765, {120, 120, 9495, 5775}, {120, 240, 2535, 4815}, {2880, 240, 6495, 4815}, 5160},
        // Low: the frame gets height 510, the tree's height (510 - 960) is skipped, the table copies the
        // tree's kept height; the button moves above the frame's top.
        {"low", 9795, 1500, {120, 120, 9495, 510}, {120, 240, 2535, 4815}, {2880, 240, 6495, 4815}, -105},
        // Both negative: nothing changes size, the tops follow the kept frame.
        {"tiny", 100, 100, {120, 120, 9495, 5775}, {120, 240, 2535, 4815}, {2880, 240, 6495, 4815}, 5160},
    };
    for (const Case& c : cases) {
        ResultLayout layout = DesignResultLayout();
        ApplyScreenSize(layout, c.W, c.H);
        EXPECT_EQ(layout.frmMain, c.frame) << c.label;
        EXPECT_EQ(layout.TreeView, c.tree) << c.label;
        EXPECT_EQ(layout.ListView, c.list) << c.label;
        EXPECT_EQ(layout.cmdVerVers.top, c.buttonTop) << c.label;
        EXPECT_EQ(layout.Label1.top, c.buttonTop) << c.label;
        EXPECT_EQ(layout.lblnLeerling.top, c.buttonTop) << c.label;
        EXPECT_EQ(layout.Label2.top, layout.frmMain.height - 375) << c.label;
        EXPECT_EQ(layout.cmdVerVers.height, 375) << c.label;
    }
}

TEST(ScreenLayout, ShrinkingKeepsTheLastValidSizes)
{
    ResultLayout layout = DesignResultLayout();
    ApplyScreenSize(layout, 5000, 3000);
    const ResultLayout before = layout;
    ApplyScreenSize(layout, 2000, 1200);
    EXPECT_EQ(layout.frmMain.width, 1700);
    EXPECT_EQ(layout.frmMain.height, 210);
    EXPECT_EQ(layout.TreeView.height, before.TreeView.height);
    EXPECT_EQ(layout.ListView.width, before.ListView.width);
}

class ResultformLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder.writeCourse("Rekenen", {"Optellen"});
        folder.use();
    }
    ScopedPrompts recorded;
    TestProgram folder;
};

TEST_F(ResultformLayoutTest, OpensAtTheDesignClientSizeWithTheDesignGeometry)
{
    Resultform f;
    f.show();
    EXPECT_EQ(f.centralWidget()->size(), QSize(644, 396));
    EXPECT_EQ(f.currentLayout(), DesignResultLayout());
    EXPECT_EQ(f.frmMain->geometry(), QRect(8, 8, 633, 385));
    EXPECT_EQ(f.TreeView->geometry(), QRect(8, 16, 169, 321));
    EXPECT_EQ(f.ListView->geometry(), QRect(192, 16, 433, 321));
    EXPECT_EQ(f.cmdVerVers->geometry(), QRect(8, 344, 169, 25));
    EXPECT_EQ(f.Label1->geometry(), QRect(488, 344, 89, 17));
    EXPECT_EQ(f.lblnLeerling->geometry(), QRect(576, 344, 49, 17));
    EXPECT_EQ(f.Label2->geometry(), QRect(488, 360, 65, 17));
    EXPECT_EQ(f.lblAvg->geometry(), QRect(576, 360, 33, 17));
    // Centred on the screen.
    const QRect screen = f.screen()->availableGeometry();
    EXPECT_LE(std::abs(f.geometry().center().x() - screen.center().x()), 2);
}

TEST_F(ResultformLayoutTest, EveryResizeLaysTheControlsOut)
{
    Resultform f;
    f.show();
    const int menu = f.menuBar()->height();
    f.resize(644 + 200, 396 + menu + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.frmMain->geometry(), QRect(8, 8, 633 + 200, 385 + 100));
    EXPECT_EQ(f.ListView->geometry(), QRect(192, 16, 433 + 200, 321 + 100));
    EXPECT_EQ(f.Label2->geometry(), QRect(488, 360 + 100, 65, 17));

    // Far too small: sizes stay at their last valid values instead of failing.
    f.resize(10, menu + 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.TreeView->height(), 321 + 100);
    EXPECT_EQ(f.ListView->width(), 433 + 200);
    EXPECT_TRUE(recorded.prompts.calls.isEmpty());
}

TEST_F(ResultformLayoutTest, CaptionsFitTheirDesignSizes)
{
    Resultform f;
    f.show();
    for (QLabel* label : {f.Label1, f.Label2}) {
        const QFontMetrics metrics(label->font());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
        EXPECT_LE(metrics.height(), label->height()) << label->text().toStdString();
    }
    const QFontMetrics button(f.cmdVerVers->font());
    EXPECT_LE(button.height(), f.cmdVerVers->height());
}

} // namespace
