#include "PupilResults.h"

#include "CourseFile.h"
#include "Runtime.h"

namespace {

QString testName(const IniReader& course, int k)
{
    return course.value(QStringLiteral("Modules"), TopicKey(k, TestTopic), QString());
}

} // namespace

QString ReadTestName(const QString& courseFile, int k)
{
    return testName(IniReader(courseFile), k);
}

QStringList ReadTestNames(const QString& courseFile, int count)
{
    return ReadTestNames(IniReader(courseFile), count);
}

QStringList ReadTestNames(const IniReader& course, int count)
{
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << testName(course, k);
    return names;
}

QString ReadGrade(const QString& resultFile, const QString& testName)
{
    return ReadGrade(IniReader(resultFile, IniReader::Links::Refuse), testName);
}

QString ReadGrade(const IniReader& resultFile, const QString& testName)
{
    return resultFile.value(QStringLiteral("Resultaten"), testName, QString());
}

void FinalResult::add(const QString& gradeText)
{
    if (gradeText.isEmpty())
        return;
    // The running sum is an Integer: every step rounds the total, ties to even.
    m_sum = CInt(Val(gradeText) + m_sum);
    m_count = AddInteger(m_count, 1);
}

qint16 FinalResult::value() const
{
    if (m_count == 0)
        return 0;
    return CInt(double(m_sum) / double(m_count));
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
