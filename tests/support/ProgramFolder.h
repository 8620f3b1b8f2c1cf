#pragma once
// A throw-away program folder (course description, classes of pupils' files) and the two file
// helpers every test writes and reads with.

#include "modPublic.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector>
#include <gtest/gtest.h>
#include <utility>

// Writes `bytes` to `path`, making its folders; a failed write fails the test.
inline void store(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size()) << path.toStdString();
}

// The bytes of `path`, or "<missing>" when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class TestProgram {
public:
    TestProgram() { QDir(m_dir.path()).mkpath(QStringLiteral("swf")); }

    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString documents() const { return path() + QStringLiteral("Documenten/"); }

    void writeFile(const QString& relative, const QByteArray& bytes) const { store(path() + relative, bytes); }

    // Modules 1..n with the given names; the test of module i is "<name> Test".
    void writeCourse(const QString& title, const QStringList& modules) const
    {
        QByteArray text = "[Cursus]\r\nTitel=" + title.toLatin1() + "\r\n[Modules]\r\n";
        for (int i = 0; i < modules.size(); ++i) {
            const QByteArray n = QByteArray::number(i + 1);
            text += "m" + n + "=" + modules.at(i).toLatin1() + "\r\n";
            text += "m" + n + "o6=" + modules.at(i).toLatin1() + " Test\r\n";
        }
        writeFile(QStringLiteral("swf/Omschrijving.ini"), text);
    }

    void makeClass(const QString& className) const { QDir().mkpath(documents() + className); }

    // A pupil's file with grades keyed by test name ("" values are written as empty keys).
    void writePupil(const QString& className, const QString& pupil,
                    const QVector<std::pair<QString, QString>>& grades) const
    {
        QByteArray text = "[Resultaten]\r\n";
        for (const auto& [test, grade] : grades)
            text += test.toLatin1() + "=" + grade.toLatin1() + "\r\n";
        writeFile(QStringLiteral("Documenten/") + className + QLatin1Char('/') + pupil, text);
    }

    // Makes this folder the running program's.
    void use() const
    {
        SetPaths(path());
        SetDocumentFolder();
    }

private:
    QTemporaryDir m_dir;
};
