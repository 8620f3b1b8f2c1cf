#include "ExportFile.h"

#include "ClassCommands.h"
#include "ClassWatcher.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"
#include "modsearch.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

QString WithDefaultExtension(const QString& path, const QString& extension)
{
    if (path.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}

QString ChooseExportPath(QWidget* parent, const QString& documentFolder, const QString& className,
                         const QString& filter, const QString& extension, const QString& nameSuffix)
{
    FileDialogRequest request;
    request.title = QStringLiteral("Bestand opslaan");
    request.filter = filter;
    request.filterIndex = 1;
    request.initialFolder = documentFolder + className;
    request.fileName = ShownName(className) + nameSuffix + QLatin1Char('.') + extension;
    request.overwritePrompt = true;
    request.defaultExtension = extension;
    return WithDefaultExtension(prompts().saveFile(parent, request), extension);
}

namespace {

// What a refused name holds, for the teacher: it is not a plain file, so nothing was written there.
QString NotAPlainFileText(const QString& path, mode_t mode)
{
    const char* kind = S_ISLNK(mode)    ? "een koppeling"
                       : S_ISFIFO(mode) ? "een pijp (FIFO)"
                       : S_ISSOCK(mode) ? "een socket"
                                        : "een apparaat";
    return QStringLiteral("%1 is %2, geen gewoon bestand")
        .arg(QDir::toNativeSeparators(ShownName(path)), QLatin1String(kind));
}

} // namespace

void WriteExportFile(const QString& path, const QByteArray& bytes)
{
    const OwnChanges own;
    // Replaced in one step, never rewritten in place, never through a link: a failure leaves the old
    // file whole, and nothing outside the chosen folder changes.
    int error = 0;
    mode_t found = 0;
    if (SaveFile(path, bytes, SaveKind::Export, -1, &error, &found))
        return;
    if (found != 0 && !S_ISDIR(found))
        throw RuntimeError(DescribeFileSystemFailure(error).number, NotAPlainFileText(path, found));
    RaiseFileSystemError(error, path);
}

void ShowCreateFailure(QWidget* parent, const RuntimeError& error)
{
    prompts().message(parent, CannotText(QStringLiteral("bestand"), QStringLiteral("aanmaken"), error.description()),
                      ErrorTitle, PromptIcon::Critical, PromptButtons::Ok);
}
