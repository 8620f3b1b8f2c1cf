#include "ClassFill.h"

#include "CourseFile.h"
#include "IniReader.h"
#include "PupilResults.h"
#include "modsearch.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

QThreadPool* FileReaders()
{
    static QThreadPool pool;
    static const bool sized = (pool.setMaxThreadCount(16), true);
    Q_UNUSED(sized);
    return &pool;
}

ClassListing ReadClassListing(const QString& classFolder, const QString& courseFile)
{
    ClassListing listing;
    const IniReader course(courseFile);
    listing.moduleNames = ReadModuleNames(course);
    listing.testNames = ReadTestNames(course, int(listing.moduleNames.size()));
    listing.folder = classFolder;
    ListFiles(listing.folder, listing.pupils);
    return listing;
}

QFuture<QStringList> ReadPupilGrades(const ClassListing& listing)
{
    return QtConcurrent::mapped(FileReaders(), listing.pupils,
                                [folder = listing.folder, tests = listing.testNames](const QString& pupil) {
                                    const IniReader file(folder + pupil, IniReader::Links::Refuse);
                                    QStringList grades;
                                    grades.reserve(tests.size());
                                    for (const QString& test : tests)
                                        grades << ReadGrade(file, test);
                                    return grades;
                                });
}
