#include "ScreenLayout.h"

namespace {

// A negative size cannot be assigned; the control keeps what it had.
void setHeight(TwipsRect& rect, qint32 value)
{
    if (value >= 0)
        rect.height = value;
}

void setWidth(TwipsRect& rect, qint32 value)
{
    if (value >= 0)
        rect.width = value;
}

} // namespace

ResultLayout DesignResultLayout()
{
    ResultLayout layout;
    layout.frmMain = {120, 120, 9495, 5775};
    layout.TreeView = {120, 240, 2535, 4815};
    layout.ListView = {2880, 240, 6495, 4815};
    layout.cmdVerVers = {120, 5160, 2535, 375};
    layout.Label1 = {7320, 5160, 1335, 255};
    layout.lblnLeerling = {8640, 5160, 735, 255};
    layout.Label2 = {7320, 5400, 975, 255};
    layout.lblAvg = {8640, 5400, 495, 255};
    return layout;
}

void ApplyScreenSize(ResultLayout& l, qint32 W, qint32 H)
{
    // Every rule reads the frame's size as it is after the assignments before it, which may have
    // been skipped.
    setHeight(l.frmMain, H - 990);
    setWidth(l.frmMain, W - 300);

    setHeight(l.TreeView, l.frmMain.height - 960);
    setWidth(l.TreeView, 2535);

    setHeight(l.ListView, l.TreeView.height);
    setWidth(l.ListView, l.frmMain.width - 3000);

    setHeight(l.cmdVerVers, 375);
    setWidth(l.cmdVerVers, 2535);
    l.cmdVerVers.top = l.frmMain.height - 615;
    l.cmdVerVers.left = 120;

    setHeight(l.Label1, 255);
    setWidth(l.Label1, 1335);
    l.Label1.top = l.frmMain.height - 615;
    l.Label1.left = 7320;

    setHeight(l.Label2, 255);
    setWidth(l.Label2, 975);
    l.Label2.top = l.frmMain.height - 375;
    l.Label2.left = 7320;

    setHeight(l.lblAvg, 255);
    setWidth(l.lblAvg, 495);
    l.lblAvg.top = l.Label2.top;
    l.lblAvg.left = 8640;

    setHeight(l.lblnLeerling, 255);
    setWidth(l.lblnLeerling, 735);
    l.lblnLeerling.top = l.Label1.top;
    l.lblnLeerling.left = 8640;
}
