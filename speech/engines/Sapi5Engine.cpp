#include "Sapi5Engine.h"
#include "WideText.h"

#include <new>
#include <string>

using namespace platform;

namespace {

std::u16string decimal(int32_t value)
{
    std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

// Text inside markup: "&", "<" and ">" as entities, so the voice reads them as text.
std::u16string escapedText(const char16_t* text)
{
    std::u16string out;
    for (; *text; ++text) {
        switch (*text) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        default:
            out += *text;
        }
    }
    return out;
}

// "Attributes" → value of one attribute of a token, as a task-memory text.
bool readAttribute(ISpDataKey* attributes, LPCWSTR name, LPWSTR* value)
{
    *value = nullptr;
    return attributes->GetStringValue(name, value) == S_OK;
}

bool tokenName(ISpObjectToken* token, std::u16string& name)
{
    ISpDataKey* attributes = nullptr;
    if (token->OpenKey(u"Attributes", &attributes) != S_OK || !attributes)
        return false;
    LPWSTR value = nullptr;
    bool ok = readAttribute(attributes, u"Name", &value) && value;
    if (ok)
        name = value;
    CoTaskMemFree(value);
    attributes->Release();
    return ok;
}

} // namespace

HRESULT Sapi5Notify::NotifyCallback(WPARAM, LPARAM)
{
    Sapi5Engine* engine = m_engine.load();
    if (!engine || !engine->m_voice)
        return 1;
    ISpVoice* voice = engine->m_voice;
    SpEvent event{};
    for (;;) {
        clearEvent(&event);
        if (voice->GetEvents(1, &event, nullptr) != S_OK)
            break;
        if (event.eventId == kEventStartInputStream) {
            engine->m_state.store(static_cast<int32_t>(EngineState::Playing));
            engine->m_wordPosition.store(0);
        } else if (event.eventId == kEventEndInputStream) {
            engine->m_state.store(static_cast<int32_t>(EngineState::Stopped));
            engine->m_wordPosition.store(0);
        } else if (event.eventId == kEventWordBoundary) {
            SpVoiceStatus status{};
            if (FAILED(voice->GetStatus(&status, nullptr)))
                break;
            engine->m_wordPosition.store(engine->m_wordPosition.load() + 1);
        }
    }
    clearEvent(&event);
    return 1;
}

Sapi5Engine::Sapi5Engine()
{
    void* voice = nullptr;
    HRESULT result = CoCreateInstance(CLSID_SpVoice, nullptr, kClassContext, IID_ISpVoice, &voice);
    if (result != S_OK || !voice) {
        if (voice) // a misbehaving class handed out an object with a failure
            static_cast<ISpVoice*>(voice)->Release();
        return;
    }
    m_voice = static_cast<ISpVoice*>(voice);
    m_notify = new (std::nothrow) Sapi5Notify(this);
    if (!m_notify)
        return;
    // Results of these three are not examined.
    m_voice->SetNotifyCallbackInterface(m_notify, 0, 0);
    m_voice->SetInterest(kInterest, kInterest);
    m_voice->SetPriority(kPriorityAlert);
    stop();
}

Sapi5Engine::~Sapi5Engine()
{
    // The voice waits for a notification in progress and sends none afterwards, so
    // nothing reaches this engine once it starts going away.
    if (m_voice && m_notify)
        m_voice->SetNotifyCallbackInterface(nullptr, 0, 0);
    if (m_notify)
        m_notify->unbind();
    dropPendingVoice();
    if (m_voice)
        m_voice->Release();
    delete m_notify;
}

void Sapi5Engine::dropPendingVoice()
{
    if (m_pendingVoice)
        m_pendingVoice->Release();
    m_pendingVoice = nullptr;
    m_voicePending = false;
}

bool Sapi5Engine::isReady()
{
    return m_voice && m_notify;
}

bool Sapi5Engine::speak(const char* text)
{
    if (!m_voice)
        return false;
    WCHAR* wide = toWide(text);
    if (!wide)
        return false;
    SpVoiceStatus status{};
    if (FAILED(m_voice->GetStatus(&status, nullptr))) {
        CoTaskMemFree(wide);
        return false;
    }
    if (m_voicePending) { // chosen while the previous text was spoken
        m_voice->SetVoice(m_pendingVoice);
        dropPendingVoice();
    }
    // Playing before Speak: the voice's own start and end notifications, which may
    // come before Speak returns (an empty text ends at once), have the last word.
    auto before = static_cast<int32_t>(getState());
    m_state.store(static_cast<int32_t>(EngineState::Playing));
    HRESULT result;
    if (m_pitch != 0) {
        std::u16string markup = u"<pitch absmiddle = '" + decimal(m_pitch) + u"'>" + escapedText(wide) + u"</pitch>";
        result = m_voice->Speak(markup.c_str(), kSpeakXml, nullptr);
    } else {
        result = m_voice->Speak(wide, kSpeakPlain, nullptr);
    }
    CoTaskMemFree(wide);
    if (FAILED(result)) {
        auto playing = static_cast<int32_t>(EngineState::Playing);
        m_state.compare_exchange_strong(playing, before);
        return false;
    }
    if (m_pausedFlag == 1) {
        if (FAILED(m_voice->Resume()))
            return false;
        m_pausedFlag = 0;
    }
    return true; // true on success: the scripts are told that speaking started
}

bool Sapi5Engine::purge()
{
    SpVoiceStatus status{};
    if (!m_voice || FAILED(m_voice->GetStatus(&status, nullptr)))
        return false;
    return m_voice->Speak(u"", kSpeakPlain, nullptr) == S_OK;
}

bool Sapi5Engine::pause()
{
    if (!m_voice)
        return false;
    int32_t seen = m_state.load();
    SpVoiceStatus status{};
    if (FAILED(m_voice->GetStatus(&status, nullptr)) || status.runningState != kRunStateSpeaking)
        return false;
    if (m_pausedFlag == 1)
        return true;
    if (FAILED(m_voice->Pause()))
        return false;
    m_pausedFlag = 1;
    // The end of the text may have come since the status was read: then it stays ended.
    return m_state.compare_exchange_strong(seen, static_cast<int32_t>(EngineState::Paused));
}

bool Sapi5Engine::resume()
{
    if (!m_voice)
        return false;
    SpVoiceStatus status{};
    if (FAILED(m_voice->GetStatus(&status, nullptr)) || status.runningState == kRunStateSpeaking || m_pausedFlag != 1)
        return false;
    if (FAILED(m_voice->Resume()))
        return false;
    m_pausedFlag = 0;
    // A text whose last sound played while paused has ended (Stopped): nothing resumes.
    auto paused = static_cast<int32_t>(EngineState::Paused);
    return m_state.compare_exchange_strong(paused, static_cast<int32_t>(EngineState::Playing)); // true on success
}

bool Sapi5Engine::stop()
{
    if (!m_voice)
        return false;
    SpVoiceStatus status{};
    if (FAILED(m_voice->GetStatus(&status, nullptr)))
        return false;
    bool purged = purge();
    if (purged && m_pausedFlag == 1) {
        if (FAILED(m_voice->Resume()))
            return false;
        m_pausedFlag = 0;
    }
    m_state.store(static_cast<int32_t>(EngineState::Stopped));
    return purged; // a failed purge is reported
}

int32_t Sapi5Engine::getRate()
{
    LONG rate = 0;
    if (!m_voice || FAILED(m_voice->GetRate(&rate)))
        return 0;
    return rate;
}

int32_t Sapi5Engine::setRate(int32_t rate)
{
    if (!m_voice || FAILED(m_voice->SetRate(rate)))
        return 0;
    return getRate();
}

int32_t Sapi5Engine::getPitch()
{
    return m_pitch;
}

int32_t Sapi5Engine::setPitch(int32_t pitch)
{
    m_pitch = pitch;
    return getPitch();
}

int32_t Sapi5Engine::getVolume()
{
    USHORT volume = 0;
    if (!m_voice || FAILED(m_voice->GetVolume(&volume)))
        return 0;
    return volume;
}

int32_t Sapi5Engine::setVolume(int32_t volume)
{
    if (!m_voice || FAILED(m_voice->SetVolume(static_cast<USHORT>(volume))))
        return 0;
    return getVolume();
}

bool Sapi5Engine::enumerateVoices(IEnumSpObjectTokens** tokens, ULONG* count)
{
    *tokens = nullptr;
    *count = 0;
    ISpObjectTokenCategory* category = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, kClassContext, IID_ISpObjectTokenCategory,
                                reinterpret_cast<void**>(&category))) ||
        !category)
        return false;
    HRESULT result = category->SetId(kVoicesCategoryPath, 0);
    if (SUCCEEDED(result))
        result = category->EnumTokens(nullptr, nullptr, tokens);
    category->Release();
    if (FAILED(result) || !*tokens || FAILED((*tokens)->GetCount(count))) {
        if (*tokens)
            (*tokens)->Release();
        *tokens = nullptr;
        return false;
    }
    return true;
}

int32_t Sapi5Engine::setVoice(int32_t index)
{
    if (!m_voice)
        return index;
    // While speaking or paused the choice waits for the next speak.
    bool now = m_state.load() == static_cast<int32_t>(EngineState::Stopped);
    IEnumSpObjectTokens* tokens = nullptr;
    ULONG count = 0;
    if (!enumerateVoices(&tokens, &count))
        return index;
    // Compared unsigned: a negative index reads as very large and picks the last voice.
    if (count < static_cast<uint32_t>(index))
        index = static_cast<int32_t>(count);
    else if (index == 0)
        index = 1;
    ISpObjectToken* token = nullptr;
    for (int32_t i = 0; i < index; ++i) {
        if (token)
            token->Release();
        token = nullptr;
        if (tokens->Next(1, &token, nullptr) != S_OK || !token) {
            if (token)
                token->Release();
            tokens->Release();
            return index;
        }
    }
    dropPendingVoice();
    if (now) {
        m_voice->SetVoice(token); // its result does not change the answer
        if (token)
            token->Release();
    } else {
        m_voicePending = true;
        m_pendingVoice = token;
    }
    tokens->Release();
    return index;
}

int32_t Sapi5Engine::getVoice()
{
    if (!m_voice)
        return 0;
    if (m_voicePending)
        return m_pendingVoice ? voicePosition(m_pendingVoice) : 0;
    ISpObjectToken* current = nullptr;
    if (m_voice->GetVoice(&current) != S_OK || !current)
        return 0;
    int32_t found = voicePosition(current);
    current->Release();
    return found;
}

int32_t Sapi5Engine::voicePosition(ISpObjectToken* current)
{
    std::u16string currentName;
    if (!tokenName(current, currentName))
        return 0;
    IEnumSpObjectTokens* tokens = nullptr;
    ULONG count = 0;
    if (!enumerateVoices(&tokens, &count))
        return 0;
    int32_t found = 0;
    for (ULONG i = 1; i <= count; ++i) {
        ISpObjectToken* token = nullptr;
        if (tokens->Next(1, &token, nullptr) != S_OK || !token)
            break;
        std::u16string name;
        bool ok = tokenName(token, name);
        token->Release();
        if (!ok)
            break;
        if (name == currentName) {
            found = static_cast<int32_t>(i);
            break;
        }
    }
    tokens->Release();
    return found;
}

bool Sapi5Engine::fillVoiceList(VoiceInfo* head)
{
    if (!m_voice)
        return true;
    IEnumSpObjectTokens* tokens = nullptr;
    ULONG count = 0;
    if (!enumerateVoices(&tokens, &count))
        return false;
    bool lastGenderRead = true;
    VoiceInfo* tail = nullptr;
    for (ULONG i = 1; i <= count; ++i) {
        ISpObjectToken* token = nullptr;
        if (tokens->Next(1, &token, nullptr) != S_OK || !token) {
            tokens->Release();
            return false;
        }
        ISpDataKey* attributes = nullptr;
        bool opened = token->OpenKey(u"Attributes", &attributes) == S_OK && attributes;
        token->Release();
        if (!opened) {
            tokens->Release();
            return false;
        }
        VoiceInfo* record = head;
        if (tail) {
            record = new (std::nothrow) VoiceInfo;
            if (!record) {
                attributes->Release();
                tokens->Release();
                return false;
            }
            tail->next = record;
        }
        tail = record;
        LPWSTR name = nullptr, age = nullptr, gender = nullptr;
        readAttribute(attributes, u"Name", &name);
        readAttribute(attributes, u"Age", &age);
        lastGenderRead = readAttribute(attributes, u"Gender", &gender);
        record->index = static_cast<int32_t>(i);
        record->setName(name);
        record->setAge(age);
        record->setGender(gender);
        CoTaskMemFree(name);
        CoTaskMemFree(age);
        CoTaskMemFree(gender);
        attributes->Release();
    }
    tokens->Release();
    return lastGenderRead;
}

int32_t Sapi5Engine::getVoiceCount()
{
    if (!m_voice)
        return -1;
    IEnumSpObjectTokens* tokens = nullptr;
    ULONG count = 0;
    if (!enumerateVoices(&tokens, &count))
        return -1;
    tokens->Release();
    return static_cast<int32_t>(count);
}

EngineState Sapi5Engine::getState()
{
    return static_cast<EngineState>(m_state.load());
}

int32_t Sapi5Engine::getWordPosition()
{
    return m_wordPosition.load();
}
