#include "IniReader.h"

#include "Cp1252.h"
#include "IniSyntax.h"
#include "modsearch.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Plain system calls: a reading is on the table fill's hot path, where it should cost little
// more than the bare read. O_NONBLOCK keeps a stray pipe from blocking the open; only a plain
// file is read.
QByteArray readCapped(const QString& file, IniReader::Links links)
{
    const QByteArray path = NameBytes(file);
    const int fd = ::open(path.constData(),
                          O_RDONLY | O_CLOEXEC | O_NONBLOCK | (links == IniReader::Links::Refuse ? O_NOFOLLOW : 0));
    if (fd < 0)
        return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    QByteArray bytes(qMin<qsizetype>(16 * 1024, MaxIniFileBytes), Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled == MaxIniFileBytes)
                break;
            bytes.resize(qMin(filled * 4, MaxIniFileBytes));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) { // a folder, or a read error: nothing is read
            filled = 0;
            break;
        }
        if (n == 0)
            break;
        filled += n;
    }
    ::close(fd);
    bytes.truncate(filled);
    return bytes;
}

// Where the header line around the "[" at `bracket` begins, or -1 when something other than
// blanks stands before the "[" on its line (then it is no header).
qsizetype headerBegin(QByteArrayView data, qsizetype bracket)
{
    qsizetype begin = bracket;
    while (begin > 0 && data[begin - 1] != '\r' && ini::isBlank(data[begin - 1]))
        --begin;
    return begin == 0 || data[begin - 1] == '\n' || data[begin - 1] == '\r' ? begin : -1;
}

// The bytes after the header line of the first section called `name`, up to the next header.
// Only that first section is ever searched. Headers are found by their "[" (memchr) rather than
// line by line: a file is mostly keys, and this search runs once per reading.
bool findSection(QByteArrayView data, QByteArrayView name, ini::Encoding encoding, qsizetype* begin, qsizetype* end)
{
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const void* hit = std::memchr(data.data() + pos, '[', size_t(data.size() - pos));
        if (!hit)
            break;
        const qsizetype bracket = static_cast<const char*>(hit) - data.data();
        const qsizetype lineBegin = headerBegin(data, bracket);
        ini::LineSplitter lines(data, bracket);
        ini::LineSplitter::Line line{};
        lines.next(&line);
        pos = line.next;
        if (lineBegin < 0)
            continue;
        if (inSection) {
            *end = lineBegin;
            return true;
        }
        const ini::LineView header = ini::parseLine(data.sliced(lineBegin, line.end - lineBegin));
        if (ini::sameName(header.name, name, encoding)) {
            inSection = true;
            *begin = line.next;
        }
    }
    *end = data.size();
    return inSection;
}

// The first key called `key` among the lines of one section's body.
bool findKey(QByteArrayView body, QByteArrayView key, ini::Encoding encoding, QByteArrayView* value)
{
    ini::LineSplitter lines(body);
    ini::LineSplitter::Line line{};
    while (lines.next(&line)) {
        const ini::LineView entry = ini::parseLine(body.sliced(line.begin, line.end - line.begin));
        if (entry.kind == ini::LineKind::Key && ini::sameName(entry.name, key, encoding)) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

} // namespace

IniReader::IniReader(const QString& file, Links links)
{
    take(readCapped(file, links));
}

IniReader IniReader::ofBytes(const QByteArray& bytes)
{
    IniReader reader;
    reader.take(bytes);
    return reader;
}

void IniReader::take(const QByteArray& bytes)
{
    m_bytes = bytes;
    m_encoding = ini::encodingOf(bytes);
    m_start = ini::markLength(bytes);
}

QString IniReader::value(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QByteArray sectionBytes = ini::encoded(section, m_encoding);
    const QByteArray keyBytes = ini::encoded(key, m_encoding);
    const QByteArrayView sectionName = ini::requestedName(sectionBytes);
    const QByteArrayView keyName = ini::requestedName(keyBytes);
    // An empty key name (a test name missing from the course) never finds a line "=value".
    if (!keyName.isEmpty()) {
        if (!m_sectionKnown || m_sectionName != sectionName) {
            m_sectionName = sectionName.toByteArray();
            m_sectionKnown = true;
            if (!findSection(text(), sectionName, m_encoding, &m_sectionBegin, &m_sectionEnd))
                m_sectionBegin = -1;
        }
        QByteArrayView found;
        if (m_sectionBegin >= 0 &&
            findKey(text().sliced(m_sectionBegin, m_sectionEnd - m_sectionBegin), keyName, m_encoding, &found))
            return ini::readValue(found, m_encoding);
    }
    // The default loses its trailing blanks only, and obeys the same length limit.
    QByteArray fallback = toCp1252(defaultValue);
    while (fallback.endsWith(' '))
        fallback.chop(1);
    return fromCp1252(QByteArrayView(fallback).first(qMin(fallback.size(), ini::MaxValueLength)));
}
