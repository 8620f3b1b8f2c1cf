// The script class driven by a scripted engine, through the plug-in's entry
// points linked into this test (the module itself never substitutes engines).

#include "../engines/ScriptedEngine.h"
#include "../host/PluginTestSupport.h"

#include "ClassTable.h"
#include "Codes.h"
#include "MethodTable.h"
#include "VoiceList.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace plugintest;
namespace code = oru::code;
using namespace oru::plugin;

PluginExports inProcessExports()
{
    return PluginExports{&getClassForm, &getClassInfo, &getInterface, &getClassObject, &canUnloadNow};
}

// The scripted engines are put in before the host exists and restored after it has gone.
struct ScriptedEngines {
    EngineConstructorsGuard engines;
};

class ScriptDispatch : private ScriptedEngines, public ScriptHost {
protected:
    void SetUp() override { host.useExports(inProcessExports()); }
    void TearDown() override
    {
        ScriptHost::TearDown();
        EXPECT_EQ(currentEngine(), nullptr) << "Terminate unloads the engine";
    }
    // Calls and formats the result; args are released afterwards.
    std::string call(int32_t method, std::vector<Value> args = {}, int32_t expectedCode = code::kOk)
    {
        std::string text = ScriptHost::call(method, args, expectedCode);
        for (const Value& arg : args)
            host.store.release(arg);
        return text;
    }
    std::vector<std::string> engineCalls() const { return ScriptedEngine::live->calls; }
    Value integer(int32_t n) { return host.store.integer(n); }
    Value text(const char* t) { return host.store.text(t); }
};

struct MethodCase {
    int32_t method;
    int32_t argument; // passed as an integer value
    std::string result;
    std::string engineCall; // empty: the engine is not called
    int32_t engineArgument;
};

class ScriptMethods : public ScriptDispatch, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(ScriptMethods, TurnIntoOneEngineOperation)
{
    start();
    const MethodCase c = GetParam();
    ScriptedEngine::live->calls.clear();
    ScriptedEngine::live->arguments.clear();
    EXPECT_EQ(call(c.method, {integer(c.argument)}), c.result);
    if (c.engineCall.empty()) {
        EXPECT_TRUE(engineCalls().empty());
    } else {
        ASSERT_FALSE(engineCalls().empty());
        EXPECT_EQ(engineCalls().back(), c.engineCall);
        EXPECT_EQ(ScriptedEngine::live->arguments.back(), c.engineArgument);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScriptMethods,
    ::testing::Values(
        MethodCase{kVoiceCount, 0, "2", "getVoiceCount", 0}, MethodCase{kVoiceGetPitch, 0, "8", "getPitch", 0},
        MethodCase{kVoiceGetRate, 0, "7", "getRate", 0}, MethodCase{kVoiceGetVolume, 0, "9", "getVolume", 0},
        MethodCase{kVoiceInitialize, 0, "1", "", 0}, MethodCase{kVoicePause, 0, "1", "pause", 0},
        MethodCase{kVoiceResume, 0, "1", "resume", 0}, MethodCase{kVoiceSet, 3, "3", "setVoice", 3},
        MethodCase{kVoiceSet, -3, "-3", "setVoice", -3}, MethodCase{kVoiceSetPitch, -5, "-5", "setPitch", -5},
        MethodCase{kVoiceSetRate, 70000, "70000", "setRate", 70000},
        // Volumes are cut to their low 16 bits before the engine sees them.
        MethodCase{kVoiceSetVolume, 65537, "1", "setVolume", 1},
        MethodCase{kVoiceSetVolume, 65535, "65535", "setVolume", 65535},
        MethodCase{kVoiceSetVolume, -1, "65535", "setVolume", 65535}, MethodCase{kVoiceStop, 0, "1", "stop", 0},
        MethodCase{kVoiceWordPos, 0, "10", "getWordPosition", 0}, MethodCase{kVoiceState, 0, "#stopped", "getState", 0},
        MethodCase{0, 0, "0", "", 0}, MethodCase{18, 0, "0", "", 0}, MethodCase{-1, 0, "0", "", 0}));

TEST_F(ScriptDispatch, FailingEngineAnswersBecomeZero)
{
    ScriptedEngine::script.answer = false;
    start();
    for (int32_t method : {kVoicePause, kVoiceResume, kVoiceStop})
        EXPECT_EQ(call(method), "0") << method;
    EXPECT_EQ(call(kVoiceSpeak, {text("hallo")}), "0");
}

TEST_F(ScriptDispatch, StatesBecomeSymbols)
{
    start();
    const struct {
        int32_t state;
        const char* symbol;
    } cases[] = {{0, "#paused"}, {1, "#stopped"}, {2, "#playing"}, {3, "#stopped"}, {-1, "#stopped"}};
    for (const auto& c : cases) {
        ScriptedEngine::script.state = static_cast<EngineState>(c.state);
        EXPECT_EQ(call(kVoiceState), c.symbol) << c.state;
    }
}

TEST_F(ScriptDispatch, SpeakPassesTheTextAndRefusesOtherValues)
{
    start();
    EXPECT_EQ(call(kVoiceSpeak, {text("Goedemorgen, klas 4B")}), "1");
    EXPECT_EQ(ScriptedEngine::live->spoken, "Goedemorgen, klas 4B");

    ScriptedEngine::live->calls.clear();
    const Value symbol = host.store.symbolValue(host.store.symbol("hallo"));
    for (Value notText : {integer(5), symbol}) {
        EXPECT_EQ(call(kVoiceSpeak, {notText}, kWrongType), "0");
    }
    EXPECT_TRUE(engineCalls().empty());
}

// Valid UTF-8 reaches the engine as it is; any other text is Windows-1252, as a course
// made on Windows hands it over, and reaches the engine as UTF-8 with every letter kept.
TEST_F(ScriptDispatch, TextThatIsNotUtf8IsReadAsWindows1252)
{
    start();
    const struct {
        const char* host;
        const char* spoken;
    } cases[] = {
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"caf\xe9 cr\xe8me", "caf\xc3\xa9 cr\xc3\xa8me"},
        {"\x80 5 \x93ja\x94 \x81", "\xe2\x82\xac 5 \xe2\x80\x9cja\xe2\x80\x9d \xc2\x81"},
        // One stray byte makes all of it Windows-1252.
        {"na\xefve \xc3\xa9", "na\xc3\xafve \xc3\x83\xc2\xa9"},
        // Overlong, surrogate, above U+10FFFF.
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80",
         "\xc3\x80\xc2\xaf \xc3\xad\xc2\xa0\xe2\x82\xac \xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(call(kVoiceSpeak, {text(c.host)}), "1") << c.host;
        EXPECT_EQ(ScriptedEngine::live->spoken, c.spoken) << c.host;
    }
}

TEST_F(ScriptDispatch, ConversionFailuresArePassedBack)
{
    start();
    ScriptedEngine::live->calls.clear();
    for (int32_t method : {kVoiceSet, kVoiceSetPitch, kVoiceSetRate, kVoiceSetVolume})
        EXPECT_EQ(call(method, {text("drie")}, kWrongType), "0") << method;
    EXPECT_TRUE(engineCalls().empty());
}

TEST_F(ScriptDispatch, VoiceGetAndGetAllDescribeTheVoices)
{
    ScriptedEngine::script.voiceNames = {u"Anna", u"Bram"};
    start();
    const std::string anna = "[#name: \"Anna\", #age: \"Adult\", #gender: \"Female\", #index: 1]";
    const std::string bram = "[#name: \"Bram\", #age: \"Adult\", #gender: \"Male\", #index: 2]";
    ScriptedEngine::script.voice = 2;
    EXPECT_EQ(call(kVoiceGet), bram);
    ScriptedEngine::script.voice = 1;
    EXPECT_EQ(call(kVoiceGet), anna);
    ScriptedEngine::script.voice = 0; // the current voice is not in the list
    EXPECT_EQ(call(kVoiceGet), "0");
    ScriptedEngine::script.voice = 3;
    EXPECT_EQ(call(kVoiceGet), "0");
    // The copy is the caller's: releasing it leaves the instance's list intact.
    EXPECT_EQ(call(kVoiceGetAll), "[" + anna + ", " + bram + "]");
    EXPECT_EQ(call(kVoiceGetAll), "[" + anna + ", " + bram + "]");
}

TEST_F(ScriptDispatch, FirstCallAfterAFailedInitOnlyLoads)
{
    ScriptedEngine::script.ready = false;
    start();
    EXPECT_EQ(ScriptedEngine::constructed, 1);
    EXPECT_EQ(currentEngine(), nullptr);

    EXPECT_EQ(call(kVoiceSpeak, {text("hallo")}), "0"); // still no engine: another failed attempt
    EXPECT_EQ(ScriptedEngine::constructed, 2);

    ScriptedEngine::script.ready = true;
    EXPECT_EQ(call(kVoiceSpeak, {text("hallo")}), "1"); // loads, but does not speak
    ASSERT_NE(ScriptedEngine::live, nullptr);
    EXPECT_TRUE(engineCalls().empty());
    EXPECT_EQ(voiceInfoList(), nullptr);

    EXPECT_EQ(call(kVoiceSpeak, {text("hallo")}), "1");
    EXPECT_EQ(engineCalls(), std::vector<std::string>{"speak"});
    // Loaded without a voice list: nothing to describe.
    EXPECT_EQ(call(kVoiceGet), "0");
    EXPECT_EQ(call(kVoiceGetAll), "[]");
}

TEST_F(ScriptDispatch, AfterTerminateEveryCallAnswersZero)
{
    start();
    void* terminator = nullptr;
    void* registration = nullptr;
    ASSERT_EQ(host.createInstance(kRegistrationClassId, &registration), code::kOk);
    ASSERT_EQ(oru::instanceUnknown(registration)->QueryInterface(&oru::iid::kMmTerminator, &terminator), code::kOk);
    EXPECT_EQ(static_cast<oru::IOruMmTerminator*>(terminator)->Terminate(), code::kOk);
    EXPECT_EQ(ScriptedEngine::destroyed, 1);
    EXPECT_EQ(currentEngine(), nullptr);
    EXPECT_EQ(call(kVoiceCount), "0");
    EXPECT_EQ(call(kVoiceSpeak, {text("hallo")}), "0");
    EXPECT_EQ(ScriptedEngine::constructed, 1) << "no reload after Terminate for a loaded instance";
    host.notifyStop();
    static_cast<oru::IOruUnknown*>(terminator)->Release();
    oru::instanceUnknown(registration)->Release();
}

TEST_F(ScriptDispatch, StopNotificationStopsSpeech)
{
    start();
    ScriptedEngine::live->calls.clear();
    host.notifier.notify(oru::notification::kFirst, nullptr);
    EXPECT_TRUE(engineCalls().empty());
    host.notifyStop();
    EXPECT_EQ(engineCalls(), std::vector<std::string>{"stop"});
}

TEST_F(ScriptDispatch, StopNotificationWithoutAnEngineDoesNothing)
{
    ScriptedEngine::script.ready = false;
    start();
    host.notifyStop(); // must not touch a missing engine
    EXPECT_EQ(currentEngine(), nullptr);
}

TEST_F(ScriptDispatch, AVoiceListThatCannotBeBuiltLeavesNoValuesBehind)
{
    ScriptedEngine::script.voiceNames = {u"Anna", u"Bram", u"Cees"};
    host.lists.failAppendAfter = 1; // the second voice cannot be appended
    start();
    host.lists.failAppendAfter = -1;
    EXPECT_EQ(call(kVoiceGetAll), "[[#name: \"Anna\", #age: \"Adult\", #gender: \"Female\", #index: 1]]");
}

TEST_F(ScriptDispatch, LongNamesAreCutToTheBufferWithTheirTerminator)
{
    // 300 two-byte characters: the 256-byte buffer holds 127 of them and the terminator.
    ScriptedEngine::script.voiceNames = {std::u16string(300, u'\u00e9')};
    start();
    Value voice{0};
    ScriptedEngine::script.voice = 1;
    ASSERT_EQ(host.call(kVoiceGet, {}, voice), code::kOk);
    Value name{0};
    ASSERT_EQ(host.store.getAt(voice, 1, name), 0);
    const std::string* text = host.store.asText(name);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->size(), 254u);
    std::string expected;
    for (int i = 0; i < 127; ++i)
        expected += "\xC3\xA9";
    EXPECT_EQ(*text, expected);
    host.store.release(name);
    host.store.release(voice);
}

struct ConversionCase {
    std::u16string source;
    std::size_t size;
    std::string expected;
};

class MultibyteConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MultibyteConversion, FitsWithTerminatorAndNeverSplitsACharacter)
{
    const ConversionCase& c = GetParam();
    std::vector<char> buffer(c.size, '?');
    const std::size_t written = toMultibyte(c.source.c_str(), buffer.data(), buffer.size());
    EXPECT_EQ(written, c.expected.size());
    EXPECT_EQ(std::string(buffer.data(), written), c.expected);
    for (std::size_t i = written; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], '\0') << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, MultibyteConversion,
                         ::testing::Values(ConversionCase{u"Anna", 256, "Anna"}, ConversionCase{u"", 256, ""},
                                           ConversionCase{std::u16string(300, u'a'), 256, std::string(255, 'a')},
                                           ConversionCase{std::u16string(255, u'a'), 256, std::string(255, 'a')},
                                           ConversionCase{u"\u20ac\u20ac", 6,
                                                          "\xE2\x82\xAC"}, // the second euro sign does not fit
                                           ConversionCase{u"\u20ac\u20ac", 7, "\xE2\x82\xAC\xE2\x82\xAC"},
                                           ConversionCase{u"a\U0001F600b", 256,
                                                          "a\xF0\x9F\x98\x80"
                                                          "b"},
                                           ConversionCase{std::u16string(u"x\xD800y", 3), 256, "x\xEF\xBF\xBDy"},
                                           ConversionCase{u"abc", 1, ""}));

} // namespace
