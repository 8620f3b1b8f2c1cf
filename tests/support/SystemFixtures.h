#pragma once
// Fixtures that need the real system and root: another user (permissions do not bind root) and a
// small disk that can be filled to its last block.

#include <QString>
#include <QTemporaryDir>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs the test `test` of this very binary again as `uid`/`gid` with the supplementary `groups`,
// with a temporary folder of its own as TMPDIR and `environment` ("NAME=value") added. A failure
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
