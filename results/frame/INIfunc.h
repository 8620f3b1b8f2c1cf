#pragma once
// Profile-string access to INI files, every call straight to disk (nothing is cached).
// Files are Windows-1252 on disk; names match without regard to case, spaces around a requested
// name do not count (a tab does); values are at most 254 characters. Writes run under the file's
// lock (IniDocument::update) and replace it in one step; a write returns false when it was lost
// (most callers ignore that, as the profile functions' callers do).

#include <QString>

QString ReadINI(const QString& file, const QString& section, const QString& key, const QString& defaultValue);
bool WriteINI(const QString& file, const QString& section, const QString& key, const QString& value);
bool DeleteINISection(const QString& file, const QString& section);

// The text ReadINI returns for `value` once WriteINI has stored it: one line, trimmed, one pair
// of enclosing quotes removed, in the file's code page, at most 254 characters.
QString ReadBackValue(const QString& value);
