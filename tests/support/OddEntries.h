#pragma once
// Entries that pupils' PCs, an unpacked archive or a careful adversary leave in the data folder:
// names by their own bytes (not UTF-8), links and pipes. Each answers whether it was made.

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

// `folder` is ordinary text; `name` the entry's bytes, which may be any but "/" and NUL.
inline QByteArray EntryPath(const QString& folder, const QByteArray& name)
{
    QByteArray path = folder.toUtf8();
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

inline bool WriteBytes(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

inline bool MakeFolder(const QByteArray& path)
{
    return ::mkdir(path.constData(), 0755) == 0;
}

inline bool MakeLink(const QByteArray& target, const QByteArray& path)
{
    return ::symlink(target.constData(), path.constData()) == 0;
}

inline bool MakePipe(const QByteArray& path)
{
    return ::mkfifo(path.constData(), 0644) == 0;
}

// Whether `path` is there, links not followed.
inline bool EntryExists(const QByteArray& path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

// Empties `folder` by its entries' own bytes when it goes: Qt cannot remove names that are not
// UTF-8, so a temporary folder holding them would stay behind. Declare it after the folder.
class OddEntriesRemoved {
public:
    explicit OddEntriesRemoved(const QString& folder) : m_folder(folder.toUtf8()) {}
    ~OddEntriesRemoved()
    {
        ::nftw(
            m_folder.constData(),
            [](const char* path, const struct stat*, int type, FTW* at) {
                if (at->level > 0)
                    type == FTW_DP ? ::rmdir(path) : ::unlink(path);
                return 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    OddEntriesRemoved(const OddEntriesRemoved&) = delete;
    OddEntriesRemoved& operator=(const OddEntriesRemoved&) = delete;

private:
    QByteArray m_folder;
};
