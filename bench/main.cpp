// Runs every benchmark, then prints the ratios that matter against their floors.
#include "BenchSummary.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

void BareRead(const char* path)
{
    static char buffer[64 * 1024];
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return;
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
    benchmark::ClobberMemory();
}

void Repeated(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Repetitions(5)->ReportAggregatesOnly(true)->ComputeStatistics(
        "min", [](const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); });
}

namespace {

struct Figure {
    double real = 0; // milliseconds per iteration
    double cpu = 0;
    std::map<std::string, double> counters;
};

// The console report, keeping the times per iteration of every benchmark: the minimum over its
// repetitions, or the one run when it is not repeated.
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Figure> figures;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "min")) {
                Figure& figure =
                    figures[run.run_name.function_name + (run.run_name.args.empty() ? "" : "/") + run.run_name.args];
                figure.real = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1000.0;
                figure.cpu = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1000.0;
                for (const auto& [name, counter] : run.counters)
                    figure.counters[name] = counter.value;
            }
    }
};

void printRatio(const Recorder& recorder, const char* what, const std::string& measured, const std::string& floor,
                double target)
{
    const auto m = recorder.figures.find(measured);
    const auto f = recorder.figures.find(floor);
    if (m == recorder.figures.end() || f == recorder.figures.end())
        return; // filtered out
    // Real time is the target; CPU time tells how far a busy machine has stretched it.
    const double ratio = m->second.real / f->second.real;
    std::printf("%-38s %10.4f ms / %10.4f ms = %5.2fx (target <= %.1fx) %-4s CPU time %5.2fx\n", what, m->second.real,
                f->second.real, ratio, target, ratio <= target ? "ok" : "OVER", m->second.cpu / f->second.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    benchmark::Shutdown();

    std::printf("\n");
    printRatio(recorder, "fill 1000 x 16 / per-cell bare reads", "BM_FillResultsTable/1000",
               "BM_FloorPerCellReads/1000", 0.6);
    printRatio(recorder, "fill 40 x 16 / per-cell bare reads", "BM_FillResultsTable/40", "BM_FloorPerCellReads/40",
               0.6);
    printRatio(recorder, "ReadINI of one key / one bare read", "BM_ReadINI", "BM_BareRead", 1.5);
    const auto share = recorder.figures.find("BM_FillOnSlowShare");
    if (share != recorder.figures.end()) {
        const double frozen = share->second.counters["frozen_ms"];
        std::printf("%-38s %10.1f ms (target <= 300 ms) %s, window frozen at most %.0f ms (target <= 100 ms) %s\n",
                    "fill 300 x 16 on a 2 ms share", share->second.real, share->second.real <= 300 ? "ok" : "OVER",
                    frozen, frozen <= 100 ? "ok" : "OVER");
    }
    const auto overview = recorder.figures.find("BM_OpenOverview/1000");
    if (overview != recorder.figures.end())
        std::printf("%-38s %10.2f ms (target <= 10 ms) %s\n", "open the overview after a fill, 1000 x 16",
                    overview->second.real, overview->second.real <= 10 ? "ok" : "OVER");
    const auto open = recorder.figures.find("BM_FillWithOverviewOpen/1000");
    const auto fill = recorder.figures.find("BM_FillResultsTable/1000");
    if (open != recorder.figures.end() && fill != recorder.figures.end())
        std::printf("%-38s %10.2f ms more than the fill alone (target <= 10 ms) %s\n", "fill 1000 x 16, overview open",
                    open->second.real - fill->second.real, open->second.real - fill->second.real <= 10 ? "ok" : "OVER");
    const auto stray = recorder.figures.find("BM_StrayFileRow");
    if (stray != recorder.figures.end())
        std::printf("%-38s %10.4f ms\n", "row of a 100 MB stray file", stray->second.real);
    const auto login = recorder.figures.find("BM_LoginCheck");
    const auto both = recorder.figures.find("BM_LoginCheckBesideAnother");
    if (login != recorder.figures.end() && both != recorder.figures.end())
        std::printf("%-38s %10.1f ms, %.1f ms with a second check beside it (target <= 1000 ms) %s, "
                    "%.1f guesses/s per core\n",
                    "login password check", login->second.real, both->second.real,
                    std::max(login->second.real, both->second.real) <= 1000 ? "ok" : "OVER",
                    1000.0 / login->second.cpu);
    return 0;
}
