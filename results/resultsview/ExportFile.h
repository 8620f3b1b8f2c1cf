#pragma once
// What the report and the spreadsheet export share: the save dialog, the file name rule and the
// writing of the file.

#include <QByteArray>
#include <QString>

class QWidget;
class RuntimeError;

// `path` with "." and `extension` added when it has no "." of its own: in a class folder a
// file without "." is a pupil's result file.
QString WithDefaultExtension(const QString& path, const QString& extension);

// The save dialog "Bestand opslaan", started in the class's folder with the class name as shown,
// `nameSuffix` and "." `extension` preset, asking before an existing file is replaced. Returns the
// full path, with the extension added where the name has none, or the empty text when cancelled.
QString ChooseExportPath(QWidget* parent, const QString& documentFolder, const QString& className,
                         const QString& filter, const QString& extension, const QString& nameSuffix = QString());

// Replaces the plain file `path` with `bytes`; raises RuntimeError with a Dutch description on
// failure. A link, folder, device, FIFO or socket under the name is refused (named in the
// description), as is a file the owner may not write; a failure never leaves half a file.
void WriteExportFile(const QString& path, const QByteArray& bytes);

// "Kan bestand niet aanmaken! " and the failure's description, as a critical message.
void ShowCreateFailure(QWidget* parent, const RuntimeError& error);
