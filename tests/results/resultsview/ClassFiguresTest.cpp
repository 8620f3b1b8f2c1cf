// The class overview's figures, chart bars and CSV, from a model that gives every cell the number it
// counts as (as the results table does).
#include "ClassFigures.h"
#include "MeansChart.h"
#include "ResultsTestSupport.h"
#include "modMaakCSV.h"

#include <QAccessible>
#include <QIdentityProxyModel>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

// A cell is its text; the number it counts as is read as the table reads grades ("7,5" is 7.5),
// nothing for a text without a number ("ziek") or an empty cell.
QStandardItemModel* makeModel(const QStringList& headers, const QVector<QStringList>& rows)
{
    auto* model = new QStandardItemModel(int(rows.size()), int(headers.size()));
    model->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < headers.size(); ++c) {
            auto* item = new QStandardItem(rows[r].value(c));
            bool isNumber = false;
            const double number = QString(rows[r].value(c)).replace(',', '.').toDouble(&isNumber);
            if (headers[c] != PupilNameHeader && isNumber)
                item->setData(number, ResultsTableModel::NumberRole);
            model->setItem(r, c, item);
        }
    }
    return model;
}

TEST(ClassFigures, CountMeanLowestHighestAndBelowPerColumnInTheModelsOrder)
{
    // Shown order: names, final result, modules. Names that look like numbers are not counted.
    std::unique_ptr<QStandardItemModel> model(
        makeModel({"Leerling naam", "Eindresultaat", "Optellen", "Delen", "Breuken", "Leeg", "Leerling naam"},
                  {
                      {"10", "7", "8", "5,5", "4.5", "", "x"},
                      {"Els", "5", "6", "ziek", "4.75", "", "x"},
                      {"Jan", "", "", "", "", "", "x"},
                      {"Piet", "6", "5.4", "7,5", "-1", "ziek", "x"},
                  }));
    const QVector<ColumnFigures> figures = ComputeFigures(*model);
    EXPECT_EQ(DescribeFigures(figures).toStdString(),
              "Eindresultaat:3:6,00:5:7:1 "
              "Optellen:3:6,47:5,4:8:1 "  // 19.4 / 3 = 6.4666...
              "Delen:2:6,50:5,5:7,5:0 "   // 5,5 is sufficient; "ziek" does not count
              "Breuken:3:2,75:-1:4,75:3 " // 8.25 / 3
              "Leeg:0::::0 "              // text and empty cells only
              "Leerling naam:0::::0 ");   // only the first such column holds the names
    for (int i = 0; i < figures.size(); ++i) {
        EXPECT_EQ(figures[i].column, i + 1);
        EXPECT_EQ(figures[i].isFinalResult, i == 0);
    }
}

// Shows its source's columns last to first.
class ReversedColumns : public QIdentityProxyModel {
public:
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override
    {
        return hasIndex(row, column, parent) ? createIndex(row, column) : QModelIndex();
    }
    QModelIndex mapToSource(const QModelIndex& index) const override
    {
        return index.isValid() ? sourceModel()->index(index.row(), columnCount() - 1 - index.column()) : QModelIndex();
    }
    QModelIndex mapFromSource(const QModelIndex& index) const override
    {
        return index.isValid() ? createIndex(index.row(), columnCount() - 1 - index.column()) : QModelIndex();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        return QIdentityProxyModel::headerData(orientation == Qt::Horizontal ? columnCount() - 1 - section : section,
                                               orientation, role);
    }
};

TEST(ClassFigures, ThroughProxiesInTheirColumnOrderWithTheRowsTheyShow)
{
    std::unique_ptr<QStandardItemModel> model(
        makeModel({"Eindresultaat", "Delen", "Optellen", "Leerling naam"},
                  {{"6", "4", "8", "Els"}, {"5", "5,5", "", "Jan"}, {"", "", "", "Piet"}}));
    ReversedColumns shown;
    shown.setSourceModel(model.get());
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&shown);
    sorted.sort(0, Qt::DescendingOrder);
    const QVector<ColumnFigures> figures = ComputeFigures(sorted);
    EXPECT_EQ(DescribeFigures(figures).toStdString(),
              "Optellen:1:8,00:8:8:0 Delen:2:4,75:4:5,5:1 Eindresultaat:2:5,50:5:6:1 ");
    EXPECT_EQ(figures.front().column, 1) << "columns are the top model's";

    // A proxy that leaves rows out is summed up as it shows them.
    sorted.setFilterRegularExpression(QStringLiteral("^Els$"));
    sorted.setFilterKeyColumn(0);
    EXPECT_EQ(DescribeFigures(ComputeFigures(sorted)).toStdString(),
              "Optellen:1:8,00:8:8:0 Delen:1:4,00:4:4:1 Eindresultaat:1:6,00:6:6:0 ");
}

TEST(ClassFigures, MeansRoundHalfAwayFromZeroToTwoDecimals)
{
    const struct {
        QVector<double> grades;
        const char* mean;
        const char* spoken;
    } cases[] = {
        {{4.5, 4.75}, "4,63", "4,63"},    // 4.625
        {{4.6, 4.6, 4.6}, "4,60", "4,6"}, // said without the trailing zero
        {{6, 7}, "6,50", "6,5"},          {{10}, "10,00", "10"}, {{-1.125, -1.125}, "-1,13", "-1,13"},
    };
    for (const auto& c : cases) {
        ColumnFigures f;
        for (double g : c.grades)
            f.add(g);
        EXPECT_EQ(f.meanText().toStdString(), c.mean);
        EXPECT_EQ(f.spokenMeanText().toStdString(), c.spoken);
    }
}

TEST(ClassFigures, ChartHasABarPerModuleNamedByItsMean)
{
    std::unique_ptr<QStandardItemModel> model(
        makeModel({"Leerling naam", "Eindresultaat", "Optellen", "Breuken", "Leeg"},
                  {{"Els", "6", "8", "4,6", ""}, {"Jan", "6", "6", "4,6", "ziek"}}));
    MeansChart chart;
    chart.setBars(ChartBars(ComputeFigures(*model)));
    chart.resize(400, 300);
    chart.show();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&chart);
    ASSERT_EQ(face->childCount(), 3);
    const char* names[] = {"Optellen: gemiddeld 7", "Breuken: gemiddeld 4,6", "Leeg: geen cijfers"};
    const char* descriptions[] = {"", "onvoldoende", ""};
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* bar = face->child(i);
        EXPECT_EQ(bar->text(QAccessible::Name).toStdString(), names[i]);
        EXPECT_EQ(bar->text(QAccessible::Description).toStdString(), descriptions[i]);
        EXPECT_EQ(face->indexOfChild(bar), i);
        EXPECT_EQ(bar->parent(), face);
    }
    // The higher mean has the taller bar; a module without numbers has none.
    EXPECT_GT(chart.barRect(0).height(), chart.barRect(1).height());
    EXPECT_EQ(chart.barRect(2).height(), 0);
    EXPECT_EQ(chart.barAt(chart.barRect(1).center()), 1);

    // New figures with fewer modules: the children follow.
    model.reset(makeModel({"Leerling naam", "Eindresultaat", "Delen"}, {{"Els", "5", "5"}}));
    chart.setBars(ChartBars(ComputeFigures(*model)));
    ASSERT_EQ(face->childCount(), 1);
    EXPECT_EQ(face->child(0)->text(QAccessible::Name).toStdString(), "Delen: gemiddeld 5");
    EXPECT_EQ(face->child(1), nullptr);
}

TEST(ClassFigures, OverviewCsvHasTheClassCsvsConventions)
{
    std::unique_ptr<QStandardItemModel> model(makeModel({"Leerling naam", "Eindresultaat", "=Som", "Delen"},
                                                        {{"Els", "6", "7,5", ""}, {"Jan", "5", "4", "ziek"}}));
    const QByteArray csv = MaakOverzichtCSV(ComputeFigures(*model));
    EXPECT_EQ(csv.toStdString(), "\xEF\xBB\xBF"
                                 "Kolom;Aantal;Gemiddelde;Laagste;Hoogste;Onder 5,5\r\n"
                                 "Eindresultaat;2;5,50;5;6;1\r\n"
                                 "'=Som;2;5,75;4;7,5;1\r\n"
                                 "Delen;0;;;;0\r\n");
}

} // namespace
