#include "ClassWatcher.h"

#include "ClassFill.h"
#include "DataFolder.h"
#include "modsearch.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// How soon a signal held up by a running fill is tried again.
constexpr int FillRetryMs = 100;
constexpr int PollIntervalMs = 2000;

int ownChangesDepth = 0;

QList<ClassWatcher*>& allWatchers()
{
    static QList<ClassWatcher*> watchers;
    return watchers;
}

// The type of the file system `path` lies on, from the mount table: no round trip to a server.
QString fileSystemType(const QString& path)
{
    const QString cleaned = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly))
        return {};
    QString type;
    qsizetype matched = -1;
    for (const QByteArray& line : table.readAll().split('\n')) {
        // "id parent major:minor root mountpoint options [optional...] - type source superoptions"
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 1 >= fields.size())
            continue;
        QByteArray point = fields[4];
        point.replace("\\040", " ").replace("\\011", "\t").replace("\\012", "\n").replace("\\134", "\\");
        const QString mountPoint = QFile::decodeName(point);
        const bool inside = mountPoint == QLatin1String("/") || cleaned == mountPoint ||
                            cleaned.startsWith(mountPoint + QLatin1Char('/'));
        if (inside && mountPoint.size() >= matched) { // a later mount on the same point hides the earlier
            matched = mountPoint.size();
            type = QString::fromLatin1(fields[dash + 1]);
        }
    }
    return type;
}

// False on file systems where the kernel's change notification misses what other machines
// write: network file systems and FUSE (sshfs and the like).
bool notifiedOfEveryChange(const QString& path)
{
    static const QStringList network{"nfs",  "nfs4",  "cifs",      "smb3",   "smbfs", "9p",    "ceph",  "afs",
                                     "coda", "ncpfs", "glusterfs", "lustre", "gfs2",  "ocfs2", "davfs", "fuse"};
    const QString type = fileSystemType(path);
    // fuseblk is a local disk's driver (NTFS and the like).
    return type != QLatin1String("fuseblk") && !network.contains(type.section(QLatin1Char('.'), 0, 0));
}

// A folder there, not a link to one.
bool isFolder(const QString& path)
{
    QByteArray bytes = NameBytes(path);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    struct stat info {};
    return ::lstat(bytes.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder's own watch tells of its files too: written in place, added, removed, replaced.
// One watch, however many pupils the class has.
constexpr uint32_t FolderEvents = IN_MODIFY | IN_ATTRIB | IN_MOVE | IN_CREATE | IN_DELETE | IN_DELETE_SELF |
                                  IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
constexpr uint32_t FileEvents = IN_MODIFY | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF;

// The open dialog or menu of the program, if any.
QObject* openDialogOrMenu()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QGuiApplication::modalWindow(); // a platform dialog has no widget
}

// Relative to the open folder `dir` (AT_FDCWD: the working folder), so that each file costs one
// look-up of its own name only.
FolderState::Entry statEntry(int dir, const QByteArray& path, int flags)
{
    FolderState::Entry entry;
    struct stat st {};
    if (::fstatat(dir, path.constData(), &st, flags) == 0 && S_ISREG(st.st_mode)) {
        entry.size = st.st_size;
        entry.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        entry.inode = st.st_ino;
    }
    return entry;
}

// Metadata only: the listing, then each candidate's size and time, several at a time, as each
// costs a round trip to the server. Nothing is read.
FolderState readFolderState(const QString& folder, const QString& courseFile)
{
    FolderState state;
    QByteArray path = NameBytes(folder);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    const int folderFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = folderFd < 0 ? nullptr : ::fdopendir(folderFd);
    if (!dir && folderFd >= 0)
        ::close(folderFd);
    if (dir) {
        state.folderExists = true;
        QList<QByteArray> names;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            // Pupils' files only; the type is checked by stat below.
            if (IsPupilFileName(name) && entry->d_type != DT_DIR)
                names << name;
        }
        const int fd = ::dirfd(dir);
        const QList<FolderState::Entry> entries = QtConcurrent::blockingMapped<QList<FolderState::Entry>>(
            FileReaders(FileSource::Share), names,
            [fd](const QByteArray& name) { return statEntry(fd, name, AT_SYMLINK_NOFOLLOW); });
        for (qsizetype i = 0; i < names.size(); ++i)
            if (entries[i].size >= 0)
                state.files.insert(NameFromBytes(names[i]), entries[i]);
        ::closedir(dir);
    }
    if (!courseFile.isEmpty())
        state.files.insert(courseFile, statEntry(AT_FDCWD, NameBytes(courseFile), 0));
    return state;
}

} // namespace

ClassWatcher::ClassWatcher(QWidget* window) : QObject(window), m_window(window)
{
    setObjectName(QStringLiteral("ClassWatcher"));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ClassWatcher::attempt);
    m_pollTimer.setInterval(PollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &ClassWatcher::poll);
    connect(&m_poll, &QFutureWatcher<FolderState>::finished, this, &ClassWatcher::polled);
    window->installEventFilter(this);
    allWatchers() << this;
}

ClassWatcher::~ClassWatcher()
{
    allWatchers().removeOne(this);
    stopNotices();
}

void ClassWatcher::stopNotices()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_notify >= 0)
        ::close(m_notify);
    m_notify = -1;
}

bool ClassWatcher::startNotices()
{
    m_notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notify < 0)
        return false;
    if (::inotify_add_watch(m_notify, NameBytes(m_folder).constData(), FolderEvents) < 0) {
        stopNotices();
        return false;
    }
    // The course description may be linked by the administrator.
    if (!m_course.isEmpty())
        ::inotify_add_watch(m_notify, NameBytes(m_course).constData(), FileEvents);
    m_notifier = new QSocketNotifier(m_notify, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ClassWatcher::noticed);
    return true;
}

void ClassWatcher::noticed()
{
    alignas(inotify_event) char buffer[16 * 1024];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(m_notify, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // A watch's end follows the change that ended it; a full queue lost changes.
            if (!(event->mask & IN_IGNORED))
                any = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    if (any)
        changed();
}

void ClassWatcher::watchClass(const QString& folder, const QString& courseFile)
{
    m_pending = false;
    m_timer.stop();
    if (folder != m_folder || courseFile != m_course || m_stale) {
        m_folder = folder;
        m_course = courseFile;
        arm();
    }
}

void ClassWatcher::setHeld(bool held)
{
    m_held = held;
}

void ClassWatcher::setPollInterval(int milliseconds)
{
    m_pollTimer.setInterval(milliseconds);
}

void ClassWatcher::arm()
{
    // A new watch rather than new paths: notices of the old one still queued (the program's own
    // changes, files replaced by a rename) go with it. Never called from its own signals.
    stopNotices();
    ++m_armed;
    m_knownSet = false;
    m_stale = false;
    // Nothing here may wait for a server: on a share the first poll tells whether the folder exists.
    m_polling = !m_folder.isEmpty() && !(notifiedOfEveryChange(m_folder) && notifiedOfEveryChange(m_course));
    m_folderExisted = m_polling || (!m_folder.isEmpty() && isFolder(m_folder));
    // Without a kernel watch (the user's watches all taken), the class is compared by polling.
    if (!m_polling && m_folderExisted && !startNotices())
        m_polling = true;
    if (m_polling) {
        if (!minimised())
            m_pollTimer.start();
        // The starting state, read before the fill reads the files (the fill waits for it): a
        // change made meanwhile shows in a later poll. Read also while minimised.
        readState();
        return;
    }
    m_pollTimer.stop();
}

void ClassWatcher::poll()
{
    if (!minimised())
        readState();
}

void ClassWatcher::readState()
{
    if (!m_polling || m_poll.isRunning())
        return;
    m_pollArmed = m_armed;
    m_poll.setFuture(QtConcurrent::run(FileReaders(FileSource::Share), readFolderState, m_folder, m_course));
}

void ClassWatcher::polled()
{
    if (m_pollArmed != m_armed) {
        readState(); // begun before the watch changed: compare from a fresh state
        return;
    }
    // Minimised since it began: the first poll once shown again compares with what was known.
    // The starting state is kept all the same, or the changes made while minimised would become it.
    if (m_knownSet && minimised())
        return;
    FolderState state = m_poll.result();
    const bool first = !std::exchange(m_knownSet, true);
    if (!first && state == m_known)
        return;
    m_known = std::move(state);
    if (first)
        m_folderExisted = m_known.folderExists;
    else
        changed();
}

bool ClassWatcher::minimised() const
{
    return m_window->window()->isMinimized();
}

void ClassWatcher::changed()
{
    // A file replaced by a rename or removed has dropped out of the watch.
    m_stale = true;
    if (ownChangesDepth > 0)
        return;
    m_pending = true;
    if (!m_timer.isActive() && !m_blocker)
        m_timer.start(m_settleDelay);
}

void ClassWatcher::attempt()
{
    if (!m_pending || ownChangesDepth > 0)
        return;
    if (QObject* blocker = openDialogOrMenu()) {
        waitFor(blocker);
        return;
    }
    if (m_held) {
        m_timer.start(FillRetryMs);
        return;
    }
    m_pending = false;
    // Nothing is watched while the tree's root is shown.
    if (m_folder.isEmpty() || !m_folderExisted)
        return;
    ++m_refreshes;
    emit refreshing();
    if (m_polling ? m_known.folderExists : isFolder(m_folder))
        emit classChanged();
    else
        emit classGone();
}

void ClassWatcher::waitFor(QObject* blocker)
{
    if (m_blocker == blocker)
        return;
    releaseBlocker();
    m_blocker = blocker;
    blocker->installEventFilter(this);
    connect(blocker, &QObject::destroyed, this, &ClassWatcher::blockerGone);
}

void ClassWatcher::releaseBlocker()
{
    if (m_blocker) {
        m_blocker->removeEventFilter(this);
        disconnect(m_blocker, &QObject::destroyed, this, &ClassWatcher::blockerGone);
    }
    m_blocker = nullptr;
}

bool ClassWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange && m_polling) {
        // Nothing is polled while minimised; a change made meanwhile shows on the first poll after.
        if (minimised()) {
            m_pollTimer.stop();
        } else if (!m_pollTimer.isActive()) {
            m_pollTimer.start();
            poll();
        }
    }
    if (watched == m_blocker && event->type() == QEvent::Hide)
        blockerGone();
    return QObject::eventFilter(watched, event);
}

void ClassWatcher::blockerGone()
{
    releaseBlocker();
    // Once the code that opened it has gone on; another dialog or menu may still be open.
    m_timer.start(0);
}

void ClassWatcher::ownChangesDone()
{
    // Notices of the changes just made may still be queued: they go with the old watcher.
    arm();
    if (m_pending && !m_timer.isActive() && !m_blocker)
        m_timer.start(0);
}

OwnChanges::OwnChanges()
{
    ++ownChangesDepth;
}

OwnChanges::~OwnChanges()
{
    if (--ownChangesDepth == 0)
        for (ClassWatcher* watcher : allWatchers())
            watcher->ownChangesDone();
}
