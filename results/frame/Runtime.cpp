#include "Runtime.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

RuntimeError::RuntimeError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(m_description.toStdString())
{
}

void RaiseOverflow()
{
    throw RuntimeError(6, QStringLiteral("Overflow"));
}

void RaiseTypeMismatch()
{
    throw RuntimeError(13, QStringLiteral("Type mismatch"));
}

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Converts a digit string "[-]digits[.digits][e[-]digits]" exactly, without locale or
// strtod's extra forms. Too large raises Overflow; too small gives zero.
double convertDigits(const std::string& digits, bool negative, long long decimalExponent)
{
    double value = 0;
    const auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (decimalExponent > 0)
            RaiseOverflow();
        value = 0;
    }
    if (std::isinf(value))
        RaiseOverflow();
    return negative ? -value : value;
}

// "&H..." / "&O..." after the "&": the digits' value with the runtime's 16- and 32-bit
// two's-complement readings and the optional "%" / "&" suffix.
double radixValue(const QString& text, qsizetype pos)
{
    if (pos >= text.size())
        return 0;
    const QChar kind = text[pos].toUpper();
    if (kind != QLatin1Char('H') && kind != QLatin1Char('O'))
        return 0;
    const int radix = kind == QLatin1Char('H') ? 16 : 8;
    const int maxDigits = radix == 16 ? 16 : 22;
    quint64 value = 0;
    int digits = 0;
    ++pos;
    for (; pos < text.size(); ++pos) {
        const int digit = hexDigit(text[pos]);
        if (digit < 0 || digit >= radix)
            break;
        if (digits == 0 && digit == 0)
            continue; // leading zeros are not significant
        if (digits == maxDigits)
            RaiseOverflow();
        value = value * radix + digit;
        ++digits;
    }
    const QChar suffix = pos < text.size() ? text[pos] : QChar();
    if (suffix == QLatin1Char('%')) {
        if (value > 0xFFFF)
            RaiseOverflow();
        return qint16(quint16(value));
    }
    if (suffix == QLatin1Char('&')) {
        if (value > 0xFFFFFFFFu)
            RaiseOverflow();
        return qint32(quint32(value));
    }
    if (value >= 0x8000 && value <= 0xFFFF)
        return qint16(quint16(value));
    if (value >= 0x80000000u && value <= 0xFFFFFFFFu)
        return qint32(quint32(value));
    return double(qint64(value));
}

} // namespace

double Val(const QString& input)
{
    // Blanks, tabs and line feeds do not count anywhere in the text.
    QString text;
    text.reserve(input.size());
    for (QChar c : input)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            text += c;

    if (text.startsWith(QLatin1Char('&')))
        return radixValue(text, 1);

    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
        negative = text[pos] == QLatin1Char('-');
        ++pos;
    }
    std::string digits;
    long long integerDigits = 0;
    bool leading = true;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) {
        digits += char(text[pos].unicode());
        if (leading && text[pos] == QLatin1Char('0'))
            continue;
        leading = false;
        ++integerDigits;
    }
    if (pos < text.size() && text[pos] == QLatin1Char('.')) {
        ++pos;
        digits += '.';
        for (; pos < text.size() && isDigit(text[pos]); ++pos)
            digits += char(text[pos].unicode());
    }
    if (digits.empty() || digits == ".")
        digits = "0";
    else if (digits.front() == '.')
        digits.insert(digits.begin(), '0');

    long long exponent = 0;
    if (pos < text.size()) {
        const QChar e = text[pos].toUpper();
        if (e == QLatin1Char('E') || e == QLatin1Char('D')) {
            ++pos;
            bool negativeExponent = false;
            if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
                negativeExponent = text[pos] == QLatin1Char('-');
                ++pos;
            }
            for (; pos < text.size() && isDigit(text[pos]); ++pos)
                if (exponent < 100000000)
                    exponent = exponent * 10 + (text[pos].unicode() - '0');
            if (negativeExponent)
                exponent = -exponent;
            digits += 'e' + std::to_string(exponent);
        }
    }
    // A "%" or "&" after the number ends it like any other character: "7.5%" is 7.5, not the
    // old runtime's Type mismatch, so a stray suffix in a grade never stops the table fill.
    return convertDigits(digits, negative, integerDigits + exponent);
}

bool HasLeadingNumber(const QString& input)
{
    QString text;
    for (QChar c : input)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            text += c;
    if (text.startsWith(QLatin1Char('&'))) {
        const QChar kind = text.size() > 1 ? text[1].toUpper() : QChar();
        const int radix = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        const int digit = text.size() > 2 ? hexDigit(text[2]) : -1;
        return radix != 0 && digit >= 0 && digit < radix;
    }
    qsizetype pos = 0;
    if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-')))
        ++pos;
    if (pos < text.size() && text[pos] == QLatin1Char('.'))
        ++pos;
    return pos < text.size() && isDigit(text[pos]);
}

qint16 CInt(double value)
{
    // The accepted range is -32768.5 <= x < 32767.5; the tie at -32768.5 goes to the even -32768.
    if (!(value >= -32768.5 && value < 32767.5))
        RaiseOverflow();
    const double rounded = std::nearbyint(value); // default rounding mode: ties to even
    return qint16(rounded);
}

namespace {

bool startsWithAt(const QString& text, qsizetype pos, const QString& part)
{
    return !part.isEmpty() && QStringView(text).sliced(pos).startsWith(part);
}

bool isSpace(QChar c)
{
    return c.isSpace();
}

} // namespace

qint16 CInt(const QString& input, const QLocale& locale)
{
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    const QString currency = locale.currencySymbol();
    const QString text = input.trimmed();

    qsizetype pos = 0;
    bool negative = false;
    bool signSeen = false;
    bool parenthesis = false;
    bool currencySeen = false;

    auto skipSpaces = [&] {
        while (pos < text.size() && isSpace(text[pos]))
            ++pos;
    };
    // Leading sign, parenthesis and currency symbol, in any order, each once.
    for (;;) {
        if (pos < text.size() && !signSeen && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
            negative = text[pos] == QLatin1Char('-');
            signSeen = true;
            ++pos;
        } else if (pos < text.size() && !signSeen && text[pos] == QLatin1Char('(')) {
            negative = parenthesis = signSeen = true;
            ++pos;
        } else if (!currencySeen && startsWithAt(text, pos, currency)) {
            currencySeen = true;
            pos += currency.size();
        } else {
            break;
        }
        skipSpaces();
    }

    if (pos + 1 < text.size() && text[pos] == QLatin1Char('&')) {
        const QChar kind = text[pos + 1].toUpper();
        const int radix = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        if (radix == 0)
            RaiseTypeMismatch();
        pos += 2;
        quint64 value = 0;
        int count = 0;
        for (; pos < text.size(); ++pos) {
            const int digit = hexDigit(text[pos]);
            if (digit < 0 || digit >= radix)
                break;
            value = value * radix + digit;
            if (value > 0xFFFFFFFFu)
                RaiseOverflow();
            ++count;
        }
        if (count == 0 || pos != text.size() || signSeen || currencySeen)
            RaiseTypeMismatch();
        // Hexadecimal and octal text is a 16-bit (or 32-bit) bit pattern.
        const qint64 signedValue = value <= 0xFFFF ? qint16(quint16(value)) : qint32(quint32(value));
        return CInt(double(signedValue));
    }

    std::string digits;
    bool anyDigit = false;
    for (; pos < text.size();) {
        if (isDigit(text[pos])) {
            digits += char(text[pos].unicode());
            anyDigit = true;
            ++pos;
        } else if (anyDigit && startsWithAt(text, pos, group)) {
            pos += group.size();
        } else {
            break;
        }
    }
    if (startsWithAt(text, pos, decimal)) {
        pos += decimal.size();
        digits += '.';
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            digits += char(text[pos].unicode());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        RaiseTypeMismatch();
    if (pos < text.size() && text[pos].toUpper() == QLatin1Char('E')) {
        ++pos;
        std::string exponent;
        if (pos < text.size() && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-')))
            exponent += char(text[pos++].unicode());
        bool exponentDigits = false;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) {
            exponent += char(text[pos].unicode());
            exponentDigits = true;
        }
        if (!exponentDigits)
            RaiseTypeMismatch();
        digits += 'e' + exponent;
    }

    // Trailing sign, closing parenthesis and currency symbol.
    for (;;) {
        skipSpaces();
        if (pos < text.size() && !signSeen && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) {
            negative = text[pos] == QLatin1Char('-');
            signSeen = true;
            ++pos;
        } else if (pos < text.size() && parenthesis && text[pos] == QLatin1Char(')')) {
            parenthesis = false;
            ++pos;
        } else if (!currencySeen && startsWithAt(text, pos, currency)) {
            currencySeen = true;
            pos += currency.size();
        } else {
            break;
        }
    }
    if (pos != text.size() || parenthesis)
        RaiseTypeMismatch();

    if (digits.front() == '.')
        digits.insert(digits.begin(), '0');
    double value = 0;
    const auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        const auto e = digits.find('e');
        if (e == std::string::npos || digits[e + 1] != '-')
            RaiseOverflow();
        value = 0;
    }
    return CInt(negative ? -value : value);
}

qint16 AddInteger(qint16 a, qint16 b)
{
    const int sum = int(a) + int(b);
    if (sum < std::numeric_limits<qint16>::min() || sum > std::numeric_limits<qint16>::max())
        RaiseOverflow();
    return qint16(sum);
}

QString NumberText(double value, const QLocale& locale)
{
    if (value == 0)
        return QStringLiteral("0"); // also -0
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    const auto e = text.find('E');
    if (e != std::string::npos) {
        const int exponent = std::atoi(text.c_str() + e + 1);
        const auto point = text.find('.');
        const int decimals = point == std::string::npos || point > e ? 0 : int(e - point - 1);
        // Small numbers whose digits fit in 15 decimals are written out in full.
        if (exponent < 0 && -exponent + decimals <= 15) {
            std::snprintf(buffer, sizeof buffer, "%.15f", value);
            text = buffer;
            while (text.back() == '0')
                text.pop_back();
            if (text.back() == '.')
                text.pop_back();
        }
    }
    QString result = QString::fromLatin1(text);
    result.replace(QLatin1Char('.'), locale.decimalPoint());
    return result;
}
