// Measures the figures of the speaking path through the engines (not a test):
// speak call time, time to the first sample at the sink, pause-to-silence time and
// CPU use while idle with an engine loaded. Sinks are paced like a device.
// Then the cost of the voice list: building it, voiceGetAll, voiceGet/voiceSet of the
// last voice, and the memory of a host with one script instance.

#include "PlatformTestSupport.h"

#include "Host.h"
#include "Sapi4Engine.h"
#include "Sapi5Engine.h"
#include "VoiceCatalogue.h"
#include "VoiceList.h"

#include <espeak-ng/speak_lib.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    std::vector<double> speak, firstSample, pauseHalt;
};

void measure(const char* name, const std::function<std::unique_ptr<SpeechEngine>()>& make, int rounds)
{
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

// ---- The voice list ----

using oru::Value;
using Engines = std::vector<std::pair<const char*, std::function<std::unique_ptr<SpeechEngine>()>>>;

void reportMedian(const char* layer, const char* what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%s %-36s median %8.3f ms  max %8.3f ms  (n=%zu)\n", layer, what, v[v.size() / 2], v.back(), v.size());
}

template <class F> std::vector<double> timed(int rounds, F f)
{
    std::vector<double> v;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        f();
        v.push_back(ms(Clock::now() - start));
    }
    return v;
}

void freeVoiceList(VoiceInfo& head)
{
    while (VoiceInfo* next = head.next) {
        head.next = next->next;
        delete next;
    }
}

// The engines' part of building the list, then the script's (host values), in this process.
void measureVoiceListBuilding(const Engines& engines, int rounds)
{
    for (const auto& [layer, make] : engines) {
        std::unique_ptr<SpeechEngine> engine = make();
        if (!engine->isReady()) {
            std::printf("%s: not ready\n", layer);
            continue;
        }
        int32_t count = engine->getVoiceCount();
        std::printf("%s %-36s %d\n", layer, "voices", count);
        VoiceInfo head;
        reportMedian(layer, "fillVoiceList", timed(rounds, [&] {
                         freeVoiceList(head);
                         engine->fillVoiceList(&head);
                     }));
        speechhost::Host host;
        reportMedian(layer, "voice list as host values", timed(rounds, [&] {
                         Value list{0};
                         host.lists.newList(&list);
                         oru::plugin::buildVoiceList(&host.lists, &host.utils, &head, &list);
                         host.utils.releaseValue(&list);
                     }));
        freeVoiceList(head);
        reportMedian(layer, "setVoice(last), stopped", timed(rounds, [&] { engine->setVoice(count); }));
        reportMedian(layer, "getVoice() = last", timed(rounds, [&] { engine->getVoice(); }));
        engine->setVoice(1);
    }
}

// In a process of its own (`--listing`), before any voice object exists: what the
// synthesizer does at its start to make the voice list, reading its voice files included.
int listingFigures()
{
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 50, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) {
        std::printf("synthesizer: cannot start\n");
        return 1;
    }
    std::vector<ListedVoice> languages, variants;
    constexpr int rounds = 20;
    reportMedian("synth", "list the voice files", timed(rounds, [&] { listSynthesizerVoices(languages, variants); }));
    size_t offered = 0;
    reportMedian("synth", "make the voice catalogue",
                 timed(rounds, [&] { offered = voiceCatalogue(languages, variants).size(); }));
    std::printf("synth %-36s %zu languages, %zu variants -> %zu voices\n", "listed", languages.size(), variants.size(),
                offered);
    return 0;
}

// In a process of its own (`--plugin LAYER`): the plug-in's load and its voice calls, as a
// host sees them.
int pluginVoiceFigures(const char* layer)
{
    setenv("SPEECH_PLATFORM", layer, 1);
    speechhost::Host host;
    std::string error;
    if (!host.load(SPEECH_PLUGIN_PATH, error) || host.registerPlugin(error) != 0) {
        std::printf("%s plug-in: %s\n", layer, error.c_str());
        return 1;
    }
    auto start = Clock::now();
    if (host.createScript() != 0) {
        std::printf("%s plug-in: no script instance\n", layer);
        return 1;
    }
    std::printf("%s %-36s %8.3f ms\n", layer, "load: first script instance", ms(Clock::now() - start));
    auto call = [&](const char* method, std::vector<Value> args) {
        Value result{0};
        host.call(host.methodNumber(method), args, result);
        int32_t n = 0;
        host.store.asInteger(result, n);
        host.store.release(result);
        return n;
    };
    int32_t last = call("voiceCount", {});
    constexpr int rounds = 200;
    reportMedian(layer, "voiceGetAll()", timed(rounds, [&] { call("voiceGetAll", {}); }));
    reportMedian(layer, "voiceSet(last), stopped",
                 timed(rounds, [&] { call("voiceSet", {host.store.integer(last)}); }));
    reportMedian(layer, "voiceGet() = last", timed(rounds, [&] { call("voiceGet", {}); }));
    return host.shutdown() == 0 ? 0 : 1;
}

int runAndWait(const std::vector<std::string>& command, int in = -1, int out = -1, pid_t* started = nullptr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0)
        posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    std::vector<char*> argv;
    for (const std::string& a : command)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout); // the child writes to the same output
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    if (started) {
        *started = pid;
        return 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string statusField(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return line.substr(line.find_first_not_of(" \t", std::strlen(field)));
    return "?";
}

// speechhost itself, one script instance, after voiceGetAll: its resident memory.
void measureHostMemory(const char* layer)
{
    int toHost[2], fromHost[2];
    if (pipe2(toHost, O_CLOEXEC) != 0 || pipe2(fromHost, O_CLOEXEC) != 0)
        return;
    setenv("SPEECH_PLATFORM", layer, 1);
    pid_t pid = 0;
    int rc = runAndWait({SPEECHHOST_PATH}, toHost[0], fromHost[1], &pid);
    close(toHost[0]);
    close(fromHost[1]);
    if (rc == 0) {
        const char request[] = "voiceGetAll()\nvoiceSet(999)\nvoiceSpeak(\"Hallo.\")\nwait\nvoiceCount()\n";
        if (write(toHost[1], request, sizeof request - 1) < 0)
            std::printf("%s host: cannot write\n", layer);
        // The count comes last: once its line is read, everything before it has been done.
        std::string output;
        char buffer[65536];
        for (ssize_t n; (n = read(fromHost[0], buffer, sizeof buffer)) > 0;) {
            output.append(buffer, static_cast<size_t>(n));
            if (std::count(output.begin(), output.end(), '\n') >= 4)
                break;
        }
        std::printf("%s %-36s VmRSS %s, VmHWM %s\n", layer, "speechhost after voiceGetAll, speak",
                    statusField(pid, "VmRSS:").c_str(), statusField(pid, "VmHWM:").c_str());
    }
    close(toHost[1]);
    close(fromHost[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    unsetenv("SPEECH_PLATFORM");
}

void measureVoices(const char* self, const Engines& engines)
{
    runAndWait({self, "--listing"});
    measureVoiceListBuilding(engines, 50);
    for (const auto& [layer, make] : engines) {
        runAndWait({self, "--plugin", layer});
        measureHostMemory(layer);
    }
}

// A speak that cuts a text off: from the call to the new text's first sample at the sink
// (the first write after the sink was flushed). The cut falls at another point of the
// 20 ms chunk each round.
void measureInterrupt(const char* name, const std::function<std::unique_ptr<SpeechEngine>()>& make, int rounds)
{
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

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--plugin") == 0)
        return pluginVoiceFigures(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--listing") == 0)
        return listingFigures();
    measure(
        "sapi5", [] { return std::make_unique<Sapi5Engine>(); }, 10);
    measure(
        "sapi4", [] { return std::make_unique<Sapi4Engine>(); }, 10);
    measureVoices(argv[0], {{"sapi5", [] { return std::make_unique<Sapi5Engine>(); }},
                            {"sapi4", [] { return std::make_unique<Sapi4Engine>(); }}});
    measureInterrupt(
        "sapi5", [] { return std::make_unique<Sapi5Engine>(); }, 60);
    measureInterrupt(
        "sapi4", [] { return std::make_unique<Sapi4Engine>(); }, 60);
}
