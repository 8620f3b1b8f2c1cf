#pragma once
// Class management: a class is a folder in the pupils' data folder. The file-system work is plain
// functions (raising RuntimeError with a Dutch description); the four context-menu commands below
// add the questions, the failure rule and the closing refresh, and know nothing of widgets.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Texts shown by the commands.
inline const QString WarningTitle = QStringLiteral("Waarschuwing!");
inline const QString SelectClassFirst =
    QStringLiteral("U moet eerste een klas selecteren voordat u deze actie kan uitvoeren!");
inline const QString ClassNotEmpty =
    QStringLiteral("Er staan nog bestanden in de map,\r\nde klas kan niet verwijderd worden!");

// The description and error number of a failed file-system call, from its errno value.
// Every platform failure the class commands and the report can meet is described here.
struct FileSystemFailure {
    int number;
    QString description;
};
FileSystemFailure DescribeFileSystemFailure(int errnoValue);
// A path that was not found is named by the folder that should hold `path`, when given.
[[noreturn]] void RaiseFileSystemError(int errnoValue, const QString& path = QString());

// The name of a class folder must stay inside the data folder: no "/", no "\", not "." or "..",
// no NUL. Raises the "invalid name" error otherwise.
void CheckClassName(const QString& name);
// A name for a new or renamed class must also come back as typed in the class tree: the listing
// hides names beginning with "." and drops leading blanks, and a class folder is opened without
// trailing blanks. Raises the "invalid name" error otherwise.
void CheckNewClassName(const QString& name);

// Said when a class folder is no longer there (renamed or removed, perhaps on another PC).
QString ClassGoneText(const QString& name);

// What emptying or deleting a class takes with it, for its question: "Dit verwijdert de bestanden
// van 3 leerlingen en 1 opgeslagen overzicht."
QString ClassFilesGoingText(qsizetype pupils, qsizetype exports);

// `documentFolder` ends in "/". Each raises RuntimeError on failure. A new name that differs only in
// case from a name in the data folder is taken ("Map bestaat al").
void CreateClassFolder(const QString& documentFolder, const QString& name);
// Renaming onto an existing folder or file fails; renaming to the same name does nothing, to
// another case of the same name changes the case.
void RenameClassFolder(const QString& documentFolder, const QString& oldName, const QString& newName);
// Deletes the data files of the class; files deleted before a failure stay deleted. Hidden files,
// subfolders and other files stay. A file without the owner's write permission counts as
// read-only and stops the emptying.
void EmptyClassFolder(const QString& documentFolder, const QString& name);
// Removes the (now empty) class folder; false when it could not be removed.
bool RemoveClassFolder(const QString& documentFolder, const QString& name);
// What keeps the class from being deleted as a whole, named for the teacher: what emptying keeps
// (other files, hidden files, "sub (map)") and data files that cannot be deleted
// ("Kees (alleen-lezen)"). Raises RuntimeError when the class folder is missing or a folder refuses
// the deletion. Empty when the whole class can go.
QStringList ClassDeleteBlockers(const QString& documentFolder, const QString& name);

// What the commands need of the results window.
struct ClassCommandTarget {
    QWidget* parent = nullptr;
    QString documentFolder; // ends in "/"
    QString nodeText;       // SelectedNode's text and key
    QString nodeKey;
    // The refresh: lists the classes anew and shows the class named `className` again, the root
    // when it is empty or gone; the count and average then describe the rows shown.
    std::function<void(const QString& className)> refresh;
};

// A node is a class when its text is not empty and its key is not "root".
bool IsClassNode(const QString& nodeText, const QString& nodeKey);

// When the target's class folder is gone, or is a link, says so and refreshes; true then.
bool ReportClassGone(const ClassCommandTarget& target);

void KlasAanmaken(const ClassCommandTarget& target);
void KlasHernoemen(const ClassCommandTarget& target);
void KlasLeegmaken(const ClassCommandTarget& target);
void KlasVerwijderen(const ClassCommandTarget& target);
