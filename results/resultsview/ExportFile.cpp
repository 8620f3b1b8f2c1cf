#include "ExportFile.h"

#include "ClassCommands.h"
#include "ClassWatcher.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

QString WithDefaultExtension(const QString& path, const QString& extension)
{
    if (path.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}

QString ChooseExportPath(QWidget* parent, const QString& documentFolder, const QString& className,
                         const QString& filter, const QString& extension)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Bestand opslaan");
    request.filter = filter;
    request.filterIndex = 1;
    request.initialFolder = documentFolder + className;
    request.fileName = className + QLatin1Char('.') + extension;
    request.overwritePrompt = true;
    request.defaultExtension = extension;
    return WithDefaultExtension(prompts().saveFile(parent, request), extension);
}

void WriteExportFile(const QString& path, const QByteArray& bytes)
{
    const OwnChanges own;
    const QFileInfo existing(path);
    if (existing.isDir())
        RaiseFileSystemError(EISDIR);
    // Like the read-only attribute elsewhere: a file the owner may not write is not replaced.
    if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner))
        RaiseFileSystemError(EBUSY);

    // Replaced in one step, never rewritten in place: a failure leaves the old file whole.
    int error = 0;
    if (!SaveFile(path, bytes, InPlaceRewrite::Never, -1, &error))
        RaiseFileSystemError(error);
}

void ShowCreateFailure(QWidget* parent, const RuntimeError& error)
{
    prompts().message(parent, QStringLiteral("Kan bestand niet aanmaken! ") + error.description(), ErrorTitle,
                      PromptIcon::Critical, PromptButtons::Ok);
}
