#include "SafeSave.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
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

bool rewriteInPlace(const QByteArray& path, int lockedFd, const QByteArray& bytes, int* error)
{
    if (lockedFd >= 0)
        return rewriteThrough(lockedFd, bytes, error);
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    int e = 0;
    const bool written = rewriteThrough(fd, bytes, &e);
    if (::close(fd) != 0 && written)
        e = errno;
    return e == 0 || fail(error, e);
}

// A new file beside `path`, named after it with a random ending (a name with "." is never taken
// for a pupil's result file). `privateMode`: readable by the saver only until its mode is set.
int createTemporary(const QByteArray& path, bool privateMode, QByteArray* name)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = path + '.';
        for (int i = 0; i < 6; ++i)
            *name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateMode ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself last; a folder that cannot be synced has stored the file all the same.
void syncFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A link is saved through: the file it names is replaced, the link stays.
QByteArray targetOf(const QByteArray& path)
{
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

} // namespace

bool SaveFileAtomically(const QString& path, const QByteArray& bytes, int* error)
{
    return SaveFile(path, bytes, InPlaceRewrite::WhereNoNewFile, -1, error);
}

bool SaveFile(const QString& file, const QByteArray& bytes, InPlaceRewrite inPlace, int lockedFd, int* error)
{
    const QByteArray path = targetOf(QFile::encodeName(file));
    struct stat old {};
    const bool exists = ::stat(path.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, errno);
    if (exists && !S_ISREG(old.st_mode))
        return fail(error, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    const uid_t me = ::geteuid();
    const bool keepOwner = exists && (me == 0 || old.st_uid == me);
    const bool mayRewrite = exists && inPlace == InPlaceRewrite::WhereNoNewFile;
    // Another's file is replaced only by who may write it: the folder's rights do not stand in
    // for the file's.
    if (exists && !keepOwner && lockedFd < 0 && ::faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
        return fail(error, errno);

    QByteArray temporary;
    const int fd = createTemporary(path, exists, &temporary);
    if (fd < 0) {
        const int e = errno;
        if ((e == EACCES || e == EPERM) && mayRewrite)
            return rewriteInPlace(path, lockedFd, bytes, error);
        return fail(error, e);
    }
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
    if (e == 0 && ::rename(temporary.constData(), path.constData()) != 0) {
        e = errno;
        renameRefused = e == EPERM || e == EACCES; // a sticky folder and another's file
    }
    if (e != 0) {
        ::unlink(temporary.constData());
        // A replacement in a group the saver is not in would take the file from those who share it.
        if ((!groupKept || renameRefused) && mayRewrite)
            return rewriteInPlace(path, lockedFd, bytes, error);
        return fail(error, e);
    }
    syncFolder(path);
    return true;
}

QString SaveErrorReason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("De schijf is vol");
    case EACCES:
    case EPERM: return QStringLiteral("Toegang geweigerd");
    case EROFS: return QStringLiteral("De schijf is alleen-lezen");
    case EIO:
    case ENOTCONN:
    case ESTALE:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNRESET:
    case ECONNABORTED:
    case ETIMEDOUT: return QStringLiteral("De schijf is niet bereikbaar");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("Pad niet gevonden");
    case EISDIR: return QStringLiteral("Er bestaat al een map met deze naam");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("Bestand is in gebruik of alleen-lezen");
    default: return QStringLiteral("Fout bij toegang tot pad of bestand");
    }
}

QString NothingSavedText(const QString& path, int error)
{
    return QStringLiteral("Kan %1 niet opslaan! %2, er is niets opgeslagen.")
        .arg(QDir::toNativeSeparators(path), SaveErrorReason(error));
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
    const QByteArray path = QFile::encodeName(file);
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
    return QStringLiteral("Kan %1 niet lezen! %2.").arg(QDir::toNativeSeparators(path), SaveErrorReason(error));
}
