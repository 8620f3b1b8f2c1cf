#pragma once
// The application-wide mouse pointer as one setting rather than Qt's stack of override cursors:
// "busy" sets it, "default" clears it however often it was set. The editor sets it busy while it
// loads and saves, and the menu that opens the editor sets it busy too; either reset must give
// the arrow back.

#include <QCursor>
#include <QGuiApplication>

inline void SetScreenBusy()
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

inline void SetScreenDefault()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}
