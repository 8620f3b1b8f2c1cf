#pragma once
// Reading the course description file: title, modules m1..m16, topics o1..o6 (o6 = the test)
// and their movie names. The section and key names are in IniNames.h.

#include "IniNames.h"
#include "IniReader.h"

#include <QString>
#include <QStringList>
#include <QVector>

class IniReader;

struct CourseTopic {
    int number = 0; // 1..5 ordinary topics, 6 the test
    QString name;
    QString movie;
};

struct CourseModule {
    int number = 0; // the i of "m" + i (may have gaps in a hand-edited file)
    QString name;
    QVector<CourseTopic> topics; // in number order; the test is always last
};

struct Course {
    QString title;
    QVector<CourseModule> modules;
};

QString ReadCourseTitle(const QString& courseFile);
// The names of m1..m16 that are not empty, in number order (the results table's columns).
QStringList ReadModuleNames(const QString& courseFile);
// The same from one reading of the course file.
QStringList ReadModuleNames(const IniReader& course);
// The numbers of those modules, in the same order (1, 2, 4 for a course whose module 3 is gone).
QVector<int> ReadModuleNumbers(const IniReader& course);
// The whole contents, with the " Test" rule for a missing test name.
Course ReadCourse(const QString& courseFile);
// The same from one reading, such as the bytes a window keeps to see later changes against.
Course ReadCourse(const IniReader& reading);
