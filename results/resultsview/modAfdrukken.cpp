#include "modAfdrukken.h"

#include "ClassFigures.h"
#include "MeansChart.h"
#include "Prompts.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

qreal millimetres(const QPaintDevice* device, qreal mm)
{
    return mm * device->logicalDpiY() / 25.4;
}

QFont printFont(qreal points, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Captions printed upwards take at most this much of the page.
constexpr qreal MaxRotatedHeaderMm = 40;
// Names take at most this part of the width; longer ones are cut off with "...".
constexpr qreal MaxFirstColumnShare = 0.35;

const QColor HeaderFill(0xe4, 0xe4, 0xe4);
const QColor StripeFill(0xf4, 0xf4, 0xf4);
const QColor GridLine(0x90, 0x90, 0x90);

QRectF printableArea(QPrinter* printer)
{
    return QRectF(QPointF(0, 0), printer->pageLayout().paintRectPixels(printer->resolution()).size());
}

} // namespace

PrintTable PrintTableFromModel(const QAbstractItemModel& model)
{
    PrintTable table;
    const int columns = model.columnCount();
    for (int c = 0; c < columns; ++c)
        table.headers << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    const int rows = model.rowCount();
    table.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<PrintCell> row;
        row.reserve(columns);
        for (int c = 0; c < columns; ++c) {
            const QModelIndex index = model.index(r, c);
            const QVariant colour = model.data(index, Qt::ForegroundRole);
            row << PrintCell{model.data(index, Qt::DisplayRole).toString(),
                             colour.isValid() ? colour.value<QBrush>().color() : QColor()};
        }
        table.rows << row;
    }
    return table;
}

QString PrintHeading(const QString& subject, const QString& courseTitle, const QString& className, const QDate& date)
{
    const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
    const QString what = courseTitle.isEmpty() ? subject : subject + QLatin1Char(' ') + courseTitle;
    return QStringLiteral("%1 - Klas: %2, datum: %3").arg(what, className, dutch.toString(date, QLocale::ShortFormat));
}

int RowsPerPage(qreal bodyHeight, qreal headerHeight, qreal rowHeight)
{
    if (rowHeight <= 0)
        return 1;
    return std::max(1, int(std::floor((bodyHeight - headerHeight) / rowHeight)));
}

QVector<PageRows> BreakIntoPages(int rowCount, int rowsPerPage)
{
    rowsPerPage = std::max(1, rowsPerPage);
    QVector<PageRows> pages;
    for (int first = 0; first < rowCount; first += rowsPerPage)
        pages << PageRows{first, std::min(rowsPerPage, rowCount - first)};
    if (pages.isEmpty())
        pages << PageRows{0, 0};
    return pages;
}

TablePageLayout LayoutTablePages(const PrintTable& table, const QPaintDevice* device, const QRectF& page)
{
    TablePageLayout layout;
    layout.page = page;
    layout.font = printFont(10);
    layout.headingFont = printFont(12, true);
    layout.padding = millimetres(device, 1.2);
    const QFontMetricsF metrics(layout.font, const_cast<QPaintDevice*>(device));
    const QFontMetricsF headingMetrics(layout.headingFont, const_cast<QPaintDevice*>(device));
    layout.headingHeight = headingMetrics.height() + millimetres(device, 4);
    layout.footerHeight = metrics.height() + millimetres(device, 3);
    layout.rowHeight = metrics.height() + 2 * layout.padding;

    const int columns = int(table.headers.size());
    QVector<qreal> cellWidths(columns, 0);
    QVector<qreal> captionWidths(columns, 0);
    for (int c = 0; c < columns; ++c)
        captionWidths[c] = metrics.horizontalAdvance(table.headers[c]) + 2 * layout.padding;
    for (const QVector<PrintCell>& row : table.rows)
        for (int c = 0; c < columns && c < row.size(); ++c)
            cellWidths[c] = std::max(cellWidths[c], metrics.horizontalAdvance(row[c].text) + 2 * layout.padding);
    const qreal width = page.width();
    if (columns > 0)
        cellWidths[0] = std::min(cellWidths[0], width * MaxFirstColumnShare);

    QVector<qreal> widths(columns);
    qreal natural = 0;
    for (int c = 0; c < columns; ++c)
        natural += widths[c] = std::max(cellWidths[c], captionWidths[c]);
    layout.headerHeight = layout.rowHeight;
    if (natural > width) {
        // Captions across, wrapped onto at most three lines, where the columns are wide enough
        // for every word; upwards otherwise.
        QVector<qreal> narrow = cellWidths;
        qreal cells = 0;
        for (qreal w : narrow)
            cells += w;
        const qreal extra = (width - cells) / std::max(1, columns);
        qreal tallest = 0;
        bool fits = extra >= 0;
        for (int c = 0; fits && c < columns; ++c) {
            narrow[c] += extra;
            const qreal inner = narrow[c] - 2 * layout.padding;
            for (const QString& word : table.headers[c].split(QLatin1Char(' '), Qt::SkipEmptyParts))
                fits = fits && metrics.horizontalAdvance(word) <= inner;
            tallest = std::max(
                tallest, metrics.boundingRect(QRectF(0, 0, inner, 1e6), Qt::TextWordWrap, table.headers[c]).height());
        }
        if (fits && tallest <= 3 * metrics.lineSpacing() + 1) {
            layout.columnWidths = narrow;
            layout.headerHeight = tallest + 2 * layout.padding;
            natural = width;
            widths = narrow;
        } else {
            layout.rotatedHeaders = true;
        }
    }
    if (layout.rotatedHeaders) {
        // The names keep a caption across; the grade columns get the width of their widest
        // cell and a caption upwards, as high as the longest caption needs (within bounds).
        natural = 0;
        qreal longest = 0;
        for (int c = 0; c < columns; ++c) {
            widths[c] = c == 0 ? std::max(cellWidths[0], std::min(captionWidths[0], width * MaxFirstColumnShare))
                               : std::max(cellWidths[c], layout.rowHeight);
            if (c > 0)
                longest = std::max(longest, captionWidths[c]);
            natural += widths[c];
        }
        layout.headerHeight =
            std::clamp(longest + layout.padding, layout.rowHeight, millimetres(device, MaxRotatedHeaderMm));
        if (natural > width && columns > 0) {
            widths[0] = std::max(layout.rowHeight, widths[0] - (natural - width));
            natural = 0;
            for (qreal w : widths)
                natural += w;
        }
    }
    // What is left over widens every column alike, so the table spans the page.
    if (natural < width && columns > 0) {
        const qreal extra = (width - natural) / columns;
        for (qreal& w : widths)
            w += extra;
    }
    layout.columnWidths = widths;

    const qreal body = layout.tableBottom() - layout.tableTop();
    layout.pages = BreakIntoPages(int(table.rows.size()), RowsPerPage(body, layout.headerHeight, layout.rowHeight));
    return layout;
}

qreal PaintTableRows(QPainter& painter, const TablePageLayout& layout, const PrintTable& table, qreal top,
                     PageRows rows)
{
    painter.save();
    painter.setFont(layout.font);
    const QFontMetricsF metrics(layout.font, painter.device());
    const int columns = int(table.headers.size());
    const qreal pad = layout.padding;
    QPen grid(GridLine);
    grid.setWidthF(std::max<qreal>(1, layout.padding / 8));

    // The header row.
    qreal x = layout.page.left();
    for (int c = 0; c < columns; ++c) {
        const QRectF cell(x, top, layout.columnWidths[c], layout.headerHeight);
        painter.fillRect(cell, HeaderFill);
        painter.setPen(grid);
        painter.drawRect(cell);
        painter.setPen(Qt::black);
        if (layout.rotatedHeaders && c > 0) {
            painter.save();
            painter.translate(cell.left(), cell.bottom());
            painter.rotate(-90);
            const QRectF upwards(pad, 0, cell.height() - 2 * pad, cell.width());
            painter.drawText(upwards, Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(table.headers[c], Qt::ElideRight, upwards.width()));
            painter.restore();
        } else {
            const QRectF inner = cell.adjusted(pad, pad, -pad, -pad);
            if (layout.headerHeight > layout.rowHeight)
                painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap, table.headers[c]);
            else
                painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom,
                                 metrics.elidedText(table.headers[c], Qt::ElideRight, inner.width()));
        }
        x += layout.columnWidths[c];
    }

    qreal y = top + layout.headerHeight;
    for (int r = rows.first; r < rows.first + rows.count && r < table.rows.size(); ++r) {
        const QVector<PrintCell>& row = table.rows[r];
        x = layout.page.left();
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, layout.columnWidths[c], layout.rowHeight);
            if ((r - rows.first) % 2 == 1)
                painter.fillRect(cell, StripeFill);
            painter.setPen(grid);
            painter.drawRect(cell);
            const PrintCell value = row.value(c);
            painter.setPen(value.colour.isValid() ? value.colour : QColor(Qt::black));
            const QRectF inner = cell.adjusted(pad, 0, -pad, 0);
            painter.drawText(inner, (c == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                             metrics.elidedText(value.text, Qt::ElideRight, inner.width()));
            x += layout.columnWidths[c];
        }
        y += layout.rowHeight;
    }
    painter.restore();
    return y;
}

void PaintTablePage(QPainter& painter, const TablePageLayout& layout, const PrintTable& table, const QString& heading,
                    int pageIndex)
{
    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(layout.headingFont);
    const QFontMetricsF headingMetrics(layout.headingFont, painter.device());
    painter.drawText(QRectF(layout.page.left(), layout.page.top(), layout.page.width(), headingMetrics.height()),
                     Qt::AlignLeft | Qt::AlignTop,
                     headingMetrics.elidedText(heading, Qt::ElideRight, layout.page.width()));
    painter.restore();

    PaintTableRows(painter, layout, table, layout.tableTop(), layout.pages.value(pageIndex));

    painter.save();
    painter.setFont(layout.font);
    painter.setPen(Qt::black);
    const QString footer = QStringLiteral("Pagina %1 van %2").arg(pageIndex + 1).arg(layout.pages.size());
    painter.drawText(QRectF(layout.page.left(), layout.tableBottom(), layout.page.width(), layout.footerHeight),
                     Qt::AlignRight | Qt::AlignBottom, footer);
    painter.restore();
}

void PreparePrinter(QPrinter* printer)
{
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

void PrintTablePages(QPrinter* printer, const PrintTable& table, const QString& heading)
{
    const TablePageLayout layout = LayoutTablePages(table, printer, printableArea(printer));
    QPainter painter(printer);
    for (int p = 0; p < layout.pages.size(); ++p) {
        if (p > 0)
            printer->newPage();
        PaintTablePage(painter, layout, table, heading, p);
    }
}

void PrintOverviewPage(QPrinter* printer, const QVector<ColumnFigures>& figures, const QString& heading,
                       const QString& summary)
{
    PrintTable table;
    table.headers = FigureHeaders();
    for (const ColumnFigures& column : figures) {
        QVector<PrintCell> row;
        for (const QString& text : FigureRow(column))
            row << PrintCell{text, {}};
        // The mean is red like an insufficient grade in the table.
        if (column.hasNumbers() && IsInsufficient(column.mean()))
            row[2].colour = InsufficientColour;
        table.rows << row;
    }
    const QRectF page = printableArea(printer);
    TablePageLayout layout = LayoutTablePages(table, printer, page);
    QPainter painter(printer);
    // Heading and summary line, then every row on this one page.
    painter.setFont(layout.headingFont);
    const QFontMetricsF headingMetrics(layout.headingFont, printer);
    painter.drawText(QRectF(page.left(), page.top(), page.width(), headingMetrics.height()),
                     Qt::AlignLeft | Qt::AlignTop, headingMetrics.elidedText(heading, Qt::ElideRight, page.width()));
    painter.setFont(layout.font);
    const QFontMetricsF metrics(layout.font, printer);
    const qreal summaryTop = page.top() + headingMetrics.height() + millimetres(printer, 1);
    painter.drawText(QRectF(page.left(), summaryTop, page.width(), metrics.height()), Qt::AlignLeft | Qt::AlignTop,
                     summary);
    const qreal tableTop = summaryTop + metrics.height() + millimetres(printer, 3);
    const qreal tableBottom = PaintTableRows(painter, layout, table, tableTop, PageRows{0, int(table.rows.size())});
    const qreal chartTop = tableBottom + millimetres(printer, 8);
    const qreal chartHeight = std::min(page.bottom() - chartTop, millimetres(printer, 120));
    if (chartHeight > millimetres(printer, 30))
        PaintMeansChart(painter, QRectF(page.left(), chartTop, page.width(), chartHeight), ChartBars(figures),
                        printFont(9));
}

void PrintResultsTable(QWidget* parent, const QAbstractItemModel& model, const QString& className,
                       const QString& courseTitle)
{
    const PrintTable table = PrintTableFromModel(model);
    const QString heading = PrintHeading(QStringLiteral("Resultaten"), courseTitle, className, QDate::currentDate());
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(&printer);
    printer.setDocName(QStringLiteral("Resultaten ") + className);
    prompts().printPreview(parent, &printer, [&](QPrinter* target) { PrintTablePages(target, table, heading); });
}
