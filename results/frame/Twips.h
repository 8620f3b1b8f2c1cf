#pragma once
// Window geometry is designed in twips; 15 twips make one pixel at 96 dots per inch.

#include <QFont>
#include <QRect>
#include <QWidget>

constexpr int twips(int value)
{
    return value / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Places `widget` at a rectangle given in twips (relative to its parent).
inline void setTwipsGeometry(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(left, top, width, height));
}

// The forms were laid out for a small 8-point sans-serif face. An 11-pixel condensed face keeps
// every caption inside its control at the twips sizes; plain DejaVu Sans is too wide. The
// condensed face comes first so every machine set up by scripts/setup-deps draws the same.
inline QFont formFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}
