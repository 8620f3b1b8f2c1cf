#pragma once
// One reading of an INI file that answers any number of lookups by ReadINI's rules (ReadINI is
// one lookup in a fresh reading). A file that starts with a UTF-8 byte-order mark is read as UTF-8. Used where many
// keys of one file are wanted at one moment, such as a pupil's row of the results table; keep a reading no longer than
// that moment.

#include "IniSyntax.h"

#include <QByteArray>
#include <QString>

// What a reading takes from one file at most. Result and course files are a few kilobytes; a
// large stray file in a class folder must not stall the table. Lines past it are not seen.
inline constexpr qsizetype MaxIniFileBytes = 1024 * 1024;

class IniReader {
public:
    // Whether the file may be reached through a link. A pupil's file may not: the pupils' PCs
    // write the class folders, and a link there could name any file the teacher can read.
    enum class Links { Follow, Refuse };
    // A missing or unreadable file reads as an empty one, as does anything but a plain file.
    explicit IniReader(const QString& file, Links links = Links::Follow);
    // A reading of bytes already in memory, such as a document about to be saved.
    static IniReader ofBytes(const QByteArray& bytes);

    // ReadINI's answer for this reading.
    QString value(const QString& section, const QString& key, const QString& defaultValue) const;

private:
    IniReader() = default;
    void take(const QByteArray& bytes);
    // The file's text: its bytes after a byte-order mark.
    QByteArrayView text() const { return QByteArrayView(m_bytes).sliced(m_start); }

    QByteArray m_bytes;
    ini::Encoding m_encoding = ini::Encoding::Cp1252;
    qsizetype m_start = 0; // 3 after a UTF-8 byte-order mark
    // The section looked up last, so that many keys of one section cost one search for it.
    mutable QByteArray m_sectionName;
    mutable qsizetype m_sectionBegin = -1; // -1: no such section
    mutable qsizetype m_sectionEnd = -1;
    mutable bool m_sectionKnown = false;
};
