#include "Sapi4Engine.h"
#include "WideText.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

using namespace platform;

namespace {

void store(std::atomic<int32_t>& field, EngineState state)
{
    field.store(static_cast<int32_t>(state));
}

} // namespace

HRESULT Sapi4BufNotify::QueryInterface(const IID& iid, void** out)
{
    if (iid == IID_IUnknown || iid == IID_ITTSBufNotifySink) {
        *out = this;
        return 0;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT Sapi4BufNotify::TextDataDone(QWORD, DWORD)
{
    if (Sapi4Engine* engine = m_engine.load()) {
        store(engine->m_state, EngineState::Stopped);
        engine->m_wordPosition.store(0);
    }
    return 0;
}

HRESULT Sapi4BufNotify::TextDataStarted(QWORD)
{
    if (Sapi4Engine* engine = m_engine.load()) {
        store(engine->m_state, EngineState::Playing);
        engine->m_wordPosition.store(1);
    }
    return 0;
}

HRESULT Sapi4BufNotify::BookMark(QWORD, DWORD)
{
    return 0;
}

HRESULT Sapi4BufNotify::WordPosition(QWORD, DWORD)
{
    if (Sapi4Engine* engine = m_engine.load())
        engine->m_wordPosition.store(engine->m_wordPosition.load() + 1);
    return 0;
}

const char16_t* Sapi4Engine::ageName(WORD code)
{
    switch (code) {
    case 1:
        return u"Baby";
    case 3:
        return u"Toddler";
    case 6:
        return u"Child";
    case 14:
        return u"Adolescent";
    case 30:
        return u"Adult";
    case 70:
        return u"Elderly";
    default:
        return u"Unknown";
    }
}

const char16_t* Sapi4Engine::genderName(WORD code)
{
    switch (code) {
    case 0:
        return u"Neutral";
    case 1:
        return u"Female";
    case 2:
        return u"Male";
    default:
        return u"Unknown";
    }
}

void Sapi4Engine::releaseMode()
{
    if (m_attributes)
        m_attributes->Release();
    if (m_central)
        m_central->Release();
    m_attributes = nullptr;
    m_central = nullptr;
}

bool Sapi4Engine::openMode(const TTSMODEINFOW* wanted)
{
    releaseMode();
    m_modeInfo = TTSMODEINFOW{};
    ITTSFindW* finder = nullptr;
    IAudioMultiMediaDevice* audio = nullptr;
    bool ok = false;
    DWORD device = 0;
    void* attributes = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, kClassContext, IID_ITTSFindW,
                                reinterpret_cast<void**>(&finder))) ||
        !finder)
        goto done;
    if (FAILED(finder->Find(wanted, nullptr, &m_modeInfo)))
        goto done;
    if (FAILED(CoCreateInstance(CLSID_MMAudioDest, nullptr, kClassContext, IID_IAudioMultiMediaDevice,
                                reinterpret_cast<void**>(&audio))) ||
        !audio)
        goto done;
    if (FAILED(audio->DeviceNumGet(&device)))
        goto done;
    audio->DeviceNumSet(device); // the current number, the wave mapper by default
    if (FAILED(finder->Select(m_modeInfo.modeId, &m_central, audio)) || !m_central)
        goto done;
    ok = SUCCEEDED(m_central->QueryInterface(IID_ITTSAttributesW, &attributes)) && attributes;
    m_attributes = static_cast<ITTSAttributesW*>(attributes);
done:
    if (audio)
        audio->Release();
    if (finder)
        finder->Release();
    if (!ok) {
        m_modeInfo = TTSMODEINFOW{};
        releaseMode();
    }
    return ok;
}

Sapi4Engine::Sapi4Engine()
{
    TTSMODEINFOW any{};
    openMode(&any);
    m_bufNotify = new (std::nothrow) Sapi4BufNotify(this);
}

Sapi4Engine::~Sapi4Engine()
{
    // The reset waits for a notification in progress and ends the text's notifications,
    // so none reaches this engine once it starts going away.
    if (m_central)
        m_central->AudioReset();
    if (m_bufNotify)
        m_bufNotify->unbind();
    releaseMode();
    delete m_bufNotify;
}

bool Sapi4Engine::isReady()
{
    return m_central && m_attributes && m_bufNotify;
}

bool Sapi4Engine::speak(const char* text)
{
    WCHAR* wide = toWide(text);
    if (!wide || !m_central) {
        CoTaskMemFree(wide);
        return false;
    }
    stop();
    if (m_modePending) { // chosen while the previous text was spoken
        m_modePending = false;
        bool opened = openMode(&m_pendingMode);
        applyPendingAttributes();
        if (!opened) {
            CoTaskMemFree(wide);
            return false;
        }
    }
    SData data{wide, static_cast<DWORD>(wideLength(wide) * sizeof(WCHAR))};
    bool ok = m_central->TextData(kCharsetText, 0, data, m_bufNotify, IID_ITTSBufNotifySink) == S_OK;
    CoTaskMemFree(wide);
    return ok;
}

// The end of the text may come between the state check and the change; it then
// stays ended (Stopped) and the call answers false.
bool Sapi4Engine::pause()
{
    auto playing = static_cast<int32_t>(EngineState::Playing);
    if (m_state.load() != playing || !m_central || FAILED(m_central->AudioPause()))
        return false;
    if (m_state.compare_exchange_strong(playing, static_cast<int32_t>(EngineState::Paused)))
        return true;
    m_central->AudioResume(); // nothing left to pause
    return false;
}

bool Sapi4Engine::resume()
{
    auto paused = static_cast<int32_t>(EngineState::Paused);
    if (m_state.load() != paused || !m_central || FAILED(m_central->AudioResume()))
        return false;
    return m_state.compare_exchange_strong(paused, static_cast<int32_t>(EngineState::Playing));
}

bool Sapi4Engine::stop()
{
    if (!m_central || FAILED(m_central->AudioReset()))
        return false;
    m_wordPosition.store(0);
    store(m_state, EngineState::Stopped);
    return true;
}

void Sapi4Engine::applyPendingAttributes()
{
    PendingAttributes pending = std::exchange(m_pendingAttributes, {});
    if (!m_attributes)
        return;
    // The mode may not take a value as given; it is read back from the mode from now on.
    if (pending.speed)
        m_attributes->SpeedSet(*pending.speed);
    if (pending.pitch)
        m_attributes->PitchSet(*pending.pitch);
    if (pending.volume)
        m_attributes->VolumeSet(*pending.volume);
}

int32_t Sapi4Engine::getRate()
{
    if (m_modePending && m_pendingAttributes.speed)
        return static_cast<int32_t>(*m_pendingAttributes.speed);
    DWORD speed = 0;
    if (!m_attributes || FAILED(m_attributes->SpeedGet(&speed)))
        return 0;
    return static_cast<int32_t>(speed);
}

int32_t Sapi4Engine::setRate(int32_t rate)
{
    if (rate < 0)
        return 0;
    if (m_modePending) {
        m_pendingAttributes.speed = static_cast<DWORD>(rate);
        return rate;
    }
    if (!m_attributes || FAILED(m_attributes->SpeedSet(static_cast<DWORD>(rate))))
        return 0;
    return rate;
}

int32_t Sapi4Engine::getPitch()
{
    if (m_modePending && m_pendingAttributes.pitch)
        return *m_pendingAttributes.pitch;
    WORD pitch = 0;
    if (!m_attributes || FAILED(m_attributes->PitchGet(&pitch)))
        return 0;
    return pitch;
}

int32_t Sapi4Engine::setPitch(int32_t pitch)
{
    if (m_modePending) {
        m_pendingAttributes.pitch = static_cast<WORD>(pitch & 0xFFFF);
        return pitch;
    }
    if (!m_attributes || FAILED(m_attributes->PitchSet(static_cast<WORD>(pitch & 0xFFFF))))
        return 0;
    return pitch;
}

int32_t Sapi4Engine::getVolume()
{
    DWORD volume = 0;
    if (m_modePending && m_pendingAttributes.volume)
        volume = *m_pendingAttributes.volume;
    else if (!m_attributes || FAILED(m_attributes->VolumeGet(&volume)))
        return 0;
    return static_cast<int32_t>(volume & 0xFFFF); // the left channel
}

int32_t Sapi4Engine::setVolume(int32_t volume)
{
    if (volume < 0)
        return 0;
    DWORD both = (static_cast<DWORD>(volume) & 0xFFFF) | (static_cast<DWORD>(volume) << 16);
    if (m_modePending) {
        m_pendingAttributes.volume = both;
        return volume;
    }
    if (!m_attributes || FAILED(m_attributes->VolumeSet(both)))
        return 0;
    return volume;
}

template <class Visit> bool Sapi4Engine::forEachMode(Visit visit)
{
    ITTSEnumW* modes = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, kClassContext, IID_ITTSEnumW,
                                reinterpret_cast<void**>(&modes))) ||
        !modes)
        return false;
    TTSMODEINFOW mode{};
    while (modes->Next(1, &mode, nullptr) == S_OK)
        if (!visit(mode))
            break;
    modes->Reset();
    modes->Release();
    return true;
}

int32_t Sapi4Engine::setVoice(int32_t index)
{
    if (index == 0)
        return 0;
    // While speaking or paused the choice waits for the next speak.
    bool now = m_state.load() == static_cast<int32_t>(EngineState::Stopped);
    int32_t position = 0;
    bool chosen = false;
    forEachMode([&](const TTSMODEINFOW& mode) {
        if (++position != index)
            return true;
        if (now) {
            m_modePending = false;
            chosen = openMode(&mode);
            applyPendingAttributes(); // what was set for the next voice goes to this one
        } else {
            m_modePending = true;
            m_pendingMode = mode;
            chosen = true;
        }
        return false;
    });
    return chosen ? index : 0;
}

int32_t Sapi4Engine::getVoice()
{
    const GUID& current = m_modePending ? m_pendingMode.modeId : m_modeInfo.modeId;
    int32_t position = 0, found = 0;
    forEachMode([&](const TTSMODEINFOW& mode) {
        ++position;
        if (mode.modeId == current) {
            found = position;
            return false;
        }
        return true;
    });
    return found;
}

bool Sapi4Engine::fillVoiceList(VoiceInfo* head)
{
    int32_t filled = 0;
    VoiceInfo* tail = nullptr;
    bool allocated = true;
    bool enumerated = forEachMode([&](const TTSMODEINFOW& mode) {
        VoiceInfo* record = head;
        if (tail) {
            record = new (std::nothrow) VoiceInfo;
            if (!record) {
                allocated = false;
                return false;
            }
            tail->next = record;
        }
        tail = record;
        record->index = ++filled;
        // The speaker text is a fixed buffer; make sure it ends before handing it on.
        WCHAR speaker[kModeTextUnits];
        std::copy(std::begin(mode.speaker), std::end(mode.speaker), speaker);
        speaker[kModeTextUnits - 1] = 0;
        record->setName(speaker);
        record->setAge(ageName(mode.age));
        record->setGender(genderName(mode.gender));
        return true;
    });
    return enumerated && allocated && filled == getVoiceCount();
}

int32_t Sapi4Engine::getVoiceCount()
{
    int32_t count = 0;
    forEachMode([&](const TTSMODEINFOW&) {
        ++count;
        return true;
    });
    return count;
}

EngineState Sapi4Engine::getState()
{
    return static_cast<EngineState>(m_state.load());
}

int32_t Sapi4Engine::getWordPosition()
{
    return m_wordPosition.load();
}
