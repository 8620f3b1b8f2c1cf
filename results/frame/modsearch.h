#pragma once
// Folder listings. The folder is normalised in place (trimmed, "/" appended). Entries are
// appended sorted by name; pending UI events run between entries when listed on the
// window's thread.

#include <QString>
#include <QStringList>

// Appends the names of the subfolders whose name does not begin with ".".
void ListDirs(QString& folder, QStringList& lstDirs);
// Appends the names of the files (not folders) whose name contains no ".".
void ListFiles(QString& folder, QStringList& LstFiles);

// The text a listed file or folder name is shown by (in the tree, the table and the exports).
// Listed names keep what is needed to reach the file again; this is what a teacher reads.
QString ShownName(const QString& listedName);
