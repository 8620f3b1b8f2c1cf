// A host that loads the plug-in with RTLD_GLOBAL, then another user of the audio
// library; a process of its own, which links no audio library itself.

#include "OtherAudioUser.h"
#include "PluginTestSupport.h"

namespace {

using namespace plugintest;

TEST(GlobalLoad, AnotherAudioUserStillGetsARealDevice)
{
    void* plugin = dlopen(SPEECH_PLUGIN_PATH, RTLD_NOW | RTLD_GLOBAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    {
        // The synthesizer starts (and asks for its device object) before the other user.
        Host host;
        host.useExports(exportsOf(plugin));
        ASSERT_NO_FATAL_FAILURE(startScript(host));
        EXPECT_EQ(callScript(host, host.methodNumber("voiceInitialize")), "1");
        EXPECT_EQ(host.shutdown(), 0);
    }

    void* other = dlopen(OTHER_AUDIO_USER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(other, nullptr) << dlerror();
    auto probe = reinterpret_cast<void (*)(AudioProbe*)>(dlsym(other, "probeAudioDevice"));
    ASSERT_NE(probe, nullptr);
    AudioProbe found;
    probe(&found);
    // Without a sound card the library still makes an object; only its open fails, and
    // it can say why. The plug-in's stand-in makes none.
    EXPECT_TRUE(found.created);
    if (found.openResult != 0) {
        EXPECT_FALSE(found.why.empty()) << "open answered " << found.openResult;
    }
    dlclose(other);
}

} // namespace
