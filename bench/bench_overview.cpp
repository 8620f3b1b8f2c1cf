// Opening the class overview for 1,000 pupils with 16 modules: the window made, the figures summed
// up from the table's model (through a sorting proxy, as the results table shows it) and painted.
#include "BenchSummary.h"
#include "ClassFigures.h"
#include "Klasoverzichtform.h"

#include <QApplication>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

std::unique_ptr<QStandardItemModel> classModel(int pupils, int modules) {
    auto model = std::make_unique<QStandardItemModel>(pupils, modules + 2);
    QStringList headers{PupilNameHeader, FinalResultHeader};
    for (int m = 1; m <= modules; ++m)
        headers << QStringLiteral("Module %1").arg(m);
    model->setHorizontalHeaderLabels(headers);
    for (int p = 0; p < pupils; ++p) {
        model->setItem(p, 0, new QStandardItem(QStringLiteral("Leerling %1").arg(p)));
        double sum = 0;
        for (int m = 1; m <= modules; ++m) {
            const double grade = 4 + (p * 7 + m * 3) % 7 + ((p + m) % 4 == 0 ? 0.5 : 0);
            sum += grade;
            auto* item = new QStandardItem(QString::number(grade));
            item->setData(grade, ResultsTableModel::NumberRole);
            model->setItem(p, m + 1, item);
        }
        auto* final = new QStandardItem(QString::number(sum / modules));
        final->setData(sum / modules, ResultsTableModel::NumberRole);
        model->setItem(p, 1, final);
    }
    return model;
}

void BM_OpenOverview(benchmark::State& state) {
    benchApp();
    const auto model = classModel(int(state.range(0)), 16);
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(model.get());
    sorted.sort(2, Qt::DescendingOrder);
    for (auto _ : state) {
        Klasoverzichtform form;
        form.setSource(&sorted);
        form.setClass(QStringLiteral("/tmp/"), QStringLiteral("Klas"), QStringLiteral("Meetcursus"));
        form.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(form.figures().size());
        form.repaint();
    }
}
BENCHMARK(BM_OpenOverview)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

void BM_SumUpFigures(benchmark::State& state) {
    const auto model = classModel(int(state.range(0)), 16);
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(model.get());
    sorted.sort(2, Qt::DescendingOrder);
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeFigures(sorted));
}
BENCHMARK(BM_SumUpFigures)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

} // namespace
