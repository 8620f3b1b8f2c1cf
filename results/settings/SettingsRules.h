#pragma once
// How the settings window turns stored "Profiel" values into control states and back.
// Kept apart from the window so the stored forms can be checked without one.

#include <QString>
#include <Qt>

// The program folder followed by "Documenten/": the data folder that is stored as "0".
QString DefaultDocumentFolder(const QString& programFolder);

// The text shown for a stored "Documenten" value: "0" or an empty value becomes the default folder.
QString ShownDocumentFolder(const QString& stored, const QString& programFolder);

// The value stored for the folder box: "0" when it names the default folder (capitals ignored) or
// is empty or blank, otherwise the text exactly as typed.
QString StoredDocumentFolder(const QString& box, const QString& programFolder);

// Why a value written to the settings file would not read back exactly as written: the file is
// Windows-1252 and a line of its own, a read trims blanks, drops one pair of enclosing quotes and
// keeps at most 254 characters.
enum class StoredFormProblem { None, Characters, Blanks, Quotes, Length };
StoredFormProblem StoredFormProblemOf(const QString& value);

// The refusal shown when a new password would not read back as typed.
QString PasswordRefusalText(StoredFormProblem problem);

// A stored check-box value: 0, 1 or 2 (the greyed state). Not a number raises "Type mismatch",
// beyond 16 bits "Overflow", any other number "Invalid property value".
Qt::CheckState CheckStateFromSetting(const QString& stored);
QString CheckStateSetting(Qt::CheckState state);

// A stored pass grade, 1 to 100, with the same errors as above.
int PassGradeFromSetting(const QString& stored);

inline constexpr int PassGradeMinimum = 1;
inline constexpr int PassGradeMaximum = 100;
