#include "ClassFill.h"

#include "CourseFile.h"
#include "IniReader.h"
#include "PupilResults.h"
#include "modsearch.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The readers give way to the window's thread: on a local disk a read costs CPU only, and 16 of
// them on two cores held the window up for half a second at a time in a class of 50,000 files.
// Once per thread; a share's reads mostly wait for the server, which this does not slow.
void giveWayToTheWindow()
{
    thread_local const bool done = (::setpriority(PRIO_PROCESS, ::gettid(), 10), true);
    Q_UNUSED(done);
}

} // namespace

QThreadPool* FileReaders()
{
    static QThreadPool pool;
    static const bool sized = (pool.setMaxThreadCount(16), true);
    Q_UNUSED(sized);
    return &pool;
}

ClassListing ReadClassListing(const QString& classFolder, const QString& courseFile)
{
    giveWayToTheWindow();
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
                                    giveWayToTheWindow();
                                    const IniReader file(folder + pupil, IniReader::Links::Refuse);
                                    QStringList grades;
                                    grades.reserve(tests.size());
                                    for (const QString& test : tests)
                                        grades << ReadGrade(file, test);
                                    return grades;
                                });
}
