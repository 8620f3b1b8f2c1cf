#pragma once
// Profile-string access to INI files, every call straight to disk (nothing is cached).
// Files are Windows-1252 on disk; names match without regard to case; values are at most 254
// characters. No operation reports a failure.

#include <QString>

QString ReadINI(const QString& file, const QString& section, const QString& key, const QString& defaultValue);
void WriteINI(const QString& file, const QString& section, const QString& key, const QString& value);
void DeleteINISection(const QString& file, const QString& section);
