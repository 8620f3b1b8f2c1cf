// The SAPI-shaped objects speaking for real through the synthesizer.

#include "PlatformTestSupport.h"

#include "Synthesizer.h"

#include <QTemporaryDir>

#include <set>
#include <thread>

using namespace platformtest;
using namespace std::chrono_literals;

namespace {

constexpr char16_t kSentence[] = u"Goedemorgen, dit is een test.";
const std::vector<LPARAM> kSentenceWords = {0, 13, 17, 20, 24};

std::vector<LoggedEvent> only(const std::vector<LoggedEvent>& events, uint16_t id)
{
    std::vector<LoggedEvent> out;
    for (const auto& e : events)
        if (e.id == id)
            out.push_back(e);
    return out;
}

class Speaking : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    std::string path(const char* name) { return m_dir.filePath(name).toStdString(); }
    QTemporaryDir m_dir;
};

AudioConfig wav(const std::string& path, double speed)
{
    AudioConfig c;
    c.choice = "wav:" + path;
    c.speed = speed;
    return c;
}

TEST_F(Speaking, WavFileHoldsSpeechOfPlausibleLength)
{
    std::string file = path("x.wav");
    {
        ScopedAudio audio(wav(file, 0));
        ComPtr<ISpVoice> voice = makeVoice();
        ASSERT_EQ(voice->Speak(kSentence, kSpeakAsync | kSpeakIsNotXml, nullptr), S_OK);
        ASSERT_EQ(voice->WaitUntilDone(60000), S_OK);
    }
    WavData w = readWav(file);
    ASSERT_TRUE(w.valid) << "RIFF sizes not patched";
    EXPECT_EQ(w.rate, 22050u);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    // Five words at the default rate: between one and four seconds, clearly audible.
    EXPECT_GT(w.seconds(), 1.0);
    EXPECT_LT(w.seconds(), 4.0);
    EXPECT_GT(w.rms(), 500.0);
}

TEST_F(Speaking, EventsRunStartWordsInOrderEnd)
{
    // Each word's event: where it starts and its length, punctuation around it left out.
    const struct {
        const char16_t* text;
        std::vector<LPARAM> positions;
        std::vector<WPARAM> lengths;
    } cases[] = {
        {kSentence, kSentenceWords, {11, 3, 2, 3, 4}},
        {u"Ja, nee... (misschien) goed!", {0, 4, 12, 23}, {2, 3, 9, 4}},
        // A tag inside a word does not split it.
        {u"<bookmark mark=\"a\"/>Goede<bookmark mark=\"m\"/>morgen allemaal", {20, 52}, {31, 8}},
    };
    for (const auto& c : cases) {
        ScopedAudio audio(AudioConfig{"null", 0, {}});
        ComPtr<ISpVoice> voice = makeVoice();
        EventCollector events(voice.get());
        listenToAll(voice.get(), &events);
        ULONG stream = 0;
        ASSERT_EQ(voice->Speak(c.text, kSpeakAsync, &stream), S_OK);
        ASSERT_TRUE(events.waitFor(kEventEndInputStream, stream));
        auto all = events.events();
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all.front().id, kEventStartInputStream);
        EXPECT_EQ(all.back().id, kEventEndInputStream);
        std::vector<LPARAM> positions;
        std::vector<WPARAM> lengths;
        for (const auto& e : only(all, kEventWordBoundary)) {
            positions.push_back(e.lParam);
            lengths.push_back(e.wParam);
            EXPECT_EQ(e.stream, stream);
        }
        EXPECT_EQ(positions, c.positions);
        EXPECT_EQ(lengths, c.lengths);
        SpVoiceStatus status{};
        ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
        EXPECT_EQ(status.runningState, kRunStateDone);
        EXPECT_EQ(status.lastStreamQueued, stream);
    }
}

TEST_F(Speaking, DatesAndNumbersNeverStepBackAndEmptyTextOnlyStartsAndEnds)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    ComPtr<ISpVoice> voice = makeVoice();
    EventCollector events(voice.get());
    listenToAll(voice.get(), &events);
    ULONG first = 0, second = 0;
    ASSERT_EQ(voice->Speak(u"Op 12/05/2023 om 10:30 kost het 1.234,50 euro.", kSpeakAsync, &first), S_OK);
    ASSERT_EQ(voice->Speak(u"", kSpeakAsync, &second), S_OK);
    ASSERT_TRUE(events.waitFor(kEventEndInputStream, second));
    LPARAM last = -1;
    size_t words = 0;
    for (const auto& e : events.events()) {
        if (e.id != kEventWordBoundary)
            continue;
        EXPECT_EQ(e.stream, first);
        EXPECT_GT(e.lParam, last);
        last = e.lParam;
        ++words;
    }
    EXPECT_GE(words, 5u);
    std::vector<uint16_t> ofEmpty;
    for (const auto& e : events.events())
        if (e.stream == second)
            ofEmpty.push_back(e.id);
    EXPECT_EQ(ofEmpty, (std::vector<uint16_t>{kEventStartInputStream, kEventEndInputStream}));
}

TEST_F(Speaking, XmlPitchIsSpokenAndOtherTagsAreNot)
{
    std::string plain = path("plain.wav"), tagged = path("tagged.wav");
    for (auto [file, text, flags] :
         {std::tuple{plain, u"hallo", kSpeakIsNotXml},
          std::tuple{tagged, u"<pitch absmiddle = '10'>hallo</pitch><unknown/>", kSpeakIsXml}}) {
        ScopedAudio audio(wav(file, 0));
        ComPtr<ISpVoice> voice = makeVoice();
        ASSERT_EQ(voice->Speak(text, kSpeakAsync | flags, nullptr), S_OK);
        ASSERT_EQ(voice->WaitUntilDone(60000), S_OK);
    }
    WavData a = readWav(plain), b = readWav(tagged);
    // Same word, higher pitch: similar length (the tags were not read out), different sound.
    EXPECT_NEAR(b.seconds(), a.seconds(), 0.25);
    EXPECT_NE(a.samples, b.samples);
    // Without the XML flag "<" is text: spoken, so longer.
    std::string literal = path("literal.wav");
    {
        ScopedAudio audio(wav(literal, 0));
        ComPtr<ISpVoice> voice = makeVoice();
        ASSERT_EQ(voice->Speak(u"<pitch absmiddle = '10'>hallo</pitch>", kSpeakIsNotXml, nullptr), S_OK);
    }
    EXPECT_GT(readWav(literal).seconds(), a.seconds() + 0.5);
}

TEST_F(Speaking, PausingLengthensWallTimeButNotTheAudio)
{
    std::string reference = path("reference.wav"), paused = path("paused.wav");
    {
        ScopedAudio audio(wav(reference, 0));
        ComPtr<ISpVoice> voice = makeVoice();
        ASSERT_EQ(voice->Speak(kSentence, 0, nullptr), S_OK); // synchronous
    }
    ScopedAudio audio(wav(paused, 1.0));
    size_t eventsAtPause = 0, eventsAtResume = 0;
    double wall = 0;
    {
        ComPtr<ISpVoice> voice = makeVoice();
        EventCollector events(voice.get());
        listenToAll(voice.get(), &events);
        auto start = Clock::now();
        ASSERT_EQ(voice->Speak(kSentence, kSpeakAsync, nullptr), S_OK);
        ASSERT_TRUE(events.waitFor(kEventWordBoundary));
        ASSERT_EQ(voice->Pause(), S_OK);
        eventsAtPause = events.events().size();
        SpVoiceStatus status{};
        ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
        EXPECT_NE(status.runningState, kRunStateSpeaking);
        EXPECT_NE(status.runningState, kRunStateDone);
        std::this_thread::sleep_for(1s);
        eventsAtResume = events.events().size();
        ASSERT_EQ(voice->Resume(), S_OK);
        ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
        EXPECT_EQ(status.runningState, kRunStateSpeaking);
        ASSERT_EQ(voice->WaitUntilDone(60000), S_OK);
        wall = std::chrono::duration<double>(Clock::now() - start).count();
    }
    WavData ref = readWav(reference);
    WavData got = readWav(paused);
    // The synthesizer is not bit-for-bit repeatable between runs (a few samples either
    // way), so the check is that the pause added no audio: 1 s would be 22050 samples.
    EXPECT_NEAR(double(got.samples.size()), double(ref.samples.size()), 1000.0);
    EXPECT_NEAR(got.rms(), ref.rms(), ref.rms() * 0.05);
    EXPECT_GT(wall, ref.seconds() + 0.9);
    // At most the word already on its way when the pause came.
    EXPECT_LE(eventsAtResume - eventsAtPause, 1u);
}

TEST_F(Speaking, PurgeStopsQuicklyAndNothingOfThePurgedTextFollows)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 1.0));
    ComPtr<ISpVoice> voice = makeVoice();
    EventCollector events(voice.get());
    listenToAll(voice.get(), &events);
    ULONG old = 0;
    ASSERT_EQ(voice->Speak(u"Dit is een lange zin die nog lang niet klaar is wanneer hij wordt afgebroken, "
                           u"want er komen nog heel veel woorden achteraan.",
                           kSpeakAsync, &old),
              S_OK);
    ASSERT_TRUE(events.waitFor(kEventWordBoundary, old));
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(voice->Speak(nullptr, kSpeakPurgeBeforeSpeak, nullptr), S_OK);
    auto purgedAt = Clock::now();
    size_t eventsAtPurge = events.events().size();
    std::this_thread::sleep_for(300ms);
    // The sink got at most one more chunk after the purge.
    EXPECT_LE(log->writesAfter(purgedAt), 1u);
    EXPECT_EQ(events.events().size(), eventsAtPurge);
    SpVoiceStatus status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.runningState, kRunStateDone);

    ULONG next = 0;
    ASSERT_EQ(voice->Speak(u"Nieuw.", kSpeakAsync | kSpeakPurgeBeforeSpeak, &next), S_OK);
    ASSERT_TRUE(events.waitFor(kEventEndInputStream, next));
    for (const auto& e : events.events())
        EXPECT_FALSE(e.stream == old && e.id == kEventEndInputStream) << "late end of the purged text";
}

TEST_F(Speaking, PauseHaltsTheSinkQuickly)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 1.0));
    ComPtr<ISpVoice> voice = makeVoice();
    ASSERT_EQ(voice->Speak(kSentence, kSpeakAsync, nullptr), S_OK);
    ASSERT_TRUE(log->waitForWrites(2));
    ASSERT_EQ(voice->Pause(), S_OK);
    auto pausedAt = Clock::now();
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(log->writesAfter(pausedAt), 1u);
    EXPECT_GT(log->total(), 0u);
    // Pauses are counted.
    ASSERT_EQ(voice->Pause(), S_OK);
    ASSERT_EQ(voice->Resume(), S_OK);
    size_t before = log->total();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log->total(), before);
    ASSERT_EQ(voice->Resume(), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(60000), S_OK);
    EXPECT_GT(log->total(), before);
}

TEST_F(Speaking, MalformedXmlFailsAndLeavesCurrentSpeechAlone)
{
    ScopedAudio audio(AudioConfig{"null", 1.0, {}});
    ComPtr<ISpVoice> voice = makeVoice();
    ASSERT_EQ(voice->Speak(kSentence, kSpeakAsync, nullptr), S_OK);
    EXPECT_EQ(voice->Speak(u"<pitch absmiddle='5'>a < b</pitch>", kSpeakAsync | kSpeakPurgeBeforeSpeak | kSpeakIsXml,
                           nullptr),
              E_INVALIDARG);
    SpVoiceStatus status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.runningState, kRunStateSpeaking);
    EXPECT_EQ(status.lastStreamQueued, 1u);
    voice->Speak(nullptr, kSpeakPurgeBeforeSpeak, nullptr);
}

TEST(VoiceSettings, RangesAreEnforced)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    ComPtr<ISpVoice> voice = makeVoice();
    struct Case {
        LONG rate;
        HRESULT expected;
    } rates[] = {{-10, S_OK}, {10, S_OK}, {0, S_OK}, {11, E_INVALIDARG}, {-11, E_INVALIDARG}};
    for (const Case& c : rates) {
        EXPECT_EQ(voice->SetRate(c.rate), c.expected) << c.rate;
        LONG r = 99;
        voice->GetRate(&r);
        EXPECT_EQ(r, c.expected == S_OK ? c.rate : 0) << c.rate;
    }
    EXPECT_EQ(voice->SetVolume(100), S_OK);
    EXPECT_EQ(voice->SetVolume(101), E_INVALIDARG);
    EXPECT_EQ(voice->SetVolume(0), S_OK);
    USHORT v = 1;
    EXPECT_EQ(voice->GetVolume(&v), S_OK);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(voice->SetInterest(interestBit(kEventWordBoundary), 0), E_INVALIDARG); // no flag-check bits
    EXPECT_EQ(voice->SetPriority(kPriorityAlert), S_OK);
    EXPECT_EQ(voice->Speak(u"x", kSpeakIsXml | kSpeakIsNotXml, nullptr), E_INVALIDARG);
}

TEST(VoiceTokens, CategoryListsCuratedVoicesWithAttributes)
{
    ComPtr<ISpObjectTokenCategory> category;
    ASSERT_EQ(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, 7, IID_ISpObjectTokenCategory, category.putVoid()),
              S_OK);
    ComPtr<IEnumSpObjectTokens> tokens;
    EXPECT_EQ(category->EnumTokens(nullptr, nullptr, tokens.put()), kErrUninitialized);
    EXPECT_EQ(category->SetId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Nothing", 0), kErrNotFound);
    ASSERT_EQ(category->SetId(kVoicesCategoryPath, 0), S_OK);
    ASSERT_EQ(category->EnumTokens(nullptr, nullptr, tokens.put()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(tokens->GetCount(&count), S_OK);
    ASSERT_GE(count, 2u);
    size_t female = 0;
    std::vector<std::u16string> names;
    for (ULONG i = 0; i < count; ++i) {
        ComPtr<ISpObjectToken> token;
        ASSERT_EQ(tokens->Next(1, token.put(), nullptr), S_OK);
        ComPtr<ISpDataKey> attributes;
        ASSERT_EQ(token->OpenKey(u"Attributes", attributes.put()), S_OK);
        std::u16string values[3];
        const char16_t* keys[] = {u"Name", u"Age", u"Gender"};
        for (int k = 0; k < 3; ++k) {
            LPWSTR value = nullptr;
            ASSERT_EQ(attributes->GetStringValue(keys[k], &value), S_OK);
            values[k] = value;
            CoTaskMemFree(value);
        }
        names.push_back(values[0]);
        EXPECT_TRUE(values[1] == u"Adult" || values[1] == u"Senior") << utf16ToUtf8(values[0]);
        EXPECT_TRUE(values[2] == u"Male" || values[2] == u"Female");
        // The name tells the gender the attributes claim.
        bool femaleName = values[0].find(u"Female") != std::u16string::npos;
        EXPECT_EQ(femaleName, values[2] == u"Female") << utf16ToUtf8(values[0]);
        female += values[2] == u"Female";
        LPWSTR missing = reinterpret_cast<LPWSTR>(0x1);
        EXPECT_EQ(attributes->GetStringValue(u"Nope", &missing), kErrNotFound);
        EXPECT_EQ(missing, nullptr);
    }
    EXPECT_GE(female, 1u);
    ComPtr<ISpObjectToken> past;
    ULONG fetched = 9;
    EXPECT_EQ(tokens->Next(1, past.put(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_FALSE(past);
    EXPECT_EQ(std::set<std::u16string>(names.begin(), names.end()).size(), names.size()) << "duplicate names";

    ComPtr<IEnumSpObjectTokens> women;
    ASSERT_EQ(category->EnumTokens(u"Gender=Female", nullptr, women.put()), S_OK);
    ULONG womenCount = 0;
    women->GetCount(&womenCount);
    EXPECT_EQ(womenCount, female);
}

TEST(VoiceTokens, SetVoiceAndGetVoiceRoundTrip)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    ComPtr<ISpVoice> voice = makeVoice();
    ComPtr<ISpObjectTokenCategory> category;
    ASSERT_EQ(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, 7, IID_ISpObjectTokenCategory, category.putVoid()),
              S_OK);
    ASSERT_EQ(category->SetId(kVoicesCategoryPath, 0), S_OK);
    ComPtr<IEnumSpObjectTokens> tokens;
    ASSERT_EQ(category->EnumTokens(nullptr, nullptr, tokens.put()), S_OK);
    ComPtr<ISpObjectToken> second;
    ASSERT_EQ(tokens->Item(1, second.put()), S_OK);
    ASSERT_EQ(voice->SetVoice(second.get()), S_OK);
    ComPtr<ISpObjectToken> current;
    ASSERT_EQ(voice->GetVoice(current.put()), S_OK);
    LPWSTR a = nullptr, b = nullptr;
    ASSERT_EQ(second->GetId(&a), S_OK);
    ASSERT_EQ(current->GetId(&b), S_OK);
    EXPECT_EQ(std::u16string(a), std::u16string(b));
    CoTaskMemFree(a);
    CoTaskMemFree(b);
    ASSERT_EQ(voice->SetVoice(nullptr), S_OK); // back to the default
    ASSERT_EQ(voice->GetVoice(current.put()), S_OK);
    ComPtr<ISpObjectToken> first;
    ASSERT_EQ(tokens->Item(0, first.put()), S_OK);
    ASSERT_EQ(first->GetId(&a), S_OK);
    ASSERT_EQ(current->GetId(&b), S_OK);
    EXPECT_EQ(std::u16string(a), std::u16string(b));
    CoTaskMemFree(a);
    CoTaskMemFree(b);
}

// Each text would play for hours: a voice that waited for its end when it goes would hang here.
TEST(VoiceObjects, CreateSpeakAndDestroyRepeatedly)
{
    ScopedAudio audio(AudioConfig{"null", 1e-6, {}});
    auto start = Clock::now();
    for (int i = 0; i < 3; ++i) {
        ComPtr<ISpVoice> voice = makeVoice();
        EventCollector events(voice.get());
        listenToAll(voice.get(), &events);
        ASSERT_EQ(voice->Speak(kSentence, kSpeakAsync, nullptr), S_OK); // destroyed while speaking
        ASSERT_TRUE(events.waitFor(kEventStartInputStream));
    }
    EXPECT_LT(Clock::now() - start, 60s);
}

TEST(AudioSelection, DeviceWithoutCardFallsBackToNullWithoutHanging)
{
    auto start = Clock::now();
    auto sink = openSink(AudioConfig{"device", 0, {}}, 22050);
    ASSERT_NE(sink, nullptr);
    EXPECT_LT(Clock::now() - start, 5s);
    if (std::string(sink->kind()) == "device")
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_STREQ(sink->kind(), "null");
    EXPECT_STREQ(openSink(AudioConfig{"bogus", 0, {}}, 22050)->kind(), "null");
    EXPECT_STREQ(openSink(AudioConfig{"wav:/nonexistent-dir/x.wav", 0, {}}, 22050)->kind(), "null");
}

// The sink takes the samples at once and tells when they will have played; the player
// waits for that on its own condition.
TEST(AudioSelection, NullSinkIsPacedInRealTime)
{
    NullSink sink(22050, 1.0);
    std::vector<int16_t> chunk(2205); // 100 ms
    auto start = Clock::now();
    for (int i = 0; i < 3; ++i)
        sink.write(chunk.data(), chunk.size());
    auto end = Clock::now();
    EXPECT_GE(sink.playedBy(), start + 300ms);
    EXPECT_LE(sink.playedBy(), end + 300ms);
    sink.flush(); // what had not played is dropped
    EXPECT_LE(sink.playedBy(), Clock::now());
    sink.write(chunk.data(), chunk.size());
    EXPECT_LE(sink.playedBy(), Clock::now() + 100ms);
    NullSink unpaced(22050, 0);
    unpaced.write(chunk.data(), chunk.size());
    EXPECT_LE(unpaced.playedBy(), Clock::now());
}

// ---- SAPI 4 ----

class BufSink final : public ITTSBufNotifySink {
public:
    struct Note {
        char kind; // 'S' started, 'W' word, 'B' bookmark, 'D' done
        DWORD value;
        Clock::time_point at;
    };
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        *out = (iid == IID_IUnknown || iid == IID_ITTSBufNotifySink) ? this : nullptr;
        if (*out)
            AddRef();
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT TextDataDone(QWORD, DWORD flags) override { return note('D', flags); }
    HRESULT TextDataStarted(QWORD) override { return note('S', 0); }
    HRESULT BookMark(QWORD, DWORD mark) override { return note('B', mark); }
    HRESULT WordPosition(QWORD, DWORD offset) override { return note('W', offset); }

    std::vector<Note> notes()
    {
        std::lock_guard lock(m_mutex);
        return m_notes;
    }
    bool waitDone(std::chrono::milliseconds timeout = 60s)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] {
            for (auto& n : m_notes)
                if (n.kind == 'D')
                    return true;
            return false;
        });
    }
    std::atomic<ULONG> refs{1};

private:
    HRESULT note(char kind, DWORD value)
    {
        std::lock_guard lock(m_mutex);
        m_notes.push_back({kind, value, Clock::now()});
        m_changed.notify_all();
        return S_OK;
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Note> m_notes;
};

struct Sapi4Mode {
    ComPtr<ITTSCentralW> central;
    ComPtr<ITTSAttributesW> attributes;
    TTSMODEINFOW info{};
};

Sapi4Mode openMode(const TTSMODEINFOW& wanted)
{
    Sapi4Mode m;
    ComPtr<ITTSFindW> finder;
    EXPECT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, 7, IID_ITTSFindW, finder.putVoid()), S_OK);
    EXPECT_EQ(finder->Find(&wanted, nullptr, &m.info), S_OK);
    ComPtr<IAudioMultiMediaDevice> audio;
    EXPECT_EQ(CoCreateInstance(CLSID_MMAudioDest, nullptr, 7, IID_IAudioMultiMediaDevice, audio.putVoid()), S_OK);
    DWORD device = 0;
    EXPECT_EQ(audio->DeviceNumGet(&device), S_OK);
    EXPECT_EQ(device, kWaveMapper);
    EXPECT_EQ(audio->DeviceNumSet(device), S_OK);
    EXPECT_EQ(finder->Select(m.info.modeId, m.central.put(), audio.get()), S_OK);
    if (m.central) {
        EXPECT_EQ(m.central->QueryInterface(IID_ITTSAttributesW, m.attributes.putVoid()), S_OK);
    }
    return m;
}

HRESULT textData(ITTSCentralW* central, std::u16string_view text, BufSink* sink, DWORD flags = 0)
{
    SData data{const_cast<char16_t*>(text.data()), static_cast<DWORD>(text.size() * 2)};
    return central->TextData(kCharsetText, flags, data, sink, IID_ITTSBufNotifySink);
}

TEST(Sapi4, ModesFindAndNotificationsFollowTheText)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    ComPtr<ITTSEnumW> modes;
    ASSERT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, 7, IID_ITTSEnumW, modes.putVoid()), S_OK);
    std::vector<TTSMODEINFOW> all;
    TTSMODEINFOW mode;
    while (modes->Next(1, &mode, nullptr) == S_OK)
        all.push_back(mode);
    ASSERT_EQ(all.size(), Synthesizer::instance().voices().size());
    ASSERT_GE(all.size(), 2u);
    for (const auto& m : all) {
        EXPECT_TRUE(m.gender == kGenderMale || m.gender == kGenderFemale);
        EXPECT_TRUE(m.age == kAgeAdult || m.age == kAgeElderly);
        EXPECT_NE(m.speaker[0], 0);
    }
    EXPECT_EQ(modes->Reset(), S_OK);

    TTSMODEINFOW wanted{};
    wanted.gender = kGenderFemale;
    Sapi4Mode female = openMode(wanted);
    EXPECT_EQ(female.info.gender, kGenderFemale);

    BufSink sink; // outlives the mode, which may still hold a reference to it
    Sapi4Mode m = openMode(TTSMODEINFOW{});
    ASSERT_TRUE(m.central && m.attributes);
    EXPECT_EQ(m.info.modeId, all[0].modeId); // an empty description gives the first mode
    ASSERT_EQ(textData(m.central.get(), kSentence, &sink), S_OK);
    ASSERT_TRUE(sink.waitDone());
    auto notes = sink.notes();
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes.front().kind, 'S');
    EXPECT_EQ(notes.back().kind, 'D');
    std::vector<LPARAM> words;
    for (const auto& n : notes)
        if (n.kind == 'W')
            words.push_back(n.value / 2); // byte offsets
    // TextDataStarted stands for the first word; every later word gets its WordPosition.
    EXPECT_EQ(words, std::vector<LPARAM>(kSentenceWords.begin() + 1, kSentenceWords.end()));
    m.central.reset();
    m.attributes.reset();
    EXPECT_EQ(sink.refs.load(), 1u); // every reference the central took was given back
}

TEST(Sapi4, AttributesClampToTheModeLimits)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    Sapi4Mode m = openMode(TTSMODEINFOW{});
    ASSERT_TRUE(m.attributes);
    bool female = m.info.gender == kGenderFemale;
    int base = female ? 200 : 100;
    DWORD speed = 0;
    WORD pitch = 0;
    ASSERT_EQ(m.attributes->SpeedSet(kSpeedMinimum), S_OK);
    m.attributes->SpeedGet(&speed);
    EXPECT_EQ(speed, 80u);
    ASSERT_EQ(m.attributes->SpeedSet(kSpeedMaximum), S_OK);
    m.attributes->SpeedGet(&speed);
    EXPECT_EQ(speed, 450u);
    ASSERT_EQ(m.attributes->PitchSet(kPitchMinimum), S_OK);
    m.attributes->PitchGet(&pitch);
    EXPECT_EQ(pitch, base / 2);
    ASSERT_EQ(m.attributes->PitchSet(kPitchMaximum), S_OK);
    m.attributes->PitchGet(&pitch);
    EXPECT_EQ(pitch, base * 2);
    DWORD volume = 0;
    ASSERT_EQ(m.attributes->VolumeSet((40u << 16) | 1234u), S_OK); // kept as given, channels differ
    m.attributes->VolumeGet(&volume);
    EXPECT_EQ(volume, (40u << 16) | 1234u);
}

TEST(Sapi4, PauseResumeAndResetWithoutLateNotifications)
{
    auto log = std::make_shared<SinkLog>();
    ScopedAudio audio(recordingConfig(log, 1.0));
    BufSink first, second; // outlive the mode, which may still hold a reference to them
    Sapi4Mode m = openMode(TTSMODEINFOW{});
    ASSERT_TRUE(m.central);
    ASSERT_EQ(textData(m.central.get(), u"Een twee drie vier vijf zes zeven acht negen tien.", &first), S_OK);
    ASSERT_TRUE(log->waitForWrites(2));
    ASSERT_EQ(m.central->AudioPause(), S_OK);
    auto pausedAt = Clock::now();
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(log->writesAfter(pausedAt), 1u);
    size_t notesWhilePaused = first.notes().size();
    const size_t writesWhilePaused = log->writeCount();
    ASSERT_EQ(m.central->AudioResume(), S_OK);
    EXPECT_TRUE(log->waitForWrites(writesWhilePaused + 1));
    ASSERT_EQ(m.central->AudioReset(), S_OK);
    auto resetAt = Clock::now();
    size_t notesAtReset = first.notes().size();
    EXPECT_GE(notesAtReset, notesWhilePaused);
    std::this_thread::sleep_for(300ms);
    EXPECT_LE(log->writesAfter(resetAt), 1u);
    EXPECT_EQ(first.notes().size(), notesAtReset);
    for (const auto& n : first.notes())
        EXPECT_NE(n.kind, 'D') << "done of reset text";
    // A reset also ends a pause: the next text plays.
    ASSERT_EQ(m.central->AudioPause(), S_OK);
    ASSERT_EQ(m.central->AudioReset(), S_OK);
    ASSERT_EQ(textData(m.central.get(), u"Klaar.", &second), S_OK);
    EXPECT_TRUE(second.waitDone());
}

TEST(Sapi4, TextDataRefusesWhatItCannotSpeak)
{
    ScopedAudio audio(AudioConfig{"null", 0, {}});
    BufSink sink; // outlives the mode
    Sapi4Mode m = openMode(TTSMODEINFOW{});
    ASSERT_TRUE(m.central);
    char16_t text[] = u"abc";
    EXPECT_EQ(m.central->TextData(kCharsetIpaPhonetic, 0, SData{text, 6}, nullptr, IID_ITTSBufNotifySink),
              E_INVALIDARG);
    EXPECT_EQ(m.central->TextData(kCharsetText, 0, SData{text, 5}, nullptr, IID_ITTSBufNotifySink), E_INVALIDARG);
    EXPECT_EQ(m.central->TextData(kCharsetText, 0, SData{nullptr, 4}, nullptr, IID_ITTSBufNotifySink), E_INVALIDARG);
    EXPECT_EQ(m.central->TextData(kCharsetText, 0, SData{text, 6}, &sink, IID_ITTSAttributesW), E_NOINTERFACE);
    EXPECT_EQ(textData(m.central.get(), u"a \\spd=", &sink, kTextDataTagged), E_INVALIDARG);
    ComPtr<ITTSCentralW> none;
    ComPtr<ITTSFindW> finder;
    ASSERT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, 7, IID_ITTSFindW, finder.putVoid()), S_OK);
    EXPECT_EQ(finder->Select(m.info.modeId, none.put(), nullptr), E_INVALIDARG); // no audio destination
    EXPECT_EQ(finder->Select(GUID_NULL, none.put(), nullptr), E_INVALIDARG);
}

} // namespace
