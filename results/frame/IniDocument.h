#pragma once
// An INI file held in memory with the same write rules as WriteINI/DeleteINISection, for callers
// that must change many keys and then replace the file in one step (WriteINI itself is built on it).

#include <QByteArray>
#include <QString>

class IniDocument {
public:
    // A missing or unreadable file gives an empty document.
    static IniDocument load(const QString& file);
    // Same; `readable` becomes false when the file exists but could not be read.
    static IniDocument load(const QString& file, bool* readable);
    static IniDocument fromBytes(QByteArray bytes);

    // WriteINI's rules: CR/LF in the value become blanks, in-place replacement, appended keys and sections.
    void write(const QString& section, const QString& key, const QString& value);
    void deleteSection(const QString& section);

    // The file's bytes (Windows-1252, CR LF line ends for written lines).
    const QByteArray& bytes() const { return m_bytes; }

    // Writes a temporary file in the same folder with the owner, group and mode of `file` and
    // renames it over `file`. Where that cannot be made (the folder takes no new file), an existing
    // `file` is rewritten in place. False when the bytes were not stored.
    bool save(const QString& file) const;

private:
    QByteArray m_bytes;
};
