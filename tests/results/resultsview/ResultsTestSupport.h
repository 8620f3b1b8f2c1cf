#pragma once
// Shared by the results window tests: one QApplication for the process and a throw-away program
// folder with a course description and classes of pupils' files.

#include "ClassFigures.h"
#include "Resultform.h"
#include "ResultsTableModel.h"
#include "ResultsTableProxies.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTableView>
#include <QTreeWidget>
#include <QVector>
#include <utility>

inline QApplication& testApp()
{
    static int argc = 1;
    static char name[] = "resultsview-tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of failed tests may outlive the test body.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// The class node named `name` under the tree's root, or null.
inline QTreeWidgetItem* findClassNode(const Resultform& form, const QString& name)
{
    QTreeWidgetItem* root = form.TreeView->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i)
        if (root->child(i)->text(0) == name)
            return root->child(i);
    return nullptr;
}

// The rows of the results table as shown.
inline int shownRowCount(const Resultform& form)
{
    return form.ListView->model()->rowCount();
}

// The shown row of the pupil named `pupil`, or -1.
inline int shownRowOf(const Resultform& form, const QString& pupil)
{
    const QAbstractItemModel* shown = form.ListView->model();
    for (int r = 0; r < shown->rowCount(); ++r)
        if (shown->index(r, 0).data().toString() == pupil)
            return r;
    return -1;
}

// The text of the cell in shown row `row` and creation column `column`.
inline QString shownCell(const Resultform& form, int row, int column)
{
    return form.ListView->model()->index(row, form.shownColumns()->shownColumn(column)).data().toString();
}

// The column captions in the order shown.
inline QStringList shownHeaders(const Resultform& form)
{
    QStringList captions;
    const QAbstractItemModel* shown = form.ListView->model();
    for (int c = 0; c < shown->columnCount(); ++c)
        captions << shown->headerData(c, Qt::Horizontal).toString();
    return captions;
}

class TestProgram {
public:
    TestProgram() { QDir(m_dir.path()).mkpath(QStringLiteral("swf")); }

    QString path() const { return m_dir.path() + QLatin1Char('/'); }
    QString documents() const { return path() + QStringLiteral("Documenten/"); }

    void writeFile(const QString& relative, const QByteArray& bytes) const
    {
        const QString full = path() + relative;
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }

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

// Figures as "caption:count:mean:lowest:highest:below " per column, for comparing at a glance.
inline QString DescribeFigures(const QVector<ColumnFigures>& figures)
{
    QString text;
    for (const ColumnFigures& f : figures)
        text += QStringLiteral("%1:%2:%3:%4:%5:%6 ")
                    .arg(f.caption)
                    .arg(f.count)
                    .arg(f.meanText(), f.lowestText(), f.highestText())
                    .arg(f.below);
    return text;
}
