#include "ClassFill.h"

#include "CourseFile.h"
#include "IniReader.h"
#include "PupilResults.h"
#include "modsearch.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

QThreadPool* FileReaders(FileSource source)
{
    static QThreadPool share, localDisk;
    static const bool sized =
        (share.setMaxThreadCount(16), localDisk.setMaxThreadCount(std::max(2, QThread::idealThreadCount())), true);
    Q_UNUSED(sized);
    return source == FileSource::Share ? &share : &localDisk;
}

ClassListing ReadClassListing(FileSource source, const QString& classFolder, const QString& courseFile)
{
    ClassListing listing;
    listing.source = source;
    const IniReader course(courseFile);
    listing.moduleNames = ReadModuleNames(course);
    listing.testNames = ReadTestNames(course, int(listing.moduleNames.size()));
    listing.folder = classFolder;
    ListFiles(listing.folder, listing.pupils);
    return listing;
}

QFuture<QStringList> ReadPupilGrades(const ClassListing& listing)
{
    return QtConcurrent::mapped(FileReaders(listing.source), listing.pupils,
                                [folder = listing.folder, tests = listing.testNames](const QString& pupil) {
                                    const IniReader file(folder + pupil, IniReader::Links::Refuse);
                                    QStringList grades;
                                    grades.reserve(tests.size());
                                    for (const QString& test : tests)
                                        grades << ReadGrade(file, test);
                                    return grades;
                                });
}
