#include "INIfunc.h"

#include "IniDocument.h"
#include "IniReader.h"

QString ReadINI(const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    return IniReader(file).value(section, key, defaultValue);
}

bool WriteINI(const QString& file, const QString& section, const QString& key, const QString& value)
{
    bool stored = true;
    const bool saved = IniDocument::update(file, [&](IniDocument& document) {
        const QByteArray before = document.bytes();
        stored = document.write(section, key, value);
        return document.bytes() != before;
    });
    return saved && stored;
}

bool DeleteINISection(const QString& file, const QString& section)
{
    return IniDocument::update(file, [&](IniDocument& document) {
        const QByteArray before = document.bytes();
        document.deleteSection(section);
        return document.bytes() != before;
    });
}

QString ReadBackValue(const QString& value)
{
    // The very write and read the file gets, on a document in memory.
    const QString name = QStringLiteral("k");
    IniDocument document;
    document.write(name, name, value);
    return IniReader::ofBytes(document.bytes()).value(name, name, QString());
}
