#pragma once
// What a pupil's result file means: the grade of the k-th module's test, the final result
// (16-bit running sum, ties to even) and the class average over non-zero final results.

#include "IniReader.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The test name of module column k: "Modules"/"m" k "o6" of the course file, default empty.
QString ReadTestName(const QString& courseFile, int k);
// The test names of module columns 1..count from one reading of the course file.
QStringList ReadTestNames(const QString& courseFile, int count);
QStringList ReadTestNames(const IniReader& course, int count);
// The pupil's grade text for a test: "Resultaten"/testName of the result file, default empty.
QString ReadGrade(const QString& resultFile, const QString& testName);
// The same from one reading of the pupil's file, so that a row shows one consistent state of it.
QString ReadGrade(const IniReader& resultFile, const QString& testName);

// Final result of one pupil, fed grade texts in module order.
class FinalResult {
public:
    // Empty texts do not count; others are read with Val. Raises Overflow.
    void add(const QString& gradeText);
    bool hasResult() const { return m_count > 0; }
    // The final result; 0 when there is no result. Raises Overflow.
    qint16 value() const;
    // The cell text: the decimal final result, or empty when there is no result.
    QString text() const;

private:
    qint16 m_sum = 0;
    qint16 m_count = 0;
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
