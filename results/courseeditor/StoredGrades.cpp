#include "StoredGrades.h"

#include "CourseFile.h"
#include "DataFolder.h"
#include "IniReader.h"
#include "PupilResults.h"
#include "modsearch.h"

QVector<int> CountFilesWithGrades(const QString& documentFolder, const QStringList& testNames)
{
    QVector<int> counts(testNames.size(), 0);
    QString folder = documentFolder;
    QStringList classes;
    ListDirs(folder, classes);
    for (const QString& name : classes) {
        QString classFolder = ClassFolderPath(folder, name);
        QStringList pupils;
        ListFiles(classFolder, pupils);
        for (const QString& pupil : pupils) {
            const IniReader results(classFolder + pupil, IniReader::Links::Refuse);
            for (qsizetype i = 0; i < testNames.size(); ++i)
                if (!ReadGrade(results, testNames.at(i)).isEmpty())
                    ++counts[i];
        }
    }
    return counts;
}

namespace {

QString filesText(int count)
{
    return count == 1 ? QStringLiteral("1 leerlingbestand") : QStringLiteral("%1 leerlingbestanden").arg(count);
}

} // namespace

QString HiddenGradesQuestion(const QVector<TestRename>& renames, const QVector<int>& counts)
{
    QStringList lines;
    for (qsizetype i = 0; i < renames.size() && i < counts.size(); ++i) {
        if (counts.at(i) == 0)
            continue;
        lines << QStringLiteral("\"%1\" heet nu \"%2\": cijfers in %3")
                     .arg(renames.at(i).oldName, renames.at(i).newName, filesText(counts.at(i)));
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("Cijfers die onder de oude naam van een toets zijn opgeslagen, worden na het opslaan "
                          "niet meer getoond:\n\n") +
           lines.join(QLatin1Char('\n')) + QStringLiteral("\n\nWilt u toch opslaan?");
}

QStringList TestsMissingFrom(const IniReader& current, const IniReader& replacement)
{
    const QStringList kept = ReadTestNames(replacement, MaxModules);
    QStringList missing;
    for (const QString& name : ReadTestNames(current, MaxModules))
        if (!name.isEmpty() && !kept.contains(name, Qt::CaseInsensitive) &&
            !missing.contains(name, Qt::CaseInsensitive))
            missing << name;
    return missing;
}

QString DroppedGradesQuestion(const QStringList& tests, const QVector<int>& counts)
{
    QStringList lines;
    for (qsizetype i = 0; i < tests.size() && i < counts.size(); ++i)
        if (counts.at(i) > 0)
            lines << QStringLiteral("\"%1\": cijfers in %2").arg(tests.at(i), filesText(counts.at(i)));
    if (lines.isEmpty())
        return {};
    return QStringLiteral("De standaard cursus heeft deze toetsen niet. Cijfers die eronder zijn opgeslagen, worden "
                          "na het terugzetten niet meer getoond:\n\n") +
           lines.join(QLatin1Char('\n')) + QStringLiteral("\n\nWilt u toch de standaard waarde terug zetten?");
}
