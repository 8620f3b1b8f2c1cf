#include "SettingsRules.h"

#include "Runtime.h"

namespace {

// A control property given a value it does not accept (error 380 of the classic runtime).
[[noreturn]] void RaiseInvalidPropertyValue()
{
    throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

} // namespace

QString DefaultDocumentFolder(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + QStringLiteral("Documenten/");
}

QString ShownDocumentFolder(const QString& stored, const QString& programFolder)
{
    return stored.toUpper() == QLatin1String("0") ? DefaultDocumentFolder(programFolder) : stored;
}

QString StoredDocumentFolder(const QString& box, const QString& programFolder)
{
    // Only an exact match apart from capitals: without the trailing separator the text is kept.
    if (box.toUpper() == DefaultDocumentFolder(programFolder).toUpper())
        return QStringLiteral("0");
    return box;
}

Qt::CheckState CheckStateFromSetting(const QString& stored)
{
    switch (CInt(stored)) {
    case 0: return Qt::Unchecked;
    case 1: return Qt::Checked;
    case 2: return Qt::PartiallyChecked;
    default: RaiseInvalidPropertyValue();
    }
}

QString CheckStateSetting(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked: return QStringLiteral("0");
    case Qt::Checked: return QStringLiteral("1");
    case Qt::PartiallyChecked: return QStringLiteral("2");
    }
    return QStringLiteral("0");
}

int PassGradeFromSetting(const QString& stored)
{
    const int grade = CInt(stored);
    if (grade < PassGradeMinimum || grade > PassGradeMaximum)
        RaiseInvalidPropertyValue();
    return grade;
}
