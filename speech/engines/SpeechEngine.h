#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Speaking state shared by every engine. Stored as a plain 32-bit value that the
// notification handlers of the speech interfaces write without locks; a value
// outside the three named ones is possible and callers must tolerate it.
enum class EngineState : int32_t { Paused = 0, Stopped = 1, Playing = 2 };

// One voice as the engine describes it. Texts are UTF-16, always terminated:
// at most 255 / 63 / 63 units of content.
struct VoiceInfo {
    static constexpr std::size_t kNameUnits = 256;
    static constexpr std::size_t kAgeUnits = 64;
    static constexpr std::size_t kGenderUnits = 64;

    int32_t index = 0; // 1-based position in the voice enumeration
    char16_t name[kNameUnits] = {};
    char16_t age[kAgeUnits] = {};
    char16_t gender[kGenderUnits] = {};
    VoiceInfo* next = nullptr;

    // Copy a zero-terminated source (null gives an empty text), truncating so the
    // terminator always fits.
    void setName(const char16_t* text) noexcept { copyText(name, kNameUnits, text); }
    void setAge(const char16_t* text) noexcept { copyText(age, kAgeUnits, text); }
    void setGender(const char16_t* text) noexcept { copyText(gender, kGenderUnits, text); }

    static void copyText(char16_t* target, std::size_t units, const char16_t* text) noexcept;
};

// The abstract engine. The order of the virtual operations is part of the
// contract; keep it.
class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    virtual bool isReady() = 0;
    virtual bool speak(const char* text) = 0; // zero-terminated, system code page (UTF-8 here)
    virtual bool pause() = 0;
    virtual bool resume() = 0;
    virtual bool stop() = 0;
    virtual int32_t getRate() = 0;
    virtual int32_t setRate(int32_t rate) = 0;
    virtual int32_t getPitch() = 0;
    virtual int32_t setPitch(int32_t pitch) = 0;
    virtual int32_t getVolume() = 0;               // 0 to 65535
    virtual int32_t setVolume(int32_t volume) = 0; // 0 to 65535
    virtual int32_t setVoice(int32_t index) = 0;   // 1-based
    virtual int32_t getVoice() = 0;                // 1-based, 0 when not found
    virtual bool fillVoiceList(VoiceInfo* head) = 0;
    virtual int32_t getVoiceCount() = 0;
    virtual EngineState getState() = 0;
    virtual int32_t getWordPosition() = 0;

protected:
    SpeechEngine() = default;
    SpeechEngine(const SpeechEngine&) = delete;
    SpeechEngine& operator=(const SpeechEngine&) = delete;
};

// Process-wide engine selection. One engine at a time, shared by every script
// instance; the voice-info list is made at load time when asked for.
bool loadEngine(bool withVoiceList);
void unloadEngine();
SpeechEngine* currentEngine();
VoiceInfo* voiceInfoList(); // null when none was made

// The constructors loadEngine tries, in order (Sapi5Engine, then Sapi4Engine).
// A constructor may return null (allocation failed); that counts as not ready.
using EngineConstructor = SpeechEngine* (*)();
using EngineConstructorList = std::vector<EngineConstructor>;

// Test seam only: replaces the list and returns the previous one. The product
// never calls it.
EngineConstructorList replaceEngineConstructors(EngineConstructorList constructors);
