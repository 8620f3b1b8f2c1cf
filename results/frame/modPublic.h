#pragma once
// Program-wide paths. Paths use "/" where the stored forms use "\"; every folder path ends in "/".

#include <QString>
#include <functional>

extern QString ProgramFolder;
extern QString SettingsFile;
extern QString CourseFile;
extern QString DefaultCourseFile;
extern QString MovieFolder;
extern QString DocumentFolder;

inline const QString ApplicationTitle = QStringLiteral("Velmora 5 - Scorix");

// Fills the fixed paths from the folder of the running program.
void SetPaths();
// Same, from a given program folder (tests, and SetPaths itself).
void SetPaths(const QString& programFolder);
// Fills DocumentFolder from the settings file ("0" = the program folder's "Documenten/").
void SetDocumentFolder();
// The data folder that a stored "Documenten" value names, ending in "/".
QString DocumentFolderOf(const QString& stored);
// True when a stored "Documenten" value means the program folder's "Documenten/": exactly "0", or
// empty (blanks only), which would otherwise name the root of the file system.
bool IsDefaultDocumentSetting(const QString& stored);

// True when `SettingsFile` is there but cannot be read (no rights, the share gone), so its values
// are unknown, not defaults; *error gets the errno. A folder in its place reads as no settings file.
bool SettingsFileUnreadable(int* error);
