#include "IniDocument.h"

#include "Cp1252.h"
#include "IniSyntax.h"

#include <QFile>
#include <QSaveFile>
#include <QVector>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Line {
    qsizetype begin; // first byte
    qsizetype end;   // the line feed, or the end of the data
    qsizetype next;  // first byte of the next line
    ini::LineView view;
};

QVector<Line> splitLines(const QByteArray& bytes)
{
    QVector<Line> lines;
    ini::LineSplitter splitter(bytes);
    ini::LineSplitter::Line line{};
    while (splitter.next(&line))
        lines.push_back({line.begin, line.end, line.next,
                         ini::parseLine(QByteArrayView(bytes).sliced(line.begin, line.end - line.begin))});
    return lines;
}

int findSection(const QVector<Line>& lines, QByteArrayView name)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].view.kind == ini::LineKind::Section && ini::sameName(lines[i].view.name, name))
            return i;
    return -1;
}

// The replacement file carries the owner, group and mode of the file it replaces, or is not used.
bool keepOwnerAndMode(int fd, const struct stat& original)
{
    return fd >= 0 && ::fchown(fd, original.st_uid, original.st_gid) == 0 &&
           ::fchmod(fd, original.st_mode & 07777) == 0;
}

// Rewrites an existing file through its own inode, which keeps its owner, group and mode.
bool writeInPlace(const QByteArray& path, const QByteArray& bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Room first, so that a full disk leaves the old contents whole (where the file system can tell).
    bool ok = bytes.isEmpty() || ::fallocate(fd, 0, 0, off_t(bytes.size())) == 0 || errno == EOPNOTSUPP;
    qsizetype done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? n : 0;
    }
    ok = ok && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// One past the last line of the section that starts at `header`.
int sectionEnd(const QVector<Line>& lines, int header)
{
    int i = header + 1;
    while (i < lines.size() && lines[i].view.kind != ini::LineKind::Section)
        ++i;
    return i;
}

} // namespace

IniDocument IniDocument::load(const QString& file)
{
    return load(file, nullptr);
}

IniDocument IniDocument::load(const QString& file, bool* readable)
{
    IniDocument document;
    QFile input(file);
    const bool opened = input.open(QIODevice::ReadOnly);
    if (opened)
        document.m_bytes = input.readAll();
    if (readable)
        *readable = opened || !input.exists();
    return document;
}

IniDocument IniDocument::fromBytes(QByteArray bytes)
{
    IniDocument document;
    document.m_bytes = std::move(bytes);
    return document;
}

void IniDocument::write(const QString& section, const QString& key, const QString& value)
{
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray sectionName = ini::requestedName(toCp1252(section)).toByteArray();
    const QByteArray keyName = ini::requestedName(toCp1252(key)).toByteArray();
    const QByteArray encodedValue = toCp1252(oneLine);

    const QVector<Line> lines = splitLines(m_bytes);
    const int header = findSection(lines, sectionName);
    if (header < 0) {
        if (!m_bytes.isEmpty() && !m_bytes.endsWith('\n'))
            m_bytes += "\r\n";
        m_bytes += '[' + sectionName + "]\r\n" + keyName + '=' + encodedValue + "\r\n";
        return;
    }

    const int end = sectionEnd(lines, header);
    int lastFilled = header;
    for (int i = header + 1; i < end; ++i) {
        const Line& line = lines[i];
        if (line.view.kind == ini::LineKind::Key && ini::sameName(line.view.name, keyName)) {
            // Replaced in place; the file keeps its own spelling of the key.
            const QByteArray replacement = line.view.name.toByteArray() + '=' + encodedValue + "\r\n";
            m_bytes.replace(line.begin, line.next - line.begin, replacement);
            return;
        }
        if (line.view.kind != ini::LineKind::Blank)
            lastFilled = i;
    }

    // A new key follows the last non-blank line of its section, so blank lines that separate
    // it from the next section stay where they are.
    const Line& after = lines[lastFilled];
    QByteArray insertion;
    if (after.next == after.end) // the file's last line has no line end yet
        insertion += "\r\n";
    insertion += keyName + '=' + encodedValue + "\r\n";
    m_bytes.insert(after.next, insertion);
}

void IniDocument::deleteSection(const QString& section)
{
    const QVector<Line> lines = splitLines(m_bytes);
    const QByteArray sectionName = toCp1252(section);
    const int header = findSection(lines, ini::requestedName(sectionName));
    if (header < 0)
        return;
    const int end = sectionEnd(lines, header);
    const qsizetype from = lines[header].begin;
    const qsizetype to = end < lines.size() ? lines[end].begin : m_bytes.size();
    m_bytes.remove(from, to - from);
}

bool IniDocument::save(const QString& file) const
{
    const QByteArray path = QFile::encodeName(file);
    struct stat original {};
    const bool exists = ::stat(path.constData(), &original) == 0;
    QSaveFile output(file);
    if (output.open(QIODevice::WriteOnly)) {
        if (!exists || keepOwnerAndMode(int(output.handle()), original)) {
            if (output.write(m_bytes) != m_bytes.size()) {
                output.cancelWriting();
                return false;
            }
            return output.commit();
        }
        output.cancelWriting();
    }
    // No replacement could be made (a folder that takes no new file, as in a lab where only the
    // file itself is writable): an existing file is written in place.
    return exists && S_ISREG(original.st_mode) && writeInPlace(path, m_bytes);
}
