#include "ClassCommands.h"

#include "ClassWatcher.h"
#include "DataFolder.h"
#include "ErrorRule.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"
#include "SharedFolder.h"
#include "modsearch.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
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

// An open folder, closed when it goes.
class Folder {
public:
    explicit Folder(int fd) : m_fd(fd) {}
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

QString linkRefusedText(const QString& documentFolder, const QString& name)
{
    return QStringLiteral("%1 is een koppeling, geen klasmap; er is niets gewijzigd.")
        .arg(QDir::toNativeSeparators(ShownName(ClassFolderPath(documentFolder, name))));
}

[[noreturn]] void refuseLink(const QString& documentFolder, const QString& name)
{
    throw RuntimeError(DescribeFileSystemFailure(EPERM).number, linkRefusedText(documentFolder, name));
}

// The data folder itself may be a link an administrator made.
Folder openDataFolder(const QString& documentFolder)
{
    const int fd = ::open(NameBytes(documentFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        RaiseFileSystemError(errno, documentFolder);
    return Folder(fd);
}

// What the data folder holds under `name`, never followed: 0 when nothing.
mode_t entryType(int folder, const QString& name)
{
    struct stat info {};
    if (::fstatat(folder, NameBytes(name).constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    return info.st_mode & S_IFMT;
}

// The class folder itself, never a link to one: whatever the commands do then stays in it, even
// when the name is made a link meanwhile.
Folder openClassFolder(const Folder& data, const QString& documentFolder, const QString& name)
{
    const int fd = ::openat(data.fd(), NameBytes(name).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        return Folder(fd);
    const int error = errno;
    if (entryType(data.fd(), name) == S_IFLNK)
        refuseLink(documentFolder, name);
    RaiseFileSystemError(error);
}

struct ClassEntry {
    QString name; // as listed (modsearch)
    mode_t mode;  // the entry's own type and permissions
};

// Everything in the open class folder, "." and ".." aside, links not followed.
QList<ClassEntry> classEntries(const Folder& folder)
{
    const int fd = ::dup(folder.fd());
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        RaiseFileSystemError(error);
    }
    ::rewinddir(dir);
    QList<ClassEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(folder.fd(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
            entries.push_back({NameFromBytes(name), info.st_mode});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const ClassEntry& a, const ClassEntry& b) { return a.name < b.name; });
    return entries;
}

// The files the file rule deletes: plain files (no hidden files, folders, links, pipes or devices)
// whose names it picks.
bool isDataFile(const ClassEntry& entry)
{
    return S_ISREG(entry.mode) && !entry.name.startsWith(QLatin1Char('.')) && IsClassDataFile(entry.name);
}

// unlink() ignores the file's own permissions; a file the owner may not write is treated as
// read-only, which the teacher can use to protect it.
bool isReadOnly(const ClassEntry& entry)
{
    return !(entry.mode & S_IWUSR);
}

// What an entry that is no plain file or folder is, for the list of what blocks a delete.
QString kindSuffix(mode_t mode)
{
    if (S_ISLNK(mode))
        return QStringLiteral(" (koppeling)");
    if (S_ISFIFO(mode))
        return QStringLiteral(" (pijp)");
    if (S_ISSOCK(mode))
        return QStringLiteral(" (socket)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral(" (apparaat)");
    return {};
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
    case ENOTEMPTY:
        number = FileExists;
        break;
    case ENOENT:
    case ENOTDIR:
        number = PathNotFound;
        break;
    case EACCES:
    case EPERM:
        number = PermissionDenied;
        break;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        number = BadFileName;
        break;
    case ENOSPC:
    case EDQUOT:
        number = DiskFull;
        break;
    default:
        break;
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

void CreateClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckNewClassName(name);
    refuseNameInUse(documentFolder, name);
    const QString folder = ClassFolderPath(documentFolder, name);
    if (MakeSharedFolder(NameBytes(folder).constData()) != 0)
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
    const Folder data = openDataFolder(documentFolder);
    switch (entryType(data.fd(), oldName)) {
    case S_IFDIR:
        break;
    case S_IFLNK:
        refuseLink(documentFolder, oldName);
    case 0:
        RaiseFileSystemError(ENOENT);
    default:
        RaiseFileSystemError(ENOTDIR);
    }
    const QByteArray from = NameBytes(oldName);
    const QByteArray to = NameBytes(newName);
    // A plain rename() would silently replace an empty folder of the new name.
    if (::renameat2(data.fd(), from.constData(), data.fd(), to.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        RaiseFileSystemError(errno, ClassFolderPath(documentFolder, oldName));
    // File systems without RENAME_NOREPLACE: check, then rename.
    if (entryType(data.fd(), newName) != 0)
        RaiseFileSystemError(EEXIST);
    if (::renameat(data.fd(), from.constData(), data.fd(), to.constData()) != 0)
        RaiseFileSystemError(errno, ClassFolderPath(documentFolder, oldName));
}

void EmptyClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckClassName(name);
    const Folder data = openDataFolder(documentFolder);
    const Folder folder = openClassFolder(data, documentFolder, name);
    for (const ClassEntry& entry : classEntries(folder)) {
        if (!isDataFile(entry))
            continue;
        if (isReadOnly(entry))
            RaiseFileSystemError(EBUSY);
        if (::unlinkat(folder.fd(), NameBytes(entry.name).constData(), 0) != 0 && errno != ENOENT)
            RaiseFileSystemError(errno);
    }
}

bool RemoveClassFolder(const QString& documentFolder, const QString& name)
{
    const OwnChanges own;
    CheckClassName(name);
    const Folder data = openDataFolder(documentFolder);
    // A link of that name is not removed: AT_REMOVEDIR removes folders only.
    return ::unlinkat(data.fd(), NameBytes(name).constData(), AT_REMOVEDIR) == 0;
}

QStringList ClassDeleteBlockers(const QString& documentFolder, const QString& name)
{
    CheckClassName(name);
    const Folder data = openDataFolder(documentFolder);
    const Folder folder = openClassFolder(data, documentFolder, name);
    // Deleting the files needs a writable class folder, removing it a writable data folder.
    for (const Folder* parent : {&folder, &data})
        if (::faccessat(parent->fd(), ".", W_OK | X_OK, 0) != 0)
            RaiseFileSystemError(errno);

    QStringList blockers;
    for (const ClassEntry& entry : classEntries(folder)) {
        const QString shown = ShownName(entry.name);
        if (S_ISDIR(entry.mode))
            blockers << shown + QStringLiteral(" (map)");
        else if (!isDataFile(entry))
            blockers << shown + kindSuffix(entry.mode);
        else if (isReadOnly(entry))
            blockers << shown + QStringLiteral(" (alleen-lezen)");
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
    qsizetype pupils = 0;
    qsizetype exports = 0;
    {
        const Folder data = openDataFolder(target.documentFolder);
        const Folder folder = openClassFolder(data, target.documentFolder, target.nodeText);
        for (const ClassEntry& entry : classEntries(folder))
            if (isDataFile(entry))
                ++(IsPupilFileName(entry.name) ? pupils : exports);
    }
    const QString text = before + ShownName(target.nodeText) +
                         QStringLiteral(" verwijderen? (Alle resultaten gaan verloren)") + QStringLiteral("\r\n\r\n") +
                         ClassFilesGoingText(pupils, exports);
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
    struct stat info {};
    const bool found =
        ::lstat(NameBytes(ClassFolderPath(target.documentFolder, target.nodeText)).constData(), &info) == 0;
    if (found && S_ISDIR(info.st_mode))
        return false;
    const QString text = found && S_ISLNK(info.st_mode) ? linkRefusedText(target.documentFolder, target.nodeText)
                                                        : ClassGoneText(ShownName(target.nodeText));
    prompts().message(target.parent, text, WarningTitle, PromptIcon::Critical, PromptButtons::Ok);
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
                                                    ShownName(target.nodeText));
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
        // Something may have come in meanwhile (a pupil's PC): it is named.
        if (!RemoveClassFolder(target.documentFolder, target.nodeText)) {
            const QStringList left = ClassDeleteBlockers(target.documentFolder, target.nodeText);
            ShowFailure(target.parent, left.isEmpty() ? ClassNotEmpty : blockedText(left));
        }
    });
    // Unlike the other commands, a failed delete still refreshes.
    if (!gone)
        target.refresh(shownClass(target));
}
