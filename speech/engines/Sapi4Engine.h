#pragma once

#include "SpeechEngine.h"

#include "Sapi4.h"

#include <atomic>
#include <optional>

class Sapi4Engine;

// The buffer notification sink handed to TextData. It lives exactly as long as
// its engine, so AddRef and Release do nothing.
class Sapi4BufNotify final : public platform::ITTSBufNotifySink {
public:
    explicit Sapi4BufNotify(Sapi4Engine* engine) : m_engine(engine) {}
    platform::HRESULT QueryInterface(const platform::IID& iid, void** out) override;
    platform::ULONG AddRef() override { return 1; }
    platform::ULONG Release() override { return 1; }
    platform::HRESULT TextDataDone(platform::QWORD timeStamp, platform::DWORD flags) override;
    platform::HRESULT TextDataStarted(platform::QWORD timeStamp) override;
    platform::HRESULT BookMark(platform::QWORD timeStamp, platform::DWORD mark) override;
    platform::HRESULT WordPosition(platform::QWORD timeStamp, platform::DWORD byteOffset) override;
    void unbind() { m_engine.store(nullptr); }

private:
    std::atomic<Sapi4Engine*> m_engine;
};

// The engine over a SAPI 4 mode: the finder picks the mode, which is selected onto
// the multimedia audio destination; text goes through the central interface, rate,
// pitch and volume through the attributes interface.
class Sapi4Engine final : public SpeechEngine {
public:
    Sapi4Engine();
    ~Sapi4Engine() override;

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

    static const char16_t* ageName(platform::WORD code);
    static const char16_t* genderName(platform::WORD code);
    static constexpr platform::DWORD kClassContext = 7;

private:
    friend class Sapi4BufNotify;
    bool openMode(const platform::TTSMODEINFOW* wanted);
    void releaseMode();
    // Calls `visit` for each mode until it returns false; false when the enumerator
    // cannot be created.
    template <class Visit> bool forEachMode(Visit visit);

    platform::ITTSCentralW* m_central = nullptr;
    platform::ITTSAttributesW* m_attributes = nullptr;
    platform::TTSMODEINFOW m_modeInfo{};
    std::atomic<int32_t> m_state{static_cast<int32_t>(EngineState::Stopped)};
    Sapi4BufNotify* m_bufNotify = nullptr;
    std::atomic<int32_t> m_wordPosition{0};
    // A mode chosen while speaking or paused, opened at the next speak.
    bool m_modePending = false;
    platform::TTSMODEINFOW m_pendingMode{};
    // Rate, pitch and volume set while a mode is pending belong to that mode: kept
    // here, read back from here, and given to the mode once it is open.
    struct PendingAttributes {
        std::optional<platform::DWORD> speed;
        std::optional<platform::WORD> pitch;
        std::optional<platform::DWORD> volume;
    };
    PendingAttributes m_pendingAttributes;
    void applyPendingAttributes();
};
