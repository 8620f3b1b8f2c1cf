#pragma once
// How the settings window turns stored "Profiel" values into control states and back.
// Kept apart from the window so the stored forms can be checked without one.

#include <QString>
#include <Qt>

// The program folder followed by "Documenten/": the data folder that is stored as "0".
QString DefaultDocumentFolder(const QString& programFolder);

// The text shown for a stored "Documenten" value: "0" becomes the default folder.
QString ShownDocumentFolder(const QString& stored, const QString& programFolder);

// The value stored for the folder box: "0" when it names the default folder (capitals ignored),
// otherwise the text exactly as typed.
QString StoredDocumentFolder(const QString& box, const QString& programFolder);

// A stored check-box value: 0, 1 or 2 (the greyed state). Not a number raises "Type mismatch",
// beyond 16 bits "Overflow", any other number "Invalid property value".
Qt::CheckState CheckStateFromSetting(const QString& stored);
QString CheckStateSetting(Qt::CheckState state);

// A stored pass grade, 1 to 100, with the same errors as above.
int PassGradeFromSetting(const QString& stored);

inline constexpr int PassGradeMinimum = 1;
inline constexpr int PassGradeMaximum = 100;
