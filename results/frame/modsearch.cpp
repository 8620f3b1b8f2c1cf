#include "modsearch.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>
#include <algorithm>

namespace {

// Blanks only, as the stored folder texts are trimmed.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimLeadingBlanks(const QString& text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == QLatin1Char(' '))
        ++begin;
    return text.sliced(begin);
}

// Only on the window's thread: a listing made by a worker thread lets nothing run.
void letEventsRun()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents();
}

// Case-insensitive first, so "4a" and "4B" stay together; ties broken by code points to keep
// the order fixed.
bool nameLess(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

template <typename Accept>
void listFolder(QString& folder, QStringList& list, Accept accept)
{
    folder = trimBlanks(folder);
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QFileInfo info(folder);
    if (!info.isDir())
        return;
    QStringList names;
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        letEventsRun();
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (accept(entry))
            names << trimLeadingBlanks(entry.fileName());
    }
    std::sort(names.begin(), names.end(), nameLess);
    list << names;
}

} // namespace

void ListDirs(QString& folder, QStringList& lstDirs)
{
    listFolder(folder, lstDirs, [](const QFileInfo& entry) {
        return entry.isDir() && !entry.fileName().startsWith(QLatin1Char('.'));
    });
}

void ListFiles(QString& folder, QStringList& LstFiles)
{
    // Regular files only: a pipe or device in a class folder would block the reads.
    listFolder(folder, LstFiles, [](const QFileInfo& entry) {
        return entry.isFile() && !entry.fileName().contains(QLatin1Char('.'));
    });
}

QString ShownName(const QString& listedName)
{
    return listedName;
}
