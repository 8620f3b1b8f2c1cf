// A host that unloads the module as soon as DllCanUnloadNow allows it (no
// RTLD_NODELETE of its own), three times in one process, speaking each time.

#include "PluginTestSupport.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>

#include <chrono>
#include <thread>

namespace {

using namespace speechhost;

size_t threadCount()
{
    size_t n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            n += entry->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

// Speaks a short text through a fresh host over the module and waits until it is done.
void speakOnce(void* module)
{
    PluginExports e = plugintest::exportsOf(module);
    ASSERT_TRUE(e.getClassForm && e.getClassInfo && e.getInterface && e.getClassObject && e.canUnloadNow);
    Host host;
    host.useExports(e);
    ASSERT_NO_FATAL_FAILURE(plugintest::startScript(host));
    Value result{0};
    ASSERT_EQ(host.call(host.methodNumber("voiceSpeak"), {host.store.text("Klaar.")}, result), 0);
    host.store.release(result);
    const Symbol stopped = host.store.symbol("stopped");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (Symbol state = 0; state != stopped;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "still speaking";
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(host.call(host.methodNumber("voiceState"), {}, result), 0);
        ASSERT_TRUE(host.store.asSymbol(result, state));
    }
    EXPECT_EQ(host.shutdown(), 0); // DllCanUnloadNow: no object left, the host may unload
}

TEST(PluginUnload, LoadSpeakReleaseAndUnloadThreeTimes)
{
    size_t afterFirst = 0;
    for (int round = 1; round <= 3; ++round) {
        void* module = dlopen(SPEECH_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        speakOnce(module);
        ASSERT_EQ(dlclose(module), 0);
        // Threads started by the module are still parked in its code, so it must
        // still be mapped, and a new load must find it there instead of starting more.
        void* resident = dlopen(SPEECH_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(resident, nullptr) << "round " << round << ": unmapped under its threads";
        if (resident)
            dlclose(resident);
        if (round == 1)
            afterFirst = threadCount();
        else
            EXPECT_EQ(threadCount(), afterFirst) << "round " << round;
    }
}

} // namespace
