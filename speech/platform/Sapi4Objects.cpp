// SAPI-4-shaped objects over the synthesizer: the mode enumerator and finder, the
// multimedia audio destination and a mode's central and attributes interfaces.

#include "Mappings.h"
#include "Objects.h"
#include "Player.h"
#include "Sapi4.h"
#include "Synthesizer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>

namespace platform {

namespace {

constexpr GUID kEngineId{0x5C3A1E02, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x00}};

void copyText(WCHAR* target, std::u16string_view text)
{
    size_t n = std::min(text.size(), kModeTextUnits - 1);
    std::memcpy(target, text.data(), n * sizeof(WCHAR));
    target[n] = 0;
}

GUID modeIdOf(size_t index)
{
    GUID id = kEngineId;
    id.Data1 = 0x5C3A1E03;
    id.Data4[6] = static_cast<uint8_t>(index >> 8);
    id.Data4[7] = static_cast<uint8_t>(index);
    return id;
}

TTSMODEINFOW modeOf(size_t index)
{
    const VoiceDescription& d = Synthesizer::instance().voices()[index];
    TTSMODEINFOW m{};
    m.engineId = kEngineId;
    copyText(m.manufacturer, u"espeak-ng");
    copyText(m.product, u"Speech platform");
    m.modeId = modeIdOf(index);
    copyText(m.modeName, d.name);
    m.language.languageId = d.languageId;
    copyText(m.language.dialect, d.languageName);
    copyText(m.speaker, d.name);
    copyText(m.style, u"Normal");
    m.gender = sapi4GenderCode(d.gender);
    m.age = sapi4AgeCode(d.age);
    return m;
}

bool findMode(const GUID& modeId, size_t& index)
{
    size_t count = Synthesizer::instance().voices().size();
    for (size_t i = 0; i < count; ++i)
        if (modeIdOf(i) == modeId) {
            index = i;
            return true;
        }
    return false;
}

std::u16string_view text(const WCHAR* s)
{
    return std::u16string_view(s, wideLength(s));
}

QWORD timeStamp()
{
    using namespace std::chrono;
    return static_cast<QWORD>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count() / 100);
}

class MMAudioDest final : public ComObject<IAudioMultiMediaDevice> {
public:
    HRESULT DeviceNumGet(DWORD* deviceId) override
    {
        if (!deviceId)
            return E_POINTER;
        *deviceId = m_device.load();
        return S_OK;
    }
    // One output: the wave mapper or device 0, which is the same.
    HRESULT DeviceNumSet(DWORD deviceId) override
    {
        if (deviceId != kWaveMapper && deviceId != 0)
            return E_INVALIDARG;
        m_device = deviceId;
        return S_OK;
    }

private:
    std::atomic<DWORD> m_device{kWaveMapper};
};

class Central final : public ComObject<ITTSCentralW, ITTSAttributesW>, public Player::Listener {
public:
    explicit Central(size_t index) : m_mode(modeOf(index)), m_index(index)
    {
        m_female = m_mode.gender == kGenderFemale;
        m_pitch = static_cast<WORD>(sapi4BasePitch(m_female));
        m_player = std::make_unique<Player>(this, currentAudioConfig(), Synthesizer::instance().sampleRate());
    }
    // The audio thread ends before the sinks and settings a notification uses go.
    ~Central() override { m_player->shutdown(); }

    HRESULT ModeGet(TTSMODEINFOW* mode) override
    {
        if (!mode)
            return E_POINTER;
        *mode = m_mode;
        return S_OK;
    }

    HRESULT TextData(DWORD charset, DWORD flags, SData data, void* notifyInterface, IID notifyIid) override
    {
        if (charset != kCharsetText || (flags & ~kTextDataTagged) || (data.size && !data.data) || data.size % 2)
            return E_INVALIDARG;
        std::u16string_view source(static_cast<const WCHAR*>(data.data), data.size / sizeof(WCHAR));
        source = source.substr(0, source.find(u'\0'));
        ComPtr<ITTSBufNotifySink> sink;
        if (notifyInterface) {
            if (notifyIid != IID_ITTSBufNotifySink)
                return E_NOINTERFACE;
            HRESULT result =
                static_cast<IUnknown*>(notifyInterface)->QueryInterface(IID_ITTSBufNotifySink, sink.putVoid());
            if (FAILED(result))
                return result;
        }
        std::vector<Fragment> fragments;
        Sapi4Settings settings;
        {
            std::lock_guard lock(m_mutex);
            settings = Sapi4Settings{m_speed, m_pitch, m_female};
        }
        if (flags & kTextDataTagged) {
            if (!parseSapi4Tagged(source, settings, fragments))
                return E_INVALIDARG;
        } else {
            fragments = plainFragments(source, static_cast<int>(settings.wpm),
                                       sapi4PitchToEspeak(settings.pitchHz, settings.female), 1.0);
        }
        bool silent = speaksNothing(fragments);
        SynthJob job;
        job.fragments = std::move(fragments);
        job.voice = Synthesizer::instance().voices()[m_index].espeakName;
        std::shared_ptr<AudioStream> stream;
        {
            std::lock_guard lock(m_mutex);
            uint32_t id = ++m_lastStream;
            if (sink)
                m_sinks[id] = sink;
            stream = m_player->newStream(id, silent);
        }
        if (!silent) {
            job.stream = stream;
            Synthesizer::instance().submit(std::move(job));
        }
        // Text taken up with nothing ahead of it is started before TextData returns, so
        // the sink hears TextDataStarted before its caller can ask for the state.
        m_player->start(stream); // not under m_mutex: the notification takes it
        return S_OK;
    }

    HRESULT AudioPause() override
    {
        m_player->setPaused(true);
        return S_OK;
    }
    HRESULT AudioResume() override
    {
        m_player->setPaused(false);
        return S_OK;
    }
    HRESULT AudioReset() override
    {
        m_player->purge(); // not under m_mutex: it waits for a notification in progress
        m_player->setPaused(false);
        std::map<uint32_t, ComPtr<ITTSBufNotifySink>> dropped;
        std::lock_guard lock(m_mutex);
        dropped.swap(m_sinks);
        return S_OK;
    }

    HRESULT PitchGet(WORD* hertz) override { return readLocked(m_mutex, hertz, m_pitch); }
    HRESULT PitchSet(WORD hertz) override
    {
        std::lock_guard lock(m_mutex);
        m_pitch = sapi4ClampPitch(hertz, m_female);
        return S_OK;
    }
    HRESULT SpeedGet(DWORD* wordsPerMinute) override { return readLocked(m_mutex, wordsPerMinute, m_speed); }
    HRESULT SpeedSet(DWORD wordsPerMinute) override
    {
        std::lock_guard lock(m_mutex);
        m_speed = sapi4ClampSpeed(wordsPerMinute);
        return S_OK;
    }
    HRESULT VolumeGet(DWORD* volume) override { return readLocked(m_mutex, volume, m_volume); }
    HRESULT VolumeSet(DWORD volume) override
    {
        std::lock_guard lock(m_mutex);
        m_volume = volume;
        m_player->setGain(sapi4VolumeGain(volume));
        return S_OK;
    }

private:
    void onMarker(uint32_t streamId, const Marker& marker) override
    {
        ComPtr<ITTSBufNotifySink> sink;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_sinks.find(streamId);
            if (it == m_sinks.end())
                return;
            sink = it->second;
            if (marker.kind == Marker::Kind::StreamEnd)
                m_sinks.erase(it);
        }
        QWORD now = timeStamp();
        switch (marker.kind) {
        case Marker::Kind::StreamStart:
            sink->TextDataStarted(now);
            break;
        case Marker::Kind::Word:
            // The start of the text stands for its first word: a sink counts TextDataStarted
            // as word 1 and each WordPosition as the next word.
            if (marker.value > 1)
                sink->WordPosition(now, marker.position * static_cast<DWORD>(sizeof(WCHAR)));
            break;
        case Marker::Kind::Bookmark:
            sink->BookMark(now, marker.value);
            break;
        case Marker::Kind::StreamEnd:
            sink->TextDataDone(now, 0);
            break;
        case Marker::Kind::Sentence:
            break;
        }
    }

    std::mutex m_mutex;
    TTSMODEINFOW m_mode;
    size_t m_index;
    bool m_female = false;
    int m_pitch = 100;
    DWORD m_speed = kDefaultWpm;
    DWORD m_volume = 0xFFFFFFFF;
    uint32_t m_lastStream = 0;
    std::map<uint32_t, ComPtr<ITTSBufNotifySink>> m_sinks;
    std::unique_ptr<Player> m_player; // last: destroyed first
};

HRESULT selectMode(const GUID& modeId, ITTSCentralW** central, IUnknown* audioDestination)
{
    if (!central)
        return E_POINTER;
    *central = nullptr;
    if (!audioDestination)
        return E_INVALIDARG;
    ComPtr<IAudioMultiMediaDevice> audio;
    if (FAILED(audioDestination->QueryInterface(IID_IAudioMultiMediaDevice, audio.putVoid())))
        return E_INVALIDARG;
    size_t index;
    if (!findMode(modeId, index))
        return E_INVALIDARG;
    return createObject<Central>(IID_ITTSCentralW, reinterpret_cast<void**>(central), index);
}

int matchScore(const TTSMODEINFOW& wanted, const TTSMODEINFOW& mode)
{
    int score = 0;
    auto field = [&](bool asked, bool same, int weight) {
        if (asked && same)
            score += weight;
    };
    field(wanted.engineId != GUID_NULL, wanted.engineId == mode.engineId, 1);
    field(wanted.language.languageId != 0, wanted.language.languageId == mode.language.languageId, 8);
    field(wanted.gender != 0, wanted.gender == mode.gender, 4);
    field(wanted.age != 0, wanted.age == mode.age, 2);
    field(wanted.speaker[0] != 0, text(wanted.speaker) == text(mode.speaker), 16);
    field(wanted.modeName[0] != 0, text(wanted.modeName) == text(mode.modeName), 16);
    return score;
}

class TtsEnumerator final : public ComObject<ITTSEnumW, ITTSFindW> {
public:
    explicit TtsEnumerator(size_t next = 0) : m_next(next) {}

    HRESULT Next(ULONG count, TTSMODEINFOW* modes, ULONG* fetched) override
    {
        if (!modes || (count > 1 && !fetched))
            return E_POINTER;
        size_t total = Synthesizer::instance().voices().size();
        ULONG n = 0;
        for (; n < count && m_next < total; ++n, ++m_next)
            modes[n] = modeOf(m_next);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        size_t left = Synthesizer::instance().voices().size() - m_next;
        m_next += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(ITTSEnumW** clone) override
    {
        return createObject<TtsEnumerator>(IID_ITTSEnumW, reinterpret_cast<void**>(clone), m_next);
    }
    HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDestination) override
    {
        return selectMode(modeId, central, audioDestination);
    }

    HRESULT Find(const TTSMODEINFOW* wanted, const TTSMODEINFORANK*, TTSMODEINFOW* found) override
    {
        if (!found)
            return E_POINTER;
        size_t total = Synthesizer::instance().voices().size();
        if (total == 0)
            return E_FAIL;
        TTSMODEINFOW none{};
        const TTSMODEINFOW& w = wanted ? *wanted : none;
        size_t best = 0;
        if (size_t index; w.modeId != GUID_NULL && findMode(w.modeId, index)) {
            best = index;
        } else {
            int bestScore = -1;
            for (size_t i = 0; i < total; ++i)
                if (int s = matchScore(w, modeOf(i)); s > bestScore) {
                    best = i;
                    bestScore = s;
                }
        }
        *found = modeOf(best);
        return S_OK;
    }

private:
    size_t m_next;
};

} // namespace

HRESULT createTtsEnumerator(REFIID iid, void** out)
{
    return createObject<TtsEnumerator>(iid, out);
}

HRESULT createMMAudioDest(REFIID iid, void** out)
{
    return createObject<MMAudioDest>(iid, out);
}

} // namespace platform
