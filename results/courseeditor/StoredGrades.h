#pragma once
// What a renamed test does to the grades already stored: pupils' result files file each grade
// under the test's name, so a new name leaves the old grades out of every table.

#include "CourseTree.h"

#include <QString>
#include <QVector>

// For each name, how many pupils' files in all classes of `documentFolder` hold a grade under it.
QVector<int> CountFilesWithGrades(const QString& documentFolder, const QStringList& testNames);

// The question asked before such a save, or the empty text when no file holds such grades.
QString HiddenGradesQuestion(const QVector<TestRename>& renames, const QVector<int>& counts);

// The test names of `current` that `replacement` does not have (capitals ignored, as a pupil's
// file looks a grade up), in module order: their grades vanish once `replacement` is in force.
QStringList TestsMissingFrom(const IniReader& current, const IniReader& replacement);
// The question asked before the factory course replaces the course, or the empty text when no
// file holds grades under `tests`.
QString DroppedGradesQuestion(const QStringList& tests, const QVector<int>& counts);
