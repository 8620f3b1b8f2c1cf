// Measures the figures of the speaking path through the engines (not a test):
// speak call time, time to the first sample at the sink, pause-to-silence time and
// CPU use while idle with an engine loaded. Sinks are paced like a device.

#include "PlatformTestSupport.h"

#include "Sapi4Engine.h"
#include "Sapi5Engine.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    std::vector<double> speak, firstSample, pauseHalt;
};

void measure(const char* name, const std::function<std::unique_ptr<SpeechEngine>()>& make, int rounds) {
    Figures f;
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 1.0));
    std::unique_ptr<SpeechEngine> engine = make();
    if (!engine->isReady()) {
        std::printf("%s: not ready\n", name);
        return;
    }
    for (int i = 0; i < rounds; ++i) {
        size_t before = log->total();
        auto start = Clock::now();
        engine->speak("Goedemorgen, dit is een test.");
        auto returned = Clock::now();
        while (log->total() == before && Clock::now() - start < 2s)
            std::this_thread::sleep_for(200us);
        f.speak.push_back(ms(returned - start));
        f.firstSample.push_back(ms(log->firstWriteAfter(start) - start));
        std::this_thread::sleep_for(500ms);
        auto pausedAt = Clock::now();
        engine->pause();
        std::this_thread::sleep_for(200ms);
        f.pauseHalt.push_back(std::max(0.0, ms(log->lastWrite() - pausedAt)));
        engine->stop();
        std::this_thread::sleep_for(50ms);
    }
    auto report = [&](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%s %-28s median %7.2f ms  max %7.2f ms  (n=%zu)\n", name, what, v[v.size() / 2], v.back(),
                    v.size());
    };
    report("speak returns", f.speak);
    report("first sample at sink", f.firstSample);
    report("pause: last write after", f.pauseHalt);
    double cpu0 = cpuSeconds();
    auto t0 = Clock::now();
    std::this_thread::sleep_for(3s);
    double cpu = cpuSeconds() - cpu0;
    std::printf("%s %-28s %.3f %% of one core over %.1f s\n", name, "idle CPU",
                100 * cpu / (ms(Clock::now() - t0) / 1000), ms(Clock::now() - t0) / 1000);
}

// A speak that cuts a text off: from the call to the new text's first sample at the sink
// (the first write after the sink was flushed). The cut falls at another point of the
// 20 ms chunk each round.
void measureInterrupt(const char* name, const std::function<std::unique_ptr<SpeechEngine>()>& make, int rounds) {
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 1.0));
    std::unique_ptr<SpeechEngine> engine = make();
    if (!engine->isReady()) {
        std::printf("%s: not ready\n", name);
        return;
    }
    const char* texts[] = {"Een twee drie vier vijf zes zeven acht negen tien elf twaalf.",
                           "Dertien veertien vijftien zestien zeventien achttien negentien twintig."};
    engine->speak(texts[0]);
    std::this_thread::sleep_for(300ms);
    std::vector<double> latency;
    for (int i = 0; i < rounds; ++i) {
        size_t flush = log->flushCount() + 1;
        auto start = Clock::now();
        engine->speak(texts[(i + 1) % 2]);
        Clock::time_point first{};
        while ((first = log->firstWriteAfterFlush(flush)) == Clock::time_point{} && Clock::now() - start < 2s)
            std::this_thread::sleep_for(100us);
        if (first != Clock::time_point{})
            latency.push_back(ms(first - start));
        std::this_thread::sleep_for(std::chrono::microseconds(150000 + (i * 7919) % 20000));
    }
    engine->stop();
    if (latency.empty()) {
        std::printf("%s interrupting speak: no sound\n", name);
        return;
    }
    std::sort(latency.begin(), latency.end());
    auto at = [&](double q) { return latency[static_cast<size_t>(q * (latency.size() - 1))]; };
    std::printf("%s %-28s median %7.2f ms  min %6.2f  p90 %6.2f  max %6.2f ms  (n=%zu of %d)\n", name,
                "interrupt: first new sample", at(0.5), latency.front(), at(0.9), latency.back(), latency.size(),
                rounds);
}

} // namespace

int main() {
    measure(
        "sapi5", [] { return std::make_unique<Sapi5Engine>(); }, 10);
    measure(
        "sapi4", [] { return std::make_unique<Sapi4Engine>(); }, 10);
    measureInterrupt(
        "sapi5", [] { return std::make_unique<Sapi5Engine>(); }, 60);
    measureInterrupt(
        "sapi4", [] { return std::make_unique<Sapi4Engine>(); }, 60);
}
