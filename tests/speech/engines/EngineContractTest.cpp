#include "ScriptedEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

std::u16string repeated(char16_t c, std::size_t n)
{
    return std::u16string(n, c);
}

TEST(VoiceInfo, NewRecordIsEmpty)
{
    VoiceInfo info;
    EXPECT_EQ(info.index, 0);
    EXPECT_EQ(info.name[0], 0);
    EXPECT_EQ(info.age[0], 0);
    EXPECT_EQ(info.gender[0], 0);
    EXPECT_EQ(info.next, nullptr);
}

struct TruncationCase {
    std::size_t sourceLength;
    std::size_t keptName, keptAge;
};

class VoiceInfoTruncation : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(VoiceInfoTruncation, KeepsTheTerminator)
{
    const TruncationCase c = GetParam();
    const std::u16string source = repeated(u'x', c.sourceLength);
    VoiceInfo info;
    // Pre-fill to see that stale units beyond the new text are cleared.
    std::fill(std::begin(info.name), std::end(info.name), u'?');
    info.setName(source.c_str());
    info.setAge(source.c_str());
    info.setGender(source.c_str());
    EXPECT_EQ(std::u16string(info.name), repeated(u'x', c.keptName));
    EXPECT_EQ(std::u16string(info.age), repeated(u'x', c.keptAge));
    EXPECT_EQ(std::u16string(info.gender), repeated(u'x', c.keptAge));
    EXPECT_EQ(info.name[VoiceInfo::kNameUnits - 1], 0);
    EXPECT_EQ(info.age[VoiceInfo::kAgeUnits - 1], 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, VoiceInfoTruncation,
                         ::testing::Values(TruncationCase{0, 0, 0}, TruncationCase{5, 5, 5}, TruncationCase{63, 63, 63},
                                           TruncationCase{64, 64, 63}, TruncationCase{255, 255, 63},
                                           TruncationCase{256, 255, 63}, TruncationCase{300, 255, 63}));

TEST(VoiceInfo, NullSourceGivesEmptyText)
{
    VoiceInfo info;
    info.setName(u"Anna");
    info.setName(nullptr);
    EXPECT_EQ(info.name[0], 0);
    EXPECT_EQ(info.name[1], 0);
}

TEST(VoiceInfo, LayoutIsFixed)
{
    static_assert(sizeof(VoiceInfo::name) == 256 * 2 && sizeof(VoiceInfo::age) == 64 * 2 &&
                  sizeof(VoiceInfo::gender) == 64 * 2);
    static_assert(std::is_same_v<std::underlying_type_t<EngineState>, int32_t>);
    static_assert(static_cast<int>(EngineState::Paused) == 0 && static_cast<int>(EngineState::Stopped) == 1 &&
                  static_cast<int>(EngineState::Playing) == 2);
    SUCCEED();
}

TEST(LoadEngine, ProductEnginesFailCleanlyWithoutASpeechLayer)
{
    // The product's own list; without a speech layer nothing may stay loaded.
    EXPECT_FALSE(loadEngine(true));
    EXPECT_EQ(currentEngine(), nullptr);
    EXPECT_EQ(voiceInfoList(), nullptr);
    EXPECT_FALSE(loadEngine(false));
    EXPECT_EQ(currentEngine(), nullptr);
}

TEST(LoadEngine, FallsBackToTheSecondAndDeletesTheFirst)
{
    EngineConstructorsGuard guard({&ScriptedEngine::makeNotReady, &ScriptedEngine::make});
    ASSERT_TRUE(loadEngine(false));
    EXPECT_EQ(ScriptedEngine::constructed, 2);
    EXPECT_EQ(ScriptedEngine::destroyed, 1);
    EXPECT_EQ(currentEngine(), ScriptedEngine::live);
    EXPECT_TRUE(currentEngine()->isReady());
    EXPECT_EQ(voiceInfoList(), nullptr);
}

TEST(LoadEngine, FirstReadyEngineIsKeptAndSecondNeverBuilt)
{
    EngineConstructorsGuard guard({&ScriptedEngine::make, &ScriptedEngine::makeNotReady});
    ASSERT_TRUE(loadEngine(false));
    EXPECT_EQ(ScriptedEngine::constructed, 1);
    EXPECT_EQ(ScriptedEngine::destroyed, 0);
}

TEST(LoadEngine, FailedConstructionsCountAsNotReady)
{
    for (EngineConstructorList list :
         {EngineConstructorList{&ScriptedEngine::makeNull, &ScriptedEngine::makeNotReady},
          EngineConstructorList{&ScriptedEngine::makeThrowing, &ScriptedEngine::makeNull}, EngineConstructorList{}}) {
        EngineConstructorsGuard guard(list);
        EXPECT_FALSE(loadEngine(true));
        EXPECT_EQ(currentEngine(), nullptr);
        EXPECT_EQ(voiceInfoList(), nullptr);
        EXPECT_EQ(ScriptedEngine::constructed, ScriptedEngine::destroyed);
    }
    EngineConstructorsGuard guard({&ScriptedEngine::makeThrowing, &ScriptedEngine::make});
    EXPECT_TRUE(loadEngine(false));
}

TEST(LoadEngine, MakesTheVoiceInfoListInOrder)
{
    EngineConstructorsGuard guard;
    ScriptedEngine::script.voiceNames = {u"Anna", u"Bram", u"Cees"};
    ASSERT_TRUE(loadEngine(true));
    std::vector<std::u16string> names;
    int expectedIndex = 1;
    for (VoiceInfo* v = voiceInfoList(); v != nullptr; v = v->next) {
        EXPECT_EQ(v->index, expectedIndex++);
        names.emplace_back(v->name);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Anna", u"Bram", u"Cees"}));
}

TEST(LoadEngine, FailedVoiceListUnloadsEverything)
{
    EngineConstructorsGuard guard;
    ScriptedEngine::script.fillResult = false;
    EXPECT_FALSE(loadEngine(true));
    EXPECT_EQ(currentEngine(), nullptr);
    EXPECT_EQ(voiceInfoList(), nullptr);
    EXPECT_EQ(ScriptedEngine::destroyed, 1);
    // The next attempt tries again.
    ScriptedEngine::script.fillResult = true;
    EXPECT_TRUE(loadEngine(true));
    EXPECT_NE(voiceInfoList(), nullptr);
}

TEST(LoadEngine, LoadedEngineIsKeptEvenWhenAVoiceListIsAskedLater)
{
    EngineConstructorsGuard guard;
    ASSERT_TRUE(loadEngine(false));
    SpeechEngine* first = currentEngine();
    EXPECT_TRUE(loadEngine(true));
    EXPECT_EQ(currentEngine(), first);
    EXPECT_EQ(voiceInfoList(), nullptr);
    EXPECT_EQ(ScriptedEngine::constructed, 1);
}

TEST(UnloadEngine, DeletesEngineAndListAndToleratesNothingLoaded)
{
    EngineConstructorsGuard guard;
    unloadEngine(); // nothing loaded: no effect
    EXPECT_EQ(ScriptedEngine::destroyed, 0);
    ASSERT_TRUE(loadEngine(true));
    unloadEngine();
    EXPECT_EQ(currentEngine(), nullptr);
    EXPECT_EQ(voiceInfoList(), nullptr);
    EXPECT_EQ(ScriptedEngine::destroyed, 1);
    unloadEngine();
    EXPECT_EQ(ScriptedEngine::destroyed, 1);
}

} // namespace
