#pragma once
// Shared by the results window tests: what the window shows.

#include "ClassFigures.h"
#include "ProgramFolder.h"
#include "Resultform.h"
#include "ResultsTableModel.h"
#include "ResultsTableProxies.h"

#include <QRegularExpression>
#include <QTableView>
#include <QTreeWidget>

// The pages of the PDF file at `path`; 0 when it cannot be read.
inline int pdfPages(const QString& path)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(readAll(path)).count(page));
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
