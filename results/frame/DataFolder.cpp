#include "DataFolder.h"

QString WithSeparator(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString ClassFolderPath(const QString& documentFolder, const QString& className)
{
    return WithSeparator(documentFolder) + className;
}

bool IsPupilFileName(QStringView fileName)
{
    return !fileName.contains(QLatin1Char('.'));
}

bool IsPupilFileName(QByteArrayView fileName)
{
    return !fileName.contains('.');
}

bool IsClassDataFile(const QString& fileName)
{
    return IsPupilFileName(fileName) || fileName.contains(QLatin1String(".html")) ||
           fileName.contains(QLatin1String(".csv"));
}
