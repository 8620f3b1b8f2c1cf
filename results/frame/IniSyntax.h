#pragma once
// How one line of an INI file reads; shared by ReadINI and IniDocument so that reading and
// writing always agree on where sections and keys are.

#include <QByteArrayView>

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

    explicit LineSplitter(QByteArrayView data, qsizetype from = 0)
        : m_data(data)
        , m_pos(from)
    {
    }

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

} // namespace ini
