// Sapi4Engine against scripted fake SAPI 4 objects registered in the class registry.

#include "Sapi4Engine.h"

#include "Sapi5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr HRESULT kFail = E_FAIL;

struct FakeMode {
    std::u16string speaker;
    WORD age, gender;
};

struct Script {
    std::vector<std::string> calls;
    std::vector<FakeMode> modes;
    HRESULT find = S_OK, select = S_OK, queryAttributes = S_OK, deviceNumGet = S_OK;
    HRESULT textData = S_OK, audioPause = S_OK, audioResume = S_OK, audioReset = S_OK;
    HRESULT speedSet = S_OK, pitchSet = S_OK, volumeSet = S_OK, attributeGet = S_OK;
    bool audioPresent = true, enumeratorPresent = true;
    DWORD speed = 175, volume = 0xFFFFFFFF;
    WORD pitch = 100;
    GUID selectedMode{};
    TTSMODEINFOW wanted{};
    std::u16string lastText;
    DWORD lastTextBytes = 0;
    ITTSBufNotifySink* sink = nullptr;
    IID sinkIid{};

    size_t count(const std::string& call) const
    {
        size_t n = 0;
        for (const auto& c : calls)
            n += c.rfind(call, 0) == 0;
        return n;
    }
};

Script* g = nullptr;

GUID modeId(size_t i)
{
    return GUID{0xABC00000u + static_cast<uint32_t>(i), 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
}

TTSMODEINFOW modeInfo(size_t i)
{
    TTSMODEINFOW m{};
    m.modeId = modeId(i);
    const FakeMode& f = g->modes[i];
    std::memcpy(m.speaker, f.speaker.c_str(), (std::min<size_t>(f.speaker.size(), kModeTextUnits - 1)) * 2);
    m.age = f.age;
    m.gender = f.gender;
    return m;
}

class FakeCentral final : public ComObject<ITTSCentralW, ITTSAttributesW> {
public:
    HRESULT ModeGet(TTSMODEINFOW*) override { return E_NOTIMPL; }
    HRESULT TextData(DWORD charset, DWORD flags, SData data, void* sink, IID iid) override
    {
        g->calls.push_back("TextData(" + std::to_string(charset) + "," + std::to_string(flags) + ")");
        g->lastText.assign(static_cast<const char16_t*>(data.data), data.size / 2);
        g->lastTextBytes = data.size;
        g->sink = static_cast<ITTSBufNotifySink*>(sink);
        g->sinkIid = iid;
        return g->textData;
    }
    HRESULT AudioPause() override { return g->calls.push_back("AudioPause"), g->audioPause; }
    HRESULT AudioResume() override { return g->calls.push_back("AudioResume"), g->audioResume; }
    HRESULT AudioReset() override { return g->calls.push_back("AudioReset"), g->audioReset; }
    HRESULT PitchGet(WORD* p) override { return *p = g->pitch, g->attributeGet; }
    HRESULT PitchSet(WORD p) override
    {
        g->calls.push_back("PitchSet(" + std::to_string(p) + ")");
        if (SUCCEEDED(g->pitchSet))
            g->pitch = p;
        return g->pitchSet;
    }
    HRESULT SpeedGet(DWORD* s) override { return *s = g->speed, g->attributeGet; }
    HRESULT SpeedSet(DWORD s) override
    {
        g->calls.push_back("SpeedSet(" + std::to_string(s) + ")");
        return g->speedSet;
    }
    HRESULT VolumeGet(DWORD* v) override { return *v = g->volume, g->attributeGet; }
    HRESULT VolumeSet(DWORD v) override
    {
        char buf[40];
        std::snprintf(buf, sizeof buf, "VolumeSet(%08X)", v);
        g->calls.push_back(buf);
        if (SUCCEEDED(g->volumeSet))
            g->volume = v;
        return g->volumeSet;
    }

protected:
    void* extraInterface(REFIID) override { return nullptr; }
    HRESULT attributesAnswer() const { return g->queryAttributes; }

public:
    HRESULT QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_ITTSAttributesW && FAILED(g->queryAttributes)) {
            *out = nullptr;
            return g->queryAttributes;
        }
        return ComObject::QueryInterface(iid, out);
    }
};

class FakeEnumerator final : public ComObject<ITTSEnumW, ITTSFindW> {
public:
    HRESULT Next(ULONG count, TTSMODEINFOW* modes, ULONG* fetched) override
    {
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(fetched, nullptr);
        if (m_next >= g->modes.size())
            return S_FALSE;
        modes[0] = modeInfo(m_next++);
        return S_OK;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override
    {
        g->calls.push_back("Reset");
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(ITTSEnumW**) override { return E_NOTIMPL; }
    HRESULT Find(const TTSMODEINFOW* wanted, const TTSMODEINFORANK* ranks, TTSMODEINFOW* found) override
    {
        g->calls.push_back("Find");
        EXPECT_EQ(ranks, nullptr);
        g->wanted = *wanted;
        if (FAILED(g->find) || g->modes.empty())
            return kFail;
        for (size_t i = 0; i < g->modes.size(); ++i)
            if (wanted->modeId == modeId(i)) {
                *found = modeInfo(i);
                return S_OK;
            }
        *found = modeInfo(g->modes.size() - 1); // the finder's own choice: the last mode
        return S_OK;
    }
    HRESULT Select(GUID mode, ITTSCentralW** central, IUnknown* audio) override
    {
        g->calls.push_back("Select");
        EXPECT_NE(audio, nullptr);
        *central = nullptr;
        if (FAILED(g->select))
            return g->select;
        g->selectedMode = mode;
        *central = new FakeCentral;
        return S_OK;
    }

private:
    size_t m_next = 0;
};

class FakeAudio final : public ComObject<IAudioMultiMediaDevice> {
public:
    HRESULT DeviceNumGet(DWORD* n) override
    {
        g->calls.push_back("DeviceNumGet");
        *n = kWaveMapper;
        return g->deviceNumGet;
    }
    HRESULT DeviceNumSet(DWORD n) override
    {
        g->calls.push_back("DeviceNumSet(" + std::to_string(static_cast<int32_t>(n)) + ")");
        return S_OK;
    }
};

template <class T> HRESULT create(REFIID iid, void** out)
{
    auto* object = new T;
    HRESULT r = object->QueryInterface(iid, out);
    object->Release();
    return r;
}

class Sapi4EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        g = &m_script;
        m_script.modes = {{u"Anna", 30, 1}, {u"Bram", 70, 2}, {u"Cees", 5, 7}};
    }
    void TearDown() override { g = nullptr; }
    std::unique_ptr<Sapi4Engine> make()
    {
        auto e = std::make_unique<Sapi4Engine>();
        m_script.calls.clear();
        return e;
    }

    Script m_script;
    ScopedClass m_enumerator{CLSID_TTSEnumerator, [](REFIID iid, void** out) {
                                 return g->enumeratorPresent ? create<FakeEnumerator>(iid, out) : REGDB_E_CLASSNOTREG;
                             }};
    ScopedClass m_audio{CLSID_MMAudioDest, [](REFIID iid, void** out) {
                            return g->audioPresent ? create<FakeAudio>(iid, out) : REGDB_E_CLASSNOTREG;
                        }};
};

TEST_F(Sapi4EngineTest, ConstructionOpensTheModeTheFinderOffers)
{
    Sapi4Engine e;
    EXPECT_TRUE(e.isReady());
    std::vector<std::string> expected = {"Find", "DeviceNumGet", "DeviceNumSet(-1)", "Select"};
    EXPECT_EQ(m_script.calls, expected);
    TTSMODEINFOW zero{};
    EXPECT_EQ(std::memcmp(&m_script.wanted, &zero, sizeof zero), 0); // any mode
    EXPECT_EQ(m_script.selectedMode, modeId(2));
    EXPECT_EQ(e.getVoice(), 3);
    EXPECT_EQ(e.getState(), EngineState::Stopped);
}

TEST_F(Sapi4EngineTest, AnyFailureWhileOpeningLeavesNoMode)
{
    struct Case {
        const char* what;
        void (*arrange)(Script&);
    } cases[] = {
        {"enumerator class missing", [](Script& s) { s.enumeratorPresent = false; }},
        {"find fails", [](Script& s) { s.find = kFail; }},
        {"audio class missing", [](Script& s) { s.audioPresent = false; }},
        {"device number unreadable", [](Script& s) { s.deviceNumGet = kFail; }},
        {"select fails", [](Script& s) { s.select = kFail; }},
        {"no attributes", [](Script& s) { s.queryAttributes = E_NOINTERFACE; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Script fresh;
        fresh.modes = m_script.modes;
        m_script = fresh;
        c.arrange(m_script);
        Sapi4Engine e;
        EXPECT_FALSE(e.isReady());
        m_script = fresh; // the voices are there now, but no mode is open
        EXPECT_FALSE(e.speak("x"));
        EXPECT_FALSE(e.stop());
        EXPECT_EQ(e.getRate(), 0);
        EXPECT_EQ(e.setVolume(5), 0);
        EXPECT_EQ(e.getVoice(), 0); // nothing matches an all-zero mode id
        EXPECT_TRUE(m_script.calls.empty() || m_script.count("TextData") == 0);
    }
}

TEST_F(Sapi4EngineTest, SpeakResetsThenQueuesTheTextWithTheNotificationSink)
{
    auto e = make();
    EXPECT_TRUE(e->speak("Hallo w\xC3\xA9reld"));
    std::vector<std::string> expected = {"AudioReset", "TextData(0,0)"};
    EXPECT_EQ(m_script.calls, expected);
    EXPECT_EQ(m_script.lastText, u"Hallo w\u00E9reld");
    EXPECT_EQ(m_script.lastTextBytes, 24u); // no terminator
    EXPECT_EQ(m_script.sinkIid, IID_ITTSBufNotifySink);
    ASSERT_NE(m_script.sink, nullptr);
    EXPECT_EQ(e->getState(), EngineState::Stopped); // until the mode says it started

    ITTSBufNotifySink* sink = m_script.sink;
    EXPECT_EQ(sink->TextDataStarted(1), 0);
    EXPECT_EQ(e->getState(), EngineState::Playing);
    EXPECT_EQ(e->getWordPosition(), 1);
    sink->WordPosition(2, 0);
    sink->BookMark(3, 9);
    sink->WordPosition(4, 12);
    EXPECT_EQ(e->getWordPosition(), 3);
    sink->TextDataDone(5, 0);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    EXPECT_EQ(e->getWordPosition(), 0);

    m_script.textData = kFail;
    EXPECT_FALSE(e->speak("x"));
    EXPECT_FALSE(e->speak(nullptr));
}

TEST_F(Sapi4EngineTest, PauseResumeFollowTheState)
{
    auto e = make();
    EXPECT_FALSE(e->pause()); // stopped
    EXPECT_FALSE(e->resume());
    EXPECT_TRUE(m_script.calls.empty());
    e->speak("x");
    m_script.sink->TextDataStarted(0);
    EXPECT_FALSE(e->resume()); // playing
    m_script.audioPause = kFail;
    EXPECT_FALSE(e->pause());
    EXPECT_EQ(e->getState(), EngineState::Playing);
    m_script.audioPause = S_OK;
    EXPECT_TRUE(e->pause());
    EXPECT_EQ(e->getState(), EngineState::Paused);
    EXPECT_FALSE(e->pause());
    m_script.audioResume = kFail;
    EXPECT_FALSE(e->resume());
    m_script.audioResume = S_OK;
    EXPECT_TRUE(e->resume());
    EXPECT_EQ(e->getState(), EngineState::Playing);
}

TEST_F(Sapi4EngineTest, SpeakWhilePausedResetsFirstAndStopResetsCounters)
{
    auto e = make();
    e->speak("een");
    m_script.sink->TextDataStarted(0);
    m_script.sink->WordPosition(0, 0);
    ASSERT_TRUE(e->pause());
    m_script.calls.clear();
    EXPECT_TRUE(e->speak("twee"));
    std::vector<std::string> expected = {"AudioReset", "TextData(0,0)"};
    EXPECT_EQ(m_script.calls, expected);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    EXPECT_EQ(e->getWordPosition(), 0);
    m_script.audioReset = kFail;
    EXPECT_FALSE(e->stop());
}

TEST_F(Sapi4EngineTest, RatePitchVolumeThroughTheAttributes)
{
    auto e = make();
    EXPECT_EQ(e->setVolume(40), 40);
    EXPECT_EQ(m_script.calls.back(), "VolumeSet(00280028)"); // both channels
    m_script.calls.clear();
    EXPECT_EQ(e->setVolume(-1), 0);
    EXPECT_EQ(e->setRate(-1), 0);
    EXPECT_TRUE(m_script.calls.empty());
    m_script.volume = 0x00100020;
    EXPECT_EQ(e->getVolume(), 0x20); // the left channel
    EXPECT_EQ(e->setRate(200), 200);
    EXPECT_EQ(m_script.calls.back(), "SpeedSet(200)");
    EXPECT_EQ(e->setPitch(0x10064), 0x10064);
    EXPECT_EQ(m_script.calls.back(), "PitchSet(100)"); // low 16 bits
    m_script.pitch = 0xFFFF;
    EXPECT_EQ(e->getPitch(), 65535);
    m_script.speed = 0x80000001;
    EXPECT_EQ(e->getRate(), static_cast<int32_t>(0x80000001)); // the full 32-bit value
    m_script.speedSet = m_script.pitchSet = m_script.volumeSet = m_script.attributeGet = kFail;
    EXPECT_EQ(e->setRate(100), 0);
    EXPECT_EQ(e->setPitch(100), 0);
    EXPECT_EQ(e->setVolume(100), 0);
    EXPECT_EQ(e->getRate(), 0);
    EXPECT_EQ(e->getPitch(), 0);
    EXPECT_EQ(e->getVolume(), 0);
}

TEST_F(Sapi4EngineTest, SetVoiceOpensTheNthModeNowOrWithTheNextText)
{
    auto e = make();
    struct Case {
        int32_t asked, answer, current;
    } cases[] = {{0, 0, 3}, {4, 0, 3}, {-1, 0, 3}, {2, 2, 2}, {1, 1, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(e->setVoice(c.asked), c.answer) << c.asked;
        EXPECT_EQ(e->getVoice(), c.current) << c.asked;
    }
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "speaking");
        ASSERT_EQ(e->setVoice(1), 1);
        e->speak("x");
        m_script.sink->TextDataStarted(0);
        if (paused) {
            ASSERT_TRUE(e->pause());
        }
        EXPECT_EQ(e->setVoice(2), 2);
        EXPECT_EQ(e->getVoice(), 2); // the mode the next text will have
        EXPECT_EQ(m_script.selectedMode, modeId(0));
        EXPECT_EQ(e->setVolume(40), 40); // for the mode the next text will have
        m_script.sink->TextDataDone(0, 0);
        m_script.calls.clear();
        EXPECT_TRUE(e->speak("y"));
        EXPECT_EQ(m_script.selectedMode, modeId(1));
        EXPECT_EQ(m_script.count("VolumeSet(00280028)"), 1u); // both channels
    }
    m_script.select = kFail;
    EXPECT_EQ(e->setVoice(2), 0);
    EXPECT_FALSE(e->isReady()); // a failed open leaves no mode
    EXPECT_EQ(e->getVoice(), 0);
    EXPECT_GE(m_script.count("Reset"), 1u); // the enumerator is reset before release
}

TEST_F(Sapi4EngineTest, VoiceListNamesAgesAndGenders)
{
    auto e = make();
    EXPECT_EQ(e->getVoiceCount(), 3);
    VoiceInfo head;
    ASSERT_TRUE(e->fillVoiceList(&head));
    struct Expected {
        int32_t index;
        std::u16string name, age, gender;
    } expected[] = {
        {1, u"Anna", u"Adult", u"Female"}, {2, u"Bram", u"Elderly", u"Male"}, {3, u"Cees", u"Unknown", u"Unknown"}};
    VoiceInfo* v = &head;
    for (const Expected& x : expected) {
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->index, x.index);
        EXPECT_EQ(std::u16string(v->name), x.name);
        EXPECT_EQ(std::u16string(v->age), x.age);
        EXPECT_EQ(std::u16string(v->gender), x.gender);
        v = v->next;
    }
    EXPECT_EQ(v, nullptr);
    while (VoiceInfo* next = head.next) {
        head.next = next->next;
        delete next;
    }
    m_script.enumeratorPresent = false;
    EXPECT_FALSE(e->fillVoiceList(&head));
    EXPECT_EQ(e->getVoiceCount(), 0);
}

TEST(Sapi4Names, AgeAndGenderTables)
{
    struct Age {
        WORD code;
        std::u16string name;
    } ages[] = {{1, u"Baby"},     {3, u"Toddler"}, {6, u"Child"},   {14, u"Adolescent"}, {30, u"Adult"},
                {70, u"Elderly"}, {0, u"Unknown"}, {5, u"Unknown"}, {65535, u"Unknown"}};
    for (const Age& a : ages)
        EXPECT_EQ(std::u16string(Sapi4Engine::ageName(a.code)), a.name) << a.code;
    struct Gender {
        WORD code;
        std::u16string name;
    } genders[] = {{0, u"Neutral"}, {1, u"Female"}, {2, u"Male"}, {3, u"Unknown"}};
    for (const Gender& x : genders)
        EXPECT_EQ(std::u16string(Sapi4Engine::genderName(x.code)), x.name) << x.code;
}

TEST(Sapi4BufNotifyTest, AnswersItsInterfacesAndDoesNothingUnbound)
{
    Sapi4BufNotify sink(nullptr);
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(sink.QueryInterface(IID_IUnknown, &out), 0);
    EXPECT_EQ(out, static_cast<ITTSBufNotifySink*>(&sink));
    EXPECT_EQ(sink.QueryInterface(IID_ITTSBufNotifySink, &out), 0);
    EXPECT_EQ(sink.QueryInterface(IID_ITTSAttributesW, &out), static_cast<HRESULT>(0x80004002));
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(sink.AddRef(), 1u);
    EXPECT_EQ(sink.Release(), 1u);
    EXPECT_EQ(sink.TextDataStarted(0), 0);
    EXPECT_EQ(sink.WordPosition(0, 0), 0);
    EXPECT_EQ(sink.TextDataDone(0, 0), 0);
}

} // namespace

namespace {

TEST_F(Sapi4EngineTest, LoadEngineFallsBackToSapi4WithoutSapi5)
{
    ScopedClass noSapi5(CLSID_SpVoice, [](REFIID, void**) { return REGDB_E_CLASSNOTREG; });
    ASSERT_TRUE(loadEngine(true));
    EXPECT_NE(dynamic_cast<Sapi4Engine*>(currentEngine()), nullptr);
    int records = 0;
    for (VoiceInfo* v = voiceInfoList(); v; v = v->next)
        ++records;
    EXPECT_EQ(records, 3);
    unloadEngine();
}

} // namespace
