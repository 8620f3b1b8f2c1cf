#pragma once
// What a fill of the results table reads from disk, read off the window's thread: the course's
// columns, the pupils' files of the class folder, and every pupil's grades, several files at a
// time. The window turns them into rows, counts and the average as the results come in.

#include <QFuture>
#include <QString>
#include <QStringList>

class QThreadPool;

// Where a class folder's files are: on a share (polled, see ClassWatcher) or on a local disk.
enum class FileSource { Share, LocalDisk };

// The threads that read pupils' files and poll class folders. A file server answers many
// requests at once, each after a round trip, so a share gets more of them than cores; on a local
// disk a read costs CPU only, and more readers than cores only take turns from the window.
QThreadPool* FileReaders(FileSource source);

struct ClassListing {
    FileSource source = FileSource::LocalDisk;
    QString folder;          // the class folder as ListFiles normalised it ("/" at the end)
    QStringList moduleNames; // the module columns, from the course file as it is now
    QStringList testNames;   // the test of each module column, from the same reading
    QStringList pupils;      // the pupils' files, as ListFiles lists them
};

ClassListing ReadClassListing(FileSource source, const QString& classFolder, const QString& courseFile);

// The grades of the pupils of `listing`, one list per pupil in list order, each from one reading
// of the pupil's file. Cancelling the future stops the reads not yet begun.
QFuture<QStringList> ReadPupilGrades(const ClassListing& listing);
