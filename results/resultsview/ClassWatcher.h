#pragma once
// Keeps watch over the class folder the window shows and over the course description, and says
// when the table should be filled again: a pupil's file written, added or removed, the course
// description changed, or the class folder gone. Bursts of changes give one signal; none comes
// while a dialog or menu of the window is open, while the window holds it (a fill runs), or for
// changes the program makes itself (see OwnChanges).
// On a local disk the kernel reports the changes, and nothing runs while nothing changes. On a
// network or FUSE file system the kernel sees only this PC's writes: there the folder's listing
// and every pupil file's size and modification time are compared every two seconds, off the
// window's thread, and not while the window is minimised.

#include <QFuture>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QSocketNotifier;
class QWidget;

// What the poll compares: the class folder's pupils' files and the course description.
struct FolderState {
    struct Entry {
        qint64 size = -1;
        qint64 modified = 0; // nanoseconds
        quint64 inode = 0;
        bool operator==(const Entry&) const = default;
    };
    bool folderExists = false;
    QHash<QString, Entry> files; // by file name; the course file by its path
    bool operator==(const FolderState&) const = default;
};

class ClassWatcher : public QObject {
    Q_OBJECT
public:
    explicit ClassWatcher(QWidget* window);
    ~ClassWatcher() override;

    // Called as a fill of the class in `folder` starts: watches that folder (and so its pupils'
    // files) and `courseFile`. Changes noticed so far are dropped, as the fill reads them. An empty folder
    // watches nothing.
    void watchClass(const QString& folder, const QString& courseFile);
    // While held (the window fills its table) changes wait.
    void setHeld(bool held);

    // Time from the first change of a burst to the signal.
    void setSettleDelay(int milliseconds) { m_settleDelay = milliseconds; }
    void setPollInterval(int milliseconds);
    // The watched class is compared by polling rather than reported by the kernel.
    bool polling() const { return m_polling; }
    // A change has been noticed and its signal has not come yet.
    bool changePending() const { return m_pending; }
    // Signals given so far.
    int refreshCount() const { return m_refreshes; }
    // Polled: the state later polls are compared with has been read since the last watchClass; a
    // change made before that read is taken as the starting state, not as a change.
    bool comparing() const { return !m_polling || m_knownSet; }

signals:
    // Just before classChanged or classGone.
    void refreshing();
    // The watched class should be filled again.
    void classChanged();
    // The watched class folder is gone: the class tree should be read again.
    void classGone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class OwnChanges;
    void ownChangesDone();
    void changed();
    void attempt();
    void waitFor(QObject* blocker);
    void blockerGone();
    void releaseBlocker();
    void arm();
    bool startNotices();
    void stopNotices();
    void noticed();
    void poll();
    void polled();
    bool minimised() const;

    QWidget* m_window;
    int m_notify = -1; // the kernel's change notices of the class folder and the course file
    QSocketNotifier* m_notifier = nullptr;
    QString m_folder;             // the watched class folder, empty when none
    QString m_course;             // the watched course description
    bool m_folderExisted = false; // it existed when watched
    bool m_stale = true;          // the watched paths may no longer be the right ones
    bool m_pending = false;
    bool m_held = false;
    bool m_polling = false;
    int m_settleDelay = 250;
    int m_refreshes = 0;
    QTimer m_timer;
    QPointer<QObject> m_blocker; // the dialog or menu the signal waits for

    QTimer m_pollTimer;
    FolderState m_known; // as last seen by a poll; empty until the first poll after arming
    bool m_knownSet = false;
    quint64 m_armed = 0;     // counts the armings, so that a poll begun before one is not used
    quint64 m_pollArmed = 0; // the arming the running poll belongs to
    QFutureWatcher<FolderState> m_poll;
};

// While one is alive the program itself changes class folders (class commands, saved reports):
// no watcher signals for what changes meanwhile.
class OwnChanges {
public:
    OwnChanges();
    ~OwnChanges();
    OwnChanges(const OwnChanges&) = delete;
    OwnChanges& operator=(const OwnChanges&) = delete;
};
