#pragma once
// Saving a whole file so that a failure (full disk, quota, a share that drops out, no rights)
// never leaves it half written, and telling the teacher why a save or a read did not happen.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Replaces `path` by `bytes` in one step (temporary file in the same folder, every write, flush,
// fsync and close checked, then rename), or leaves it byte-identical. On failure: false, *error is
// the errno that stopped it (ENOSPC, EDQUOT, EIO, ENOTCONN, EACCES, ...), no temporary file is left.
// The replacement keeps the old file's group and mode, and its owner where the saver may keep it
// (else the saver owns it). In a folder that takes no new file, or that lets this file not be
// replaced (sticky bit), an existing writable file is rewritten in place instead. A link under the
// name is saved through only as SaveKind::IniFile says.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr);

// What a save may find under the file's name, and what it does with it.
enum class SaveKind {
    // The program's own files (settings, course). A link that root or the saver made is saved through:
    // the file it names is replaced, the link stays (an administrator may link these files on purpose).
    // Anyone else's link is refused with ELOOP: whoever may write the folder must not be able to send a
    // teacher's save to a file of the teacher's. Where the folder takes no new file, the file is
    // rewritten in place.
    IniFile,
    // An export into a folder others may write (a class folder). Only a plain file under the name is
    // replaced; a link, folder, device, FIFO or socket there is refused (*found gets its st_mode), as is
    // a file its owner may not write (EBUSY). Never rewritten in place.
    Export,
};

// The same for either kind. `lockedFd`, when not -1, is an open, writable descriptor of the file that
// the caller holds a lock on; an in-place rewrite goes through it (closing another descriptor of the
// file would drop a process-wide record lock). Before it writes, a save removes the saver's own
// temporary files of this file that a killed save left (older than a few minutes).
bool SaveFile(const QString& path, const QByteArray& bytes, SaveKind kind, int lockedFd, int* error,
              mode_t* found = nullptr);

// The file a save of `path` (SaveKind::IniFile) replaces: `path` itself, or where the links that root
// or the saver made lead. False with ELOOP for anyone else's link or a chain too long.
bool FollowTrustedLinks(const QByteArray& path, QByteArray* target, int* error);

// Dutch reason for an errno, the one table of the program's file-system failure texts:
// ENOSPC/EDQUOT "De schijf is vol", EACCES/EPERM/EROFS (no write rights), EIO/ENOTCONN/ESTALE/
// EHOSTDOWN/ETIMEDOUT (connection/share gone), EAGAIN (another holds the file's lock), default: a
// general reason.
QString SaveErrorReason(int error);
// The one shape of the program's failure messages: "Kan <what> niet <action>! <reason><rest>",
// e.g. CannotText("de map X", "aanmaken", reason, ". " + note).
QString CannotText(const QString& what, const QString& action, const QString& reason, const QString& rest = {});
// One line for the window's usual failure message, saying nothing was saved and why, naming the file.
QString NothingSavedText(const QString& path, int error);

// True when `path` exists (or may exist: stat fails with anything but ENOENT/ENOTDIR) but cannot
// be read; *error gets the errno. A missing file is not unreadable.
bool IsUnreadable(const QString& path, int* error = nullptr);
// One line for the window's usual failure message: the file `path` cannot be read, and why.
QString CannotReadText(const QString& path, int error);

// Reads the whole file behind `fd` from its start. False with *error on a read error.
bool ReadWholeFile(int fd, QByteArray* bytes, int* error = nullptr);
