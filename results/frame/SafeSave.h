#pragma once
// Saving a whole file so that a failure (full disk, quota, a share that drops out, no rights)
// never leaves it half written, and telling the teacher why a save or a read did not happen.

#include <QByteArray>
#include <QString>

// Replaces `path` by `bytes` in one step (temporary file in the same folder, every write, flush,
// fsync and close checked, then rename), or leaves it byte-identical. On failure: false, *error is
// the errno that stopped it (ENOSPC, EDQUOT, EIO, ENOTCONN, EACCES, ...), no temporary file is left.
// The replacement keeps the old file's group and mode, and its owner where the saver may keep it
// (else the saver owns it). In a folder that takes no new file, or that lets this file not be
// replaced (sticky bit), an existing writable file is rewritten in place instead.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr);

enum class InPlaceRewrite {
    WhereNoNewFile, // the rule above
    Never,          // only ever the replace
};

// The same with a choice of fallback. `lockedFd`, when not -1, is an open, writable descriptor of
// `path` that the caller holds a lock on; an in-place rewrite goes through it (closing another
// descriptor of the file would drop a process-wide record lock).
bool SaveFile(const QString& path, const QByteArray& bytes, InPlaceRewrite inPlace, int lockedFd, int* error);

// Dutch reason for an errno: ENOSPC/EDQUOT "De schijf is vol", EACCES/EPERM/EROFS (no write rights),
// EIO/ENOTCONN/ESTALE/EHOSTDOWN/ETIMEDOUT (connection/share gone), default: a general reason.
QString SaveErrorReason(int error);
// One line for the window's usual failure message, saying nothing was saved and why, naming the file.
QString NothingSavedText(const QString& path, int error);

// True when `path` exists (or may exist: stat fails with anything but ENOENT/ENOTDIR) but cannot
// be read; *error gets the errno. A missing file is not unreadable.
bool IsUnreadable(const QString& path, int* error = nullptr);
// One line for the window's usual failure message: the file `path` cannot be read, and why.
QString CannotReadText(const QString& path, int error);

// Reads the whole file behind `fd` from its start. False with *error on a read error.
bool ReadWholeFile(int fd, QByteArray* bytes, int* error = nullptr);
