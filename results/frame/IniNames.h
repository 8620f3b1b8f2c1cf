#pragma once
// Section and key names of the stored INI files: the settings file, the course description and
// the pupils' result files.

#include <QString>

// Settings file.
inline const QString ProfileSection = QStringLiteral("Profiel");
inline const QString DocumentFolderKey = QStringLiteral("Documenten");
inline const QString NewPupilKey = QStringLiteral("Nieuwe leerling");
inline const QString ChangePasswordKey = QStringLiteral("Wijzigen");
inline const QString PrintKey = QStringLiteral("Printen");
inline const QString StartGradeKey = QStringLiteral("Begincijfer");
inline const QString PassGradeKey = QStringLiteral("Voldoende");
inline const QString PasswordSection = QStringLiteral("Scorix");
inline const QString PasswordKey = QStringLiteral("Wachtwoord");

// Course description: the title, then modules m1..m16 with topics o1..o6 (o6 = the test) and
// their movie names.
inline const QString CourseSection = QStringLiteral("Cursus");
inline const QString TitleKey = QStringLiteral("Titel");
inline const QString ModulesSection = QStringLiteral("Modules");
inline const QString MovieKeySuffix = QStringLiteral("swf");

inline constexpr int MaxModules = 16;
inline constexpr int TestTopic = 6;

// "m3"
inline QString ModuleKey(int module)
{
    return QLatin1Char('m') + QString::number(module);
}

// "m3o2"
inline QString TopicKey(int module, int topic)
{
    return ModuleKey(module) + QLatin1Char('o') + QString::number(topic);
}

// "m3o2swf"
inline QString MovieKey(int module, int topic)
{
    return TopicKey(module, topic) + MovieKeySuffix;
}

// Pupil's result file: one key per test name.
inline const QString ResultsSection = QStringLiteral("Resultaten");
