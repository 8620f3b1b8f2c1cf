#include "modPublic.h"

#include "DataFolder.h"
#include "INIfunc.h"
#include "IniNames.h"
#include "SafeSave.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>

QString ProgramFolder;
QString SettingsFile;
QString CourseFile;
QString DefaultCourseFile;
QString MovieFolder;
QString DocumentFolder;

namespace {

QString runningProgramFolder()
{
    if (QCoreApplication::instance())
        return WithSeparator(QCoreApplication::applicationDirPath());
    return WithSeparator(QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).path());
}

} // namespace

void SetPaths()
{
    SetPaths(runningProgramFolder());
}

void SetPaths(const QString& programFolder)
{
    ProgramFolder = WithSeparator(programFolder);
    SettingsFile = ProgramFolder + QStringLiteral("Instellingen.ini");
    CourseFile = ProgramFolder + QStringLiteral("swf/Omschrijving.ini");
    DefaultCourseFile = ProgramFolder + QStringLiteral("swf/STDOmschrijving.ini");
    MovieFolder = ProgramFolder + QStringLiteral("swf/");
}

void SetDocumentFolder()
{
    DocumentFolder = DocumentFolderOf(ReadINI(SettingsFile, ProfileSection, DocumentFolderKey, QStringLiteral("0")));
}

QString DocumentFolderOf(const QString& stored)
{
    const QString programFolder = ProgramFolder.isEmpty() ? runningProgramFolder() : ProgramFolder;
    if (IsDefaultDocumentSetting(stored))
        return programFolder + QStringLiteral("Documenten/");
    return WithSeparator(stored);
}

bool IsDefaultDocumentSetting(const QString& stored)
{
    // "00" or a quoted " 0" are folder names; only the exact "0" and no name at all are not.
    return stored == QLatin1String("0") || stored.trimmed().isEmpty();
}

bool SettingsFileUnreadable(int* error)
{
    int reason = 0;
    if (!IsUnreadable(SettingsFile, &reason) || reason == EISDIR)
        return false;
    *error = reason;
    return true;
}
