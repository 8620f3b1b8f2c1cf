#include "modsearch.h"

#include "Cp1252.h"
#include "DataFolder.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscapedByte(QChar c)
{
    return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF;
}

// Blanks only, as the stored folder texts are trimmed.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimLeadingBlanks(const QString& text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == QLatin1Char(' '))
        ++begin;
    return text.sliced(begin);
}

// Only on the window's thread: a listing made by a worker thread lets nothing run.
void letEventsRun()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents();
}

// Case-insensitive first, so "4a" and "4B" stay together; ties broken by code points to keep
// the order fixed.
bool nameLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

enum class Kind { Folder, File };

// The entry's own type, a link never followed.
mode_t entryType(int dir, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return S_IFDIR;
    case DT_REG:
        return S_IFREG;
    case DT_UNKNOWN:
        break;
    default:
        return S_IFLNK; // a link, pipe, socket or device: never listed
    }
    struct stat info {};
    if (::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    return info.st_mode & S_IFMT;
}

// `followLast`: whether the folder itself may be a link (the data folder may be linked by the
// administrator; a class folder, made in the data folder by anyone, may not).
template <typename Accept> void listFolder(QString& folder, QStringList& list, bool followLast, Accept accept)
{
    folder = WithSeparator(trimBlanks(folder));
    QByteArray path = NameBytes(folder);
    if (path.size() > 1)
        path.chop(1); // a trailing "/" would follow a link
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLast ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir)) {
        letEventsRun();
        const QString name = NameFromBytes(entry->d_name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        const mode_t type = entryType(fd, entry);
        if (accept(type == S_IFDIR ? Kind::Folder : type == S_IFREG ? Kind::File : std::optional<Kind>(), name))
            names << trimLeadingBlanks(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), nameLess);
    list << names;
}

} // namespace

void ListDirs(QString& folder, QStringList& lstDirs)
{
    listFolder(folder, lstDirs, true, [](std::optional<Kind> kind, const QString& name) {
        return kind == Kind::Folder && !name.startsWith(QLatin1Char('.'));
    });
}

void ListFiles(QString& folder, QStringList& LstFiles)
{
    // Plain files only: a pipe or device in a class folder would block the reads, a link could
    // name any file of the teacher's.
    listFolder(folder, LstFiles, false, [](std::optional<Kind> kind, const QString& name) {
        return kind == Kind::File && IsPupilFileName(name);
    });
}

QString NameFromBytes(QByteArrayView bytes)
{
    QString name = QString::fromUtf8(bytes);
    if (name.toUtf8() == bytes)
        return name;
    name.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        name[i] = QChar(byte < 0x80 ? char16_t(byte) : char16_t(EscapeBase + byte));
    }
    return name;
}

QByteArray NameBytes(const QString& path)
{
    if (std::none_of(path.begin(), path.end(), isEscapedByte))
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size() * 2);
    qsizetype run = 0; // start of the text not yet encoded
    for (qsizetype i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isEscapedByte(path[i]))
            continue;
        bytes += QStringView(path).sliced(run, i - run).toUtf8();
        if (i < path.size())
            bytes += char(path[i].unicode() - EscapeBase);
        run = i + 1;
    }
    return bytes;
}

QString ShownName(const QString& listedName)
{
    if (std::none_of(listedName.begin(), listedName.end(), isEscapedByte))
        return listedName;
    QString shown = listedName;
    for (QChar& c : shown)
        if (isEscapedByte(c))
            c = fromCp1252(QByteArray(1, char(c.unicode() - EscapeBase))).at(0);
    return shown;
}
