#include "ClassCommands.h"

#include "ClassWatcher.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"
#include "SharedFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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

// The files the file rule deletes: ordinary files only (no hidden files, folders, sockets, devices
// or broken links) whose names it picks.
QStringList dataFiles(const QString& folder)
{
    QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    files.removeIf([](const QString& file) { return !IsClassDataFile(file); });
    return files;
}

// unlink() ignores the file's own permissions; a file the owner may not write is treated as
// read-only, which the teacher can use to protect it.
bool isReadOnly(const QString& path)
{
    return !(QFileInfo(path).permissions() & QFileDevice::WriteOwner);
}

// The school's Windows PCs see names that differ only in case as one folder: such a name is taken.
void refuseNameInUse(const QString& documentFolder, const QString& name, const QString& renamed = QString())
{
    const QStringList names =
        QDir(documentFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& existing : names)
        if (existing != renamed && existing.compare(name, Qt::CaseInsensitive) == 0)
            RaiseFileSystemError(EEXIST);
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

void RaiseFileSystemError(int errnoValue, const QString& path)
{
    FileSystemFailure failure = DescribeFileSystemFailure(errnoValue);
    if (failure.number == PathNotFound && !path.isEmpty())
        failure.description += QStringLiteral(": ") + QDir::toNativeSeparators(QFileInfo(path).absolutePath());
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

QString ClassGoneText(const QString& name)
{
    return QStringLiteral("De klas ") + name +
           QStringLiteral(" bestaat niet meer. Misschien is de klas op een andere computer hernoemd of verwijderd. "
                          "Het overzicht wordt ververst.");
}

QString ClassFilesGoingText(qsizetype pupils, qsizetype exports)
{
    QString text = QStringLiteral("Dit verwijdert de bestanden van ") +
                   (pupils == 1 ? QStringLiteral("1 leerling") : QStringLiteral("%1 leerlingen").arg(pupils));
    if (exports > 0)
        text += exports == 1 ? QStringLiteral(" en 1 opgeslagen overzicht")
                             : QStringLiteral(" en %1 opgeslagen overzichten").arg(exports);
    return text + QLatin1Char('.');
}

bool IsClassDataFile(const QString& fileName)
{
    return !fileName.contains(QLatin1Char('.')) || fileName.contains(QLatin1String(".html")) ||
           fileName.contains(QLatin1String(".csv"));
}

void CreateClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckNewClassName(name);
    refuseNameInUse(documentFolder, name);
    const QString folder = classFolder(documentFolder, name);
    if (MakeSharedFolder(native(folder).constData()) != 0)
        RaiseFileSystemError(errno, folder);
}

void RenameClassFolder(const QString& documentFolder, const QString& oldName, const QString& newName)
{
    const OwnChanges own;
    CheckClassName(oldName);
    if (oldName == newName)
        return;
    CheckNewClassName(newName);
    // The class itself does not count: 3h1 may become 3H1.
    refuseNameInUse(documentFolder, newName, oldName);
    const QByteArray from = native(classFolder(documentFolder, oldName));
    const QByteArray to = native(classFolder(documentFolder, newName));
    // A plain rename() would silently replace an empty folder of the new name.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        RaiseFileSystemError(errno, classFolder(documentFolder, oldName));
    // File systems without RENAME_NOREPLACE: check, then rename.
    struct stat existing {};
    if (::lstat(to.constData(), &existing) == 0)
        RaiseFileSystemError(EEXIST);
    if (::rename(from.constData(), to.constData()) != 0)
        RaiseFileSystemError(errno, classFolder(documentFolder, oldName));
}

void EmptyClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckClassName(name);
    const QString folder = classFolder(documentFolder, name);
    for (const QString& file : dataFiles(folder)) {
        const QString path = folder + QLatin1Char('/') + file;
        if (isReadOnly(path))
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

QStringList ClassDeleteBlockers(const QString& documentFolder, const QString& name)
{
    CheckClassName(name);
    const QString folder = classFolder(documentFolder, name);
    struct stat info {};
    if (::stat(native(folder).constData(), &info) != 0)
        RaiseFileSystemError(errno);
    if (!S_ISDIR(info.st_mode))
        RaiseFileSystemError(ENOTDIR);
    // Deleting the files needs a writable class folder, removing it a writable data folder.
    for (const QString& parent : {folder, documentFolder})
        if (::access(native(parent).constData(), W_OK | X_OK) != 0)
            RaiseFileSystemError(errno);

    const QStringList deleted = dataFiles(folder);
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QStringList blockers;
    for (const QFileInfo& entry : entries) {
        const QString file = entry.fileName();
        if (entry.isDir() && !entry.isSymLink())
            blockers << file + QStringLiteral(" (map)");
        else if (!deleted.contains(file))
            blockers << file;
        else if (isReadOnly(entry.filePath()))
            blockers << file + QStringLiteral(" (alleen-lezen)");
    }
    return blockers;
}

bool IsClassNode(const QString& nodeText, const QString& nodeKey)
{
    return !nodeText.isEmpty() && nodeKey != QLatin1String("root");
}

namespace {

const QString NamePrompt = QStringLiteral("Naam :");
// A long list of what blocks a delete is cut, so that the message stays on the screen.
constexpr int MaxNamedBlockers = 12;

void warnNoClass(const ClassCommandTarget& target)
{
    prompts().message(target.parent, SelectClassFirst, WarningTitle, PromptIcon::Critical, PromptButtons::Ok);
}

// Names what will go, counted from the listing the deletion uses; Enter and Escape keep it all.
bool confirm(const ClassCommandTarget& target, const QString& before)
{
    const QStringList files = dataFiles(classFolder(target.documentFolder, target.nodeText));
    const auto pupils = std::count_if(files.cbegin(), files.cend(),
                                      [](const QString& file) { return !file.contains(QLatin1Char('.')); });
    const QString text = before + target.nodeText + QStringLiteral(" verwijderen? (Alle resultaten gaan verloren)") +
                         QStringLiteral("\r\n\r\n") + ClassFilesGoingText(pupils, files.size() - pupils);
    return prompts().message(target.parent, text, WarningTitle, PromptIcon::None, PromptButtons::OkCancel,
                             PromptDefault::Safe) == PromptAnswer::Ok;
}

// The class shown again by the closing refresh: the current one, none when the root is current.
QString shownClass(const ClassCommandTarget& target)
{
    return IsClassNode(target.nodeText, target.nodeKey) ? target.nodeText : QString();
}

QString blockedText(QStringList blockers)
{
    if (blockers.size() > MaxNamedBlockers) {
        const qsizetype more = blockers.size() - MaxNamedBlockers;
        blockers.resize(MaxNamedBlockers);
        blockers << QStringLiteral("en nog ") + QString::number(more);
    }
    return ClassNotEmpty + QStringLiteral("\r\n\r\n") + blockers.join(QStringLiteral("\r\n"));
}

} // namespace

bool ReportClassGone(const ClassCommandTarget& target)
{
    if (QFileInfo(classFolder(target.documentFolder, target.nodeText)).isDir())
        return false;
    prompts().message(target.parent, ClassGoneText(target.nodeText), WarningTitle, PromptIcon::Critical,
                      PromptButtons::Ok);
    target.refresh(target.nodeText);
    return true;
}

void KlasAanmaken(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        const QString name =
            prompts().inputBox(target.parent, NamePrompt, QStringLiteral("Nieuwe klas aanmaken"), QString());
        if (name.isEmpty())
            return;
        CreateClassFolder(target.documentFolder, name);
        target.refresh(shownClass(target));
    });
}

// The class is looked for again after each question: another PC may rename or remove it meanwhile.
void KlasHernoemen(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        QString show = shownClass(target);
        if (!IsClassNode(target.nodeText, target.nodeKey)) {
            warnNoClass(target);
        } else {
            if (ReportClassGone(target))
                return;
            const QString name = prompts().inputBox(target.parent, NamePrompt, QStringLiteral("Klas naam hernoemen"),
                                                    target.nodeText);
            if (!name.isEmpty()) {
                if (ReportClassGone(target))
                    return;
                RenameClassFolder(target.documentFolder, target.nodeText, name);
                show = name;
            }
        }
        target.refresh(show);
    });
}

void KlasLeegmaken(const ClassCommandTarget& target)
{
    RunGuarded(target.parent, [&] {
        if (!IsClassNode(target.nodeText, target.nodeKey)) {
            warnNoClass(target);
        } else {
            if (ReportClassGone(target))
                return;
            if (confirm(target, QStringLiteral("Wilt u de gegevens in de klas: "))) {
                if (ReportClassGone(target))
                    return;
                EmptyClassFolder(target.documentFolder, target.nodeText);
            }
        }
        target.refresh(shownClass(target));
    });
}

// Nothing is deleted unless the whole class can go.
void KlasVerwijderen(const ClassCommandTarget& target)
{
    bool gone = false;
    RunGuarded(target.parent, [&] {
        if (!IsClassNode(target.nodeText, target.nodeKey)) {
            warnNoClass(target);
            return;
        }
        gone = ReportClassGone(target);
        if (gone || !confirm(target, QStringLiteral("Wilt u de klas: ")))
            return;
        gone = ReportClassGone(target);
        if (gone)
            return;
        if (const QStringList blockers = ClassDeleteBlockers(target.documentFolder, target.nodeText);
            !blockers.isEmpty()) {
            ShowFailure(target.parent, blockedText(blockers));
            return;
        }
        EmptyClassFolder(target.documentFolder, target.nodeText);
        if (!RemoveClassFolder(target.documentFolder, target.nodeText))
            ShowFailure(target.parent, ClassNotEmpty);
    });
    // Unlike the other commands, a failed delete still refreshes.
    if (!gone)
        target.refresh(shownClass(target));
}
