#pragma once
// Printing the results table and the class overview: A4 portrait unless the print dialog says
// otherwise, a heading with the class, course title and date on every page, the table's header row
// repeated on every page, columns and rows in the order the table shows them.

#include "ClassFigures.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>

class QAbstractItemModel;
class QPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

struct PrintCell {
    QString text;
    QColor colour; // invalid: black
};

struct PrintTable {
    QStringList headers;
    QVector<QVector<PrintCell>> rows;
};

// The model's header row and rows as it orders them, with the colours it draws cells in.
PrintTable PrintTableFromModel(const QAbstractItemModel& model);

// "Resultaten <titel> - Klas: 4B, datum: 10-12-2026", the date as Dutch write it.
QString PrintHeading(const QString& subject, const QString& courseTitle, const QString& className, const QDate& date);

struct PageRows {
    int first = 0;
    int count = 0;
    bool operator==(const PageRows&) const = default;
};

// How many table rows fit below the header row in `bodyHeight`; at least one.
int RowsPerPage(qreal bodyHeight, qreal headerHeight, qreal rowHeight);
// The rows of every page, `rowsPerPage` at a time; a table without rows still prints one page.
QVector<PageRows> BreakIntoPages(int rowCount, int rowsPerPage);

// Where things go on a page, in the device's units.
struct TablePageLayout {
    QRectF page; // the printable area, origin at its top left
    QFont font;
    QFont headingFont;
    qreal padding = 0;
    qreal headingHeight = 0;
    qreal footerHeight = 0;
    qreal headerHeight = 0;
    qreal rowHeight = 0;
    bool rotatedHeaders = false; // captions too wide for their columns are printed upwards
    QVector<qreal> columnWidths;
    QVector<PageRows> pages;

    qreal tableTop() const { return page.top() + headingHeight; }
    qreal tableBottom() const { return page.bottom() - footerHeight; }
};

// Lays `table` out on pages of `page` (device units of `device`): column widths, header row height,
// row height and the page breaks.
TablePageLayout LayoutTablePages(const PrintTable& table, const QPaintDevice* device, const QRectF& page);

// Heading, header row, the page's rows and "Pagina i van n" of page `pageIndex`.
void PaintTablePage(QPainter& painter, const TablePageLayout& layout, const PrintTable& table, const QString& heading,
                    int pageIndex);
// Header row and `rows` of `table` from `top` on; returns the bottom of the last row.
qreal PaintTableRows(QPainter& painter, const TablePageLayout& layout, const PrintTable& table, qreal top,
                     PageRows rows);

// Every page of `table` on `printer`.
void PrintTablePages(QPrinter* printer, const PrintTable& table, const QString& heading);

// The class overview on one page: heading, `summary` (the pupil count), the figures and the chart.
void PrintOverviewPage(QPrinter* printer, const QVector<ColumnFigures>& figures, const QString& heading,
                       const QString& summary);

// A4 portrait with 15 mm margins: the page the preview starts with.
void PreparePrinter(QPrinter* printer);

// The print command of the results table: preview, print dialog, pages.
void PrintResultsTable(QWidget* parent, const QAbstractItemModel& model, const QString& className,
                       const QString& courseTitle);
