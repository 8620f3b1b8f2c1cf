#pragma once

// Helpers shared by the plug-in tests: a host over the built Speech.so (or over
// the in-process entry points), reference-count probes and balance checks.

#include "Codes.h"
#include "Host.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace plugintest {

using namespace speechhost;
using oru::Guid;

// Count of an IOruUnknown after the call: AddRef then Release.
inline uint32_t refsOf(oru::IOruUnknown* unknown)
{
    unknown->AddRef();
    return unknown->Release();
}

inline uint32_t refsOfInstance(void* instance)
{
    return refsOf(oru::instanceUnknown(instance));
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Everything the plug-in obtained from the host has been given back.
inline void expectHostBalanced(const Host& host)
{
    EXPECT_EQ(host.values.refs(), 0u);
    EXPECT_EQ(host.lists.refs(), 0u);
    EXPECT_EQ(host.utils.refs(), 0u);
    EXPECT_EQ(host.notifier.refs(), 0u);
    EXPECT_EQ(host.appInfo.refs(), 0u);
    EXPECT_EQ(host.notifier.registrations(), 0u);
    EXPECT_EQ(host.allocator.outstanding(), 0u);
    EXPECT_EQ(host.allocator.badFrees(), 0u);
    EXPECT_EQ(host.utils.badReleases, 0u);
    EXPECT_EQ(host.liveInstances(), 0u);
}

// The entry points of a module the test loaded itself; null where one is missing.
inline PluginExports exportsOf(void* module)
{
    PluginExports e;
    e.getClassForm = reinterpret_cast<oru::DllGetClassFormFn>(dlsym(module, "DllGetClassForm"));
    e.getClassInfo = reinterpret_cast<oru::DllGetClassInfoFn>(dlsym(module, "DllGetClassInfo"));
    e.getInterface = reinterpret_cast<oru::DllGetInterfaceFn>(dlsym(module, "DllGetInterface"));
    e.getClassObject = reinterpret_cast<oru::DllGetClassObjectFn>(dlsym(module, "DllGetClassObject"));
    e.canUnloadNow = reinterpret_cast<oru::DllCanUnloadNowFn>(dlsym(module, "DllCanUnloadNow"));
    return e;
}

// Registers the plug-in with `host` and makes the script class.
inline void startScript(Host& host)
{
    std::string error;
    ASSERT_EQ(host.registerPlugin(error), oru::code::kOk) << error;
    ASSERT_EQ(host.createScript(), oru::code::kOk);
}

// Calls `method` of the script class and formats its result, which is released again.
inline std::string callScript(Host& host, int32_t method, const std::vector<Value>& args = {},
                              int32_t expectedCode = oru::code::kOk)
{
    Value result{0};
    EXPECT_EQ(host.call(method, args, result), expectedCode) << "method " << method;
    std::string text = host.store.format(result);
    host.store.release(result);
    return text;
}

// A host for one test that must end shut down with everything given back.
class ScriptHost : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(host.shutdown(), oru::code::kOk);
        expectHostBalanced(host);
        EXPECT_EQ(host.store.liveHeapValues(), 0u);
    }
    void start() { startScript(host); }
    std::string call(int32_t method, const std::vector<Value>& args = {}, int32_t expectedCode = oru::code::kOk)
    {
        return callScript(host, method, args, expectedCode);
    }

    Host host;
};

#ifdef SPEECH_PLUGIN_PATH
// A host over the built module.
inline void loadBuiltPlugin(Host& host)
{
    std::string error;
    ASSERT_TRUE(host.load(SPEECH_PLUGIN_PATH, error)) << error;
}
#endif

} // namespace plugintest
