#pragma once
// The results window's layout rules, in twips, kept apart from the widgets so they can be checked
// on their own. The rules are written against the outer window size (borders, title and menu bar
// included), as the window was designed; ResultOuterWidth/Height convert from the client area.

#include <QtGlobal>

struct TwipsRect {
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
    bool operator==(const TwipsRect&) const = default;
};

struct ResultLayout {
    TwipsRect frmMain;
    TwipsRect TreeView;
    TwipsRect ListView;
    TwipsRect cmdVerVers;
    TwipsRect Label1;
    TwipsRect lblnLeerling;
    TwipsRect Label2;
    TwipsRect lblAvg;
    bool operator==(const ResultLayout&) const = default;
};

// Client area at design: 9660 x 5940; outer window at design: 9795 x 6765.
inline constexpr qint32 ResultClientWidth = 9660;
inline constexpr qint32 ResultClientHeight = 5940;
inline constexpr qint32 ResultOuterWidth = 9795;
inline constexpr qint32 ResultOuterHeight = 6765;

// The outer size that belongs to a client area (the design's border, title and menu bar).
constexpr qint32 OuterWidthFromClient(qint32 clientWidth)
{
    return clientWidth + (ResultOuterWidth - ResultClientWidth);
}
constexpr qint32 OuterHeightFromClient(qint32 clientHeight)
{
    return clientHeight + (ResultOuterHeight - ResultClientHeight);
}

// The controls as designed.
ResultLayout DesignResultLayout();

// Lays the controls out for an outer window of W x H twips. Each width or height that would become
// negative is skipped (that control keeps its last valid value) and the remaining rules still run.
void ApplyScreenSize(ResultLayout& layout, qint32 outerWidth, qint32 outerHeight);
