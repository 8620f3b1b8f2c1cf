#pragma once

// Helpers shared by the plug-in tests: a host over the built Speech.so (or over
// the in-process entry points), reference-count probes and balance checks.

#include "Host.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <sstream>
#include <string>

namespace plugintest {

using namespace speechhost;
using oru::Guid;

// Count of an IOruUnknown after the call: AddRef then Release.
inline uint32_t refsOf(oru::IOruUnknown* unknown)
{
    unknown->AddRef();
    return unknown->Release();
}

inline uint32_t refsOfInstance(void* instance) { return refsOf(oru::instanceUnknown(instance)); }

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

#ifdef SPEECH_PLUGIN_PATH
// A host over the built module.
inline void loadBuiltPlugin(Host& host)
{
    std::string error;
    ASSERT_TRUE(host.load(SPEECH_PLUGIN_PATH, error)) << error;
}
#endif

} // namespace plugintest
