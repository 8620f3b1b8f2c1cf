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

std::optional<double> GradeNumber(const QString& gradeText)
{
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
