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

// `line` without its line feed.
LineView parseLine(QByteArrayView line);

// Compares two names of the file's code page without regard to case.
bool sameName(QByteArrayView a, QByteArrayView b);

// The stored value as a read returns it: one pair of enclosing quotes removed, at most 254 bytes.
QByteArrayView readableValue(QByteArrayView value);

inline constexpr qsizetype MaxValueLength = 254;

} // namespace ini
