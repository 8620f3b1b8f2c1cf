#pragma once

// The SAPI-4-shaped interfaces: mode enumerator and finder, the multimedia audio
// destination, the central text-to-speech interface of a mode, its attributes and
// the buffer notification sink.

#include "Com.h"

namespace platform {

constexpr CLSID CLSID_TTSEnumerator{0xD67C0280, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
constexpr IID IID_ITTSEnumW{0x6B837B20, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
constexpr IID IID_ITTSFindW{0x7AA42960, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
constexpr CLSID CLSID_MMAudioDest{0xCB96B400, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
constexpr IID IID_IAudioMultiMediaDevice{0xB68AD320, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
constexpr IID IID_ITTSAttributesW{0x0FD6E2A1, 0xE77D, 0x11CD, {0xB3, 0xCA, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
constexpr IID IID_ITTSBufNotifySink{0xE4963D40, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
// Id of our own for the central interface.
constexpr IID IID_ITTSCentralW{0x5C3A1E01, 0x7D2B, 0x4E61, {0x9A, 0x10, 0x3B, 0x52, 0x11, 0x00, 0x00, 0x10}};

// Gender and age codes of a mode.
constexpr WORD kGenderNeutral = 0;
constexpr WORD kGenderFemale = 1;
constexpr WORD kGenderMale = 2;
constexpr WORD kAgeBaby = 1;
constexpr WORD kAgeToddler = 3;
constexpr WORD kAgeChild = 6;
constexpr WORD kAgeAdolescent = 14;
constexpr WORD kAgeAdult = 30;
constexpr WORD kAgeElderly = 70;

// Character sets of TextData.
constexpr DWORD kCharsetText = 0;
constexpr DWORD kCharsetIpaPhonetic = 1;
constexpr DWORD kCharsetEnginePhonetic = 2;
// TextData flag: the text carries "\tag=value\" control tags.
constexpr DWORD kTextDataTagged = 1;
// TextDataDone flag: the text was cut short (not sent for reset text, which ends silently).
constexpr DWORD kTextDoneAborted = 1;

constexpr DWORD kWaveMapper = 0xFFFFFFFF;

constexpr size_t kModeTextUnits = 262;

struct TTSLanguage {
    WORD languageId;
    WCHAR dialect[kModeTextUnits];
};

struct TTSMODEINFOW {
    GUID engineId;
    WCHAR manufacturer[kModeTextUnits];
    WCHAR product[kModeTextUnits];
    GUID modeId;
    WCHAR modeName[kModeTextUnits];
    TTSLanguage language;
    WCHAR speaker[kModeTextUnits];
    WCHAR style[kModeTextUnits];
    WORD gender;
    WORD age;
    DWORD features;
    DWORD interfaces;
    DWORD engineFeatures;
};

// Importance of each field for Find; all zero ranks by "first that matches".
struct TTSMODEINFORANK {
    DWORD engineId, manufacturer, product, modeId, modeName, language, dialect, speaker, style, gender, age, features,
        interfaces, engineFeatures;
};

struct SData {
    void* data;
    DWORD size; // bytes
};

struct ITTSCentralW;

struct ITTSEnumW : IUnknown {
    static constexpr const IID& iid = IID_ITTSEnumW;
    virtual HRESULT Next(ULONG count, TTSMODEINFOW* modes, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(ITTSEnumW** clone) = 0;
    virtual HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDestination) = 0;

protected:
    ~ITTSEnumW() = default;
};

struct ITTSFindW : IUnknown {
    static constexpr const IID& iid = IID_ITTSFindW;
    // Fills `found` with the mode that best matches `wanted`; an all-zero `wanted`
    // gives the first mode.
    virtual HRESULT Find(const TTSMODEINFOW* wanted, const TTSMODEINFORANK* ranks, TTSMODEINFOW* found) = 0;
    virtual HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDestination) = 0;

protected:
    ~ITTSFindW() = default;
};

struct IAudioMultiMediaDevice : IUnknown {
    static constexpr const IID& iid = IID_IAudioMultiMediaDevice;
    virtual HRESULT DeviceNumGet(DWORD* deviceId) = 0;
    virtual HRESULT DeviceNumSet(DWORD deviceId) = 0;

protected:
    ~IAudioMultiMediaDevice() = default;
};

struct ITTSBufNotifySink : IUnknown {
    static constexpr const IID& iid = IID_ITTSBufNotifySink;
    virtual HRESULT TextDataDone(QWORD timeStamp, DWORD flags) = 0;
    virtual HRESULT TextDataStarted(QWORD timeStamp) = 0;
    virtual HRESULT BookMark(QWORD timeStamp, DWORD mark) = 0;
    // byteOffset: offset of the word in the text buffer, in bytes.
    virtual HRESULT WordPosition(QWORD timeStamp, DWORD byteOffset) = 0;

protected:
    ~ITTSBufNotifySink() = default;
};

struct ITTSCentralW : IUnknown {
    static constexpr const IID& iid = IID_ITTSCentralW;
    virtual HRESULT ModeGet(TTSMODEINFOW* mode) = 0;
    // Queues the text. The notification sink, when given, is asked for `notifyIid`
    // and receives the notifications of this text on the audio thread.
    virtual HRESULT TextData(DWORD charset, DWORD flags, SData text, void* notifyInterface, IID notifyIid) = 0;
    virtual HRESULT AudioPause() = 0;
    virtual HRESULT AudioResume() = 0;
    // Stops the sound, drops every queued text (without notifications) and ends a pause.
    virtual HRESULT AudioReset() = 0;

protected:
    ~ITTSCentralW() = default;
};

struct ITTSAttributesW : IUnknown {
    static constexpr const IID& iid = IID_ITTSAttributesW;
    virtual HRESULT PitchGet(WORD* hertz) = 0;
    virtual HRESULT PitchSet(WORD hertz) = 0;
    virtual HRESULT SpeedGet(DWORD* wordsPerMinute) = 0;
    virtual HRESULT SpeedSet(DWORD wordsPerMinute) = 0;
    // Low word left channel, high word right; 0xFFFF is full volume.
    virtual HRESULT VolumeGet(DWORD* volume) = 0;
    virtual HRESULT VolumeSet(DWORD volume) = 0;

protected:
    ~ITTSAttributesW() = default;
};

// Values that ask a set call for the limits of the mode.
constexpr WORD kPitchMinimum = 0;
constexpr WORD kPitchMaximum = 0xFFFF;
constexpr DWORD kSpeedMinimum = 0;
constexpr DWORD kSpeedMaximum = 0xFFFFFFFF;

} // namespace platform
