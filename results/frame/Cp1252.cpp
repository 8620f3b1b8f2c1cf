#include "Cp1252.h"

#include <array>

namespace {

// 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value, as Windows does.
// speech has the same table; results may not link speech, so it keeps its own.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t toUnicode(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : char16_t(byte);
}

int fromUnicode(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i)
        if (HighControls[i] == c)
            return 0x80 + i;
    return -1;
}

struct FoldTable {
    std::array<unsigned char, 256> bytes{};
    FoldTable()
    {
        for (int b = 0; b < 256; ++b) {
            const QChar lower = QChar(toUnicode(static_cast<unsigned char>(b))).toLower();
            const int folded = fromUnicode(lower.unicode());
            bytes[b] = static_cast<unsigned char>(folded >= 0 ? folded : b);
        }
    }
};

const FoldTable foldTable;

} // namespace

QString fromCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray toCp1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode()))
            ++i; // one character outside the BMP gives one '?'
        const int b = fromUnicode(c);
        bytes.append(b >= 0 ? char(b) : '?');
    }
    return bytes;
}

unsigned char cp1252Fold(unsigned char byte)
{
    return foldTable.bytes[byte];
}
