#pragma once
// Keeps the results table of the shown class in step with the disk: a pupil's file written,
// added or removed, or the course description changed (columns too), refills the table by itself, keeping
// the sort, the selected row and the scroll position. Bursts of changes give one refill; none
// runs while a dialog or menu of the program is open, while a fill runs, or for changes the
// program makes itself (see OwnChanges). A class folder that disappears runs the refresh.
// The kernel reports the changes: nothing runs while nothing changes.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QFileSystemWatcher;
class Resultform;

class ClassWatcher : public QObject {
    Q_OBJECT
public:
    explicit ClassWatcher(Resultform* form);
    ~ClassWatcher() override;

    // Called as a fill of class `className` starts: watches that class folder, its pupils' files and
    // the course description. Changes noticed so far are dropped, as the fill reads them.
    void watchClass(const QString& className);

    // Time from the first change of a burst to the refill.
    void setSettleDelay(int milliseconds) { m_settleDelay = milliseconds; }
    // A change has been noticed and its refill has not run yet.
    bool changePending() const { return m_pending; }
    // Refills (and refreshes) run so far.
    int refreshCount() const { return m_refreshes; }

signals:
    // Just before a refill or refresh starts.
    void refreshing();

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
    void refill();

    Resultform* m_form;
    QFileSystemWatcher* m_files = nullptr;
    QString m_folder;             // the watched class folder, empty when none
    bool m_folderExisted = false; // it existed when watched
    bool m_stale = true;          // the watched paths may no longer be the right ones
    bool m_pending = false;
    bool m_courseChanged = false; // since the last refill
    int m_settleDelay = 250;
    int m_refreshes = 0;
    QTimer m_timer;
    QPointer<QObject> m_blocker; // the dialog or menu the refill waits for
};

// While one is alive the program itself changes class folders (class commands, saved reports):
// no watcher refills for what changes meanwhile.
class OwnChanges {
public:
    OwnChanges();
    ~OwnChanges();
    OwnChanges(const OwnChanges&) = delete;
    OwnChanges& operator=(const OwnChanges&) = delete;
};
