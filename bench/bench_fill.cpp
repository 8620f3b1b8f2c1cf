// Filling the results table for one class, on the offscreen platform: 40 and 1,000 pupils with
// results for 16 modules. Every cell reads the course description and the pupil's file from disk.
#include "Resultform.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

QApplication& benchApp()
{
    static int argc = 1;
    static char name[] = "results_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A program folder with a 16-module course (three topics each) and one class of `pupils` pupils.
void makeProgramFolder(const QString& root, int pupils)
{
    QDir(root).mkpath(QStringLiteral("swf"));
    QByteArray course = "[Cursus]\r\nTitel=Meetcursus\r\n[Modules]\r\n";
    for (int i = 1; i <= 16; ++i) {
        const QByteArray m = "m" + QByteArray::number(i);
        course += m + "=Module " + QByteArray::number(i) + "\r\n";
        for (int j = 1; j <= 3; ++j)
            course += m + "o" + QByteArray::number(j) + "=Onderwerp " + QByteArray::number(j) + "\r\n" + m + "o" +
                      QByteArray::number(j) + "swf=film" + QByteArray::number(i * 10 + j) + "\r\n";
        course += m + "o6=Module " + QByteArray::number(i) + " Test\r\n" + m + "o6swf=\r\n";
    }
    writeFile(root + QStringLiteral("/swf/Omschrijving.ini"), course);

    const QString cls = root + QStringLiteral("/Documenten/Klas");
    QDir().mkpath(cls);
    for (int p = 0; p < pupils; ++p) {
        QByteArray text = "[Voortgang]\r\nLaatste module=16\r\n[Resultaten]\r\n";
        for (int i = 1; i <= 16; ++i) {
            const int grade = 4 + (p * 7 + i * 3) % 7;
            text += "Module " + QByteArray::number(i) + " Test=" + QByteArray::number(grade) +
                    ((p + i) % 4 == 0 ? ".5" : "") + "\r\n";
        }
        writeFile(cls + QStringLiteral("/Leerling %1").arg(p, 4, 10, QLatin1Char('0')), text);
    }
}

void BM_FillResultsTable(benchmark::State& state)
{
    benchApp();
    const int pupils = int(state.range(0));
    QTemporaryDir dir;
    makeProgramFolder(dir.path(), pupils);
    SetPaths(dir.path());
    SetDocumentFolder();

    Resultform form;
    form.show();
    QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);
    for (auto _ : state) {
        form.TreeView_NodeClick(node);
        if (form.ListView->topLevelItemCount() != pupils)
            state.SkipWithError("the table does not have a row per pupil");
    }
    state.counters["rows"] = form.ListView->topLevelItemCount();
}

} // namespace

BENCHMARK(BM_FillResultsTable)->Arg(40)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
