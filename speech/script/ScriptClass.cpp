#include "ScriptClass.h"

#include "HostText.h"
#include "MethodTable.h"
#include "SpeechEngine.h"
#include "VoiceList.h"

#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>

namespace oru::plugin {

namespace {

template <class T> int32_t obtain(IOruHostLink* link, const Guid& iid, T*& out) noexcept
{
    void* p = nullptr;
    const int32_t result = link->QueryInterface(&iid, &p);
    if (result != code::kOk)
        return result;
    if (p == nullptr)
        return code::kOutOfMemory;
    out = static_cast<T*>(p);
    return code::kOk;
}

template <class T> void releaseAndClear(T*& p) noexcept
{
    if (p != nullptr)
        std::exchange(p, nullptr)->Release();
}

int32_t initInstance(void* instance)
{
    IOruHostLink* link = hostPart(instance)->hostLink;
    ScriptInstance& self = *scriptInstance(instance);
    if (link == nullptr)
        return code::kOutOfMemory;

    // Whatever is obtained before a failure stays in the instance; finalize releases it.
    int32_t result = obtain(link, iid::kScriptValues, self.values);
    if (result == code::kOk)
        result = obtain(link, iid::kScriptLists, self.lists);
    if (result == code::kOk)
        result = obtain(link, iid::kValueUtils, self.utils);
    if (result == code::kOk)
        result = obtain(link, iid::kNotifier, self.notifier);
    if (result != code::kOk)
        return result;

    self.engineLoaded = loadEngine(true) ? 1 : 0;

    IOruAppInfo* appInfo = nullptr;
    result = obtain(link, iid::kAppInfo, appInfo);
    if (result != code::kOk)
        return result;
    char text[32] = {};
    result = appInfo->getText(1, text, sizeof text);
    appInfo->Release();
    return result;
}

// The instances between script init and finalize. The host's instance is opaque, and a
// registration instance ends with its host part.
std::mutex g_scriptInstancesMutex;
std::unordered_set<const void*>& scriptInstances()
{
    static auto& set = *new std::unordered_set<const void*>; // outlives exit handlers
    return set;
}

const char* stateText(EngineState state) noexcept
{
    switch (state) {
    case EngineState::Paused:
        return "paused";
    case EngineState::Playing:
        return "playing";
    case EngineState::Stopped:
    default:
        return "stopped";
    }
}

} // namespace

bool isScriptInstance(const void* instance) noexcept
{
    std::lock_guard lock(g_scriptInstancesMutex);
    return scriptInstances().count(instance) != 0;
}

int32_t scriptInit(void* instance)
{
    try {
        {
            std::lock_guard lock(g_scriptInstancesMutex);
            scriptInstances().insert(instance);
        }
        return initInstance(instance);
    } catch (const std::bad_alloc&) {
        return code::kOutOfMemory;
    } catch (...) {
        return code::kUnexpected;
    }
}

int32_t scriptFinalize(void* instance)
{
    {
        std::lock_guard lock(g_scriptInstancesMutex);
        scriptInstances().erase(instance);
    }
    ScriptInstance& self = *scriptInstance(instance);
    releaseAndClear(self.values);
    releaseAndClear(self.lists);
    releaseAndClear(self.utils);
    releaseAndClear(self.notifier);
    return code::kOk;
}

int32_t SpeechVellScript_IOruMmXScript::construct() noexcept
{
    ScriptInstance& self = *scriptInstance(owner());
    if (self.notifier != nullptr) {
        void* client = nullptr;
        if (QueryInterface(&iid::kNotificationClient, &client) != code::kOk || client == nullptr)
            return code::kOk;
        m_notificationClient = static_cast<IOruNotificationClient*>(client);
        IOruMmXScript* reference = this;
        if (self.notifier->registerClient(m_notificationClient, &notification::kFirst, 0, reference) != code::kOk)
            return code::kOk;
        if (self.notifier->registerClient(m_notificationClient, &notification::kStop, 0, reference) != code::kOk)
            return code::kOk;
    }
    if (self.engineLoaded && self.lists != nullptr && self.utils != nullptr &&
        self.lists->newList(&m_voiceList) == code::kOk) {
        try {
            buildVoiceList(self.lists, self.utils, voiceInfoList(), &m_voiceList); // a partial list is kept
        } catch (...) {
        }
    }
    return code::kOk; // the object is usable even without notifications or voices
}

SpeechVellScript_IOruMmXScript::~SpeechVellScript_IOruMmXScript()
{
    ScriptInstance& self = *scriptInstance(owner());
    if (self.notifier != nullptr && m_notificationClient != nullptr) {
        self.notifier->unregisterClient(m_notificationClient, &notification::kFirst, 0);
        self.notifier->unregisterClient(m_notificationClient, &notification::kStop, 0);
        releaseAndClear(m_notificationClient);
    }
    if (self.engineLoaded && self.utils != nullptr)
        self.utils->releaseValue(&m_voiceList);
}

int32_t SpeechVellScript_IOruMmXScript::Call(CallInfo* info) noexcept
{
    if (info == nullptr)
        return code::kNoArgument;
    ScriptInstance& self = *scriptInstance(owner());
    try {
        const int32_t result = dispatch(self, *info);
        if (result != code::kOk && self.values != nullptr)
            self.values->integerToValue(0, &info->result);
        return result;
    } catch (const std::bad_alloc&) {
        return code::kOutOfMemory;
    } catch (...) {
        return code::kUnexpected;
    }
}

int32_t SpeechVellScript_IOruMmXScript::dispatch(ScriptInstance& self, CallInfo& info)
{
    if (self.values == nullptr || self.lists == nullptr || self.utils == nullptr)
        return code::kOutOfMemory;
    IOruScriptValues* values = self.values;
    int32_t result = values->integerToValue(0, &info.result);
    if (result != code::kOk)
        return result;

    // A failed load at init is retried by the next call, which then does nothing else.
    if (!self.engineLoaded) {
        self.engineLoaded = loadEngine(false) ? 1 : 0;
        return values->integerToValue(self.engineLoaded ? 1 : 0, &info.result);
    }
    SpeechEngine* engine = currentEngine();
    if (engine == nullptr)
        return code::kOk; // unloaded by Terminate

    auto integer = [&](int32_t n) { return values->integerToValue(n, &info.result); };
    auto argument = [&](int32_t& n) {
        return info.args == nullptr ? code::kNoArgument : values->valueToInteger(&info.args[0], &n);
    };
    int32_t n = 0;

    switch (info.method) {
    case kVoiceCount:
        return integer(engine->getVoiceCount());
    case kVoiceGet: {
        Value voice{0};
        if (self.lists->getAt(&m_voiceList, engine->getVoice(), &voice) == code::kOk)
            info.result = voice;
        return code::kOk;
    }
    case kVoiceGetAll:
        return copyVoiceList(self, &info.result);
    case kVoiceGetPitch:
        return integer(engine->getPitch());
    case kVoiceGetRate:
        return integer(engine->getRate());
    case kVoiceGetVolume:
        return integer(engine->getVolume());
    case kVoiceInitialize:
        return integer(engine->isReady() ? 1 : 0);
    case kVoicePause:
        return integer(engine->pause() ? 1 : 0);
    case kVoiceResume:
        return integer(engine->resume() ? 1 : 0);
    case kVoiceSet:
        result = argument(n);
        return result != code::kOk ? result : integer(engine->setVoice(n));
    case kVoiceSetPitch:
        result = argument(n);
        return result != code::kOk ? result : integer(engine->setPitch(n));
    case kVoiceSetRate:
        result = argument(n);
        return result != code::kOk ? result : integer(engine->setRate(n));
    case kVoiceSetVolume:
        result = argument(n);
        // Volumes are 16-bit: only the low half of the argument counts.
        return result != code::kOk ? result : integer(engine->setVolume(n & 0xFFFF));
    case kVoiceSpeak: {
        if (info.args == nullptr)
            return code::kNoArgument;
        const char* text = nullptr;
        result = values->valueToText(&info.args[0], &text);
        if (result != code::kOk)
            return result;
        return integer(text != nullptr && engine->speak(hostTextToUtf8(text).c_str()) ? 1 : 0);
    }
    case kVoiceState: {
        Symbol symbol = 0;
        result = values->stringToSymbol(stateText(engine->getState()), &symbol);
        if (result != code::kOk)
            return result;
        Value state{0};
        result = values->symbolToValue(symbol, &state);
        if (result == code::kOk)
            info.result = state;
        return result;
    }
    case kVoiceStop:
        return integer(engine->stop() ? 1 : 0);
    case kVoiceWordPos:
        return integer(engine->getWordPosition());
    default:
        return code::kOk;
    }
}

int32_t SpeechVellScript_IOruMmXScript::copyVoiceList(ScriptInstance& self, Value* result)
{
    IOruScriptLists* lists = self.lists;
    IOruValueUtils* utils = self.utils;
    Value copy{0};
    int32_t rc = lists->newList(&copy);
    if (rc != code::kOk)
        return rc;
    const int32_t count = lists->count(&m_voiceList);
    for (int32_t i = 1; i <= count && rc == code::kOk; ++i) {
        Value voice{0};
        rc = lists->getAt(&m_voiceList, i, &voice);
        if (rc == code::kOk) {
            rc = lists->append(&copy, &voice);
            utils->releaseValue(&voice);
        }
    }
    if (rc != code::kOk) {
        utils->releaseValue(&copy);
        return rc;
    }
    *result = copy;
    return code::kOk;
}

int32_t SpeechVellScript_IOruNotificationClient::Notify(const Guid* id, void*, void*) noexcept
{
    try {
        const ScriptInstance& self = *scriptInstance(owner());
        SpeechEngine* engine = currentEngine();
        if (self.engineLoaded && engine != nullptr && id != nullptr && *id == notification::kStop)
            engine->stop();
    } catch (...) {
    }
    return code::kOk;
}

} // namespace oru::plugin
