#include "ExportFile.h"

#include "ClassCommands.h"
#include "ClassWatcher.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

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

    // Written beside the target and renamed over it, so a failure never leaves half a file.
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        RaiseFileSystemError(errno);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    qsizetype written = 0;
    int failure = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step < 0) {
            if (errno == EINTR)
                continue;
            failure = errno;
            break;
        }
        written += step;
    }
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(temporary.constData());
        RaiseFileSystemError(failure);
    }
}

void ShowCreateFailure(QWidget* parent, const RuntimeError& error)
{
    prompts().message(parent, QStringLiteral("Kan bestand niet aanmaken! ") + error.description(), ErrorTitle,
                      PromptIcon::Critical, PromptButtons::Ok);
}
