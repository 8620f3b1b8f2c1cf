#pragma once

#include "SpeechEngine.h"

// Placeholder until the SAPI 4 layer is wired in: construction finds no speech
// interface, so the engine is never ready and every operation answers false or 0.
class Sapi4Engine final : public SpeechEngine {
public:
    Sapi4Engine() = default;
    ~Sapi4Engine() override = default;

    bool isReady() override { return false; }
    bool speak(const char*) override { return false; }
    bool pause() override { return false; }
    bool resume() override { return false; }
    bool stop() override { return false; }
    int32_t getRate() override { return 0; }
    int32_t setRate(int32_t) override { return 0; }
    int32_t getPitch() override { return 0; }
    int32_t setPitch(int32_t) override { return 0; }
    int32_t getVolume() override { return 0; }
    int32_t setVolume(int32_t) override { return 0; }
    int32_t setVoice(int32_t) override { return 0; }
    int32_t getVoice() override { return 0; }
    bool fillVoiceList(VoiceInfo*) override { return false; }
    int32_t getVoiceCount() override { return 0; }
    EngineState getState() override { return EngineState::Stopped; }
    int32_t getWordPosition() override { return 0; }
};
