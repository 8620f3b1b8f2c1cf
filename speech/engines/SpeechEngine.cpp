#include "SpeechEngine.h"

#include "Sapi4Engine.h"
#include "Sapi5Engine.h"

#include <new>
#include <utility>

namespace {

SpeechEngine* g_engine = nullptr;
VoiceInfo* g_voiceInfoList = nullptr;

SpeechEngine* makeSapi5()
{
    return new (std::nothrow) Sapi5Engine();
}
SpeechEngine* makeSapi4()
{
    return new (std::nothrow) Sapi4Engine();
}

EngineConstructorList& constructors()
{
    static EngineConstructorList list{&makeSapi5, &makeSapi4};
    return list;
}

SpeechEngine* construct(EngineConstructor make) noexcept
{
    try {
        return make();
    } catch (...) {
        return nullptr; // an engine that cannot be built is simply not ready
    }
}

bool isReady(SpeechEngine* engine) noexcept
{
    try {
        return engine != nullptr && engine->isReady();
    } catch (...) {
        return false;
    }
}

} // namespace

void VoiceInfo::copyText(char16_t* target, std::size_t units, const char16_t* text) noexcept
{
    std::size_t n = 0;
    if (text != nullptr) {
        while (n + 1 < units && text[n] != 0) {
            target[n] = text[n];
            ++n;
        }
    }
    for (std::size_t i = n; i < units; ++i)
        target[i] = 0;
}

bool loadEngine(bool withVoiceList)
{
    if (g_engine != nullptr)
        return true; // even when a voice list is asked for now: it is made only at first load

    const EngineConstructorList list = constructors();
    for (EngineConstructor make : list) {
        g_engine = construct(make);
        if (isReady(g_engine))
            break;
        unloadEngine();
    }
    if (g_engine == nullptr)
        return false;
    if (!withVoiceList)
        return true;

    g_voiceInfoList = new (std::nothrow) VoiceInfo();
    bool filled = false;
    if (g_voiceInfoList != nullptr) {
        try {
            filled = g_engine->fillVoiceList(g_voiceInfoList);
        } catch (...) {
            filled = false;
        }
    }
    if (!filled) {
        unloadEngine();
        return false;
    }
    return true;
}

void unloadEngine()
{
    // The list is freed even without an engine so a half-made load leaves nothing behind.
    while (g_voiceInfoList != nullptr) {
        VoiceInfo* next = g_voiceInfoList->next;
        delete g_voiceInfoList;
        g_voiceInfoList = next;
    }
    if (g_engine != nullptr) {
        SpeechEngine* engine = std::exchange(g_engine, nullptr);
        delete engine;
    }
}

SpeechEngine* currentEngine()
{
    return g_engine;
}

VoiceInfo* voiceInfoList()
{
    return g_voiceInfoList;
}

EngineConstructorList replaceEngineConstructors(EngineConstructorList replacement)
{
    return std::exchange(constructors(), std::move(replacement));
}
