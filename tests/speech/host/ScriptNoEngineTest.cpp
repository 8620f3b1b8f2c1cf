// The script class of the built module on a system without speech.

#include "PluginTestSupport.h"

#include "ClassTable.h"
#include "Codes.h"

#include <gtest/gtest.h>

namespace {

using namespace plugintest;
namespace code = oru::code;

class ScriptWithoutSpeech : public ScriptHost {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadBuiltPlugin(host));
        start();
    }
};

TEST_F(ScriptWithoutSpeech, EveryMethodAnswersIntegerZero)
{
    const Value text = host.store.text("hallo");
    for (int round = 0; round < 2; ++round) {
        for (int32_t method = 0; method <= 18; ++method) {
            SCOPED_TRACE(method);
            // Every call is a fresh load attempt; none performs its method, so
            // even a non-text argument gives no conversion failure.
            EXPECT_EQ(call(method, {host.store.integer(3)}), "0");
            EXPECT_EQ(call(method, {text}), "0");
            EXPECT_EQ(call(method, {}), "0");
        }
    }
    host.store.release(text);
}

TEST_F(ScriptWithoutSpeech, NotificationsAreRegisteredInOrderAndTheStopIsHarmless)
{
    const auto& history = host.notifier.history();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_TRUE(history[0].registered);
    EXPECT_EQ(history[0].id, oru::notification::kFirst);
    EXPECT_EQ(history[1].id, oru::notification::kStop);
    EXPECT_EQ(history[0].reference, static_cast<void*>(host.script()));
    EXPECT_EQ(history[1].reference, static_cast<void*>(host.script()));
    EXPECT_EQ(host.notifier.registrations(), 2u);
    // The instance gave back IOruAppInfo after init; the others stay held.
    EXPECT_EQ(host.appInfo.refs(), 0u);
    EXPECT_EQ(host.values.refs(), 1u);
    EXPECT_EQ(host.notifier.refs(), 1u);

    host.notifyStop();
    host.notifier.notify(oru::notification::kFirst, nullptr);
    EXPECT_EQ(call(16, {}), "0");
}

TEST(ScriptInit, HostFailuresAreReturnedAndEverythingIsReleased)
{
    struct Case {
        Guid iid;
        int32_t hostCode;
        int32_t expected;
    } cases[] = {
        {oru::iid::kScriptValues, static_cast<int32_t>(0x80041234u), static_cast<int32_t>(0x80041234u)},
        {oru::iid::kScriptLists, static_cast<int32_t>(0x80041235u), static_cast<int32_t>(0x80041235u)},
        {oru::iid::kValueUtils, 0, code::kOutOfMemory},
        {oru::iid::kNotifier, 0, code::kOutOfMemory},
        {oru::iid::kNotifier, static_cast<int32_t>(0x80041236u), static_cast<int32_t>(0x80041236u)},
        {oru::iid::kAppInfo, static_cast<int32_t>(0x80041237u), static_cast<int32_t>(0x80041237u)},
        {oru::iid::kAppInfo, 0, code::kOutOfMemory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(guidText(c.iid));
        Host host;
        loadBuiltPlugin(host);
        host.hostLink.refusals.push_back({c.iid, c.hostCode});
        void* instance = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(host.createInstance(oru::plugin::kScriptClassId, &instance), c.expected);
        EXPECT_EQ(instance, nullptr);
        expectHostBalanced(host);
    }
    Host host;
    loadBuiltPlugin(host);
    host.appInfo.failWith = static_cast<int32_t>(0x80041238u);
    void* instance = nullptr;
    EXPECT_EQ(host.createInstance(oru::plugin::kScriptClassId, &instance), static_cast<int32_t>(0x80041238u));
    expectHostBalanced(host);
}

} // namespace
