#include "SafeSave.h"

#include "modsearch.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(int* error, int value)
{
    if (error)
        *error = value;
    return false;
}

// Writes bytes [from, to) of `bytes` at the same offsets of the file.
bool writeRange(int fd, const QByteArray& bytes, qsizetype from, qsizetype to, int* error)
{
    while (from < to) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + from, size_t(to - from), off_t(from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(error, n < 0 ? errno : EIO);
        from += n;
    }
    return true;
}

// Rewrites a file through its own inode, which keeps its owner, group and mode. Room is taken
// before any old byte is overwritten, so a full disk leaves the old contents whole.
bool rewriteThrough(int fd, const QByteArray& bytes, int* error)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return fail(error, errno);
    const qsizetype oldSize = qsizetype(now.st_size);
    const qsizetype newSize = bytes.size();
    if (newSize > oldSize) {
        int e = 0;
        // Where the file system cannot reserve room, the new tail is written first instead.
        const bool room = ::fallocate(fd, 0, 0, off_t(newSize)) == 0 || errno == EOPNOTSUPP || errno == ENOSYS;
        if (!room)
            e = errno;
        if (e == 0)
            writeRange(fd, bytes, oldSize, newSize, &e);
        if (e == 0 && ::fsync(fd) != 0)
            e = errno;
        if (e != 0) {
            while (::ftruncate(fd, off_t(oldSize)) != 0 && errno == EINTR) {
            }
            return fail(error, e);
        }
    }
    int e = 0;
    if (!writeRange(fd, bytes, 0, qMin(oldSize, newSize), &e) ||
        (newSize < oldSize && ::ftruncate(fd, off_t(newSize)) != 0) || ::fsync(fd) != 0)
        return fail(error, e != 0 ? e : errno);
    return true;
}

// An open folder and a name in it. Every step of a save works relative to the folder, so a link
// planted or a folder renamed elsewhere on the path cannot move a save once it has begun.
struct Place {
    int folder = -1; // O_PATH: needs no read right on the folder
    QByteArray name;

    Place() = default;
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    ~Place()
    {
        if (folder >= 0)
            ::close(folder);
    }
};

bool openPlace(const QByteArray& path, Place* place, int* error)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
    place->name = path.sliced(slash + 1);
    if (place->name.isEmpty() || place->name == "." || place->name == "..")
        return fail(error, EISDIR);
    place->folder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return place->folder >= 0 || fail(error, errno);
}

// `expected` is what stood under the name when the save began; anything found there now is left alone.
bool rewriteInPlace(const Place& place, const struct stat& expected, int lockedFd, const QByteArray& bytes, int* error)
{
    if (lockedFd >= 0)
        return rewriteThrough(lockedFd, bytes, error);
    const int fd =
        ::openat(place.folder, place.name.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return fail(error, errno);
    struct stat opened {};
    int e = 0;
    if (::fstat(fd, &opened) != 0)
        e = errno;
    else if (opened.st_dev != expected.st_dev || opened.st_ino != expected.st_ino)
        e = EAGAIN;
    const bool written = e == 0 && rewriteThrough(fd, bytes, &e);
    if (::close(fd) != 0 && written)
        e = errno;
    return e == 0 || fail(error, e);
}

constexpr char TemporaryLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr qsizetype TemporaryEndingLength = 6;

bool isTemporaryLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Whether `candidate` is named as a temporary file of `name` is: the name, ".", six letters or digits.
bool isTemporaryOf(QByteArrayView candidate, QByteArrayView name)
{
    if (candidate.size() != name.size() + 1 + TemporaryEndingLength || !candidate.startsWith(name) ||
        candidate[name.size()] != '.')
        return false;
    const QByteArrayView ending = candidate.last(TemporaryEndingLength);
    return std::all_of(ending.begin(), ending.end(), isTemporaryLetter);
}

// A new file beside the target, named after it with a random ending (a name with "." is never taken
// for a pupil's result file). `privateMode`: readable by the saver only until its mode is set.
int createTemporary(const Place& place, bool privateMode, QByteArray* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = place.name + '.';
        for (qsizetype i = 0; i < TemporaryEndingLength; ++i)
            *name += TemporaryLetters[QRandomGenerator::global()->bounded(int(sizeof TemporaryLetters) - 1)];
        const int fd = ::openat(place.folder, name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                privateMode ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// A save killed halfway leaves its temporary file. The next save of the same file removes the saver's
// own ones once they are this old by the folder's clock (the time of the fresh temporary file: a share's
// clock need not be this PC's); younger ones may belong to a save still under way.
constexpr time_t StaleTemporarySeconds = 5 * 60;

void removeStaleTemporaries(const Place& place, const QByteArray& ours, int oursFd)
{
    struct stat fresh {};
    if (::fstat(oursFd, &fresh) != 0)
        return;
    const int listing = ::openat(place.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* folder = ::fdopendir(listing);
    if (!folder) {
        ::close(listing);
        return;
    }
    const uid_t me = ::geteuid();
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArrayView candidate(entry->d_name);
        struct stat info {};
        if (candidate == ours || !isTemporaryOf(candidate, place.name) ||
            ::fstatat(place.folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(info.st_mode) && info.st_uid == me && fresh.st_mtime - info.st_mtime > StaleTemporarySeconds)
            ::unlinkat(place.folder, entry->d_name, 0);
    }
    ::closedir(folder);
}

// Makes the rename itself last; a folder that cannot be synced has stored the file all the same.
void syncFolder(const Place& place)
{
    const int fd = ::openat(place.folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Links followed from one name at most.
constexpr int MaxLinkHops = 8;

} // namespace

bool FollowTrustedLinks(const QByteArray& path, QByteArray* target, int* error)
{
    const uid_t me = ::geteuid();
    QByteArray current = path;
    for (int hop = 0;; ++hop) {
        struct stat info {};
        if (::lstat(current.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *target = current;
            return true;
        }
        // Root's and the saver's own links are meant; anyone else who may write the folder could
        // otherwise aim the save at any file the saver may write.
        if (hop == MaxLinkHops || (info.st_uid != 0 && info.st_uid != me))
            return fail(error, ELOOP);
        char link[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), link, sizeof link);
        if (n < 0)
            return fail(error, errno);
        if (size_t(n) == sizeof link)
            return fail(error, ENAMETOOLONG);
        const QByteArray next(link, n);
        const qsizetype slash = current.lastIndexOf('/');
        current = next.startsWith('/') || slash < 0 ? next : current.first(slash + 1) + next;
    }
}

bool SaveFileAtomically(const QString& path, const QByteArray& bytes, int* error)
{
    return SaveFile(path, bytes, SaveKind::IniFile, -1, error);
}

bool SaveFile(const QString& file, const QByteArray& bytes, SaveKind kind, int lockedFd, int* error, mode_t* found)
{
    const QByteArray named = NameBytes(file);
    QByteArray path = named;
    if (kind == SaveKind::IniFile && !FollowTrustedLinks(named, &path, error))
        return false;
    Place place;
    if (!openPlace(path, &place, error))
        return false;
    struct stat old {};
    const bool exists = ::fstatat(place.folder, place.name.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, errno);
    if (exists && !S_ISREG(old.st_mode)) {
        if (found)
            *found = old.st_mode;
        return fail(error, S_ISDIR(old.st_mode) ? EISDIR : S_ISLNK(old.st_mode) ? ELOOP : EINVAL);
    }
    // Like the read-only attribute elsewhere: an export does not replace a file its owner may not write.
    if (exists && kind == SaveKind::Export && !(old.st_mode & S_IWUSR))
        return fail(error, EBUSY);
    if (lockedFd >= 0) {
        struct stat locked {};
        if (::fstat(lockedFd, &locked) != 0)
            return fail(error, errno);
        if (!exists || locked.st_dev != old.st_dev || locked.st_ino != old.st_ino)
            return fail(error, EAGAIN); // replaced meanwhile by someone who ignored the lock
    }
    const uid_t me = ::geteuid();
    const bool keepOwner = exists && (me == 0 || old.st_uid == me);
    const bool mayRewrite = exists && kind == SaveKind::IniFile;
    // Another's file is replaced only by who may write it: the folder's rights do not stand in
    // for the file's.
    if (exists && !keepOwner && lockedFd < 0 &&
        ::faccessat(place.folder, place.name.constData(), W_OK, AT_EACCESS) != 0)
        return fail(error, errno);

    QByteArray temporary;
    const int fd = createTemporary(place, exists, &temporary);
    if (fd < 0) {
        const int e = errno;
        if ((e == EACCES || e == EPERM) && mayRewrite)
            return rewriteInPlace(place, old, lockedFd, bytes, error);
        return fail(error, e);
    }
    removeStaleTemporaries(place, temporary, fd);
    int e = 0;
    bool groupKept = true;
    if (exists) {
        if (::fchown(fd, keepOwner ? old.st_uid : uid_t(-1), old.st_gid) != 0) {
            e = errno;
            groupKept = false;
        } else if (::fchmod(fd, old.st_mode & 07777) != 0) {
            e = errno;
        }
    }
    if (e == 0)
        writeRange(fd, bytes, 0, bytes.size(), &e);
    if (e == 0 && ::fsync(fd) != 0)
        e = errno;
    if (::close(fd) != 0 && e == 0)
        e = errno;
    bool renameRefused = false;
    if (e == 0 && ::renameat(place.folder, temporary.constData(), place.folder, place.name.constData()) != 0) {
        e = errno;
        renameRefused = e == EPERM || e == EACCES; // a sticky folder and another's file
    }
    if (e != 0) {
        ::unlinkat(place.folder, temporary.constData(), 0);
        // A replacement in a group the saver is not in would take the file from those who share it.
        if ((!groupKept || renameRefused) && mayRewrite)
            return rewriteInPlace(place, old, lockedFd, bytes, error);
        return fail(error, e);
    }
    syncFolder(place);
    return true;
}

QString SaveErrorReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("De schijf is vol");
    case EACCES:
    case EPERM:
        return QStringLiteral("Toegang geweigerd");
    case EROFS:
        return QStringLiteral("De schijf is alleen-lezen");
    case EAGAIN:
        return QStringLiteral("Het bestand is in gebruik");
    case ELOOP:
        return QStringLiteral("Het bestand is een koppeling die niet wordt gevolgd");
    case EFBIG:
        return QStringLiteral("Het bestand is te groot");
    case EIO:
    case ENOTCONN:
    case ESTALE:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNRESET:
    case ECONNABORTED:
    case ETIMEDOUT:
        return QStringLiteral("De schijf is niet bereikbaar");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Pad niet gevonden");
    case EISDIR:
        return QStringLiteral("Er bestaat al een map met deze naam");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Bestand is in gebruik of alleen-lezen");
    case EEXIST:
    case ENOTEMPTY:
        return QStringLiteral("Map bestaat al");
    case ENAMETOOLONG:
        return QStringLiteral("Naam is te lang");
    case EINVAL:
    case EILSEQ:
        return QStringLiteral("Ongeldige naam");
    case EMLINK:
        return QStringLiteral("Te veel mappen");
    default:
        return QStringLiteral("Fout bij toegang tot pad of bestand");
    }
}

QString CannotText(const QString& what, const QString& action, const QString& reason, const QString& rest)
{
    return QStringLiteral("Kan ") + what + QStringLiteral(" niet ") + action + QStringLiteral("! ") + reason + rest;
}

QString NothingSavedText(const QString& path, int error)
{
    return CannotText(QDir::toNativeSeparators(path), QStringLiteral("opslaan"), SaveErrorReason(error),
                      QStringLiteral(", er is niets opgeslagen."));
}

bool ReadWholeFile(int fd, QByteArray* bytes, int* error)
{
    bytes->clear();
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::pread(fd, chunk.data(), size_t(chunk.size()), off_t(bytes->size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(error, errno);
        if (n == 0)
            return true;
        bytes->append(chunk.constData(), n);
    }
}

bool IsUnreadable(const QString& file, int* error)
{
    const QByteArray path = NameBytes(file);
    struct stat info {};
    if (::stat(path.constData(), &info) != 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            return false;
        fail(error, e);
        return true;
    }
    if (!S_ISREG(info.st_mode)) {
        fail(error, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        return true;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        fail(error, errno);
        return true;
    }
    QByteArray bytes;
    const bool read = ReadWholeFile(fd, &bytes, error);
    ::close(fd);
    return !read;
}

QString CannotReadText(const QString& path, int error)
{
    return CannotText(QDir::toNativeSeparators(path), QStringLiteral("lezen"), SaveErrorReason(error),
                      QStringLiteral("."));
}
