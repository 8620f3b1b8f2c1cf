#pragma once
// An INI file held in memory with the same write rules as WriteINI/DeleteINISection, for callers
// that must change many keys and then replace the file in one step (WriteINI itself is built on it).

#include <QByteArray>
#include <QString>
#include <functional>

class IniDocument {
public:
    // A missing or unreadable file gives an empty document.
    static IniDocument load(const QString& file);
    // Same; `readable` becomes false when the file exists but could not be read.
    static IniDocument load(const QString& file, bool* readable);
    static IniDocument fromBytes(QByteArray bytes);

    // WriteINI's rules: CR/LF in the value become blanks, in-place replacement, appended keys and
    // sections. False (nothing changed) for a name that could never be read back: one that, once
    // the spaces around it are taken off, still starts or ends with another blank such as a tab.
    bool write(const QString& section, const QString& key, const QString& value);
    void deleteSection(const QString& section);

    // The file's bytes (Windows-1252, or UTF-8 after a byte-order mark; CR LF line ends for written lines).
    const QByteArray& bytes() const { return m_bytes; }

    // Replaces `file` by these bytes through SaveFileAtomically: all stored, or the file unchanged
    // and false with *error set.
    bool save(const QString& file, int* error = nullptr) const;

    // Load-change-save under an exclusive POSIX record lock on `file` (works on NFS and SMB shares
    // as well as local disks), the bytes read inside the lock. `change` gets the current document
    // and returns false to save nothing (update then returns true); it may be called more than
    // once, each time with a fresh reading. An unreadable file: false, `change` not called. A missing
    // file is created only when `change` asks for a save. Another's lock on the file (a reader's
    // too) is waited for 5 s at most, the window repainting meanwhile; then false with EAGAIN and
    // nothing saved.
    static bool update(const QString& file, const std::function<bool(IniDocument&)>& change, int* error = nullptr);

private:
    QByteArray m_bytes;
};
