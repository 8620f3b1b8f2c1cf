#include "INIfunc.h"

#include "Cp1252.h"
#include "IniDocument.h"
#include "IniSyntax.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <optional>

namespace {

// Scans the bytes once, without building any table: only the first section of the name is
// searched and its first key of the name wins.
std::optional<QByteArrayView> findValue(QByteArrayView data, QByteArrayView section, QByteArrayView key)
{
    // An empty key name (a test name missing from the course) never finds a line "=value".
    if (key.isEmpty())
        return std::nullopt;
    bool inSection = false;
    bool sectionSeen = false;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const char* start = data.data() + pos;
        const void* lf = std::memchr(start, '\n', size_t(data.size() - pos));
        const qsizetype length = lf ? static_cast<const char*>(lf) - start : data.size() - pos;
        const QByteArrayView line(start, length);
        pos += length + 1;

        qsizetype first = 0;
        while (first < line.size() && ini::isBlank(line[first]))
            ++first;
        if (first == line.size())
            continue;
        if (line[first] == '[') {
            if (inSection)
                return std::nullopt;
            const ini::LineView header = ini::parseLine(line);
            if (!sectionSeen && ini::sameName(header.name, section)) {
                inSection = true;
                sectionSeen = true;
            }
            continue;
        }
        if (!inSection)
            continue;
        const ini::LineView entry = ini::parseLine(line);
        if (entry.kind == ini::LineKind::Key && ini::sameName(entry.name, key))
            return entry.value;
    }
    return std::nullopt;
}

} // namespace

QString ReadINI(const QString& file, const QString& section, const QString& key, const QString& defaultValue)
{
    QFile input(file);
    if (input.open(QIODevice::ReadOnly)) {
        const QByteArray data = input.readAll();
        input.close();
        if (const auto value = findValue(data, toCp1252(section), toCp1252(key)))
            return fromCp1252(ini::readableValue(*value));
    }
    // The default loses its trailing blanks only, and obeys the same length limit.
    QByteArray fallback = toCp1252(defaultValue);
    while (fallback.endsWith(' '))
        fallback.chop(1);
    return fromCp1252(QByteArrayView(fallback).first(qMin(fallback.size(), ini::MaxValueLength)));
}

void WriteINI(const QString& file, const QString& section, const QString& key, const QString& value)
{
    bool readable = true;
    IniDocument document = IniDocument::load(file, &readable);
    // A file that exists but cannot be read is left alone rather than replaced by one key.
    if (!readable)
        return;
    document.write(section, key, value);
    document.save(file);
}

void DeleteINISection(const QString& file, const QString& section)
{
    bool readable = true;
    IniDocument document = IniDocument::load(file, &readable);
    if (!readable || !QFileInfo::exists(file))
        return;
    const QByteArray before = document.bytes();
    document.deleteSection(section);
    if (document.bytes() != before)
        document.save(file);
}

QString ReadBackValue(const QString& value)
{
    // The very write and read the file gets, on a document in memory.
    const QString name = QStringLiteral("k");
    IniDocument document;
    document.write(name, name, value);
    const auto stored = findValue(document.bytes(), toCp1252(name), toCp1252(name));
    return stored ? fromCp1252(ini::readableValue(*stored)) : QString();
}
