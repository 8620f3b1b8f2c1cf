#pragma once
// Fixtures that need the real system and root: another user (permissions do not bind root) and a
// small disk that can be filled to its last block.

#include <QString>
#include <QTemporaryDir>
#include <string>
#include <sys/types.h>
#include <vector>

// Another process that holds a POSIX record lock on the whole of `path` until release() or the
// holder goes: `type` F_RDLCK (a reader) or F_WRLCK (a writer), `command` F_OFD_SETLK (a lock of
// the open file description) or F_SETLK (a classic process lock). It lets go by itself after a
// minute, so that a save that never gives up still ends.
class LockHolder {
public:
    LockHolder(const QString& path, short type, int command);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Whether the other process got the lock (known once the constructor returns).
    bool holding() const { return m_holding; }
    // Tells it to let go; it may still hold the lock for a moment after this returns.
    void release();

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_holding = false;
};

// Runs the test `test` of this very binary again as `uid`/`gid` with the supplementary `groups`,
// from a copy in a fresh folder under /tmp that is also its TMPDIR, with `environment`
// ("NAME=value") added. A failure
// of the child fails the calling test.
void RunTestAs(uid_t uid, gid_t gid, const std::vector<gid_t>& groups, const char* test,
               const std::vector<std::string>& environment = {});
// The same as the user "nobody".
void RunTestAsNobody(const char* test, const std::vector<std::string>& environment = {});

// A tmpfs of `bytes` mounted on a temporary folder, unmounted and removed when it goes.
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    // Takes every free byte with the file "vulling"; false when the disk did not end up full.
    bool fill();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
