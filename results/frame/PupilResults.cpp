#include "PupilResults.h"

#include "CourseFile.h"
#include "Runtime.h"

#include <cmath>

namespace {

QString testName(const IniReader& course, int module)
{
    return course.value(ModulesSection, TopicKey(module, TestTopic), QString());
}

} // namespace

QString ReadTestName(const QString& courseFile, int k)
{
    const QStringList names = ReadTestNames(courseFile, k);
    return k >= 1 ? names.value(k - 1) : QString();
}

QStringList ReadTestNames(const QString& courseFile, int count)
{
    return ReadTestNames(IniReader(courseFile), count);
}

QStringList ReadTestNames(const IniReader& course, int count)
{
    // The k-th column is headed with the k-th named module; its test is that module's.
    const QVector<int> numbers = ReadModuleNumbers(course);
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << (k <= numbers.size() ? testName(course, numbers[k - 1]) : QString());
    return names;
}

QString ReadGrade(const QString& resultFile, const QString& testName)
{
    return ReadGrade(IniReader(resultFile, IniReader::Links::Refuse), testName);
}

QString ReadGrade(const IniReader& resultFile, const QString& testName)
{
    return resultFile.value(ResultsSection, testName, QString());
}

namespace {

// The grade as the course player writes it, digits with at most one "." or "," and up to 15
// digits in all ("7", "7.5", "6,45"): read at once, to the same double as the full rule (one
// correctly rounded division). Anything else: none, for the full rule to read.
std::optional<double> PlainGrade(const QString& text)
{
    const qsizetype size = text.size();
    if (size == 0 || size > 16)
        return std::nullopt;
    qint64 digits = 0;
    int count = 0;
    int decimals = -1;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits = digits * 10 + (c.unicode() - '0');
            ++count;
            if (decimals >= 0)
                ++decimals;
        } else if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && decimals < 0 && count > 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (count > 15 || decimals == 0)
        return std::nullopt;
    static constexpr double tens[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return decimals > 0 ? double(digits) / tens[decimals] : double(digits);
}

} // namespace

std::optional<double> GradeNumber(const QString& gradeText)
{
    if (const std::optional<double> plain = PlainGrade(gradeText))
        return plain;
    QString text = gradeText;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    if (!HasLeadingNumber(text))
        return std::nullopt;
    return Val(text);
}

void FinalResult::add(const QString& gradeText)
{
    const std::optional<double> number = GradeNumber(gradeText);
    if (!number)
        return;
    CInt(*number); // a grade is a 16-bit number: outside that range, Overflow
    m_sum += *number;
    ++m_count;
}

qint16 FinalResult::value() const
{
    if (m_count == 0)
        return 0;
    // Half up, as a spreadsheet's ROUND does for grades; the small margin keeps a mean such as
    // (6.45 + 6.55) / 2, which binary fractions put just below 6.5, a tie.
    const double mean = m_sum / m_count;
    return qint16(std::floor(mean + 0.5 + 1e-9));
}

QString FinalResult::text() const
{
    return hasResult() ? QString::number(value()) : QString();
}

void ClassAverage::add(qint16 finalResult)
{
    if (finalResult == 0)
        return;
    m_total = AddInteger(m_total, finalResult);
    m_counted = AddInteger(m_counted, 1);
}

QString ClassAverage::text(const QLocale& locale) const
{
    if (m_counted == 0)
        return QStringLiteral("0");
    return NumberText(double(m_total) / double(m_counted), locale);
}
