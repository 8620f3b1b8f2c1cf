// Both engines over the real speech layers: the notification threads write state and
// word position while the test thread reads them (the ThreadSanitizer run covers this).

#include "PlatformTestSupport.h"

#include "Sapi4Engine.h"
#include "Sapi5Engine.h"

#include <functional>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

struct EngineCase {
    const char* name;
    std::function<std::unique_ptr<SpeechEngine>()> make;
};

class EngineSpeaking : public testing::TestWithParam<EngineCase> {};

bool waitForState(SpeechEngine& e, EngineState state, std::chrono::milliseconds timeout = 5s) {
    auto end = Clock::now() + timeout;
    while (e.getState() != state && Clock::now() < end)
        std::this_thread::sleep_for(2ms);
    return e.getState() == state;
}

TEST_P(EngineSpeaking, FollowsTheSoundThroughPauseResumeAndStop) {
    ScopedAudio audio(AudioConfig{"null", 1.0, {}});
    std::unique_ptr<SpeechEngine> e = GetParam().make();
    ASSERT_TRUE(e->isReady());
    EXPECT_GE(e->getVoiceCount(), 2);
    ASSERT_TRUE(e->speak("Een twee drie vier vijf zes zeven acht negen tien."));
    ASSERT_TRUE(waitForState(*e, EngineState::Playing));
    std::this_thread::sleep_for(900ms);
    int32_t words = e->getWordPosition();
    EXPECT_GE(words, 2);
    ASSERT_TRUE(e->pause());
    EXPECT_EQ(e->getState(), EngineState::Paused);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(e->getWordPosition(), words);
    EXPECT_EQ(e->getState(), EngineState::Paused);
    ASSERT_TRUE(e->resume());
    std::this_thread::sleep_for(600ms);
    EXPECT_GT(e->getWordPosition(), words);
    ASSERT_TRUE(e->stop());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    EXPECT_EQ(e->getWordPosition(), 0);
}

TEST_P(EngineSpeaking, ShortTextEndsStoppedAndVoicesCanBeChosen) {
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    std::unique_ptr<SpeechEngine> e = GetParam().make();
    ASSERT_TRUE(e->isReady());
    EXPECT_EQ(e->setVoice(2), 2);
    EXPECT_EQ(e->getVoice(), 2);
    ASSERT_TRUE(e->speak("Klaar."));
    ASSERT_TRUE(waitForState(*e, EngineState::Stopped, 5s));
    EXPECT_EQ(e->getWordPosition(), 0);
    VoiceInfo head;
    ASSERT_TRUE(e->fillVoiceList(&head));
    int n = 0;
    for (VoiceInfo* v = &head; v; v = v->next)
        ++n;
    EXPECT_EQ(n, e->getVoiceCount());
    while (VoiceInfo* next = head.next) {
        head.next = next->next;
        delete next;
    }
}

INSTANTIATE_TEST_SUITE_P(Layers, EngineSpeaking,
                         testing::Values(EngineCase{"sapi5", [] { return std::make_unique<Sapi5Engine>(); }},
                                         EngineCase{"sapi4", [] { return std::make_unique<Sapi4Engine>(); }}),
                         [](const auto& info) { return info.param.name; });

} // namespace
