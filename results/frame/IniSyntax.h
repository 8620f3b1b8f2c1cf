#pragma once
// How one line of an INI file reads; shared by ReadINI and IniDocument so that reading and
// writing always agree on where sections and keys are.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace ini {

enum class LineKind { Blank, Comment, Section, Key, Other };

struct LineView {
    LineKind kind = LineKind::Blank;
    QByteArrayView name;  // section name (blanks trimmed) or key name (blanks trimmed)
    QByteArrayView value; // key value, blanks trimmed, quotes still on
};

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

inline QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// `line` without its line end.
LineView parseLine(QByteArrayView line);

// A requested section or key name: spaces around it do not count; a tab belongs to the name.
inline QByteArrayView requestedName(QByteArrayView name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && name[begin] == ' ')
        ++begin;
    while (end > begin && name[end - 1] == ' ')
        --end;
    return name.sliced(begin, end - begin);
}

// Cuts the bytes into lines: a line ends at a line feed, a carriage return followed by a line
// feed, or a lone carriage return. Both terminators are searched with memchr, each at most once
// per byte, so a scan costs about what reading the file costs.
class LineSplitter {
public:
    struct Line {
        qsizetype begin; // first byte
        qsizetype end;   // the line end, or the end of the data
        qsizetype next;  // first byte of the next line
    };

    explicit LineSplitter(QByteArrayView data, qsizetype from = 0) : m_data(data), m_pos(from) {}

    bool next(Line* line);

private:
    qsizetype find(char c) const;

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    qsizetype m_cr = -1; // the next carriage return at or after m_pos, or the size
    qsizetype m_lf = -1;
};

// Compares two names of the file's code page without regard to case.
bool sameName(QByteArrayView a, QByteArrayView b);

// The stored value as a read returns it: one pair of enclosing quotes removed, at most 254 bytes.
QByteArrayView readableValue(QByteArrayView value);

inline constexpr qsizetype MaxValueLength = 254;

// A file that begins with the UTF-8 byte-order mark (as some editors save) is UTF-8 text after the
// mark; any other file is Windows-1252.
enum class Encoding { Cp1252, Utf8 };

// The bytes of the mark at the start of `bytes`: 3, or 0 without one.
inline qsizetype markLength(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView("\xEF\xBB\xBF", 3)) ? 3 : 0;
}

inline Encoding encodingOf(QByteArrayView bytes)
{
    return markLength(bytes) > 0 ? Encoding::Utf8 : Encoding::Cp1252;
}

QByteArray encoded(QStringView text, Encoding encoding);

// readableValue as text: for UTF-8 the value is cut to 254 characters rather than bytes.
QString readValue(QByteArrayView value, Encoding encoding);

bool sameUtf8Name(QByteArrayView a, QByteArrayView b);

inline bool sameName(QByteArrayView a, QByteArrayView b, Encoding encoding)
{
    return encoding == Encoding::Cp1252 ? sameName(a, b) : sameUtf8Name(a, b);
}

} // namespace ini
