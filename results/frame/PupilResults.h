#pragma once
// What a pupil's result file means: the grade of the k-th module's test, the final result (the
// rounded mean of the grades that hold a number) and the class average over non-zero final results.

#include "IniReader.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

// The test name of module column k: "Modules"/"m" i "o6" of the course file, where i is the
// number of the k-th named module (k itself in a course without gaps), default empty.
QString ReadTestName(const QString& courseFile, int k);
// The test names of module columns 1..count from one reading of the course file.
QStringList ReadTestNames(const QString& courseFile, int count);
QStringList ReadTestNames(const IniReader& course, int count);
// The pupil's grade text for a test: "Resultaten"/testName of the result file, default empty.
QString ReadGrade(const QString& resultFile, const QString& testName);
// The same from one reading of the pupil's file, so that a row shows one consistent state of it.
QString ReadGrade(const IniReader& resultFile, const QString& testName);

// The number a grade text counts as: its leading number read with Val, a decimal comma read as a
// point ("7,5" is 7.5). None for a text without a leading number ("", "ziek", "-").
std::optional<double> GradeNumber(const QString& gradeText);

// Final result of one pupil, fed grade texts in module order: the exact mean of the grades that
// hold a number, rounded half up (4.5 gives 5, 6.75 gives 7).
class FinalResult {
public:
    // A text without a number does not count. A number outside the 16-bit range raises Overflow.
    void add(const QString& gradeText);
    bool hasResult() const { return m_count > 0; }
    // The final result; 0 when there is no result.
    qint16 value() const;
    // The cell text: the decimal final result, or empty when there is no result.
    QString text() const;

private:
    double m_sum = 0;
    int m_count = 0;
};

// Class total and count over the pupils whose final result is not 0.
class ClassAverage {
public:
    void add(qint16 finalResult); // 0 is left out; raises Overflow
    qint16 counted() const { return m_counted; }
    // The average label: NumberText(total / counted), or "0" when nobody counted.
    QString text(const QLocale& locale = QLocale()) const;

private:
    qint16 m_total = 0;
    qint16 m_counted = 0;
};
