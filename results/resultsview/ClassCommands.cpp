#include "ClassCommands.h"

#include "ClassWatcher.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Error numbers as the classic runtime numbers its file errors.
constexpr int BadFileName = 52;
constexpr int FileExists = 58;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;

QString classFolder(const QString& documentFolder, const QString& name)
{
    QString folder = documentFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

} // namespace

FileSystemFailure DescribeFileSystemFailure(int errnoValue)
{
    int number = PathFileAccess;
    switch (errnoValue) {
    case EEXIST:
    case ENOTEMPTY: number = FileExists; break;
    case ENOENT:
    case ENOTDIR: number = PathNotFound; break;
    case EACCES:
    case EPERM: number = PermissionDenied; break;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: number = BadFileName; break;
    case ENOSPC:
    case EDQUOT: number = DiskFull; break;
    default: break;
    }
    return {number, SaveErrorReason(errnoValue)};
}

void RaiseFileSystemError(int errnoValue)
{
    const FileSystemFailure failure = DescribeFileSystemFailure(errnoValue);
    throw RuntimeError(failure.number, failure.description);
}

void CheckClassName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QChar(0)))
        RaiseFileSystemError(EINVAL);
}

void CheckNewClassName(const QString& name)
{
    CheckClassName(name);
    if (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char(' ')) || name.endsWith(QLatin1Char(' ')))
        RaiseFileSystemError(EINVAL);
}

bool IsClassDataFile(const QString& fileName)
{
    return !fileName.contains(QLatin1Char('.')) || fileName.contains(QLatin1String(".html"));
}

void CreateClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckNewClassName(name);
    if (::mkdir(native(classFolder(documentFolder, name)).constData(), 0777) != 0)
        RaiseFileSystemError(errno);
}

void RenameClassFolder(const QString& documentFolder, const QString& oldName, const QString& newName)
{
    const OwnChanges own;
    CheckClassName(oldName);
    if (oldName == newName)
        return;
    CheckNewClassName(newName);
    const QByteArray from = native(classFolder(documentFolder, oldName));
    const QByteArray to = native(classFolder(documentFolder, newName));
    // A plain rename() would silently replace an empty folder of the new name.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        RaiseFileSystemError(errno);
    // File systems without RENAME_NOREPLACE: check, then rename.
    struct stat existing {};
    if (::lstat(to.constData(), &existing) == 0)
        RaiseFileSystemError(EEXIST);
    if (::rename(from.constData(), to.constData()) != 0)
        RaiseFileSystemError(errno);
}

void EmptyClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckClassName(name);
    const QString folder = classFolder(documentFolder, name);
    // Ordinary files only: no hidden files, folders, sockets, devices or broken links.
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString& file : files) {
        if (!IsClassDataFile(file))
            continue;
        const QString path = folder + QLatin1Char('/') + file;
        // unlink() ignores the file's own permissions; a file the owner may not write is treated
        // as read-only, which the teacher can use to protect it.
        if (!(QFileInfo(path).permissions() & QFileDevice::WriteOwner))
            RaiseFileSystemError(EBUSY);
        if (::unlink(native(path).constData()) != 0)
            RaiseFileSystemError(errno);
    }
}

bool RemoveClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckClassName(name);
    return ::rmdir(native(classFolder(documentFolder, name)).constData()) == 0;
}

bool IsClassNode(const QString& nodeText, const QString& nodeKey)
{
    return !nodeText.isEmpty() && nodeKey != QLatin1String("root");
}

namespace {

const QString NamePrompt = QStringLiteral("Naam :");

void warnNoClass(const ClassCommandTarget& target)
{
    prompts().message(target.parent, SelectClassFirst, WarningTitle, PromptIcon::Critical, PromptButtons::Ok);
}

bool confirm(const ClassCommandTarget& target, const QString& before)
{
    const QString text = before + target.nodeText + QStringLiteral(" verwijderen? (Alle resultaten gaan verloren)");
    return prompts().message(target.parent, text, WarningTitle, PromptIcon::None, PromptButtons::OkCancel) ==
           PromptAnswer::Ok;
}

} // namespace

void KlasAanmaken(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        const QString name =
            prompts().inputBox(target.parent, NamePrompt, QStringLiteral("Nieuwe klas aanmaken"), QString());
        if (name.isEmpty())
            return;
        CreateClassFolder(target.documentFolder, name);
        target.refreshAndResetLabels(QStringLiteral("0"));
    });
}

void KlasHernoemen(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        if (!IsClassNode(target.nodeText, target.nodeKey)) {
            warnNoClass(target);
        } else {
            const QString name = prompts().inputBox(target.parent, NamePrompt, QStringLiteral("Klas naam hernoemen"),
                                                    target.nodeText);
            if (!name.isEmpty())
                RenameClassFolder(target.documentFolder, target.nodeText, name);
        }
        target.refreshAndResetLabels(QStringLiteral("0"));
    });
}

void KlasLeegmaken(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        if (!IsClassNode(target.nodeText, target.nodeKey))
            warnNoClass(target);
        else if (confirm(target, QStringLiteral("Wilt u de gegevens in de klas: ")))
            EmptyClassFolder(target.documentFolder, target.nodeText);
        target.refreshAndResetLabels(QStringLiteral("0"));
    });
}

void KlasVerwijderen(const ClassCommandTarget& target)
{
    bool leftOver = false;
    const bool done = RunGuarded(target.parent, [&] {
        if (!IsClassNode(target.nodeText, target.nodeKey)) {
            warnNoClass(target);
        } else if (confirm(target, QStringLiteral("Wilt u de klas: "))) {
            EmptyClassFolder(target.documentFolder, target.nodeText);
            if (!RemoveClassFolder(target.documentFolder, target.nodeText)) {
                ShowFailure(target.parent, ClassNotEmpty);
                leftOver = true;
            }
        }
    });
    // Unlike the other commands, a failed delete still refreshes, and leaves the average empty.
    target.refreshAndResetLabels(done && !leftOver ? QStringLiteral("0") : QString());
}
