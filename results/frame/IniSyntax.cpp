#include "IniSyntax.h"

#include "Cp1252.h"

#include <algorithm>
#include <cstring>

namespace ini {

LineView parseLine(QByteArrayView line)
{
    LineView view;
    const QByteArrayView text = trimmed(line);
    if (text.isEmpty())
        return view;
    if (text[0] == ';') {
        view.kind = LineKind::Comment;
        return view;
    }
    if (text[0] == '[') {
        // The name ends at the first "]"; a header without one still opens a section.
        const QByteArrayView rest = text.sliced(1);
        const qsizetype close = rest.indexOf(']');
        view.kind = LineKind::Section;
        view.name = trimmed(close < 0 ? rest : rest.first(close));
        return view;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        view.kind = LineKind::Other;
        return view;
    }
    view.kind = LineKind::Key;
    view.name = trimmed(text.first(equals));
    view.value = trimmed(text.sliced(equals + 1));
    return view;
}

qsizetype LineSplitter::find(char c) const
{
    const void* hit = std::memchr(m_data.data() + m_pos, c, size_t(m_data.size() - m_pos));
    return hit ? static_cast<const char*>(hit) - m_data.data() : m_data.size();
}

bool LineSplitter::next(Line* line)
{
    const qsizetype size = m_data.size();
    if (m_pos >= size)
        return false;
    if (m_cr < m_pos)
        m_cr = find('\r');
    if (m_lf < m_pos)
        m_lf = find('\n');
    const qsizetype end = qMin(m_cr, m_lf);
    qsizetype next = end;
    if (end < size)
        next = m_data[end] == '\r' && end + 1 < size && m_data[end + 1] == '\n' ? end + 2 : end + 1;
    *line = {m_pos, end, next};
    m_pos = next;
    return true;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && cp1252Fold(x) != cp1252Fold(y))
            return false;
    }
    return true;
}

namespace {

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.sliced(1, value.size() - 2);
    return value;
}

bool isAscii(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

QByteArrayView readableValue(QByteArrayView value)
{
    value = unquoted(value);
    return value.first(qMin(value.size(), MaxValueLength));
}

QByteArray encoded(QStringView text, Encoding encoding)
{
    return encoding == Encoding::Cp1252 ? toCp1252(text) : text.toUtf8();
}

QString readValue(QByteArrayView value, Encoding encoding)
{
    if (encoding == Encoding::Cp1252)
        return fromCp1252(readableValue(value));
    // 254 characters never take more than four bytes each.
    const QByteArrayView text = unquoted(value);
    QString decoded = QString::fromUtf8(text.first(qMin(text.size(), 4 * MaxValueLength)));
    if (decoded.size() > MaxValueLength)
        decoded.truncate(decoded[MaxValueLength - 1].isHighSurrogate() ? MaxValueLength - 1 : MaxValueLength);
    return decoded;
}

bool sameUtf8Name(QByteArrayView a, QByteArrayView b)
{
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (asciiLower(a[i]) != asciiLower(b[i]))
                return false;
        return true;
    }
    return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

} // namespace ini
