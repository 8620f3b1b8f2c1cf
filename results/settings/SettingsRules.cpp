#include "SettingsRules.h"

#include "Cp1252.h"
#include "DataFolder.h"
#include "IniSyntax.h"
#include "Runtime.h"
#include "modPublic.h"

namespace {

// A control property given a value it does not accept (error 380 of the classic runtime).
[[noreturn]] void RaiseInvalidPropertyValue()
{
    throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

} // namespace

QString DefaultDocumentFolder(const QString& programFolder)
{
    return WithSeparator(programFolder) + QStringLiteral("Documenten/");
}

QString ShownDocumentFolder(const QString& stored, const QString& programFolder)
{
    return IsDefaultDocumentSetting(stored) ? DefaultDocumentFolder(programFolder) : stored;
}

QString StoredDocumentFolder(const QString& box, const QString& programFolder)
{
    // An empty value would make the data folder the root of the file system.
    if (box.trimmed().isEmpty())
        return QStringLiteral("0");
    // Only an exact match apart from capitals: without the trailing separator the text is kept.
    if (box.toUpper() == DefaultDocumentFolder(programFolder).toUpper())
        return QStringLiteral("0");
    return box;
}

StoredFormProblem StoredFormProblemOf(const QString& value)
{
    // The same steps as a write followed by a read, one at a time, so the first loss names the cause.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray stored = toCp1252(oneLine);
    if (fromCp1252(stored) != value)
        return StoredFormProblem::Characters;
    if (ini::trimmed(stored).size() != stored.size())
        return StoredFormProblem::Blanks;
    const QByteArrayView read = ini::readableValue(stored);
    if (read.size() == stored.size())
        return StoredFormProblem::None;
    // A cut alone keeps the start of the value; quotes taken off shift it.
    if (stored.size() > ini::MaxValueLength && read == QByteArrayView(stored).first(ini::MaxValueLength))
        return StoredFormProblem::Length;
    return StoredFormProblem::Quotes;
}

QString PasswordRefusalText(StoredFormProblem problem)
{
    switch (problem) {
    case StoredFormProblem::None:
        break;
    case StoredFormProblem::Characters:
        return QStringLiteral("Het nieuwe wachtwoord bevat tekens die niet kunnen worden opgeslagen! "
                              "Gebruik alleen West-Europese letters, cijfers en leestekens.");
    case StoredFormProblem::Blanks:
        return QStringLiteral("Het nieuwe wachtwoord mag niet met een spatie beginnen of eindigen!");
    case StoredFormProblem::Quotes:
        return QStringLiteral("Het nieuwe wachtwoord mag niet tussen aanhalingstekens staan!");
    case StoredFormProblem::Length:
        return QStringLiteral("Het nieuwe wachtwoord mag hoogstens %1 tekens lang zijn!").arg(ini::MaxValueLength);
    }
    return QString();
}

Qt::CheckState CheckStateFromSetting(const QString& stored)
{
    switch (CInt(stored)) {
    case 0:
        return Qt::Unchecked;
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        RaiseInvalidPropertyValue();
    }
}

QString CheckStateSetting(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return QStringLiteral("0");
    case Qt::Checked:
        return QStringLiteral("1");
    case Qt::PartiallyChecked:
        return QStringLiteral("2");
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
