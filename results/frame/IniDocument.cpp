#include "IniDocument.h"

#include "IniSyntax.h"

#include "SafeSave.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <QVector>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct Line {
    qsizetype begin; // first byte
    qsizetype end;   // the line feed, or the end of the data
    qsizetype next;  // first byte of the next line
    ini::LineView view;
};

// The lines after a byte-order mark.
QVector<Line> splitLines(const QByteArray& bytes)
{
    QVector<Line> lines;
    ini::LineSplitter splitter(bytes, ini::markLength(bytes));
    ini::LineSplitter::Line line{};
    while (splitter.next(&line))
        lines.push_back({line.begin, line.end, line.next,
                         ini::parseLine(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin))});
    return lines;
}

int findSection(const QVector<Line>& lines, QByteArrayView name, ini::Encoding encoding)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].view.kind == ini::LineKind::Section && ini::sameName(lines[i].view.name, name, encoding))
            return i;
    return -1;
}

// One past the last line of the section that starts at `header`.
int sectionEnd(const QVector<Line>& lines, int header)
{
    int i = header + 1;
    while (i < lines.size() && lines[i].view.kind != ini::LineKind::Section)
        ++i;
    return i;
}

} // namespace

IniDocument IniDocument::load(const QString& file)
{
    return load(file, nullptr);
}

IniDocument IniDocument::load(const QString& file, bool* readable)
{
    IniDocument document;
    QFile input(file);
    const bool opened = input.open(QIODevice::ReadOnly);
    if (opened)
        document.m_bytes = input.readAll();
    if (readable)
        *readable = opened || !input.exists();
    return document;
}

IniDocument IniDocument::fromBytes(QByteArray bytes)
{
    IniDocument document;
    document.m_bytes = std::move(bytes);
    return document;
}

bool IniDocument::write(const QString& section, const QString& key, const QString& value)
{
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const ini::Encoding encoding = ini::encodingOf(m_bytes);
    const QByteArray sectionName = ini::requestedName(ini::encoded(section, encoding)).toByteArray();
    const QByteArray keyName = ini::requestedName(ini::encoded(key, encoding)).toByteArray();
    const QByteArray encodedValue = ini::encoded(oneLine, encoding);
    // The file's own names lose every blank around them; a name that keeps one would be written
    // again and again and never found.
    for (const QByteArray& name : {sectionName, keyName})
        if (!name.isEmpty() && (ini::isBlank(name.front()) || ini::isBlank(name.back())))
            return false;

    const QVector<Line> lines = splitLines(m_bytes);
    const int header = findSection(lines, sectionName, encoding);
    if (header < 0) {
        if (m_bytes.size() > ini::markLength(m_bytes) && !m_bytes.endsWith('\n'))
            m_bytes += "\r\n";
        m_bytes += '[' + sectionName + "]\r\n" + keyName + '=' + encodedValue + "\r\n";
        return true;
    }

    const int end = sectionEnd(lines, header);
    int lastFilled = header;
    for (int i = header + 1; i < end; ++i) {
        const Line& line = lines[i];
        if (line.view.kind == ini::LineKind::Key && ini::sameName(line.view.name, keyName, encoding)) {
            // Replaced in place; the file keeps its own spelling of the key.
            const QByteArray replacement = line.view.name.toByteArray() + '=' + encodedValue + "\r\n";
            m_bytes.replace(line.begin, line.next - line.begin, replacement);
            return true;
        }
        if (line.view.kind != ini::LineKind::Blank)
            lastFilled = i;
    }

    // A new key follows the last non-blank line of its section, so blank lines that separate
    // it from the next section stay where they are.
    const Line& after = lines[lastFilled];
    QByteArray insertion;
    if (after.next == after.end) // the file's last line has no line end yet
        insertion += "\r\n";
    insertion += keyName + '=' + encodedValue + "\r\n";
    m_bytes.insert(after.next, insertion);
    return true;
}

void IniDocument::deleteSection(const QString& section)
{
    const QVector<Line> lines = splitLines(m_bytes);
    const ini::Encoding encoding = ini::encodingOf(m_bytes);
    const QByteArray sectionName = ini::encoded(section, encoding);
    const int header = findSection(lines, ini::requestedName(sectionName), encoding);
    if (header < 0)
        return;
    const int end = sectionEnd(lines, header);
    const qsizetype from = lines[header].begin;
    const qsizetype to = end < lines.size() ? lines[end].begin : m_bytes.size();
    m_bytes.remove(from, to - from);
}

bool IniDocument::save(const QString& file, int* error) const
{
    return SaveFileAtomically(file, m_bytes, error);
}

namespace {

bool fail(int* error, int value)
{
    if (error)
        *error = value;
    return false;
}

// How long a save waits for another's lock on its file before it gives up and says the file is in use.
constexpr std::chrono::milliseconds LockWaitLimit{5000};

// The pause between two tries for a lock. On the window's thread the window keeps painting
// meanwhile (paint, timer and posted events run; input waits until the save is over); elsewhere
// the thread naps.
class LockPause {
public:
    void operator()()
    {
        const QCoreApplication* application = QCoreApplication::instance();
        if (!application || application->thread() != QThread::currentThread()) {
            std::this_thread::sleep_for(Interval);
            return;
        }
        if (!m_tick) { // wakes the event loop when nothing else does
            m_tick = std::make_unique<QTimer>();
            m_tick->setTimerType(Qt::PreciseTimer);
            m_tick->start(Interval);
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }

private:
    // Short: tries that come seldom could miss every moment a busy colleague's lock is free.
    static constexpr std::chrono::milliseconds Interval{2};
    std::unique_ptr<QTimer> m_tick;
};

// Takes the lock on the whole file: exclusive on a writable descriptor, shared on a read-only one
// (the owner's read-only file, which only a replace can change). Another's lock, a reader's too, is
// waited for until `deadline`, by trying again and again: never a blocking wait, which nothing could
// end. Locks of the open file description hold per descriptor, so threads exclude each other too
// and no other descriptor's close drops them; where a file system has only classic record locks
// those are taken. False for a real failure and when the deadline passed (EAGAIN); a file system
// without locks is written unlocked.
bool lockWhole(int fd, bool exclusive, const QDeadlineTimer& deadline, int* error)
{
    struct flock lock {};
    lock.l_type = exclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    int command = F_OFD_SETLK;
    LockPause pause;
    for (;;) {
        int result;
        do
            result = ::fcntl(fd, command, &lock);
        while (result != 0 && errno == EINTR);
        if (result == 0)
            return true;
        const int e = errno;
        const bool noSuchLock = e == EINVAL || e == ENOLCK || e == EOPNOTSUPP || e == ENOSYS;
        if (noSuchLock && command == F_OFD_SETLK) {
            command = F_SETLK;
            continue;
        }
        if (noSuchLock)
            return true;
        if (e != EAGAIN && e != EACCES)
            return fail(error, e);
        if (deadline.hasExpired())
            return fail(error, EAGAIN);
        pause();
    }
}

// Classic record locks belong to the process: one thread's lock does not keep out another. Recursive,
// because events that run while a save waits for a lock may start another save on the same thread.
std::recursive_mutex& updateMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}

} // namespace

bool IniDocument::update(const QString& file, const std::function<bool(IniDocument&)>& change, int* error)
{
    const std::lock_guard<std::recursive_mutex> guard(updateMutex());
    const QByteArray named = QFile::encodeName(file);
    QByteArray path;
    if (!FollowTrustedLinks(named, &path, error))
        return false;
    const QDeadlineTimer deadline(LockWaitLimit);
    // Never a device or a pipe, and nothing a link planted meanwhile leads to.
    constexpr int Flags = O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY;
    // A save replaces the file's inode; whoever waited on the old one's lock tries again.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        bool writable = true;
        bool created = false;
        int fd = ::open(path.constData(), O_RDWR | Flags);
        if (fd < 0 && errno == ENOENT) {
            IniDocument empty;
            if (!change(empty))
                return true;
            fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
            if (fd < 0 && errno == EEXIST)
                continue;
            created = fd >= 0;
        } else if (fd < 0 && (errno == EACCES || errno == EPERM)) {
            writable = false;
            fd = ::open(path.constData(), O_RDONLY | Flags);
        }
        if (fd < 0)
            return fail(error, errno);

        int e = 0;
        struct stat locked {};
        struct stat now {};
        bool current = false;
        if (::fstat(fd, &locked) != 0)
            e = errno;
        else if (!S_ISREG(locked.st_mode))
            e = EINVAL;
        else if (lockWhole(fd, writable, deadline, &e)) {
            if (::lstat(path.constData(), &now) == 0)
                current = now.st_dev == locked.st_dev && now.st_ino == locked.st_ino;
            else if (errno != ENOENT)
                e = errno;
        }
        if (e == 0 && !current) {
            ::close(fd);
            continue;
        }

        bool saved = true;
        QByteArray bytes;
        if (e == 0 && ReadWholeFile(fd, &bytes, &e)) {
            IniDocument document = fromBytes(bytes);
            if (change(document))
                saved = SaveFile(file, document.m_bytes, SaveKind::IniFile, writable ? fd : -1, &e);
            else if (created)
                ::unlink(path.constData()); // nothing to store after all
        }
        // A file made only to be locked goes again when nothing could be stored in it.
        if (created && (e != 0 || !saved))
            ::unlink(path.constData());
        ::close(fd);
        return (e == 0 && saved) || fail(error, e);
    }
    return fail(error, EAGAIN);
}
