// Printed tables: page breaks, the header row on every page, rows and columns in the model's order.
#include "ResultsTestSupport.h"
#include "modAfdrukken.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextItem>
#include <gtest/gtest.h>
#include <numeric>

namespace {

TEST(PrintLayout, RowsAreBrokenIntoPagesBelowTheHeaderRow)
{
    const struct {
        int rows;
        int perPage;
        QVector<PageRows> pages;
    } cases[] = {
        {0, 40, {{0, 0}}}, // an empty class still prints its header row
        {1, 40, {{0, 1}}},
        {40, 40, {{0, 40}}},
        {41, 40, {{0, 40}, {40, 1}}},
        {90, 40, {{0, 40}, {40, 40}, {80, 10}}},
        {3, 0, {{0, 1}, {1, 1}, {2, 1}}}, // never fewer than one row a page
    };
    for (const auto& c : cases)
        EXPECT_EQ(BreakIntoPages(c.rows, c.perPage), c.pages) << c.rows << " rows, " << c.perPage << " a page";

    EXPECT_EQ(RowsPerPage(100, 10, 9), 10);
    EXPECT_EQ(RowsPerPage(99, 10, 9), 9);
    EXPECT_EQ(RowsPerPage(15, 10, 9), 1); // a page always takes a row
}

// A printer that, while recording, keeps every text drawn on it with its place on the page.
class TextRecorder : public QPrinter {
public:
    struct Text {
        QString text;
        QPointF at;
    };
    TextRecorder() : QPrinter(QPrinter::HighResolution), m_engine(this) {}
    QPaintEngine* paintEngine() const override { return recording ? &m_engine : QPrinter::paintEngine(); }
    QVector<Text> texts;
    bool recording = false;

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder* device) : QPaintEngine(AllFeatures), m_device(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& state) override
        {
            if (state.state() & DirtyTransform)
                m_transform = state.transform();
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            m_device->texts << Text{item.text(), m_transform.map(p)};
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        Type type() const override { return User; }

    private:
        TextRecorder* m_device;
        QTransform m_transform;
    };
    mutable Engine m_engine;
};

// `rows` pupils with grades for `modules` modules, columns as the table shows them.
PrintTable classTable(int rows, int modules)
{
    PrintTable table;
    table.headers << "Leerling naam"
                  << "Eindresultaat";
    for (int m = 1; m <= modules; ++m)
        table.headers << QStringLiteral("Module %1").arg(m);
    for (int r = 0; r < rows; ++r) {
        QVector<PrintCell> row{{QStringLiteral("Leerling %1").arg(r + 1, 3, 10, QLatin1Char('0')), {}}, {"6", {}}};
        for (int m = 1; m <= modules; ++m)
            row << PrintCell{QStringLiteral("%1,5").arg(m % 10), {}};
        table.rows << row;
    }
    return table;
}

TEST(PrintLayout, NinetyPupilsOnA4PrintOnThreePagesWithTheHeaderRowOnEach)
{
    QTemporaryDir dir;
    for (const int modules : {3, 16}) {
        SCOPED_TRACE(modules);
        TextRecorder printer;
        PreparePrinter(&printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("klas%1.pdf").arg(modules)));
        const PrintTable table = classTable(90, modules);
        const QRectF page(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
        const TablePageLayout layout = LayoutTablePages(table, &printer, page);
        ASSERT_EQ(layout.pages.size(), 3);
        EXPECT_EQ(layout.rotatedHeaders, modules == 16);
        EXPECT_NEAR(std::accumulate(layout.columnWidths.begin(), layout.columnWidths.end(), 0.0), page.width(), 1)
            << "the table spans the page, no column beyond it";

        // Every page: the heading, then the header row's captions in the shown order, then its own
        // rows in order, then the page number.
        printer.recording = true;
        int nextRow = 0;
        for (int p = 0; p < layout.pages.size(); ++p) {
            printer.texts.clear();
            {
                QPainter painter(&printer);
                PaintTablePage(painter, layout, table, QStringLiteral("Resultaten Rekenen - Klas: 4B"), p);
            }
            QStringList seen;
            for (const TextRecorder::Text& t : printer.texts)
                seen << t.text;
            ASSERT_GE(seen.size(), table.headers.size() + 2);
            EXPECT_EQ(seen.front(), "Resultaten Rekenen - Klas: 4B");
            EXPECT_EQ(seen.back(), QStringLiteral("Pagina %1 van 3").arg(p + 1));
            EXPECT_EQ(seen.mid(1, 2), (QStringList{"Leerling naam", "Eindresultaat"})) << "page " << p + 1;
            EXPECT_TRUE(seen.at(3).startsWith("Module 1")) << seen.at(3).toStdString();
            const qreal headerBottom = layout.tableTop() + layout.headerHeight;
            for (int i = 1; i <= table.headers.size(); ++i)
                EXPECT_LE(printer.texts[i].at.y(), headerBottom + 1) << "header text " << i << " on page " << p + 1;
            for (const TextRecorder::Text& t : printer.texts) {
                if (t.text.startsWith("Leerling ") && t.text != "Leerling naam") {
                    EXPECT_EQ(t.text, table.rows[nextRow++][0].text);
                }
            }
        }
        EXPECT_EQ(nextRow, 90) << "every pupil once, in the model's order";
        printer.recording = false;

        PrintTablePages(&printer, table, QStringLiteral("Resultaten"));
        EXPECT_EQ(pdfPages(printer.outputFileName()), 3);
    }
}

TEST(PrintLayout, TableComesFromTheModelInItsOrderWithItsColours)
{
    QStandardItemModel model(2, 3);
    model.setHorizontalHeaderLabels({"Leerling naam", "Eindresultaat", "Delen"});
    model.setItem(0, 0, new QStandardItem("Piet"));
    model.setItem(0, 2, new QStandardItem("4"));
    model.item(0, 2)->setForeground(QColor(Qt::red));
    model.setItem(1, 0, new QStandardItem("Els"));
    model.setItem(1, 1, new QStandardItem("8"));
    const PrintTable table = PrintTableFromModel(model);
    EXPECT_EQ(table.headers, (QStringList{"Leerling naam", "Eindresultaat", "Delen"}));
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.rows[0][0].text, "Piet");
    EXPECT_EQ(table.rows[0][1].text, "");
    EXPECT_EQ(table.rows[0][2].colour, QColor(Qt::red));
    EXPECT_FALSE(table.rows[1][1].colour.isValid());
    EXPECT_EQ(table.rows[1][1].text, "8");

    EXPECT_EQ(PrintHeading("Resultaten", "Rekenen", "4B", QDate(2026, 12, 1)).toStdString(),
              "Resultaten Rekenen - Klas: 4B, datum: 01-12-2026");
    EXPECT_EQ(PrintHeading("Resultaten", "", "4B", QDate(2026, 12, 1)).toStdString(),
              "Resultaten - Klas: 4B, datum: 01-12-2026");
}

} // namespace
