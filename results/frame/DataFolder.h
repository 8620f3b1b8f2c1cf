#pragma once
// The rules of the pupils' data folder: which names in a class folder are pupils' files, which
// files go with a class, and how folder paths are joined. Paths use "/".

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The folder path ending in "/" (as it is when it already does).
QString WithSeparator(QString folder);

// The path of class `className` in `documentFolder` (a "/" is put between them when missing).
QString ClassFolderPath(const QString& documentFolder, const QString& className);

// A pupil's result file has no "." in its name.
bool IsPupilFileName(QStringView fileName);
bool IsPupilFileName(QByteArrayView fileName);

// True for the files that emptying a class deletes: pupils' result files (no "." in the name),
// reports (".html") and spreadsheet exports (".csv"), both anywhere in the name, case-sensitive.
bool IsClassDataFile(const QString& fileName);
