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

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "model-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = new QCoreApplication(argc, argv);
    return *instance;
}

ResultRow pupil(const QString& name, const QStringList& grades, const QString& final = QString())
{
    return {name, grades, final};
}

// Model, column-order proxy and sort proxy as the window stacks them, each under a tester.
struct Stack {
    // The testers walk every row at every change: off for the large table.
    explicit Stack(bool tested = true)
    {
        app();
        columns.setSourceModel(&model);
        sorted.setSourceModel(&columns);
        if (tested)
            for (QAbstractItemModel* m :
                 {(QAbstractItemModel*)&model, (QAbstractItemModel*)&columns, (QAbstractItemModel*)&sorted})
                testers.push_back(std::make_unique<QAbstractItemModelTester>(
                    m, QAbstractItemModelTester::FailureReportingMode::Fatal));
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

TEST(ResultsTableModel, ColumnsInCreationOrderAndShownWithTheFinalResultSecond)
{
    Stack s;
    EXPECT_EQ(headers(s.model), (QStringList{"Leerling naam", "Eindresultaat"}));
    EXPECT_EQ(headers(s.sorted), (QStringList{"Leerling naam", "Eindresultaat"}));
    s.model.reset({"Optellen", "Aftrekken", "Delen"});
    EXPECT_EQ(headers(s.model), (QStringList{"Leerling naam", "Optellen", "Aftrekken", "Delen", "Eindresultaat"}));
    EXPECT_EQ(headers(s.sorted), (QStringList{"Leerling naam", "Eindresultaat", "Optellen", "Aftrekken", "Delen"}));
    s.model.append({pupil("Jan", {"6", "ziek", "7,5"}, "7")});
    const QStringList shown{"Jan", "7", "6", "ziek", "7,5"};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(s.sorted.index(0, c).data().toString(), shown[c]) << c;
        EXPECT_EQ(s.columns.sourceColumn(s.columns.shownColumn(c)), c);
    }
    EXPECT_EQ(s.model.text(0, 4), "7");
}

TEST(ResultsTableModel, NumberRoleIsWhatTheCellCountsAs)
{
    Stack s;
    s.model.reset({"A", "B", "C", "D", "E", "F"});
    s.model.append({pupil("Els", {"7,5", "7.5", "ziek", "", "-", "8%"}, "8"), pupil("Kim", {}, "")});
    const QVariant expected[] = {QVariant(), 7.5, 7.5, QVariant(), QVariant(), QVariant(), 8.0, 8.0};
    for (int c = 0; c < s.model.columnCount(); ++c) {
        const QVariant number = s.model.index(0, c).data(ResultsTableModel::NumberRole);
        EXPECT_EQ(number.isValid(), expected[c].isValid()) << c;
        if (number.isValid()) {
            EXPECT_EQ(number.typeId(), QMetaType::Double) << c;
            EXPECT_EQ(number.toDouble(), expected[c].toDouble()) << c;
        }
    }
    // A pupil without grades: no cell holds a number, the final result neither.
    for (int c = 0; c < s.model.columnCount(); ++c)
        EXPECT_FALSE(s.model.index(1, c).data(ResultsTableModel::NumberRole).isValid()) << c;
    // Proxies forward it: shown column 1 is the final result.
    EXPECT_EQ(s.sorted.index(0, 1).data(ResultsTableModel::NumberRole).toDouble(), 8.0);
    EXPECT_EQ(s.sorted.index(0, 2).data(ResultsTableModel::NumberRole).toDouble(), 7.5);
}

TEST(ResultsTableModel, RowsArriveInBatchesAndANewFillResets)
{
    Stack s;
    s.model.reset({"A"});
    QSignalSpy inserted(&s.model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&s.model, &QAbstractItemModel::modelReset);
    s.model.append({pupil("B", {"5"}, "5"), pupil("A", {"9"}, "9")});
    s.model.append({});
    s.model.append({pupil("C", {""})});
    ASSERT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted[0].value(1).toInt(), 0);
    EXPECT_EQ(inserted[0].value(2).toInt(), 1);
    EXPECT_EQ(inserted[1].value(1).toInt(), 2);
    // The sort proxy places every batch by the current sort.
    s.sorted.sort(0, Qt::AscendingOrder);
    EXPECT_EQ(s.shownColumn(0), (QStringList{"A", "B", "C"}));
    s.model.append({pupil("Aa", {"1"}, "1")});
    EXPECT_EQ(s.shownColumn(0), (QStringList{"A", "Aa", "B", "C"}));
    EXPECT_EQ(s.model.row(3).fileName, "Aa");

    s.model.reset({"A", "B"});
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(s.sorted.rowCount(), 0);
    EXPECT_EQ(s.sorted.columnCount(), 4);
    s.model.clear();
    EXPECT_EQ(reset.size(), 1) << "an empty table stays as it is";
}

TEST(ResultsTableModel, FiftyThousandRowsJoinASortedTableInBatches)
{
    Stack s(false);
    s.model.reset({"A"});
    s.sorted.sort(1, Qt::DescendingOrder);
    constexpr int Rows = 50000;
    constexpr int Batch = 500;
    for (int first = 0; first < Rows; first += Batch) {
        QVector<ResultRow> batch;
        for (int i = first; i < first + Batch; ++i) {
            const QString grade = QString::number(i % 11);
            batch.push_back(pupil(QStringLiteral("L%1").arg(i, 5, 10, QLatin1Char('0')), {grade}, grade));
        }
        s.model.append(batch);
    }
    ASSERT_EQ(s.sorted.rowCount(), Rows);
    EXPECT_EQ(s.sorted.index(0, 1).data().toString(), "10");
    EXPECT_EQ(s.sorted.index(Rows - 1, 1).data().toString(), "0");
}

struct SortCase {
    const char* label;
    int shownColumn;
    Qt::SortOrder order;
    QStringList cells; // of that column, one row each; the name is the row's position
    QStringList expected;
};

TEST(ResultsSortProxy, NumbersAsNumbersTextsAfterThemEmptyFirstNamesByDutchCollation)
{
    const SortCase cases[] = {
        {"final result descending",
         1,
         Qt::DescendingOrder,
         {"7", "6", "10", "0", "6", "5", "4", "6"},
         {"10", "7", "6", "6", "6", "5", "4", "0"}},
        {"grades ascending", 2, Qt::AscendingOrder, {"9", "10", "", "1", "4"}, {"", "1", "4", "9", "10"}},
        {"decimal comma and point", 2, Qt::AscendingOrder, {"7,5", "7", "7.25", "10"}, {"7", "7.25", "7,5", "10"}},
        {"words after the numbers",
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
    for (const SortCase& c : cases) {
        Stack s;
        s.model.reset({"A"});
        QVector<ResultRow> rows;
        for (int i = 0; i < c.cells.size(); ++i) {
            if (c.shownColumn == 0)
                rows.push_back(pupil(c.cells[i], {}));
            else if (c.shownColumn == 1)
                rows.push_back(pupil(QString::number(i), {}, c.cells[i]));
            else
                rows.push_back(pupil(QString::number(i), {c.cells[i]}));
        }
        s.model.append(rows);
        s.sorted.sort(c.shownColumn, c.order);
        EXPECT_EQ(s.shownColumn(c.shownColumn), c.expected) << c.label;
    }
}

} // namespace
