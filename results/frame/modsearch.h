#pragma once
// Folder listings. The folder is normalised in place (trimmed, "/" appended). Entries are
// appended sorted by name; pending UI events run between entries when listed on the
// window's thread. Links are never listed: a pupil's PC can make one, and it may name anything.
//
// Listed names keep the name's own bytes: a name that is not valid UTF-8 (made on another
// system) holds each of its bytes from 0x80 up as U+DC00 + byte. NameBytes turns such names, and
// paths made with them, back into the bytes the file system knows.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Appends the names of the subfolders whose name does not begin with ".".
void ListDirs(QString& folder, QStringList& lstDirs);
// Appends the names of the plain files (no folders, links, pipes or devices) whose name contains
// no ".". A class folder that is a link lists nothing.
void ListFiles(QString& folder, QStringList& LstFiles);

// A file name as the file system returned it, kept without loss.
QString NameFromBytes(QByteArrayView bytes);
// The bytes of a path or name built from listed names (other text goes as UTF-8).
QByteArray NameBytes(const QString& path);

// The text a listed file or folder name is shown by (in the tree, the table and the exports):
// a name that is not UTF-8 reads as Windows-1252, as the pupils' files do.
QString ShownName(const QString& listedName);
