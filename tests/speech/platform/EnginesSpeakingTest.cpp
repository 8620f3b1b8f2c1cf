// Both engines over the real speech layers: the notification threads write state and
// word position while the test thread reads them (the ThreadSanitizer run covers this).

#include "PlatformTestSupport.h"

#include "Sapi4Engine.h"
#include "Sapi5Engine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

struct EngineCase {
    const char* name;
    std::function<std::unique_ptr<SpeechEngine>()> make;
};

class EngineSpeaking : public testing::TestWithParam<EngineCase> {};

// Generous deadlines: a busy machine may run the audio thread late.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 30s)
{
    auto end = Clock::now() + timeout;
    while (!condition() && Clock::now() < end)
        std::this_thread::sleep_for(2ms);
    return condition();
}

bool waitForState(SpeechEngine& e, EngineState state, std::chrono::milliseconds timeout = 30s)
{
    return waitUntil([&] { return e.getState() == state; }, timeout);
}

TEST_P(EngineSpeaking, FollowsTheSoundThroughPauseResumeAndStop)
{
    ScopedAudio audio(AudioConfig{"null", 1.0, {}});
    std::unique_ptr<SpeechEngine> e = GetParam().make();
    ASSERT_TRUE(e->isReady());
    EXPECT_GE(e->getVoiceCount(), 2);
    ASSERT_TRUE(e->speak("Een twee drie vier vijf zes zeven acht negen tien."));
    ASSERT_TRUE(waitForState(*e, EngineState::Playing));
    ASSERT_TRUE(waitUntil([&] { return e->getWordPosition() >= 2; }));
    ASSERT_TRUE(e->pause());
    int32_t words = e->getWordPosition();
    EXPECT_EQ(e->getState(), EngineState::Paused);
    // Only the word event already on its way may land after the pause; playing on, a
    // second of paced audio would bring several.
    std::this_thread::sleep_for(1s);
    EXPECT_GE(e->getWordPosition(), words);
    EXPECT_LE(e->getWordPosition(), words + 1);
    words = e->getWordPosition();
    EXPECT_EQ(e->getState(), EngineState::Paused);
    ASSERT_TRUE(e->resume());
    EXPECT_TRUE(waitUntil([&] { return e->getWordPosition() > words; }));
    ASSERT_TRUE(e->stop());
    EXPECT_TRUE(waitForState(*e, EngineState::Stopped));
    EXPECT_EQ(e->getWordPosition(), 0);
}

TEST_P(EngineSpeaking, ShortTextEndsStoppedAndVoicesCanBeChosen)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    std::unique_ptr<SpeechEngine> e = GetParam().make();
    ASSERT_TRUE(e->isReady());
    EXPECT_EQ(e->setVoice(2), 2);
    EXPECT_EQ(e->getVoice(), 2);
    ASSERT_TRUE(e->speak("Klaar."));
    ASSERT_TRUE(waitForState(*e, EngineState::Stopped));
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

// The state is read right after each call, never after a pause for the sound to catch
// up: a notification that comes late (or early) shows up within these rounds.
TEST_P(EngineSpeaking, StateIsRightTheMomentEachCallReturns)
{
    ScopedAudio audio(AudioConfig{"null", 1.0, {}});
    constexpr int kRounds = 300;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<SpeechEngine> e = GetParam().make(); // a fresh voice: its first pause has nothing to pause
        ASSERT_TRUE(e->isReady());
        ASSERT_FALSE(e->pause()) << "round " << round;
        ASSERT_EQ(e->getState(), EngineState::Stopped) << "round " << round;
        ASSERT_TRUE(e->speak("Hallo daar"));
        ASSERT_EQ(e->getState(), EngineState::Playing) << "round " << round;
        ASSERT_TRUE(e->stop());
        ASSERT_EQ(e->getState(), EngineState::Stopped) << "round " << round;
        ASSERT_FALSE(e->pause()) << "round " << round;
        ASSERT_EQ(e->getState(), EngineState::Stopped) << "round " << round;
        int32_t voice = 1 + round % 3;
        ASSERT_EQ(e->setVoice(voice), voice) << "round " << round;
        ASSERT_EQ(e->getVoice(), voice) << "round " << round;
        ASSERT_EQ(e->getState(), EngineState::Stopped) << "round " << round;
        if (round % 6 == 0) { // an empty text never counts as speaking
            ASSERT_TRUE(e->speak(""));
            ASSERT_EQ(e->getState(), EngineState::Stopped) << "round " << round;
        }
    }
}

// Speaking ends in Stopped only once the last sample has gone to the sink.
TEST_P(EngineSpeaking, StoppedOnlyAfterEverySampleWasPlayed)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 8.0));
    constexpr int kRounds = 30;
    for (int round = 0; round < kRounds; ++round) {
        size_t before = log->total();
        size_t atStop = 0;
        {
            std::unique_ptr<SpeechEngine> e = GetParam().make();
            ASSERT_TRUE(e->speak("Klaar."));
            ASSERT_TRUE(waitForState(*e, EngineState::Stopped)) << "round " << round;
            atStop = log->total();
        } // the voice and its audio thread are gone: nothing more can reach the sink
        EXPECT_GT(atStop, before + 2205) << "round " << round; // at least 0.1 s of sound
        EXPECT_EQ(log->total(), atStop) << "round " << round;
    }
}

// The engine goes away while a word is being reported, at another word each round: the
// notification in progress must not reach a voice or engine being torn down.
TEST_P(EngineSpeaking, GoesAwayWhileAWordIsReported)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 0));
    constexpr int kRounds = 200;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<SpeechEngine> e = GetParam().make();
        size_t before = log->shortWrites();
        ASSERT_TRUE(e->speak("Een twee drie vier vijf zes zeven acht negen tien elf twaalf."));
        // A chunk shorter than 20 ms ends where a word begins: its marker follows at once.
        ASSERT_TRUE(log->waitForShortWrites(before + 1 + round % 10)) << "round " << round;
        e.reset();
    }
}

// A text that cuts another off starts at once: the chunk being played is not waited out
// (here each would play for hours), also while paused, nor when the voice goes.
TEST_P(EngineSpeaking, InterruptingSpeechStartsTheNewTextAtOnce)
{
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "speaking");
        auto log = std::make_shared<SinkLog>();
        ScopedAudio audio(recordingConfig(log, 1e-6));
        std::unique_ptr<SpeechEngine> e = GetParam().make();
        ASSERT_TRUE(e->speak("Een twee drie vier vijf."));
        ASSERT_TRUE(log->waitForWrites(1));
        if (paused)
            ASSERT_TRUE(e->pause());
        ASSERT_TRUE(e->speak("Zes zeven acht."));
        EXPECT_TRUE(log->waitForWrites(2));
        EXPECT_EQ(e->getState(), EngineState::Playing);
    }
}

// A pause while the last sound drains does not hold the end back: once it has played
// the text is over, and there is nothing left to resume.
TEST_P(EngineSpeaking, PauseWhileTheLastSoundDrainsEndsStopped)
{
    auto gate = std::make_shared<DrainGate>();
    ScopedAudio audio(drainGateConfig(gate));
    std::unique_ptr<SpeechEngine> e = GetParam().make();
    std::shared_ptr<void> openAtEnd(nullptr, [&](void*) { gate->open(); }); // before e goes
    ASSERT_TRUE(e->speak("Klaar."));
    ASSERT_TRUE(gate->waitUntilDraining());
    EXPECT_TRUE(e->pause());
    EXPECT_EQ(e->getState(), EngineState::Paused);
    gate->open();
    ASSERT_TRUE(waitForState(*e, EngineState::Stopped));
    EXPECT_FALSE(e->resume());
    EXPECT_EQ(e->getState(), EngineState::Stopped);
}

// Samples the engine's word position whenever sound goes out; can hold the sound once
// the position reaches `holdAt`, until the test lets go.
struct WordWatch {
    std::mutex mutex;
    std::condition_variable changed;
    SpeechEngine* engine = nullptr;
    std::vector<int32_t> seen; // each value heard, once per run
    int32_t holdAt = 0;
    bool holding = false;
};

class WatchingSink final : public AudioSink {
public:
    explicit WatchingSink(WordWatch& watch) : m_watch(watch) {}
    void write(const int16_t*, size_t) override
    {
        std::unique_lock lock(m_watch.mutex);
        int32_t position = m_watch.engine->getWordPosition();
        if (m_watch.seen.empty() || m_watch.seen.back() != position)
            m_watch.seen.push_back(position);
        if (m_watch.holdAt > 0 && position >= m_watch.holdAt) {
            m_watch.holding = true;
            m_watch.changed.notify_all();
            m_watch.changed.wait(lock, [&] { return m_watch.holdAt == 0; });
        }
    }
    const char* kind() const override { return "watching"; }

private:
    WordWatch& m_watch;
};

// The position counts the words of the text as the script wrote it, from 1, also
// when the text before it was cut off in the middle.
TEST_P(EngineSpeaking, WordPositionCountsTheTextsWords)
{
    struct Case {
        const char* cutOff; // spoken first and cut off at its third word, or null
        const char* text;
        int32_t pitch; // not 0: the SAPI 5 engine wraps the text in pitch markup
        std::vector<int32_t> heard;
    };
    const Case cases[] = {
        {nullptr, "een twee drie", 0, {1, 2, 3}},
        {nullptr, "Dat kost 1.234.567 euro", 0, {1, 2, 3, 4}},
        {nullptr, "Dat kost 1.234.567 euro", 5, {1, 2, 3, 4}},
        {nullptr, "Het is 12/05/2023, i.v.m. de toets.", 0, {1, 2, 3, 4, 5, 6}},
        {nullptr, "een - twee (drie)", 0, {1, 2, 4}}, // "-" is not spoken, yet counts: the last word is the fourth
        {"Een twee drie vier vijf zes zeven acht negen tien.", "een twee drie", 0, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        WordWatch watch;
        AudioConfig config{"null", 0, {}};
        config.custom = [&watch](int) { return std::make_unique<WatchingSink>(watch); };
        ScopedAudio audio(config);
        std::unique_ptr<SpeechEngine> e = GetParam().make();
        watch.engine = e.get();
        if (c.pitch != 0)
            ASSERT_EQ(e->setPitch(c.pitch), c.pitch);
        if (c.cutOff) {
            watch.holdAt = 3;
            ASSERT_TRUE(e->speak(c.cutOff));
            std::unique_lock lock(watch.mutex);
            ASSERT_TRUE(watch.changed.wait_for(lock, 10s, [&] { return watch.holding; }));
            watch.seen.clear();
            ASSERT_TRUE(e->speak(c.text)); // the sound of the first text is held meanwhile
            watch.holdAt = 0;
            watch.changed.notify_all();
        } else {
            ASSERT_TRUE(e->speak(c.text));
        }
        ASSERT_TRUE(waitForState(*e, EngineState::Stopped)) << c.text;
        std::lock_guard lock(watch.mutex);
        EXPECT_EQ(watch.seen, c.heard) << c.text;
    }
}

// A sink per voice object, made when it first plays; paced while `speed` says so.
struct SinkPerVoice {
    std::mutex mutex;
    std::vector<std::shared_ptr<SinkLog>> logs;
    std::atomic<double> speed{0};
    std::vector<int16_t> lastSamples()
    {
        std::lock_guard lock(mutex);
        if (logs.empty())
            return {};
        std::lock_guard logLock(logs.back()->mutex);
        return logs.back()->samples;
    }
};

AudioConfig sinkPerVoiceConfig(std::shared_ptr<SinkPerVoice> sinks)
{
    AudioConfig c{"null", 0, {}};
    c.custom = [sinks](int rate) {
        std::lock_guard lock(sinks->mutex);
        sinks->logs.push_back(std::make_shared<SinkLog>());
        return std::make_unique<RecordingSink>(sinks->logs.back(), rate, sinks->speed.load());
    };
    return c;
}

// What a listener can tell apart: length, loudness and the voice's pitch (median of the
// strongest autocorrelation lag over the loud 30 ms frames).
struct Sound {
    double seconds = 0, rms = 0, pitchHz = 0;
};

Sound soundOf(const std::vector<int16_t>& samples, int rate = 22050)
{
    auto rmsOf = [](const int16_t* p, size_t n) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
            sum += double(p[i]) * p[i];
        return n ? std::sqrt(sum / n) : 0.0;
    };
    Sound s;
    s.seconds = double(samples.size()) / rate;
    s.rms = rmsOf(samples.data(), samples.size());
    const size_t frame = rate * 30 / 1000;
    std::vector<double> pitches;
    for (size_t at = 0; at + frame <= samples.size(); at += frame) {
        const int16_t* f = samples.data() + at;
        if (rmsOf(f, frame) < s.rms / 2)
            continue;
        double best = -2;
        size_t bestLag = 0;
        for (size_t lag = rate / 500; lag < size_t(rate / 60); ++lag) {
            double cross = 0, a = 0, b = 0;
            for (size_t i = 0; i + lag < frame; ++i) {
                cross += double(f[i]) * f[i + lag];
                a += double(f[i]) * f[i];
                b += double(f[i + lag]) * f[i + lag];
            }
            double c = cross / (std::sqrt(a * b) + 1e-9);
            if (c > best)
                best = c, bestLag = lag;
        }
        pitches.push_back(double(rate) / bestLag);
    }
    if (!pitches.empty()) {
        std::sort(pitches.begin(), pitches.end());
        s.pitchHz = pitches[pitches.size() / 2];
    }
    return s;
}

// A SAPI 4 mode chosen while a text is spoken or paused opens with the next text; rate,
// pitch and volume set in between are that mode's: read back as set, and the next text
// sounds as if the mode had been chosen and set while stopped (the synthesizer's noise
// makes no two runs alike to the sample).
TEST(Sapi4EngineSpeaking, ValuesSetWhileAVoiceIsPendingGoToThatVoice)
{
    struct Attribute {
        const char* name;
        int32_t (SpeechEngine::*set)(int32_t);
        int32_t (SpeechEngine::*get)();
        int32_t value; // far from voice 2's default, and more than voice 1 would take
    };
    const Attribute attributes[] = {
        {"rate", &SpeechEngine::setRate, &SpeechEngine::getRate, 300},
        {"pitch", &SpeechEngine::setPitch, &SpeechEngine::getPitch, 300},
        {"volume", &SpeechEngine::setVolume, &SpeechEngine::getVolume, 20000},
    };
    const char* next = "Een twee drie vier vijf.";
    for (const Attribute& a : attributes) {
        Sound expected;
        {
            auto sinks = std::make_shared<SinkPerVoice>();
            ScopedAudio audio(sinkPerVoiceConfig(sinks));
            Sapi4Engine e;
            ASSERT_EQ(e.setVoice(2), 2);
            ASSERT_EQ((e.*a.set)(a.value), a.value) << a.name;
            ASSERT_TRUE(e.speak(next));
            ASSERT_TRUE(waitForState(e, EngineState::Stopped));
            expected = soundOf(sinks->lastSamples());
            ASSERT_GT(expected.seconds, 0.5) << a.name;
        }
        for (bool paused : {false, true}) {
            SCOPED_TRACE(std::string(a.name) + (paused ? ", paused" : ", speaking"));
            auto sinks = std::make_shared<SinkPerVoice>();
            sinks->speed = 1.0; // the first text is still being spoken below
            ScopedAudio audio(sinkPerVoiceConfig(sinks));
            Sapi4Engine e;
            ASSERT_TRUE(e.speak("Een twee drie vier vijf zes zeven acht negen tien."));
            if (paused)
                ASSERT_TRUE(e.pause());
            ASSERT_EQ(e.setVoice(2), 2);
            ASSERT_EQ((e.*a.set)(a.value), a.value);
            EXPECT_EQ((e.*a.get)(), a.value);
            sinks->speed = 0;
            ASSERT_TRUE(e.speak(next));
            EXPECT_EQ(e.getVoice(), 2);
            EXPECT_EQ((e.*a.get)(), a.value);
            ASSERT_TRUE(waitForState(e, EngineState::Stopped));
            Sound heard = soundOf(sinks->lastSamples());
            EXPECT_NEAR(heard.seconds, expected.seconds, 0.11); // the synthesizer hands out 50 ms at a time
            EXPECT_NEAR(heard.rms, expected.rms, expected.rms * 0.15);
            EXPECT_NEAR(heard.pitchHz, expected.pitchHz, expected.pitchHz * 0.1);
        }
    }
}

// Under a pitch the text is still text: "&" and "<" are read out, not taken for markup.
TEST(Sapi5EngineSpeaking, MarkupCharactersAreSpokenAtEveryPitch)
{
    std::vector<int16_t> plain, raised;
    for (auto [pitch, samples] : {std::pair{0, &plain}, std::pair{10, &raised}}) {
        auto log = std::make_shared<SinkLog>();
        ScopedAudio audio(recordingConfig(log, 0));
        Sapi5Engine e;
        EXPECT_EQ(e.setPitch(pitch), pitch);
        ASSERT_TRUE(e.speak("3 & 4 < 5")) << "pitch " << pitch;
        ASSERT_TRUE(waitForState(e, EngineState::Stopped));
        std::lock_guard lock(log->mutex);
        *samples = log->samples;
    }
    ASSERT_GT(plain.size(), 22050u);
    EXPECT_NEAR(double(raised.size()), double(plain.size()), 22050 * 0.25); // the same words...
    EXPECT_NE(raised, plain);                                               // ...at another pitch
}

INSTANTIATE_TEST_SUITE_P(Layers, EngineSpeaking,
                         testing::Values(EngineCase{"sapi5", [] { return std::make_unique<Sapi5Engine>(); }},
                                         EngineCase{"sapi4", [] { return std::make_unique<Sapi4Engine>(); }}),
                         [](const auto& info) { return info.param.name; });

} // namespace
