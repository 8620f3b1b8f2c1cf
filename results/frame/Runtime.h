#pragma once
// Number rules of the classic BASIC runtime the program's users and files depend on:
// number reading of grade texts, 16-bit integers with ties-to-even rounding and an overflow
// error, number-to-text for labels, and locale text-to-integer. Everything else calls these.

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <exception>
#include <string>

// A runtime error with its number and description (6 "Overflow", 13 "Type mismatch").
class RuntimeError : public std::exception {
public:
    RuntimeError(int number, QString description);
    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_description;
    std::string m_what;
};

[[noreturn]] void RaiseOverflow();     // error 6 "Overflow"
[[noreturn]] void RaiseTypeMismatch(); // error 13 "Type mismatch"

// Reads the leading number of a text: blanks anywhere skipped, sign, one ".", E/D exponent, &H/&O;
// the first other character ("%" and "&" too) ends it.
double Val(const QString& text);
// True when Val finds a number at the start of the text (a digit, after blanks and a sign, or
// the digits of &H/&O), not only the 0 it gives for "ziek", "-" or "".
bool HasLeadingNumber(const QString& text);

// Nearest integer, a tie to the even one; outside the 16-bit range raises Overflow.
qint16 CInt(double value);
// Text to integer with the locale's separators; "Type mismatch" or "Overflow".
qint16 CInt(const QString& text, const QLocale& locale = QLocale());

// 16-bit integer addition with the Overflow error.
qint16 AddInteger(qint16 a, qint16 b);

// The label form of a number: up to 15 significant digits, no trailing zeros, the locale's
// decimal separator, no grouping.
QString NumberText(double value, const QLocale& locale = QLocale());
