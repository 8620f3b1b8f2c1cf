// Sapi5Engine against scripted fake SAPI 5 objects registered in the class registry.

#include "Sapi5Engine.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr HRESULT kFail = E_FAIL;

struct FakeVoiceDesc {
    std::u16string name, age, gender;
    bool hasAge = true, hasGender = true;
};

// Everything the fakes do is scripted here and recorded in `calls`.
struct Script {
    std::vector<std::string> calls;
    DWORD runningState = kRunStateDone;
    HRESULT getStatus = S_OK, speak = S_OK, pause = S_OK, resume = S_OK, setVoice = S_OK, getVoice = S_OK;
    HRESULT setRate = S_OK, getRate = S_OK, setVolume = S_OK, getVolume = S_OK;
    LONG rate = 0;
    USHORT volume = 100;
    bool categoryPresent = true;
    std::vector<FakeVoiceDesc> voices;
    std::u16string currentVoice; // name GetVoice reports
    std::vector<std::u16string> spoken;
    std::vector<DWORD> speakFlags;
    std::deque<SpEvent> events;
    ISpNotifyCallback* callback = nullptr;
    int getStatusFailAfter = -1; // GetStatus calls that succeed before it fails; -1: as `getStatus`

    size_t count(const std::string& call) const
    {
        size_t n = 0;
        for (const auto& c : calls)
            n += c == call;
        return n;
    }
};

Script* g = nullptr;

std::string narrow(std::u16string_view s)
{
    return utf16ToUtf8(s);
}

class FakeKey final : public ComObject<ISpDataKey> {
public:
    explicit FakeKey(FakeVoiceDesc desc) : m_desc(std::move(desc)) {}
    HRESULT GetStringValue(LPCWSTR name, LPWSTR* value) override
    {
        *value = nullptr;
        std::u16string n = name;
        if (n == u"Name")
            *value = coTaskStrDup(m_desc.name);
        else if (n == u"Age" && m_desc.hasAge)
            *value = coTaskStrDup(m_desc.age);
        else if (n == u"Gender" && m_desc.hasGender)
            *value = coTaskStrDup(m_desc.gender);
        return *value ? S_OK : kErrNotFound;
    }
    HRESULT OpenKey(LPCWSTR, ISpDataKey** key) override
    {
        *key = nullptr;
        return kErrNotFound;
    }

private:
    FakeVoiceDesc m_desc;
};

class FakeToken final : public ComObject<ISpObjectToken> {
public:
    explicit FakeToken(FakeVoiceDesc desc) : m_desc(std::move(desc)) {}
    const std::u16string& name() const { return m_desc.name; }
    HRESULT GetStringValue(LPCWSTR, LPWSTR* value) override
    {
        *value = coTaskStrDup(m_desc.name);
        return S_OK;
    }
    HRESULT OpenKey(LPCWSTR name, ISpDataKey** key) override
    {
        *key = nullptr;
        if (std::u16string(name) != u"Attributes")
            return kErrNotFound;
        *key = new FakeKey(m_desc);
        return S_OK;
    }
    HRESULT GetId(LPWSTR* id) override
    {
        *id = coTaskStrDup(m_desc.name);
        return S_OK;
    }

protected:
    void* extraInterface(REFIID iid) override
    {
        return iid == IID_ISpDataKey ? static_cast<ISpDataKey*>(this) : nullptr;
    }

private:
    FakeVoiceDesc m_desc;
};

class FakeEnum final : public ComObject<IEnumSpObjectTokens> {
public:
    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override
    {
        g->calls.push_back("Next");
        ULONG n = 0;
        for (; n < count && m_next < g->voices.size(); ++n)
            tokens[n] = new FakeToken(g->voices[m_next++]);
        for (ULONG i = n; i < count; ++i)
            tokens[i] = nullptr;
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override { return E_NOTIMPL; }
    HRESULT Clone(IEnumSpObjectTokens**) override { return E_NOTIMPL; }
    HRESULT Item(ULONG, ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT GetCount(ULONG* count) override
    {
        *count = static_cast<ULONG>(g->voices.size());
        return S_OK;
    }

private:
    size_t m_next = 0;
};

class FakeCategory final : public ComObject<ISpObjectTokenCategory> {
public:
    HRESULT SetId(LPCWSTR id, BOOL create) override
    {
        g->calls.push_back("SetId(" + narrow(id) + "," + std::to_string(create) + ")");
        return S_OK;
    }
    HRESULT GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT EnumTokens(LPCWSTR required, LPCWSTR optional, IEnumSpObjectTokens** tokens) override
    {
        EXPECT_EQ(required, nullptr);
        EXPECT_EQ(optional, nullptr);
        *tokens = new FakeEnum;
        return S_OK;
    }
    HRESULT GetDefaultTokenId(LPWSTR*) override { return E_NOTIMPL; }
};

class FakeVoice final : public ComObject<ISpVoice> {
public:
    HRESULT SetNotifyCallbackInterface(ISpNotifyCallback* callback, WPARAM w, LPARAM l) override
    {
        g->calls.push_back("SetNotifyCallbackInterface(" + std::to_string(w) + "," + std::to_string(l) + ")");
        g->callback = callback;
        return S_OK;
    }
    HRESULT SetInterest(ULONGLONG a, ULONGLONG b) override
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "SetInterest(%llx,%llx)", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b));
        g->calls.push_back(buf);
        return S_OK;
    }
    HRESULT GetEvents(ULONG count, SpEvent* events, ULONG* fetched) override
    {
        EXPECT_EQ(count, 1u);
        EXPECT_EQ(fetched, nullptr);
        if (g->events.empty())
            return S_FALSE;
        *events = g->events.front();
        g->events.pop_front();
        return S_OK;
    }
    HRESULT SetPriority(int p) override
    {
        g->calls.push_back("SetPriority(" + std::to_string(p) + ")");
        return S_OK;
    }
    HRESULT GetPriority(int*) override { return E_NOTIMPL; }
    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* stream) override
    {
        EXPECT_EQ(stream, nullptr);
        g->calls.push_back("Speak");
        g->spoken.push_back(text);
        g->speakFlags.push_back(flags);
        return g->speak;
    }
    HRESULT GetStatus(SpVoiceStatus* status, LPWSTR* bookmark) override
    {
        g->calls.push_back("GetStatus");
        EXPECT_EQ(bookmark, nullptr);
        if (g->getStatusFailAfter == 0)
            return kFail;
        if (g->getStatusFailAfter > 0)
            --g->getStatusFailAfter;
        *status = SpVoiceStatus{};
        status->runningState = g->runningState;
        return g->getStatusFailAfter >= 0 ? S_OK : g->getStatus;
    }
    HRESULT Pause() override
    {
        g->calls.push_back("Pause");
        return g->pause;
    }
    HRESULT Resume() override
    {
        g->calls.push_back("Resume");
        return g->resume;
    }
    HRESULT SetVoice(ISpObjectToken* token) override
    {
        g->calls.push_back("SetVoice(" + (token ? narrow(static_cast<FakeToken*>(token)->name()) : "null") + ")");
        return g->setVoice;
    }
    HRESULT GetVoice(ISpObjectToken** token) override
    {
        *token = nullptr;
        if (FAILED(g->getVoice))
            return g->getVoice;
        *token = new FakeToken({g->currentVoice, u"Adult", u"Male"});
        return S_OK;
    }
    HRESULT SetRate(LONG r) override
    {
        g->calls.push_back("SetRate(" + std::to_string(r) + ")");
        if (SUCCEEDED(g->setRate))
            g->rate = r;
        return g->setRate;
    }
    HRESULT GetRate(LONG* r) override
    {
        *r = g->rate;
        return g->getRate;
    }
    HRESULT SetVolume(USHORT v) override
    {
        g->calls.push_back("SetVolume(" + std::to_string(v) + ")");
        if (SUCCEEDED(g->setVolume))
            g->volume = v;
        return g->setVolume;
    }
    HRESULT GetVolume(USHORT* v) override
    {
        *v = g->volume;
        return g->getVolume;
    }
    HRESULT WaitUntilDone(ULONG) override { return E_NOTIMPL; }
};

class Sapi5EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        g = &m_script;
        m_script.voices = {{u"Anna", u"Adult", u"Female"}, {u"Bram", u"Senior", u"Male"}, {u"Cees", u"Teen", u"Male"}};
        m_script.currentVoice = u"Anna";
    }
    void TearDown() override { g = nullptr; }

    // The engine after construction, with the recorded calls cleared.
    std::unique_ptr<Sapi5Engine> make()
    {
        auto e = std::make_unique<Sapi5Engine>();
        m_script.calls.clear();
        m_script.spoken.clear();
        m_script.speakFlags.clear();
        return e;
    }
    void pauseWhileSpeaking(Sapi5Engine& e)
    {
        m_script.runningState = kRunStateSpeaking;
        ASSERT_TRUE(e.pause());
        m_script.runningState = 0; // a paused voice does not report speaking
        m_script.calls.clear();
    }

    Script m_script;
    ScopedClass m_voice{CLSID_SpVoice, [](REFIID iid, void** out) {
                            auto* v = new FakeVoice;
                            HRESULT r = v->QueryInterface(iid, out);
                            v->Release();
                            return r;
                        }};
    ScopedClass m_category{CLSID_SpObjectTokenCategory, [](REFIID iid, void** out) {
                               if (!g->categoryPresent)
                                   return REGDB_E_CLASSNOTREG;
                               auto* c = new FakeCategory;
                               HRESULT r = c->QueryInterface(iid, out);
                               c->Release();
                               return r;
                           }};
};

TEST_F(Sapi5EngineTest, ConstructionSetsUpTheVoiceAndStops)
{
    Sapi5Engine e;
    EXPECT_TRUE(e.isReady());
    std::vector<std::string> expected = {"SetNotifyCallbackInterface(0,0)",
                                         "SetInterest(240000026,240000026)",
                                         "SetPriority(1)",
                                         "GetStatus",
                                         "GetStatus",
                                         "Speak"};
    EXPECT_EQ(m_script.calls, expected);
    ASSERT_EQ(m_script.spoken.size(), 1u);
    EXPECT_EQ(m_script.spoken[0], u"");
    EXPECT_EQ(m_script.speakFlags[0], 19u);
    EXPECT_NE(m_script.callback, nullptr);
    EXPECT_EQ(e.getState(), EngineState::Stopped);
    EXPECT_EQ(e.getWordPosition(), 0);
}

TEST_F(Sapi5EngineTest, NotReadyWithoutAVoiceAndEveryOperationAnswersFalseOrZero)
{
    struct Case {
        const char* what;
        ClassFactory factory;
    } cases[] = {
        {"class missing", nullptr},
        {"creation fails", [](REFIID, void**) { return kFail; }},
        // Only exactly 0 counts, even with an object handed out.
        {"success other than 0",
         [](REFIID iid, void** out) {
             auto* v = new FakeVoice;
             v->QueryInterface(iid, out);
             v->Release();
             return S_FALSE;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<ScopedClass> replaced;
        if (c.factory)
            replaced = std::make_unique<ScopedClass>(CLSID_SpVoice, c.factory);
        else
            unregisterClass(CLSID_SpVoice);
        Sapi5Engine e;
        EXPECT_FALSE(e.isReady());
        EXPECT_FALSE(e.speak("x"));
        EXPECT_FALSE(e.pause());
        EXPECT_FALSE(e.resume());
        EXPECT_FALSE(e.stop());
        EXPECT_EQ(e.setRate(3), 0);
        EXPECT_EQ(e.getVolume(), 0);
        EXPECT_EQ(e.setVoice(2), 2);
        EXPECT_EQ(e.getVoice(), 0);
        EXPECT_EQ(e.getVoiceCount(), -1);
        VoiceInfo head;
        EXPECT_TRUE(e.fillVoiceList(&head));
        EXPECT_EQ(head.index, 0);
    }
}

TEST_F(Sapi5EngineTest, SpeakWrapsPitchMarkupOnlyWhenPitchIsSet)
{
    auto e = make();
    struct Case {
        int32_t pitch;
        const char* text;
        std::u16string expected;
        DWORD flags;
    } cases[] = {
        {0, "a < b & c", u"a < b & c", 19},
        {5, "Hallo", u"<pitch absmiddle = '5'>Hallo</pitch>", 11},
        {5, "3 & 4 < 5 > 2", u"<pitch absmiddle = '5'>3 &amp; 4 &lt; 5 &gt; 2</pitch>", 11}, // text stays text
        {-3, "caf\xC3\xA9", u"<pitch absmiddle = '-3'>caf\u00E9</pitch>", 11},
        {42, "", u"<pitch absmiddle = '42'></pitch>", 11}, // no range check: the voice decides
    };
    for (const Case& c : cases) {
        m_script.spoken.clear();
        m_script.speakFlags.clear();
        EXPECT_EQ(e->setPitch(c.pitch), c.pitch);
        EXPECT_TRUE(e->speak(c.text)) << c.text; // true on success
        ASSERT_EQ(m_script.spoken.size(), 1u);
        EXPECT_EQ(m_script.spoken[0], c.expected);
        EXPECT_EQ(m_script.speakFlags[0], c.flags);
        EXPECT_EQ(e->getState(), EngineState::Playing);
    }
}

TEST_F(Sapi5EngineTest, SpeakFailuresLeaveTheStateAlone)
{
    auto e = make();
    EXPECT_FALSE(e->speak(nullptr));
    EXPECT_TRUE(m_script.calls.empty());
    m_script.getStatus = kFail;
    EXPECT_FALSE(e->speak("x"));
    EXPECT_EQ(m_script.count("Speak"), 0u);
    m_script.getStatus = S_OK;
    m_script.speak = kFail;
    EXPECT_FALSE(e->speak("x"));
    EXPECT_EQ(e->getState(), EngineState::Stopped);
}

TEST_F(Sapi5EngineTest, PauseOnlyWhileSpeakingAndOnlyOnce)
{
    auto e = make();
    m_script.runningState = kRunStateDone;
    EXPECT_FALSE(e->pause());
    EXPECT_EQ(m_script.count("Pause"), 0u);
    m_script.runningState = kRunStateSpeaking;
    EXPECT_TRUE(e->pause());
    EXPECT_EQ(e->getState(), EngineState::Paused);
    EXPECT_TRUE(e->pause()); // the voice still reports speaking: no second Pause
    EXPECT_EQ(m_script.count("Pause"), 1u);
    m_script.pause = kFail;
    auto other = make();
    EXPECT_FALSE(other->pause());
    EXPECT_EQ(other->getState(), EngineState::Stopped);
    m_script.pause = S_OK;
    m_script.getStatus = kFail;
    EXPECT_FALSE(other->pause());
}

TEST_F(Sapi5EngineTest, ResumeOnlyAfterPause)
{
    auto e = make();
    m_script.runningState = 0;
    EXPECT_FALSE(e->resume()); // no pause before
    EXPECT_EQ(m_script.count("Resume"), 0u);
    pauseWhileSpeaking(*e);
    m_script.runningState = kRunStateSpeaking;
    EXPECT_FALSE(e->resume()); // the voice speaks
    m_script.runningState = 0;
    EXPECT_TRUE(e->resume()); // true on success
    EXPECT_EQ(m_script.count("Resume"), 1u);
    EXPECT_EQ(e->getState(), EngineState::Playing);
    EXPECT_FALSE(e->resume()); // the flag was cleared
    pauseWhileSpeaking(*e);
    m_script.resume = kFail;
    EXPECT_FALSE(e->resume());
    EXPECT_EQ(e->getState(), EngineState::Paused);
}

TEST_F(Sapi5EngineTest, StopWhilePausedPurgesThenResumes)
{
    auto e = make();
    pauseWhileSpeaking(*e);
    EXPECT_TRUE(e->stop());
    std::vector<std::string> expected = {"GetStatus", "GetStatus", "Speak", "Resume"};
    EXPECT_EQ(m_script.calls, expected);
    EXPECT_EQ(m_script.spoken.back(), u"");
    EXPECT_EQ(m_script.speakFlags.back(), 19u);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    m_script.calls.clear();
    EXPECT_TRUE(e->stop()); // not paused any more: no Resume
    EXPECT_EQ(m_script.count("Resume"), 0u);
}

TEST_F(Sapi5EngineTest, StopReportsAFailedPurge)
{
    auto e = make();
    pauseWhileSpeaking(*e);
    m_script.speak = kFail;
    EXPECT_FALSE(e->stop());
    EXPECT_EQ(m_script.count("Resume"), 0u);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    m_script.speak = S_OK;
    m_script.getStatusFailAfter = 1; // stop's own status read works, the purge's fails
    EXPECT_FALSE(e->stop());
    m_script.getStatusFailAfter = -1;
    m_script.getStatus = kFail;
    EXPECT_FALSE(e->stop());
}

TEST_F(Sapi5EngineTest, SpeakWhilePausedResumesAndPlays)
{
    auto e = make();
    pauseWhileSpeaking(*e);
    EXPECT_TRUE(e->speak("Verder"));
    std::vector<std::string> expected = {"GetStatus", "Speak", "Resume"};
    EXPECT_EQ(m_script.calls, expected);
    EXPECT_EQ(e->getState(), EngineState::Playing);
    m_script.calls.clear();
    EXPECT_TRUE(e->speak("Nog eens")); // the paused flag was cleared
    EXPECT_EQ(m_script.count("Resume"), 0u);

    pauseWhileSpeaking(*e);
    m_script.resume = kFail;
    EXPECT_FALSE(e->speak("x"));
}

TEST_F(Sapi5EngineTest, SetVoiceClampsAndSelectsByPosition)
{
    struct Case {
        int32_t asked, answer;
        const char* selected;
    } cases[] = {{0, 1, "SetVoice(Anna)"},
                 {-3, 3, "SetVoice(Cees)"},
                 {99, 3, "SetVoice(Cees)"},
                 {2, 2, "SetVoice(Bram)"},
                 {3, 3, "SetVoice(Cees)"}};
    auto e = make();
    for (const Case& c : cases) {
        m_script.calls.clear();
        EXPECT_EQ(e->setVoice(c.asked), c.answer) << c.asked;
        EXPECT_EQ(m_script.calls.back(), c.selected) << c.asked;
        EXPECT_EQ(m_script.count("Next"), static_cast<size_t>(c.answer)) << c.asked;
        EXPECT_EQ(m_script.calls.front(), "SetId(HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices,0)");
    }
    m_script.setVoice = kFail; // its result does not change the answer
    EXPECT_EQ(e->setVoice(2), 2);
}

TEST_F(Sapi5EngineTest, SetVoiceWhileSpeakingWaitsForTheNextTextAndWithoutVoicesSelectsTheDefault)
{
    auto e = make();
    for (bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "speaking");
        if (paused)
            pauseWhileSpeaking(*e);
        else
            e->speak("x");
        m_script.calls.clear();
        EXPECT_EQ(e->setVoice(2), 2);
        EXPECT_EQ(m_script.count("SetVoice(Bram)"), 0u);
        EXPECT_EQ(e->getVoice(), 2); // the voice the next text will have
        e->speak("y");
        std::vector<std::string> expected{"SetVoice(Bram)", "Speak"};
        if (paused)
            expected.push_back("Resume"); // a text spoken while paused plays
        std::vector<std::string> last(m_script.calls.end() - std::ssize(expected), m_script.calls.end());
        EXPECT_EQ(last, expected);
        e->stop();
    }
    // A choice made once stopped replaces one still pending.
    e->speak("x");
    e->setVoice(2);
    e->stop();
    m_script.calls.clear();
    EXPECT_EQ(e->setVoice(3), 3);
    EXPECT_EQ(m_script.count("SetVoice(Cees)"), 1u);
    e->speak("y");
    EXPECT_EQ(m_script.count("SetVoice(Bram)"), 0u);
    e->stop();

    m_script.voices.clear();
    m_script.calls.clear();
    EXPECT_EQ(e->setVoice(5), 0);
    EXPECT_EQ(m_script.calls.back(), "SetVoice(null)");
    m_script.calls.clear();
    EXPECT_EQ(e->setVoice(0), 1); // the first Next yields nothing: nothing selected
    EXPECT_EQ(m_script.count("SetVoice(null)"), 0u);

    m_script.categoryPresent = false;
    EXPECT_EQ(e->setVoice(7), 7);
    EXPECT_EQ(e->getVoiceCount(), -1);
}

TEST_F(Sapi5EngineTest, GetVoiceFindsTheCurrentVoiceByName)
{
    auto e = make();
    m_script.currentVoice = u"Bram";
    EXPECT_EQ(e->getVoice(), 2);
    m_script.currentVoice = u"bram"; // exact comparison
    EXPECT_EQ(e->getVoice(), 0);
    m_script.currentVoice = u"Cees";
    EXPECT_EQ(e->getVoice(), 3);
    m_script.getVoice = kFail;
    EXPECT_EQ(e->getVoice(), 0);
}

TEST_F(Sapi5EngineTest, FillVoiceListDescribesEveryVoice)
{
    m_script.voices[1].hasAge = false;
    m_script.voices[2].name = std::u16string(300, u'x');
    auto e = make();
    VoiceInfo head;
    ASSERT_TRUE(e->fillVoiceList(&head));
    std::vector<VoiceInfo*> records;
    for (VoiceInfo* v = &head; v; v = v->next)
        records.push_back(v);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->index, 1);
    EXPECT_EQ(std::u16string(records[0]->name), u"Anna");
    EXPECT_EQ(std::u16string(records[0]->age), u"Adult");
    EXPECT_EQ(std::u16string(records[0]->gender), u"Female");
    EXPECT_EQ(std::u16string(records[1]->age), u""); // unreadable Age: empty, not a failure
    EXPECT_EQ(records[2]->index, 3);
    EXPECT_EQ(std::u16string(records[2]->name), std::u16string(255, u'x'));
    for (size_t i = 1; i < records.size(); ++i)
        delete records[i];
    EXPECT_EQ(e->getVoiceCount(), 3);
}

TEST_F(Sapi5EngineTest, FillVoiceListAnswerFollowsTheLastGender)
{
    struct Case {
        size_t missingGender; // index, or 99 for none
        bool answer;
    } cases[] = {{99, true}, {0, true}, {2, false}};
    for (const Case& c : cases) {
        SetUp();
        if (c.missingGender < m_script.voices.size())
            m_script.voices[c.missingGender].hasGender = false;
        auto e = make();
        VoiceInfo head;
        EXPECT_EQ(e->fillVoiceList(&head), c.answer) << c.missingGender;
        while (VoiceInfo* next = head.next) {
            head.next = next->next;
            delete next;
        }
    }
    m_script.voices.clear();
    auto e = make();
    VoiceInfo head;
    EXPECT_TRUE(e->fillVoiceList(&head));
    EXPECT_EQ(head.index, 0);
}

TEST_F(Sapi5EngineTest, RateAndVolumeGoThroughTheVoice)
{
    auto e = make();
    EXPECT_EQ(e->setRate(5), 5);
    EXPECT_EQ(m_script.calls.back(), "SetRate(5)");
    EXPECT_EQ(e->getRate(), 5);
    m_script.setRate = E_INVALIDARG;
    EXPECT_EQ(e->setRate(11), 0);
    m_script.getRate = kFail;
    EXPECT_EQ(e->getRate(), 0);
    EXPECT_EQ(e->setVolume(70), 70);
    EXPECT_EQ(m_script.calls.back(), "SetVolume(70)");
    m_script.setVolume = E_INVALIDARG;
    EXPECT_EQ(e->setVolume(101), 0);
    m_script.setVolume = S_OK;
    m_script.getVolume = kFail;
    EXPECT_EQ(e->setVolume(30), 0);
    EXPECT_EQ(e->getVolume(), 0);
}

TEST_F(Sapi5EngineTest, NotificationsDriveStateAndWordPosition)
{
    auto e = make();
    auto event = [](uint16_t id) { return SpEvent{id, kParamUndefined, 1, 0, 0, 0}; };
    m_script.events = {event(kEventStartInputStream), event(kEventWordBoundary), event(kEventWordBoundary)};
    // Events the engine did not ask for are released correctly and ignored.
    m_script.events.push_back(
        SpEvent{kEventBookmark, kParamString, 1, 0, 0, reinterpret_cast<LPARAM>(coTaskStrDup(u"m"))});
    m_script.events.push_back(event(kEventWordBoundary));
    ASSERT_NE(m_script.callback, nullptr);
    EXPECT_EQ(m_script.callback->NotifyCallback(0, 0), 1);
    EXPECT_EQ(e->getState(), EngineState::Playing);
    EXPECT_EQ(e->getWordPosition(), 3);
    EXPECT_TRUE(m_script.events.empty());

    m_script.events = {event(kEventWordBoundary), event(kEventWordBoundary)};
    m_script.getStatus = kFail; // the word's status read fails: processing stops there
    m_script.callback->NotifyCallback(0, 0);
    EXPECT_EQ(e->getWordPosition(), 3);
    EXPECT_EQ(m_script.events.size(), 1u);
    m_script.getStatus = S_OK;

    m_script.events = {event(kEventEndInputStream)};
    m_script.callback->NotifyCallback(0, 0);
    EXPECT_EQ(e->getState(), EngineState::Stopped);
    EXPECT_EQ(e->getWordPosition(), 0);
}

TEST_F(Sapi5EngineTest, NotifyAfterTheEngineIsGoneDoesNothing)
{
    Sapi5Notify notify(nullptr);
    EXPECT_EQ(notify.NotifyCallback(0, 0), 1);
}

} // namespace
