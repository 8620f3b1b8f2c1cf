#pragma once

// The SAPI-5-shaped interfaces: the voice, its notification callback, the token
// category of the installed voices, the token enumerator and the tokens.

#include "Com.h"

namespace platform {

constexpr CLSID CLSID_SpVoice{0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
constexpr IID IID_ISpVoice{0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
constexpr CLSID CLSID_SpObjectTokenCategory{
    0xA910187F, 0x0C7A, 0x45AC, {0x92, 0xCC, 0x59, 0xED, 0xAF, 0xB7, 0x7B, 0x53}};
constexpr IID IID_ISpObjectTokenCategory{0x2D3D3845, 0x39AF, 0x4850, {0xBB, 0xF9, 0x40, 0xB4, 0x97, 0x80, 0x01, 0x1D}};
// Ids of our own for the remaining interfaces.
constexpr IID IID_ISpDataKey{0x5C3A1E01, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x01}};
constexpr IID IID_ISpObjectToken{0x5C3A1E01, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x02}};
constexpr IID IID_IEnumSpObjectTokens{0x5C3A1E01, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x03}};

constexpr HRESULT kErrUninitialized = hr(0x80045001);
constexpr HRESULT kErrAlreadyInitialized = hr(0x80045002);
constexpr HRESULT kErrNotFound = hr(0x8004503A);

// Registry path of the voice tokens.
inline constexpr char16_t kVoicesCategoryPath[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// Speak flags.
constexpr DWORD kSpeakAsync = 1;
constexpr DWORD kSpeakPurgeBeforeSpeak = 2;
constexpr DWORD kSpeakIsFilename = 4;
constexpr DWORD kSpeakIsXml = 8;
constexpr DWORD kSpeakIsNotXml = 16;

// Running states in SpVoiceStatus::runningState. While paused the voice reports 0.
constexpr DWORD kRunStateDone = 1;
constexpr DWORD kRunStateSpeaking = 2;

// Voice priorities.
constexpr int kPriorityNormal = 0;
constexpr int kPriorityAlert = 1;
constexpr int kPriorityOver = 2;

// Event ids and the interest mask built from them. Every valid mask carries the two
// flag-check bits.
constexpr uint16_t kEventStartInputStream = 1;
constexpr uint16_t kEventEndInputStream = 2;
constexpr uint16_t kEventVoiceChange = 3;
constexpr uint16_t kEventBookmark = 4;
constexpr uint16_t kEventWordBoundary = 5;
constexpr uint16_t kEventSentenceBoundary = 7;
constexpr ULONGLONG kInterestFlagCheck = (1ULL << 30) | (1ULL << 33);
constexpr ULONGLONG interestBit(uint16_t eventId)
{
    return 1ULL << eventId;
}

// What an event's lParam holds, so that clearing the event can free it.
constexpr uint16_t kParamUndefined = 0;
constexpr uint16_t kParamToken = 1;
constexpr uint16_t kParamObject = 2;
constexpr uint16_t kParamPointer = 3;
constexpr uint16_t kParamString = 4;

// One event. Word boundary: wParam = length, lParam = position, both in UTF-16 units
// of the spoken text (tags included). Bookmark: wParam = numeric value of the mark,
// lParam = the mark as a task-memory string. Stream start/end: no parameters.
struct SpEvent {
    uint16_t eventId;
    uint16_t paramType;
    ULONG streamNumber;
    ULONGLONG audioOffset; // bytes of 16-bit mono audio since the stream start
    WPARAM wParam;
    LPARAM lParam;
};
static_assert(sizeof(SpEvent) == 32);
static_assert(offsetof(SpEvent, audioOffset) == 8);

// Releases or frees the parameter as its type says and zeroes the event.
void clearEvent(SpEvent* event);

struct SpVoiceStatus {
    ULONG currentStream;
    ULONG lastStreamQueued;
    HRESULT lastResult;
    DWORD runningState;
    ULONG inputWordPos;
    ULONG inputWordLen;
    ULONG inputSentPos;
    ULONG inputSentLen;
    LONG bookmarkId;
};

// Not a COM interface: a single callback, called on the voice's audio thread.
struct ISpNotifyCallback {
    virtual HRESULT NotifyCallback(WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~ISpNotifyCallback() = default;
};

struct ISpDataKey : IUnknown {
    static constexpr const IID& iid = IID_ISpDataKey;
    // Value "" is the key's default value. The text is task memory owned by the caller.
    virtual HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* value) = 0;
    virtual HRESULT OpenKey(LPCWSTR subKeyName, ISpDataKey** subKey) = 0;

protected:
    ~ISpDataKey() = default;
};

struct ISpObjectToken : ISpDataKey {
    static constexpr const IID& iid = IID_ISpObjectToken;
    virtual HRESULT GetId(LPWSTR* tokenId) = 0;

protected:
    ~ISpObjectToken() = default;
};

struct IEnumSpObjectTokens : IUnknown {
    static constexpr const IID& iid = IID_IEnumSpObjectTokens;
    // S_FALSE when fewer than `count` tokens were left.
    virtual HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumSpObjectTokens** clone) = 0;
    virtual HRESULT Item(ULONG index, ISpObjectToken** token) = 0;
    virtual HRESULT GetCount(ULONG* count) = 0;

protected:
    ~IEnumSpObjectTokens() = default;
};

struct ISpObjectTokenCategory : IUnknown {
    static constexpr const IID& iid = IID_ISpObjectTokenCategory;
    virtual HRESULT SetId(LPCWSTR categoryId, BOOL createIfNotExist) = 0;
    virtual HRESULT GetId(LPWSTR* categoryId) = 0;
    // Required attributes are "Name=Value" pairs separated by ";"; all must match.
    // Optional attributes only order the result in the real thing; here they are ignored.
    virtual HRESULT EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                               IEnumSpObjectTokens** tokens) = 0;
    virtual HRESULT GetDefaultTokenId(LPWSTR* tokenId) = 0;

protected:
    ~ISpObjectTokenCategory() = default;
};

struct ISpVoice : IUnknown {
    static constexpr const IID& iid = IID_ISpVoice;
    virtual HRESULT SetNotifyCallbackInterface(ISpNotifyCallback* callback, WPARAM wParam, LPARAM lParam) = 0;
    virtual HRESULT SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest) = 0;
    virtual HRESULT GetEvents(ULONG count, SpEvent* events, ULONG* fetched) = 0;
    virtual HRESULT SetPriority(int priority) = 0;
    virtual HRESULT GetPriority(int* priority) = 0;
    virtual HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) = 0;
    virtual HRESULT GetStatus(SpVoiceStatus* status, LPWSTR* lastBookmark) = 0;
    // Pauses are counted: each Pause needs a Resume.
    virtual HRESULT Pause() = 0;
    virtual HRESULT Resume() = 0;
    virtual HRESULT SetVoice(ISpObjectToken* token) = 0;
    virtual HRESULT GetVoice(ISpObjectToken** token) = 0;
    virtual HRESULT SetRate(LONG rate) = 0; // -10 .. 10
    virtual HRESULT GetRate(LONG* rate) = 0;
    virtual HRESULT SetVolume(USHORT volume) = 0; // 0 .. 100
    virtual HRESULT GetVolume(USHORT* volume) = 0;
    // S_OK when done, S_FALSE on time-out.
    virtual HRESULT WaitUntilDone(ULONG milliseconds) = 0;

protected:
    ~ISpVoice() = default;
};

} // namespace platform
