#include "IniSyntax.h"

#include "Cp1252.h"

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

QByteArrayView readableValue(QByteArrayView value)
{
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.sliced(1, value.size() - 2);
    return value.first(qMin(value.size(), MaxValueLength));
}

} // namespace ini
