// Filling the results table for one class, on the offscreen platform: 40 and 1,000 pupils with
// results for 16 modules, against the floor of the bare reads a per-cell reading makes of the
// same files (the course and the pupil's file for every cell), the cost of a row whose file
// is a 100 MB stray file, 300 pupils on a share with a round trip of 2 ms, how soon a change
// another PC makes on a share shows, and the longest pause of the window's thread for a class of
// 50,000 files.
#include "BenchSummary.h"
#include "ClassWatcher.h"
#include "Klasoverzichtform.h"
#include "PupilResults.h"
#include "Resultform.h"
#include "ResultsTableModel.h"
#include "SlowShare.h"
#include "modPublic.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>

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
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

constexpr int Modules = 16;

// A program folder with a 16-module course (three topics each) and one class of `pupils` pupils,
// the first 1,000 with grades.
struct ProgramFolder {
    QTemporaryDir dir;
    QString course = dir.filePath(QStringLiteral("swf/Omschrijving.ini"));
    QString classFolder = dir.filePath(QStringLiteral("Documenten/Klas"));
    QStringList pupilFiles;

    explicit ProgramFolder(int pupils)
    {
        QDir(dir.path()).mkpath(QStringLiteral("swf"));
        QByteArray text = "[Cursus]\r\nTitel=Meetcursus\r\n[Modules]\r\n";
        for (int i = 1; i <= Modules; ++i) {
            const QByteArray m = "m" + QByteArray::number(i);
            text += m + "=Module " + QByteArray::number(i) + "\r\n";
            for (int j = 1; j <= 3; ++j)
                text += m + "o" + QByteArray::number(j) + "=Onderwerp " + QByteArray::number(j) + "\r\n" + m + "o" +
                        QByteArray::number(j) + "swf=film" + QByteArray::number(i * 10 + j) + "\r\n";
            text += m + "o6=Module " + QByteArray::number(i) + " Test\r\n" + m + "o6swf=\r\n";
        }
        writeFile(course, text);

        QDir().mkpath(classFolder);
        for (int p = 0; p < pupils; ++p) {
            QByteArray grades = "[Voortgang]\r\nLaatste module=16\r\n[Resultaten]\r\n";
            // Past the first 1,000 pupils no grades: the class total is a 16-bit number.
            for (int i = 1; i <= Modules && p < 1000; ++i) {
                const int grade = 4 + (p * 7 + i * 3) % 7;
                grades += "Module " + QByteArray::number(i) + " Test=" + QByteArray::number(grade) +
                          ((p + i) % 4 == 0 ? ".5" : "") + "\r\n";
            }
            pupilFiles << classFolder + QStringLiteral("/Leerling %1").arg(p, 4, 10, QLatin1Char('0'));
            writeFile(pupilFiles.back(), grades);
        }
    }
};

ProgramFolder& programFolder(int pupils)
{
    static std::map<int, std::unique_ptr<ProgramFolder>> folders;
    auto& folder = folders[pupils];
    if (!folder)
        folder = std::make_unique<ProgramFolder>(pupils);
    return *folder;
}

// The program folder with `pupils` pupils, made the one the program reads.
ProgramFolder& useProgramFolder(int pupils)
{
    benchApp();
    ProgramFolder& folder = programFolder(pupils);
    SetPaths(folder.dir.path());
    SetDocumentFolder();
    return folder;
}

void BM_FillResultsTable(benchmark::State& state)
{
    const int pupils = int(state.range(0));
    useProgramFolder(pupils);

    Resultform form;
    form.show();
    QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);
    for (auto _ : state) {
        form.TreeView_NodeClick(node);
        if (form.resultsModel()->rowCount() != pupils)
            state.SkipWithError("the table does not have a row per pupil");
    }
    state.counters["rows"] = form.resultsModel()->rowCount();
}
BENCHMARK(BM_FillResultsTable)->Arg(40)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

// Opening the class overview after a fill: the window made, the figures summed up from the table's
// model and painted. The fill is not timed.
void BM_OpenOverview(benchmark::State& state)
{
    const int pupils = int(state.range(0));
    useProgramFolder(pupils);

    Resultform form;
    form.show();
    QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);
    for (auto _ : state) {
        state.PauseTiming();
        form.TreeView_NodeClick(node);
        QCoreApplication::processEvents(); // the table's own painting after its fill
        state.ResumeTiming();
        form.mnuKlasoverzicht_Click();
        Klasoverzichtform* overview = form.klasoverzicht();
        QCoreApplication::processEvents();
        overview->repaint();
        if (overview->figures().value(0).count != pupils)
            state.SkipWithError("the overview does not count every pupil");
        state.PauseTiming();
        overview->close(); // deleted on close: the next opening makes a new window
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenOverview)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

// A fill while the overview is open, which sums up every batch of rows again: against
// BM_FillResultsTable, the cost of keeping it up to date.
void BM_FillWithOverviewOpen(benchmark::State& state)
{
    const int pupils = int(state.range(0));
    useProgramFolder(pupils);

    Resultform form;
    form.show();
    QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);
    form.TreeView_NodeClick(node);
    form.mnuKlasoverzicht_Click();
    for (auto _ : state) {
        form.TreeView_NodeClick(node);
        if (form.klasoverzicht()->figures().value(0).count != pupils)
            state.SkipWithError("the overview does not count every pupil");
    }
}
BENCHMARK(BM_FillWithOverviewOpen)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

// The folder's classes behind a FUSE pass-through that answers every look-up and open after
// `delayMs`, made the data folder; null, and the benchmark skipped, when it does not mount.
std::unique_ptr<SlowShare> dataFolderOnShare(ProgramFolder& folder, const QString& mountName, int delayMs,
                                             benchmark::State& state)
{
    SetPaths(folder.dir.path());
    SetDocumentFolder();
    const QString mountPoint = folder.dir.filePath(mountName);
    auto share = std::make_unique<SlowShare>(folder.dir.filePath(QStringLiteral("Documenten")), mountPoint, delayMs);
    if (!share->mounted()) {
        state.SkipWithError("the FUSE pass-through did not mount");
        return nullptr;
    }
    DocumentFolder = mountPoint + QLatin1Char('/');
    return share;
}

// 300 pupils x 16 modules seen through a FUSE pass-through that answers every look-up and open
// after 2 ms: the time to a full table, and the longest the window stopped reacting (the longest
// gap between the ticks of a 5 ms timer during the fills). The pass-through's first pass over the
// files is slow by itself (plain reads from 16 threads take as long), so the first fill is not timed.
void BM_FillOnSlowShare(benchmark::State& state)
{
    benchApp();
    ProgramFolder& folder = programFolder(300);
    const std::unique_ptr<SlowShare> share = dataFolderOnShare(folder, QStringLiteral("Gedeeld"), 2, state);
    if (!share)
        return;

    qint64 frozen = 0;
    {
        Resultform form;
        form.show();
        // Painted once, as it is before the teacher can click: the first paint loads the fonts.
        form.repaint();
        QCoreApplication::processEvents();
        QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] { frozen = std::max(frozen, sinceTick.restart()); });
        // The first fill also sets up the watch of the class: its pauses count, its time does not.
        sinceTick.start();
        ticker.start();
        form.TreeView_NodeClick(node);
        frozen = std::max(frozen, sinceTick.elapsed());
        ticker.stop();
        for (auto _ : state) {
            form.TreeView_NodeClick(form.TreeView->topLevelItem(0)); // the root: an empty table
            sinceTick.start();
            ticker.start();
            form.TreeView_NodeClick(node);
            frozen = std::max(frozen, sinceTick.elapsed());
            ticker.stop();
            if (form.resultsModel()->rowCount() != 300 || form.lblnLeerling->text() != QStringLiteral("300"))
                state.SkipWithError("the table does not have a row per pupil");
        }
    }
    state.counters["frozen_ms"] = double(frozen);
    SetDocumentFolder();
}
BENCHMARK(BM_FillOnSlowShare)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// A grade another PC writes to a class on a share (behind a FUSE pass-through, so the kernel
// does not see it): the time until the shown table has it. The folder is compared every 2 s.
void BM_ShareChangeShows(benchmark::State& state)
{
    benchApp();
    ProgramFolder& folder = programFolder(40);
    const std::unique_ptr<SlowShare> share = dataFolderOnShare(folder, QStringLiteral("Gedeeld"), 0, state);
    if (!share)
        return;
    {
        Resultform form;
        form.show();
        form.TreeView_NodeClick(form.TreeView->topLevelItem(0)->child(0));
        const QString first = folder.pupilFiles.front();
        int grade = 0;
        for (auto _ : state) {
            const QString shown = QString::number(++grade % 9 + 1);
            writeFile(first, "[Resultaten]\r\nModule 1 Test=" + shown.toLatin1() + "\r\n");
            QElapsedTimer waited;
            waited.start();
            while (form.ListView->model()->index(0, 1).data().toString() != shown && !waited.hasExpired(60000))
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (waited.hasExpired(60000))
                state.SkipWithError("the change did not show within a minute");
        }
    }
    SetDocumentFolder();
}
BENCHMARK(BM_ShareChangeShows)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// A class folder of 50,000 pupils' files: the longest the window's thread stopped (the longest gap
// between the ticks of a 5 ms timer) while the class is shown (the click and its fill), while it
// stays shown, and while the live view refills it after one pupil's file changed. Each step waits
// for the table to be whole again. Figures in ms: shown_ms, idle_ms, changed_ms, and sorted_ms for
// a header click; fill_ms is the click's time to a full table.
void BM_LargeClassPauses(benchmark::State& state)
{
    constexpr int Pupils = 50000;
    ProgramFolder& folder = useProgramFolder(Pupils);
    const QString count = QString::number(Pupils);

    Resultform form;
    form.show();
    form.repaint();
    QCoreApplication::processEvents();
    auto* watcher = form.findChild<ClassWatcher*>();
    QTreeWidgetItem* node = form.TreeView->topLevelItem(0)->child(0);

    qint64 longest = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    // The longest pause while `step` runs, the events run until `done`.
    const auto pauseDuring = [&](const auto& step, const auto& done) {
        longest = 0;
        sinceTick.start();
        ticker.start();
        step();
        QElapsedTimer deadline;
        deadline.start();
        while (!done() && deadline.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        longest = std::max(longest, sinceTick.elapsed());
        ticker.stop();
        return longest;
    };
    qint64 shown = 0, idle = 0, changed = 0, fill = 0, sorted = 0;
    for (auto _ : state) {
        form.TreeView_NodeClick(form.TreeView->topLevelItem(0)); // the root: an empty table
        QElapsedTimer clicked;
        clicked.start();
        shown = std::max(shown, pauseDuring([&] { form.TreeView_NodeClick(node); },
                                            [&] { return form.lblnLeerling->text() == count; }));
        fill = std::max(fill, clicked.elapsed());
        QElapsedTimer quiet;
        quiet.start();
        idle = std::max(idle, pauseDuring([] {}, [&] { return quiet.elapsed() >= 2000; }));
        const int before = watcher->refreshCount();
        changed = std::max(
            changed,
            pauseDuring([&] { writeFile(folder.pupilFiles.at(Pupils / 2), "[Resultaten]\r\nModule 1 Test=9\r\n"); },
                        [&] {
                            return watcher->refreshCount() > before && !watcher->changePending() &&
                                   form.lblnLeerling->text() == count && !form.isFilling();
                        }));
        if (form.lblnLeerling->text() != count)
            state.SkipWithError("the table does not have a row per pupil");
        // A header click sorts the whole table on the window's thread (the final result column).
        sorted = std::max(sorted, pauseDuring([&] { form.ListView_ColumnClick(form.resultsModel()->finalColumn()); },
                                              [] { return true; }));
    }
    state.counters["sorted_ms"] = double(sorted);
    state.counters["shown_ms"] = double(shown);
    state.counters["idle_ms"] = double(idle);
    state.counters["changed_ms"] = double(changed);
    state.counters["fill_ms"] = double(fill);
}
BENCHMARK(BM_LargeClassPauses)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on another class during a fill of 300 pupils on a share with 20 ms round trips: the time
// from the click to the other class's full table (one pupil). The first class's reads not yet
// begun are dropped, so the wait is about one read, not the rest of the first class.
void BM_LeaveClassOnSlowShare(benchmark::State& state)
{
    benchApp();
    ProgramFolder& folder = programFolder(300);
    QDir().mkpath(folder.dir.filePath(QStringLiteral("Documenten/Klein")));
    writeFile(folder.dir.filePath(QStringLiteral("Documenten/Klein/Kim")), "[Resultaten]\r\nModule 1 Test=9\r\n");
    const std::unique_ptr<SlowShare> share = dataFolderOnShare(folder, QStringLiteral("Gedeeld20"), 20, state);
    if (!share)
        return;
    double slowest = 0;
    {
        Resultform form;
        form.show();
        QTreeWidgetItem* klas = form.TreeView->topLevelItem(0)->child(0);
        QTreeWidgetItem* klein = form.TreeView->topLevelItem(0)->child(1);
        for (auto _ : state) {
            form.TreeView_NodeClick(form.TreeView->topLevelItem(0));
            qint64 waited = -1;
            QTimer ticker;
            ticker.setInterval(5);
            QObject::connect(&ticker, &QTimer::timeout, [&] {
                if (waited >= 0 || !form.isFilling() || form.lblnLeerling->text().toInt() == 0)
                    return;
                ticker.stop();
                QElapsedTimer clock;
                clock.start();
                form.TreeView_NodeClick(klein);
                waited = clock.elapsed();
            });
            ticker.start();
            form.TreeView_NodeClick(klas);
            if (waited < 0 || form.resultsModel()->rowCount() != 1)
                state.SkipWithError("the other class was not shown");
            state.SetIterationTime(double(waited) / 1000.0);
            slowest = std::max(slowest, double(waited));
        }
    }
    state.counters["slowest_ms"] = slowest;
    SetDocumentFolder();
}
BENCHMARK(BM_LeaveClassOnSlowShare)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The floor: plain open+read+close of the course and the pupil's file for every cell.
void BM_FloorPerCellReads(benchmark::State& state)
{
    const int pupils = int(state.range(0));
    ProgramFolder& folder = programFolder(pupils);
    const QByteArray course = QFile::encodeName(folder.course);
    std::vector<QByteArray> files;
    for (const QString& file : std::as_const(folder.pupilFiles))
        files.push_back(QFile::encodeName(file));
    for (auto _ : state) {
        for (const QByteArray& file : files)
            for (int k = 0; k < Modules; ++k) {
                BareRead(course.constData());
                BareRead(file.constData());
            }
    }
    state.counters["reads"] = double(2 * Modules * pupils);
}
BENCHMARK(BM_FloorPerCellReads)->Arg(40)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

// A row whose pupil file is a 100 MB text export: one reading and the 16 grade lookups.
void BM_StrayFileRow(benchmark::State& state)
{
    ProgramFolder& folder = programFolder(40);
    const QString path = folder.dir.filePath(QStringLiteral("Documenten/Export"));
    {
        QByteArray text;
        while (text.size() < 2 * MaxIniFileBytes)
            text += "Leerling;Module;Cijfer;Datum;Opmerking\r\n";
        writeFile(path, text);
        if (::truncate(QFile::encodeName(path).constData(), 100 * 1024 * 1024) != 0)
            qFatal("cannot grow %s", qPrintable(path));
    }
    const QStringList testNames = ReadTestNames(folder.course, Modules);
    for (auto _ : state) {
        const IniReader reading(path);
        for (const QString& testName : testNames)
            benchmark::DoNotOptimize(ReadGrade(reading, testName));
    }
    QFile::remove(path);
}
BENCHMARK(BM_StrayFileRow)->Unit(benchmark::kMillisecond)->UseRealTime()->Apply(Repeated);

} // namespace
