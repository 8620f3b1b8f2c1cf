#include "INIfunc.h"

#include "IniDocument.h"
#include "IniReader.h"

#include <QFileInfo>

QString ReadINI(const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    return IniReader(file).value(section, key, defaultValue);
}

bool WriteINI(const QString& file, const QString& section, const QString& key, const QString& value)
{
    bool readable = true;
    IniDocument document = IniDocument::load(file, &readable);
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (!readable)
        return false;
    document.write(section, key, value);
    return document.save(file);
}

bool DeleteINISection(const QString& file, const QString& section)
{
    bool readable = true;
    IniDocument document = IniDocument::load(file, &readable);
    if (!readable)
        return false;
    if (!QFileInfo::exists(file))
        return true;
    const QByteArray before = document.bytes();
    document.deleteSection(section);
    return document.bytes() == before || document.save(file);
}

QString ReadBackValue(const QString& value)
{
    // The very write and read the file gets, on a document in memory.
    const QString name = QStringLiteral("k");
    IniDocument document;
    document.write(name, name, value);
    return IniReader::ofBytes(document.bytes()).value(name, name, QString());
}
