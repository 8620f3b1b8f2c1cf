#pragma once

// A scripted SpeechEngine for tests: answers come from `ScriptedEngine::script`,
// every operation is recorded, and the live instance is reachable.

#include "SpeechEngine.h"

#include <new>
#include <string>
#include <vector>

struct EngineScript {
    bool ready = true;
    bool fillResult = true;
    bool answer = true;  // pause / resume / stop / speak
    int32_t integer = 7; // getRate / getPitch / getVolume / getWordPosition
    int32_t voice = 1;   // getVoice
    EngineState state = EngineState::Stopped;
    std::vector<std::u16string> voiceNames{u"Anna", u"Bram"};
};

class ScriptedEngine final : public SpeechEngine {
public:
    static inline EngineScript script;
    static inline ScriptedEngine* live = nullptr;
    static inline int constructed = 0;
    static inline int destroyed = 0;

    static SpeechEngine* make() { return new ScriptedEngine(); }
    static SpeechEngine* makeNull() { return nullptr; }
    static SpeechEngine* makeNotReady()
    {
        auto* engine = new ScriptedEngine();
        engine->m_ready = false;
        return engine;
    }
    static SpeechEngine* makeThrowing() { throw std::bad_alloc(); }
    static void reset()
    {
        script = EngineScript{};
        constructed = destroyed = 0;
    }

    ScriptedEngine()
    {
        ++constructed;
        live = this;
    }
    ~ScriptedEngine() override
    {
        ++destroyed;
        if (live == this)
            live = nullptr;
    }

    std::vector<std::string> calls;
    std::vector<int32_t> arguments;
    std::string spoken;

    bool isReady() override { return m_ready; }
    bool speak(const char* text) override
    {
        record("speak");
        spoken = text;
        return script.answer;
    }
    bool pause() override { return record("pause"), script.answer; }
    bool resume() override { return record("resume"), script.answer; }
    bool stop() override { return record("stop"), script.answer; }
    int32_t getRate() override { return record("getRate"), script.integer; }
    int32_t setRate(int32_t n) override { return record("setRate", n), n; }
    int32_t getPitch() override { return record("getPitch"), script.integer + 1; }
    int32_t setPitch(int32_t n) override { return record("setPitch", n), n; }
    int32_t getVolume() override { return record("getVolume"), script.integer + 2; }
    int32_t setVolume(int32_t n) override { return record("setVolume", n), n; }
    int32_t setVoice(int32_t n) override { return record("setVoice", n), n; }
    int32_t getVoice() override { return record("getVoice"), script.voice; }
    bool fillVoiceList(VoiceInfo* head) override
    {
        record("fillVoiceList");
        VoiceInfo* info = head;
        for (std::size_t i = 0; i < script.voiceNames.size(); ++i) {
            if (i > 0) {
                info->next = new VoiceInfo();
                info = info->next;
            }
            info->index = static_cast<int32_t>(i + 1);
            info->setName(script.voiceNames[i].c_str());
            info->setAge(u"Adult");
            info->setGender(i % 2 ? u"Male" : u"Female");
        }
        return script.fillResult;
    }
    int32_t getVoiceCount() override { return record("getVoiceCount"), static_cast<int32_t>(script.voiceNames.size()); }
    EngineState getState() override { return record("getState"), script.state; }
    int32_t getWordPosition() override { return record("getWordPosition"), script.integer + 3; }

private:
    bool m_ready = script.ready;
    void record(const char* what, int32_t argument = 0)
    {
        calls.emplace_back(what);
        arguments.push_back(argument);
    }
};

// Puts the scripted engine (or the given list) in place for one test and
// restores the product's list afterwards.
class EngineConstructorsGuard {
public:
    explicit EngineConstructorsGuard(EngineConstructorList list = {&ScriptedEngine::make})
        : m_saved(replaceEngineConstructors(std::move(list)))
    {
        ScriptedEngine::reset();
    }
    ~EngineConstructorsGuard()
    {
        unloadEngine();
        replaceEngineConstructors(std::move(m_saved));
    }

private:
    EngineConstructorList m_saved;
};
