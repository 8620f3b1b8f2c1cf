// SAPI-5-shaped objects over the synthesizer: the voice, the voice token category,
// the token enumerator, tokens and their attribute keys.

#include "Mappings.h"
#include "Objects.h"
#include "Player.h"
#include "Sapi5.h"
#include "Synthesizer.h"

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

namespace platform {

void clearEvent(SpEvent* event)
{
    if (!event)
        return;
    switch (event->paramType) {
    case kParamToken:
    case kParamObject:
        if (event->lParam)
            reinterpret_cast<IUnknown*>(event->lParam)->Release();
        break;
    case kParamPointer:
    case kParamString:
        CoTaskMemFree(reinterpret_cast<void*>(event->lParam));
        break;
    default:
        break;
    }
    *event = SpEvent{};
}

namespace {

constexpr IID IID_VoiceTokenPrivate{0x5C3A1E01, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x7F}};

bool equalsNoCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? a[i] + 32 : a[i];
        char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? b[i] + 32 : b[i];
        if (x != y)
            return false;
    }
    return true;
}

std::u16string hexLanguage(uint16_t id)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string out;
    for (int shift = 12; shift >= 0; shift -= 4)
        if (!out.empty() || (id >> shift) & 0xF || shift == 0)
            out.push_back(digits[(id >> shift) & 0xF]);
    return out;
}

class DataKey final : public ComObject<ISpDataKey> {
public:
    DataKey(std::map<std::u16string, std::u16string> values) : m_values(std::move(values)) {}

    HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* value) override
    {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        auto it = m_values.find(valueName ? valueName : u"");
        if (it == m_values.end())
            return kErrNotFound;
        *value = coTaskStrDup(it->second);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT OpenKey(LPCWSTR, ISpDataKey** subKey) override
    {
        if (!subKey)
            return E_POINTER;
        *subKey = nullptr;
        return kErrNotFound;
    }

private:
    std::map<std::u16string, std::u16string> m_values;
};

class VoiceToken final : public ComObject<ISpObjectToken> {
public:
    explicit VoiceToken(size_t index) : m_index(index) {}
    size_t index() const { return m_index; }

    HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* value) override
    {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        if (valueName && *valueName)
            return kErrNotFound;
        *value = coTaskStrDup(description().name);
        return *value ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT OpenKey(LPCWSTR subKeyName, ISpDataKey** subKey) override
    {
        if (!subKey)
            return E_POINTER;
        *subKey = nullptr;
        if (!subKeyName || !equalsNoCase(subKeyName, u"Attributes"))
            return kErrNotFound;
        const VoiceDescription& d = description();
        std::map<std::u16string, std::u16string> values{
            {u"Name", d.name},
            {u"Age", std::u16string(sapi5AgeName(d.age))},
            {u"Gender", std::u16string(sapi5GenderName(d.gender))},
            {u"Vendor", u"espeak-ng"},
        };
        if (d.languageId != 0) // a language without a Windows id claims none
            values[u"Language"] = hexLanguage(d.languageId);
        return createObject<DataKey>(IID_ISpDataKey, reinterpret_cast<void**>(subKey), std::move(values));
    }
    HRESULT GetId(LPWSTR* tokenId) override
    {
        if (!tokenId)
            return E_POINTER;
        *tokenId = coTaskStrDup(std::u16string(kVoicesCategoryPath) + u"\\Tokens\\" + utf8ToUtf16(description().key));
        return *tokenId ? S_OK : E_OUTOFMEMORY;
    }

protected:
    void* extraInterface(REFIID iid) override
    {
        if (iid == IID_ISpDataKey)
            return static_cast<ISpDataKey*>(this);
        if (iid == IID_VoiceTokenPrivate)
            return this;
        return nullptr;
    }

private:
    const VoiceDescription& description() const { return Synthesizer::instance().voices()[m_index]; }
    size_t m_index;
};

// Which catalogue entry a token stands for: ours by identity, a foreign one by name.
bool voiceIndexOfToken(ISpObjectToken* token, size_t& index)
{
    void* raw = nullptr;
    if (SUCCEEDED(token->QueryInterface(IID_VoiceTokenPrivate, &raw)) && raw) {
        auto* ours = static_cast<VoiceToken*>(raw);
        index = ours->index();
        ours->Release();
        return true;
    }
    ComPtr<ISpDataKey> attributes;
    LPWSTR name = nullptr;
    if (FAILED(token->OpenKey(u"Attributes", attributes.put())) || !attributes ||
        FAILED(attributes->GetStringValue(u"Name", &name)) || !name)
        return false;
    std::u16string wanted = name;
    CoTaskMemFree(name);
    const auto& voices = Synthesizer::instance().voices();
    for (size_t i = 0; i < voices.size(); ++i)
        if (voices[i].name == wanted) {
            index = i;
            return true;
        }
    return false;
}

class TokenEnumerator final : public ComObject<IEnumSpObjectTokens> {
public:
    TokenEnumerator(std::vector<size_t> indices, size_t next) : m_indices(std::move(indices)), m_next(next) {}

    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override
    {
        if (!tokens || (count > 1 && !fetched))
            return E_POINTER;
        ULONG n = 0;
        for (; n < count && m_next < m_indices.size(); ++n, ++m_next) {
            HRESULT result =
                createObject<VoiceToken>(IID_ISpObjectToken, reinterpret_cast<void**>(&tokens[n]), m_indices[m_next]);
            if (FAILED(result)) {
                while (n > 0)
                    tokens[--n]->Release();
                return result;
            }
        }
        for (ULONG i = n; i < count; ++i)
            tokens[i] = nullptr;
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        size_t left = m_indices.size() - m_next;
        m_next += std::min<size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumSpObjectTokens** clone) override
    {
        return createObject<TokenEnumerator>(IID_IEnumSpObjectTokens, reinterpret_cast<void**>(clone), m_indices,
                                             m_next);
    }
    HRESULT Item(ULONG index, ISpObjectToken** token) override
    {
        if (!token)
            return E_POINTER;
        *token = nullptr;
        if (index >= m_indices.size())
            return E_INVALIDARG;
        return createObject<VoiceToken>(IID_ISpObjectToken, reinterpret_cast<void**>(token), m_indices[index]);
    }
    HRESULT GetCount(ULONG* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<ULONG>(m_indices.size());
        return S_OK;
    }

private:
    std::vector<size_t> m_indices;
    size_t m_next;
};

// "Name=Value;Name=Value": every pair must equal the token's attribute.
bool matchesRequired(size_t index, std::u16string_view required)
{
    VoiceToken token(index);
    ComPtr<ISpDataKey> attributes;
    token.OpenKey(u"Attributes", attributes.put());
    while (!required.empty()) {
        size_t semi = required.find(u';');
        std::u16string_view pair = required.substr(0, semi);
        required = semi == std::u16string_view::npos ? std::u16string_view{} : required.substr(semi + 1);
        if (pair.empty())
            continue;
        size_t eq = pair.find(u'=');
        std::u16string name(pair.substr(0, eq));
        LPWSTR value = nullptr;
        if (!attributes || FAILED(attributes->GetStringValue(name.c_str(), &value)))
            return false;
        bool same = eq == std::u16string_view::npos || equalsNoCase(value, pair.substr(eq + 1));
        CoTaskMemFree(value);
        if (!same)
            return false;
    }
    return true;
}

class TokenCategory final : public ComObject<ISpObjectTokenCategory> {
public:
    HRESULT SetId(LPCWSTR categoryId, BOOL) override
    {
        if (!categoryId)
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        if (m_set)
            return kErrAlreadyInitialized;
        if (!equalsNoCase(categoryId, kVoicesCategoryPath))
            return kErrNotFound;
        m_set = true;
        return S_OK;
    }
    HRESULT GetId(LPWSTR* categoryId) override
    {
        if (!categoryId)
            return E_POINTER;
        *categoryId = nullptr;
        if (!isSet())
            return kErrUninitialized;
        *categoryId = coTaskStrDup(kVoicesCategoryPath);
        return *categoryId ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT EnumTokens(LPCWSTR requiredAttributes, LPCWSTR, IEnumSpObjectTokens** tokens) override
    {
        if (!tokens)
            return E_POINTER;
        *tokens = nullptr;
        if (!isSet())
            return kErrUninitialized;
        std::vector<size_t> indices;
        size_t count = Synthesizer::instance().voices().size();
        for (size_t i = 0; i < count; ++i)
            if (!requiredAttributes || matchesRequired(i, requiredAttributes))
                indices.push_back(i);
        return createObject<TokenEnumerator>(IID_IEnumSpObjectTokens, reinterpret_cast<void**>(tokens),
                                             std::move(indices), size_t{0});
    }
    HRESULT GetDefaultTokenId(LPWSTR* tokenId) override
    {
        if (!tokenId)
            return E_POINTER;
        *tokenId = nullptr;
        if (!isSet())
            return kErrUninitialized;
        if (Synthesizer::instance().voices().empty())
            return kErrNotFound;
        return VoiceToken(0).GetId(tokenId);
    }

private:
    bool isSet()
    {
        std::lock_guard lock(m_mutex);
        return m_set;
    }
    std::mutex m_mutex;
    bool m_set = false;
};

constexpr ULONGLONG kEventsWeMake = interestBit(kEventStartInputStream) | interestBit(kEventEndInputStream) |
                                    interestBit(kEventBookmark) | interestBit(kEventWordBoundary) |
                                    interestBit(kEventSentenceBoundary);
constexpr size_t kMaxQueuedEvents = 4096;

class SpVoice final : public ComObject<ISpVoice>, public Player::Listener {
public:
    SpVoice() { m_player = std::make_unique<Player>(this, currentAudioConfig(), Synthesizer::instance().sampleRate()); }
    ~SpVoice() override
    {
        // The audio thread ends first: a notification it is delivering may still call
        // into this voice (GetStatus, GetEvents) and needs the player in place.
        m_player->shutdown();
        for (SpEvent& e : m_events)
            clearEvent(&e);
    }

    HRESULT SetNotifyCallbackInterface(ISpNotifyCallback* callback, WPARAM wParam, LPARAM lParam) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_callback = callback;
            m_wParam = wParam;
            m_lParam = lParam;
        }
        // A callback in progress finishes first, so the old one may be freed on return.
        m_player->barrier();
        return S_OK;
    }

    HRESULT SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest) override
    {
        auto valid = [](ULONGLONG mask) { return mask == 0 || (mask & kInterestFlagCheck) == kInterestFlagCheck; };
        if (!valid(eventInterest) || !valid(queuedInterest) || (queuedInterest & ~eventInterest) != 0)
            return E_INVALIDARG;
        std::lock_guard lock(m_mutex);
        m_interest = eventInterest & ~kInterestFlagCheck;
        m_queuedInterest = queuedInterest & ~kInterestFlagCheck;
        return S_OK;
    }

    HRESULT GetEvents(ULONG count, SpEvent* events, ULONG* fetched) override
    {
        if (!events || (count > 1 && !fetched))
            return E_POINTER;
        std::lock_guard lock(m_mutex);
        ULONG n = 0;
        for (; n < count && !m_events.empty(); ++n) {
            events[n] = m_events.front();
            m_events.pop_front();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }

    HRESULT SetPriority(int priority) override
    {
        if (priority < kPriorityNormal || priority > kPriorityOver)
            return E_INVALIDARG;
        std::lock_guard lock(m_mutex);
        m_priority = priority;
        return S_OK;
    }
    HRESULT GetPriority(int* priority) override { return readLocked(m_mutex, priority, m_priority); }

    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override
    {
        constexpr DWORD known = kSpeakAsync | kSpeakPurgeBeforeSpeak | kSpeakIsFilename | kSpeakIsXml | kSpeakIsNotXml;
        if (streamNumber)
            *streamNumber = 0;
        if ((flags & ~known) || ((flags & kSpeakIsXml) && (flags & kSpeakIsNotXml)))
            return E_INVALIDARG;
        if (flags & kSpeakIsFilename)
            return E_NOTIMPL; // speaking files is not offered
        if (!text) {
            if (!(flags & kSpeakPurgeBeforeSpeak))
                return E_INVALIDARG;
            purge();
            return S_OK;
        }
        std::u16string_view source(text);
        LONG rate;
        {
            std::lock_guard lock(m_mutex);
            rate = m_rate;
        }
        // Parsed before purging, so malformed markup leaves the current speech alone.
        std::vector<Fragment> fragments;
        bool xml = (flags & kSpeakIsXml) || (!(flags & kSpeakIsNotXml) && startsWithTag(source));
        if (xml) {
            if (!parseSapi5Xml(source, rate, fragments))
                return E_INVALIDARG;
        } else {
            fragments = plainFragments(source, sapi5RateToWpm(rate), kDefaultEspeakPitch, 1.0);
        }
        if (flags & kSpeakPurgeBeforeSpeak)
            purge();

        // An empty text (a purge speaks one) never counts as speaking, and its start is
        // reported before Speak returns, never after what the caller does next.
        bool silent = speaksNothing(fragments);
        SynthJob job;
        job.fragments = std::move(fragments);
        std::shared_ptr<AudioStream> stream;
        ULONG id;
        {
            std::lock_guard lock(m_mutex);
            id = ++m_lastStreamQueued;
            const auto& voices = Synthesizer::instance().voices();
            if (m_voiceIndex < voices.size())
                job.voice = voices[m_voiceIndex].espeakName;
            stream = m_player->newStream(id, silent);
        }
        if (!silent) {
            job.stream = stream;
            Synthesizer::instance().submit(std::move(job));
        }
        m_player->start(stream); // not under m_mutex: the start event may be delivered here
        if (streamNumber)
            *streamNumber = id;
        if (!(flags & kSpeakAsync))
            m_player->waitUntilIdle(std::chrono::hours(24 * 365));
        return S_OK;
    }

    HRESULT GetStatus(SpVoiceStatus* status, LPWSTR* lastBookmark) override
    {
        if (!status && !lastBookmark)
            return E_POINTER;
        bool idle = m_player->idle();
        std::lock_guard lock(m_mutex);
        if (status) {
            *status = SpVoiceStatus{};
            status->currentStream = m_currentStream;
            status->lastStreamQueued = m_lastStreamQueued;
            status->lastResult = S_OK;
            // While paused the voice is neither speaking nor done.
            status->runningState = idle ? kRunStateDone : m_pauseCount > 0 ? 0 : kRunStateSpeaking;
            status->inputWordPos = m_wordPos;
            status->inputWordLen = m_wordLen;
            status->inputSentPos = m_sentencePos;
            status->inputSentLen = m_sentenceLen;
            status->bookmarkId = m_bookmarkId;
        }
        if (lastBookmark) {
            *lastBookmark = coTaskStrDup(m_bookmark);
            if (!*lastBookmark)
                return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    HRESULT Pause() override
    {
        std::lock_guard lock(m_mutex);
        if (m_pauseCount++ == 0)
            m_player->setPaused(true);
        return S_OK;
    }
    HRESULT Resume() override
    {
        std::lock_guard lock(m_mutex);
        if (m_pauseCount > 0 && --m_pauseCount == 0)
            m_player->setPaused(false);
        return S_OK;
    }

    HRESULT SetVoice(ISpObjectToken* token) override
    {
        size_t index = 0; // no token: the default voice
        if (token && !voiceIndexOfToken(token, index))
            return kErrNotFound;
        std::lock_guard lock(m_mutex);
        m_voiceIndex = index;
        return S_OK;
    }
    HRESULT GetVoice(ISpObjectToken** token) override
    {
        if (!token)
            return E_POINTER;
        *token = nullptr;
        size_t index;
        {
            std::lock_guard lock(m_mutex);
            index = m_voiceIndex;
        }
        if (index >= Synthesizer::instance().voices().size())
            return kErrNotFound;
        return createObject<VoiceToken>(IID_ISpObjectToken, reinterpret_cast<void**>(token), index);
    }

    HRESULT SetRate(LONG rate) override
    {
        if (rate < -10 || rate > 10)
            return E_INVALIDARG;
        std::lock_guard lock(m_mutex);
        m_rate = rate;
        return S_OK;
    }
    HRESULT GetRate(LONG* rate) override { return readLocked(m_mutex, rate, m_rate); }
    HRESULT SetVolume(USHORT volume) override
    {
        if (volume > 100)
            return E_INVALIDARG;
        std::lock_guard lock(m_mutex);
        m_volume = volume;
        m_player->setGain(volume / 100.0); // also for the speech already playing
        return S_OK;
    }
    HRESULT GetVolume(USHORT* volume) override { return readLocked(m_mutex, volume, m_volume); }
    HRESULT WaitUntilDone(ULONG milliseconds) override
    {
        auto timeout = milliseconds == 0xFFFFFFFF ? std::chrono::milliseconds(std::chrono::hours(24 * 365))
                                                  : std::chrono::milliseconds(milliseconds);
        return m_player->waitUntilIdle(timeout) ? S_OK : S_FALSE;
    }

private:
    static bool startsWithTag(std::u16string_view text)
    {
        size_t i = text.find_first_not_of(u" \t\r\n");
        return i != std::u16string_view::npos && text[i] == u'<';
    }

    // Never called with m_mutex held: the player waits for a listener call in
    // progress, and that call may need m_mutex.
    void purge()
    {
        m_player->purge();
        std::lock_guard lock(m_mutex);
        for (SpEvent& e : m_events)
            clearEvent(&e);
        m_events.clear();
    }

    void onMarker(uint32_t streamId, const Marker& marker) override
    {
        SpEvent e{};
        e.streamNumber = streamId;
        e.audioOffset = marker.sample * sizeof(int16_t);
        switch (marker.kind) {
        case Marker::Kind::StreamStart:
            e.eventId = kEventStartInputStream;
            break;
        case Marker::Kind::StreamEnd:
            e.eventId = kEventEndInputStream;
            break;
        case Marker::Kind::Word:
        case Marker::Kind::Sentence:
            e.eventId = marker.kind == Marker::Kind::Word ? kEventWordBoundary : kEventSentenceBoundary;
            e.wParam = marker.length;
            e.lParam = static_cast<LPARAM>(marker.position);
            break;
        case Marker::Kind::Bookmark:
            e.eventId = kEventBookmark;
            e.wParam = marker.value;
            break;
        }
        ISpNotifyCallback* callback = nullptr;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        {
            std::lock_guard lock(m_mutex);
            switch (marker.kind) {
            case Marker::Kind::StreamStart:
                m_currentStream = streamId;
                m_wordPos = m_wordLen = m_sentencePos = m_sentenceLen = 0;
                break;
            case Marker::Kind::Word:
                m_wordPos = marker.position;
                m_wordLen = marker.length;
                break;
            case Marker::Kind::Sentence:
                m_sentencePos = marker.position;
                m_sentenceLen = marker.length;
                break;
            case Marker::Kind::Bookmark:
                m_bookmark = marker.name;
                m_bookmarkId = static_cast<LONG>(marker.value);
                break;
            case Marker::Kind::StreamEnd:
                break;
            }
            ULONGLONG bit = interestBit(e.eventId);
            if (!(m_queuedInterest & bit))
                return;
            if (marker.kind == Marker::Kind::Bookmark) {
                e.paramType = kParamString;
                e.lParam = reinterpret_cast<LPARAM>(coTaskStrDup(marker.name));
            }
            if (m_events.size() >= kMaxQueuedEvents) { // nobody reads them
                clearEvent(&m_events.front());
                m_events.pop_front();
            }
            m_events.push_back(e);
            if (m_interest & bit) {
                callback = m_callback;
                wParam = m_wParam;
                lParam = m_lParam;
            }
        }
        if (callback)
            callback->NotifyCallback(wParam, lParam);
    }

    std::mutex m_mutex;
    ISpNotifyCallback* m_callback = nullptr;
    WPARAM m_wParam = 0;
    LPARAM m_lParam = 0;
    ULONGLONG m_interest = kEventsWeMake;
    ULONGLONG m_queuedInterest = kEventsWeMake;
    std::deque<SpEvent> m_events;
    int m_priority = kPriorityNormal;
    LONG m_rate = 0;
    USHORT m_volume = 100;
    size_t m_voiceIndex = 0;
    ULONG m_pauseCount = 0;
    ULONG m_lastStreamQueued = 0;
    ULONG m_currentStream = 0;
    ULONG m_wordPos = 0, m_wordLen = 0, m_sentencePos = 0, m_sentenceLen = 0;
    LONG m_bookmarkId = 0;
    std::u16string m_bookmark;
    std::unique_ptr<Player> m_player; // last: destroyed first
};

} // namespace

HRESULT createSpVoice(REFIID iid, void** out)
{
    // A voice that could never speak is no voice: callers look for another layer.
    if (!Synthesizer::instance().available()) {
        if (out)
            *out = nullptr;
        return E_FAIL;
    }
    return createObject<SpVoice>(iid, out);
}

HRESULT createTokenCategory(REFIID iid, void** out)
{
    return createObject<TokenCategory>(iid, out);
}

} // namespace platform
