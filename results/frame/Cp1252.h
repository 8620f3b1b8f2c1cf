#pragma once
// Windows-1252 (Western European), the single-byte code page of every INI file on disk.
// Qt's codecs lack it without ICU, so the table lives here (speech has its own: results may not link speech).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

QString fromCp1252(QByteArrayView bytes);
// Characters the code page cannot hold become '?'.
QByteArray toCp1252(QStringView text);
// The byte a byte compares equal to when case is ignored (its lower-case form in the code page).
unsigned char cp1252Fold(unsigned char byte);
