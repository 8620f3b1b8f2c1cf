// The results table's model and its two proxies, without a window.
#include "ResultsTableModel.h"
#include "ResultsTableProxies.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// Model, column-order proxy and sort proxy as the window stacks them, each under a tester.
struct Stack {
    // The testers walk every row at every change: off for the large table.
    explicit Stack(const QStringList& modules, bool tested = true)
    {
        static int argc = 1;
        static char name[] = "model-tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* app = new QCoreApplication(argc, argv);
        Q_UNUSED(app);
        columns.setSourceModel(&model);
        sorted.setSourceModel(&columns);
        for (QAbstractItemModel* m :
             {(QAbstractItemModel*)&model, (QAbstractItemModel*)&columns, (QAbstractItemModel*)&sorted})
            if (tested)
                testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    m, QAbstractItemModelTester::FailureReportingMode::Fatal));
        if (!modules.isEmpty())
            model.reset(modules);
    }
    QStringList shownColumn(int column) const
    {
        QStringList texts;
        for (int r = 0; r < sorted.rowCount(); ++r)
            texts << sorted.index(r, column).data().toString();
        return texts;
    }
    ResultsTableModel model;
    ShownColumnsProxy columns;
    ResultsSortProxy sorted;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

QStringList headers(const QAbstractItemModel& m)
{
    QStringList texts;
    for (int c = 0; c < m.columnCount(); ++c)
        texts << m.headerData(c, Qt::Horizontal).toString();
    return texts;
}

// Columns in creation order, shown with the final result second; the number role is what a cell
// counts as, and the proxies pass it on.
TEST(ResultsTableModel, ColumnsTextsAndNumbers)
{
    Stack s({});
    EXPECT_EQ(headers(s.sorted), (QStringList{"Leerling naam", "Eindresultaat"}));
    s.model.reset({"A", "B", "C", "D", "E", "F"});
    EXPECT_EQ(headers(s.model), (QStringList{"Leerling naam", "A", "B", "C", "D", "E", "F", "Eindresultaat"}));
    EXPECT_EQ(headers(s.sorted), (QStringList{"Leerling naam", "Eindresultaat", "A", "B", "C", "D", "E", "F"}));
    s.model.append({{"Els", {"7,5", "7.5", "ziek", "", "-", "8%"}, "8"}, {"Kim", {}, ""}});
    const QStringList shown{"Els", "8", "7,5", "7.5", "ziek", "", "-", "8%"};
    const QVariant number[] = {QVariant(), 7.5, 7.5, QVariant(), QVariant(), QVariant(), 8.0, 8.0};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(s.sorted.index(0, c).data().toString(), shown[c]) << c;
        EXPECT_EQ(s.columns.sourceColumn(s.columns.shownColumn(c)), c);
        const QVariant got = s.model.index(0, c).data(ResultsTableModel::NumberRole);
        EXPECT_EQ(got.typeId(), number[c].typeId()) << c;
        EXPECT_EQ(got, number[c]) << c;
        EXPECT_FALSE(s.model.index(1, c).data(ResultsTableModel::NumberRole).isValid()) << "no grades, " << c;
    }
    EXPECT_EQ(s.model.text(0, 7), "8");
    EXPECT_EQ(s.sorted.index(0, 1).data(ResultsTableModel::NumberRole).toDouble(), 8.0);
    EXPECT_EQ(s.sorted.index(0, 2).data(ResultsTableModel::NumberRole).toDouble(), 7.5);
}

TEST(ResultsTableModel, RowsArriveInBatchesAndANewFillResets)
{
    Stack s({"A"});
    QSignalSpy inserted(&s.model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&s.model, &QAbstractItemModel::modelReset);
    s.model.append({{"B", {"5"}, "5"}, {"A", {"9"}, "9"}});
    s.model.append({});
    s.model.append({{"C", {""}, {}}});
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted[0].value(1).toInt(), 0);
    EXPECT_EQ(inserted[0].value(2).toInt(), 1);
    EXPECT_EQ(inserted[1].value(1).toInt(), 2);
    // The sort proxy places every batch by the current sort.
    s.sorted.sort(0, Qt::AscendingOrder);
    s.model.append({{"Aa", {"1"}, "1"}});
    EXPECT_EQ(s.shownColumn(0), (QStringList{"A", "Aa", "B", "C"}));
    EXPECT_EQ(s.model.row(3).fileName, "Aa");

    s.model.reset({"A", "B"});
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(s.sorted.rowCount(), 0);
    EXPECT_EQ(s.sorted.columnCount(), 4);
    s.model.clear();
    EXPECT_EQ(reset.size(), 1) << "an empty table stays as it is";

    // Fifty thousand rows join a sorted table in batches of 500.
    Stack big({"A"}, false);
    big.sorted.sort(1, Qt::DescendingOrder);
    for (int first = 0; first < 50000; first += 500) {
        QVector<ResultRow> batch;
        for (int i = first; i < first + 500; ++i)
            batch.push_back({QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0')),
                             {QString::number(i % 11)},
                             QString::number(i % 11)});
        big.model.append(batch);
    }
    ASSERT_EQ(big.sorted.rowCount(), 50000);
    EXPECT_EQ(big.sorted.index(0, 1).data().toString(), "10");
    EXPECT_EQ(big.sorted.index(49999, 1).data().toString(), "0");
}

// Numbers as numbers, texts after them, empty first, names by Dutch collation.
TEST(ResultsSortProxy, SortsEachKindOfCell)
{
    const struct {
        const char* label;
        int shownColumn;
        Qt::SortOrder order;
        QStringList cells; // of that column, one row each; the name is the row's position
        QStringList expected;
    } cases[] = {
        {"final, descending", 1, Qt::DescendingOrder, {"7", "6", "10", "0", "6", "5"}, {"10", "7", "6", "6", "5", "0"}},
        {"grades ascending", 2, Qt::AscendingOrder, {"9", "10", "", "1", "4"}, {"", "1", "4", "9", "10"}},
        {"decimal comma and point", 2, Qt::AscendingOrder, {"7,5", "7", "7.25", "10"}, {"7", "7.25", "7,5", "10"}},
        {"words last",
         2,
         Qt::AscendingOrder,
         {"ziek", "8", "", "-", "Afwezig", "5"},
         {"", "5", "8", "-", "Afwezig", "ziek"}},
        {"descending reverses all", 2, Qt::DescendingOrder, {"ziek", "8", "", "5"}, {"ziek", "8", "5", ""}},
        {"negative and fractions", 2, Qt::AscendingOrder, {"-1", "0.5", "-2.5"}, {"-2.5", "-1", "0.5"}},
        {"names: accents with their letter, case ignored",
         0,
         Qt::AscendingOrder,
         {"Zoë", "Şeyma", "Ömer", "Łukasz", "Aïcha", "Anaïs", "bram", "Anna"},
         {"Aïcha", "Anaïs", "Anna", "bram", "Łukasz", "Ömer", "Şeyma", "Zoë"}},
        {"names descending", 0, Qt::DescendingOrder, {"anna", "Bram", "Cor"}, {"Cor", "Bram", "anna"}},
    };
    for (const auto& c : cases) {
        Stack s({"A"});
        QVector<ResultRow> rows;
        for (int i = 0; i < c.cells.size(); ++i) {
            ResultRow& row = rows.emplace_back(ResultRow{QString::number(i), {}, {}});
            (c.shownColumn == 0   ? row.fileName
             : c.shownColumn == 1 ? row.finalResult
                                  : row.grades.emplace_back()) = c.cells[i];
        }
        s.model.append(rows);
        s.sorted.sort(c.shownColumn, c.order);
        EXPECT_EQ(s.shownColumn(c.shownColumn), c.expected) << c.label;
    }
}

} // namespace
