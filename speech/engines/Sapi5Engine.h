#pragma once

#include "SpeechEngine.h"

#include "Sapi5.h"

#include <atomic>

class Sapi5Engine;

// Receives the voice's event notifications and turns them into the engine's
// state and word position. Runs on the speech interface's thread.
class Sapi5Notify final : public platform::ISpNotifyCallback {
public:
    explicit Sapi5Notify(Sapi5Engine* engine) : m_engine(engine) {}
    platform::HRESULT NotifyCallback(platform::WPARAM wParam, platform::LPARAM lParam) override;
    void unbind() { m_engine.store(nullptr); }

private:
    std::atomic<Sapi5Engine*> m_engine;
};

// The engine over the SAPI 5 voice. Pitch is applied as XML markup at speak time;
// rate and volume through the voice; voices come from the voice token category.
class Sapi5Engine final : public SpeechEngine {
public:
    Sapi5Engine();
    ~Sapi5Engine() override;

    bool isReady() override;
    bool speak(const char* text) override;
    bool pause() override;
    bool resume() override;
    bool stop() override;
    int32_t getRate() override;
    int32_t setRate(int32_t rate) override;
    int32_t getPitch() override;
    int32_t setPitch(int32_t pitch) override;
    int32_t getVolume() override;
    int32_t setVolume(int32_t volume) override;
    int32_t setVoice(int32_t index) override;
    int32_t getVoice() override;
    bool fillVoiceList(VoiceInfo* head) override;
    int32_t getVoiceCount() override;
    EngineState getState() override;
    int32_t getWordPosition() override;

    // Interest: the flag-check bits plus stream start (1), stream end (2) and word boundary (5).
    static constexpr platform::ULONGLONG kInterest = 0x0000000240000026ULL;
    static constexpr platform::DWORD kSpeakPlain = 19; // async + purge + not XML
    static constexpr platform::DWORD kSpeakXml = 11;   // async + purge + XML
    static constexpr platform::DWORD kClassContext = 7;

private:
    friend class Sapi5Notify;
    bool purge();
    // Category → token enumerator with its count; false on any failure.
    bool enumerateVoices(platform::IEnumSpObjectTokens** tokens, platform::ULONG* count);
    // 1-based position of the voice named like `token`'s voice; 0 when not found.
    int32_t voicePosition(platform::ISpObjectToken* token);
    void dropPendingVoice();

    platform::ISpVoice* m_voice = nullptr;
    Sapi5Notify* m_notify = nullptr;
    // Written by the notification thread, read by script calls: single 32-bit stores.
    std::atomic<int32_t> m_state{static_cast<int32_t>(EngineState::Stopped)};
    std::atomic<int32_t> m_wordPosition{0};
    int32_t m_pitch = 0;
    int32_t m_pausedFlag = 0;
    // A voice chosen while speaking or paused, selected at the next speak (null token:
    // the default voice).
    bool m_voicePending = false;
    platform::ISpObjectToken* m_pendingVoice = nullptr;
};
